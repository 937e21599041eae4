// The store failing under a seat that is working on it: the data file locked by someone else,
// moved away, the database server stopped. The seat gets a StoreError it can show (never a
// crash or a silent loss), a pending row stays in editing, and once the store is back the
// seat goes on with everything stored before still there.
#include "connection.h"
#include "datamodule.h"
#include "newstore.h"
#include "pgcluster.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"
#include "teststore.h"
#include "testusers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>

using namespace store;

namespace {

void addAgent(Dataset &agents, const QString &id)
{
    agents.append();
    agents.setValue(QStringLiteral("CustId"), id);
    agents.setValue(QStringLiteral("CustName"), QString(QStringLiteral("代理") + id));
    agents.post();
}

// The agent codes the store holds, read by a connection of its own.
QStringList storedAgents(const QString &location)
{
    Connection db;
    db.open(location);
    QSqlQuery q = db.exec(QStringLiteral("SELECT CustId FROM tblCustomers ORDER BY CustId"));
    QStringList ids;
    while (q.next())
        ids << q.value(0).toString();
    return ids;
}

int logRows(const QString &location, const QString &text)
{
    Connection db;
    db.open(location);
    return db.scalar(QStringLiteral("SELECT count(*) FROM tblLog WHERE Operate = ?"), {text})
        .toInt();
}

// Another seat's write in progress: holds the write lock (SQLite) or the agent's row lock
// (PostgreSQL) for `holdMs`, in a thread with a connection of its own.
class LockHolder
{
public:
    LockHolder(const QString &location, const QString &agent, int holdMs)
    {
        m_thread.reset(QThread::create([=, this] {
            try {
                Connection db;
                db.open(location);
                if (db.engine() == Engine::SQLite) {
                    db.exec(QStringLiteral("BEGIN EXCLUSIVE"));
                } else {
                    db.exec(QStringLiteral("BEGIN"));
                    db.exec(QStringLiteral(
                                "SELECT CustName FROM tblCustomers WHERE CustId = ? FOR UPDATE"),
                            {agent});
                }
                m_holding = true;
                QThread::msleep(holdMs);
                db.exec(QStringLiteral("COMMIT"));
            } catch (const StoreError &e) {
                m_error = e.text();
                m_holding = true;
            }
        }));
        m_thread->start();
        for (int i = 0; i < 1000 && !m_holding; ++i)
            QThread::msleep(10);
    }
    ~LockHolder() { m_thread->wait(60000); }
    QString error() const { return m_error; }
    bool holding() const { return m_holding; }

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_holding{false};
    QString m_error;
};

} // namespace

class TestStoreFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { session().CurrentUserID = QStringLiteral("Admin"); }

    // A write that meets another seat's write waits for it and then goes through.
    void writerWaitsForAnotherSeatsWrite_data() { testsupport::addEngineRows(); }
    void writerWaitsForAnotherSeatsWrite()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.tblCustomers.open();
        addAgent(dm.tblCustomers, QStringLiteral("A1"));

        const int holdMs = 1500;
        qint64 waited = 0;
        {
            LockHolder other(s.location(), QStringLiteral("A1"), holdMs);
            QVERIFY(other.holding());
            QElapsedTimer t;
            t.start();
            dm.tblCustomers.setValue(QStringLiteral("Address"), QStringLiteral("等到了"));
            dm.tblCustomers.post(); // the very row the other seat holds
            waited = t.elapsed();
            QVERIFY2(other.error().isEmpty(), qPrintable(other.error()));
        }
        QVERIFY2(waited >= holdMs / 2,
                 qPrintable(QStringLiteral("did not wait: %1 ms").arg(waited)));
        QCOMPARE(dm.tblCustomers.state(), Dataset::State::Browse);
        Connection db;
        db.open(s.location());
        QCOMPARE(db.scalar(QStringLiteral("SELECT Address FROM tblCustomers WHERE CustId = 'A1'"))
                     .toString(),
                 QStringLiteral("等到了"));
        qInfo().noquote() << QStringLiteral("%1: waited %2 ms for a lock held %3 ms")
                                 .arg(engine)
                                 .arg(waited)
                                 .arg(holdMs);
    }

    // A data file that stays locked longer than a seat will wait: the post fails with the
    // store's text, the row stays in editing, and the same post succeeds once the lock is gone.
    void lockedDataFileRefusesThenAccepts()
    {
        testsupport::TempStore s(QStringLiteral("sqlite"));
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.tblCustomers.open();
        addAgent(dm.tblCustomers, QStringLiteral("A1"));
        addAgent(dm.tblCustomers, QStringLiteral("A2"));
        dm.writeLog(QStringLiteral("锁之前"));
        // The seat would wait 30 s; a second is enough to show what happens after the wait.
        dm.connection().exec(QStringLiteral("PRAGMA busy_timeout = 1000"));

        Connection other;
        other.open(s.location());
        other.exec(QStringLiteral("BEGIN EXCLUSIVE"));

        dm.tblCustomers.append();
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("B1"));
        dm.tblCustomers.setValue(QStringLiteral("CustName"), QStringLiteral("锁住时新增"));
        QString text;
        try {
            dm.tblCustomers.post();
        } catch (const StoreError &e) {
            text = e.text();
        }
        QVERIFY2(!text.isEmpty(), "a post into a locked data file reported nothing");
        QVERIFY2(text.contains(QStringLiteral("locked"), Qt::CaseInsensitive), qPrintable(text));
        QCOMPARE(dm.tblCustomers.state(), Dataset::State::Insert);
        QCOMPARE(dm.tblCustomers.value(QStringLiteral("CustName")).toString(),
                 QStringLiteral("锁住时新增"));
        QVERIFY_THROWS_EXCEPTION(StoreError, dm.writeLog(QStringLiteral("锁住时")));

        // A change of a stored row: refused the same way, and kept in editing.
        DataModule changer;
        changer.openAtStartup(s.appDir());
        changer.connection().exec(QStringLiteral("PRAGMA busy_timeout = 1000"));
        QVERIFY(changer.tblCustomers2.locate(QStringLiteral("CustId"), QStringLiteral("A1")));
        changer.tblCustomers2.setValue(QStringLiteral("Address"), QStringLiteral("锁住时修改"));
        QVERIFY_THROWS_EXCEPTION(StoreError, changer.tblCustomers2.post());
        QCOMPARE(changer.tblCustomers2.state(), Dataset::State::Edit);

        // What was stored before is all there, read inside the other seat's transaction.
        QCOMPARE(other.scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toInt(), 2);
        other.exec(QStringLiteral("ROLLBACK"));
        other.close();

        dm.tblCustomers.post(); // the same pending row, now accepted
        QCOMPARE(dm.tblCustomers.state(), Dataset::State::Browse);
        changer.tblCustomers2.post();
        QCOMPARE(storedAgents(s.location()),
                 (QStringList{QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("B1")}));
        QCOMPARE(logRows(s.location(), QStringLiteral("锁之前")), 1);
        QCOMPARE(logRows(s.location(), QStringLiteral("锁住时")), 0);
        Connection db;
        db.open(s.location());
        QCOMPARE(db.scalar(QStringLiteral("SELECT Address FROM tblCustomers WHERE CustId = 'A1'"))
                     .toString(),
                 QStringLiteral("锁住时修改"));
        qInfo().noquote()
            << QStringLiteral("locked data file: post refused with \"%1\", accepted after release")
                   .arg(text);
    }

    // The data file renamed while a seat has it open. Writes must not land in a file nobody
    // can see any more: they are refused; once the file is back, a reconnect finds every row.
    void dataFileMovedAwayUnderTheSeat()
    {
        testsupport::TempStore s(QStringLiteral("sqlite"));
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.tblCustomers.open();
        addAgent(dm.tblCustomers, QStringLiteral("A1"));
        addAgent(dm.tblCustomers, QStringLiteral("A2"));
        dm.writeLog(QStringLiteral("移走之前"));

        const QString file = s.location(), away = s.location() + QStringLiteral(".away");
        QVERIFY(QFile::rename(file, away));

        QStringList silent; // writes that reported success while the file was away
        try {
            dm.writeLog(QStringLiteral("移走之后"));
            silent << QStringLiteral("writeLog");
        } catch (const StoreError &e) {
            QVERIFY(!e.text().isEmpty());
        }
        bool postRefused = false;
        dm.tblCustomers.append();
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("B1"));
        dm.tblCustomers.setValue(QStringLiteral("CustName"), QStringLiteral("移走时新增"));
        try {
            dm.tblCustomers.post();
            silent << QStringLiteral("post of a new agent");
        } catch (const StoreError &e) {
            postRefused = true;
            QVERIFY(!e.text().isEmpty());
            QCOMPARE(dm.tblCustomers.state(), Dataset::State::Insert);
        }
        // Reading may go on from what is open, or fail; it must not bring the seat down.
        try {
            dm.tblCustomers2.refresh();
            dm.tblCustomers2.value(0, QStringLiteral("CustName"));
        } catch (const StoreError &) {
        }
        // Another seat cannot open the store where it was.
        QVERIFY_THROWS_EXCEPTION(StoreError, Connection().open(file));

        QVERIFY(QFile::rename(away, file));
        dm.reconnect(file);
        dm.tblCustomers.open();
        QStringList expected{QStringLiteral("A1"), QStringLiteral("A2")};
        if (!postRefused)
            expected << QStringLiteral("B1"); // reported as stored, so it must be there
        QCOMPARE(storedAgents(file), expected);
        QCOMPARE(logRows(file, QStringLiteral("移走之前")), 1);
        QCOMPARE(logRows(file, QStringLiteral("移走之后")),
                 silent.contains(QStringLiteral("writeLog")) ? 1 : 0);
        // The seat works on after the reconnect.
        addAgent(dm.tblCustomers, QStringLiteral("C1"));
        dm.writeLog(QStringLiteral("放回之后"));
        QVERIFY(storedAgents(file).contains(QStringLiteral("C1")));
        Connection db;
        db.open(file);
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));

        QVERIFY2(silent.isEmpty(),
                 qPrintable(
                     QStringLiteral("while the data file was moved away these reported success: %1")
                         .arg(silent.join(QStringLiteral(", ")))));
    }

    // The database server stops (as in a crash) while a seat is connected, and comes back.
    void serverStoppedUnderTheSeat()
    {
        if (PgCluster::binDir().isEmpty())
            QSKIP("TESSALY_PG_BINDIR is not set: no PostgreSQL server of our own to stop");
        PgCluster server;
        QVERIFY2(server.init(), qPrintable(server.error()));
        {
            Connection admin;
            admin.openUnchecked(server.uri(QStringLiteral("postgres")));
            admin.exec(QStringLiteral("CREATE DATABASE relstore"));
        }
        const QString location = server.uri(QStringLiteral("relstore"));
        NewStore::create(location);
        {
            Connection db;
            db.open(location);
            testsupport::addUser(db, QStringLiteral("clerk"), QStringLiteral("pw"), false,
                                 testsupport::allRights());
        }
        QTemporaryDir app;
        const QString appDir = app.path() + QLatin1Char('/');
        ServerFile::write(appDir, location);
        session().CurrentUserID = QStringLiteral("clerk");
        DataModule dm;
        dm.openAtStartup(appDir);
        dm.tblCustomers.open();
        addAgent(dm.tblCustomers, QStringLiteral("A1"));
        addAgent(dm.tblCustomers, QStringLiteral("A2"));
        dm.writeLog(QStringLiteral("停机之前"));

        QVERIFY2(server.stop(QStringLiteral("immediate")), qPrintable(server.error()));
        QElapsedTimer t;
        t.start();
        QVERIFY_THROWS_EXCEPTION(StoreError, dm.writeLog(QStringLiteral("停机之时")));
        dm.tblCustomers.append();
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("B1"));
        dm.tblCustomers.setValue(QStringLiteral("CustName"), QStringLiteral("停机时新增"));
        QString text;
        try {
            dm.tblCustomers.post();
        } catch (const StoreError &e) {
            text = e.text();
        }
        QVERIFY2(!text.isEmpty(), "a post to a stopped server reported nothing");
        QCOMPARE(dm.tblCustomers.state(), Dataset::State::Insert);
        try {
            dm.tblCustomers2.refresh();
        } catch (const StoreError &) {
        }
        // A reconnect while the server is down fails with the store's message too.
        QVERIFY_THROWS_EXCEPTION(StoreError, dm.reconnect(location));
        QVERIFY2(t.elapsed() < 30000, "the seat hung on the stopped server");

        QVERIFY2(server.start(), qPrintable(server.error()));
        dm.reconnect(location);
        dm.tblCustomers.open();
        QCOMPARE(storedAgents(location), (QStringList{QStringLiteral("A1"), QStringLiteral("A2")}));
        QCOMPARE(logRows(location, QStringLiteral("停机之前")), 1);
        QCOMPARE(logRows(location, QStringLiteral("停机之时")), 0);
        addAgent(dm.tblCustomers, QStringLiteral("B1"));
        dm.writeLog(QStringLiteral("重启之后"));
        QCOMPARE(storedAgents(location),
                 (QStringList{QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("B1")}));
        QCOMPARE(logRows(location, QStringLiteral("重启之后")), 1);
        qInfo().noquote() << QStringLiteral("server stopped: post refused with \"%1\"; reconnect "
                                            "after restart kept every row")
                                 .arg(text.simplified().left(200));
    }
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"
