// The database server restarting, or the network dropping a seat's connection, while the seat
// saves. The seat keeps what was typed, connects again by itself once the server answers,
// and a save stores every row once: none twice, none half, none lost that it called stored.
#include "connection.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "newstore.h"
#include "pgcluster.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"
#include "storenotices.h"
#include "tcpbreaker.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>

using namespace store;

namespace {

const QString Lost = QStringLiteral("与数据库服务器的连接已断开，正在重新连接……");

// A store of its own on a cluster of the test's own, and the program directory naming it.
struct ServerStore
{
    QTemporaryDir app;
    QString appDir, direct;

    bool make(PgCluster &pg, QString *why)
    {
        if (!pg.init()) {
            *why = pg.error();
            return false;
        }
        try {
            Connection admin;
            admin.openUnchecked(pg.uri(QStringLiteral("postgres")));
            admin.exec(QStringLiteral("CREATE DATABASE restarts"));
            direct = pg.uri(QStringLiteral("restarts"));
            NewStore::create(direct);
            appDir = app.path() + QLatin1Char('/');
            ServerFile::write(appDir, direct);
        } catch (const StoreError &e) {
            *why = e.text();
            return false;
        }
        return true;
    }
    // The seat reaches the server through `port` (a relay in front of it).
    void throughPort(int port)
    {
        ServerFile::write(appDir, QStringLiteral("postgresql://tessaly@127.0.0.1:%1/restarts").arg(port));
    }
};

// Does `work` again, as a user presses 保存 again, until it goes through or a minute has
// passed. After each failure `check` tells what is wrong with the seat (empty when nothing).
struct Retry
{
    int failures = 0;
    QStringList texts;
    QString problem;

    bool untilDone(const std::function<void()> &work, const std::function<QString()> &check = {})
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            try {
                work();
                return true;
            } catch (const StoreError &e) {
                ++failures;
                if (!texts.contains(e.text()))
                    texts << e.text();
                if (e.kind() != StoreError::Kind::Connection) {
                    problem = QStringLiteral("refused: ") + e.text();
                    return false;
                }
            }
            if (check) {
                problem = check();
                if (!problem.isEmpty())
                    return false;
            }
            if (t.elapsed() > 60000) {
                problem = QStringLiteral("still failing after a minute: ") + texts.join(QStringLiteral(" | "));
                return false;
            }
            QCoreApplication::processEvents();
            QThread::msleep(50);
        }
    }
};

// The pending row is still being edited with what was typed.
std::function<QString()> keeps(Dataset &set, const QString &field, const QString &typed)
{
    return [&set, field, typed] {
        if (!set.isEditing())
            return QStringLiteral("the row left editing after a failed save");
        if (set.value(field).toString() != typed)
            return QStringLiteral("the row lost what was typed: %1").arg(set.value(field).toString());
        return QString();
    };
}

void typeAgent(Dataset &agents, const QString &id, const QString &name)
{
    agents.append();
    agents.setValue(QStringLiteral("CustId"), id);
    agents.setValue(QStringLiteral("CustName"), name);
}

void typeNotice(Dataset &board, const QString &title)
{
    board.append();
    board.setValue(QStringLiteral("BTitle"), title);
    board.setValue(QStringLiteral("Memo"), QString(title + QStringLiteral("的内容")));
}

int countOf(Connection &db, const QString &sql, const QVariantList &values = {})
{
    return db.scalar(sql, values).toInt();
}

// Locates a stored agent, reading again while the server is away.
std::function<void()> locateAgent(Dataset &agents, const QString &id)
{
    return [&agents, id] {
        if (!agents.locate(QStringLiteral("CustId"), id))
            throw StoreError(QStringLiteral("not found yet"), StoreError::Kind::Connection);
    };
}

} // namespace

class TestServerRestarts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (PgCluster::binDir().isEmpty())
            QSKIP("TESSALY_PG_BINDIR is not set: no PostgreSQL server of our own to restart");
    }
    void init() { session().CurrentUserID = QStringLiteral("Admin"); }

    // A seat adds agents and notices and changes agents in a loop while the server restarts
    // three times (pg_ctl restart -m fast). Every row the seat was told is stored is there
    // once with what was typed last; a notice (which has no unique code) is never there twice.
    void seatSavesWhileTheServerRestartsThreeTimes()
    {
        PgCluster pg;
        ServerStore s;
        QString why;
        QVERIFY2(s.make(pg, &why), qPrintable(why));
        DataModule dm;
        dm.openAtStartup(s.appDir);
        dm.tblCustomers.open();
        int lost = 0, restored = 0;
        connect(&dm.connection(), &Connection::connectionLost, this, [&lost] { ++lost; });
        connect(&dm.connection(), &Connection::connectionRestored, this, [&restored] { ++restored; });

        std::atomic<int> restarts{0};
        std::atomic<bool> restartFailed{false};
        std::unique_ptr<QThread> restarter(QThread::create([&] {
            for (int i = 0; i < 3; ++i) {
                QThread::msleep(1500);
                if (!pg.restart(QStringLiteral("fast")))
                    restartFailed = true;
                ++restarts;
            }
        }));
        restarter->start();

        QHash<QString, QString> addresses; // agent -> the address saved last
        QStringList notices;
        Retry r;
        int afterLast = 0;
        for (int i = 0; afterLast < 10; ++i) {
            const QString id = QStringLiteral("R%1").arg(i, 4, 10, QLatin1Char('0'));
            typeAgent(dm.tblCustomers, id, QStringLiteral("重启代理") + id);
            QVERIFY2(r.untilDone([&] { dm.tblCustomers.post(); },
                                 keeps(dm.tblCustomers, QStringLiteral("CustName"), QStringLiteral("重启代理") + id)),
                     qPrintable(r.problem));
            addresses.insert(id, QString());

            const QString title = QStringLiteral("公告%1").arg(i);
            typeNotice(dm.tblBoard, title);
            QVERIFY2(r.untilDone([&] { dm.tblBoard.post(); }, keeps(dm.tblBoard, QStringLiteral("BTitle"), title)),
                     qPrintable(r.problem));
            notices << title;

            const QString earlier = QStringLiteral("R%1").arg(i / 2, 4, 10, QLatin1Char('0'));
            const QString address = QStringLiteral("第%1次修改").arg(i);
            QVERIFY2(r.untilDone(locateAgent(dm.tblCustomers, earlier)), qPrintable(r.problem));
            dm.tblCustomers.setValue(QStringLiteral("Address"), address);
            QVERIFY2(r.untilDone([&] { dm.tblCustomers.post(); },
                                 keeps(dm.tblCustomers, QStringLiteral("Address"), address)),
                     qPrintable(r.problem));
            addresses[earlier] = address;
            if (restarter->isFinished())
                ++afterLast;
        }
        restarter->wait();
        QVERIFY(!restartFailed);
        QCOMPARE(restarts.load(), 3);

        // What the store holds, read by a connection of its own.
        Connection db;
        db.open(s.direct);
        int verified = 0;
        for (auto it = addresses.cbegin(); it != addresses.cend(); ++it) {
            QSqlQuery q = db.exec(QStringLiteral("SELECT Address FROM tblCustomers WHERE CustId = ?"), {it.key()});
            QVERIFY2(q.next(), qPrintable(it.key()));
            QCOMPARE(q.value(0).toString(), it.value());
            verified += q.next() ? 0 : 1;
        }
        for (const QString &title : std::as_const(notices)) {
            QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblBoard WHERE BTitle = ?"), {title}), 1);
            ++verified;
        }
        const int duplicates =
            countOf(db, QStringLiteral("SELECT count(*) FROM (SELECT BTitle FROM tblBoard GROUP BY BTitle HAVING count(*) > 1) d"));
        QCOMPARE(duplicates, 0);
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblCustomers")), int(addresses.size()));
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblBoard")), int(notices.size()));
        QVERIFY2(lost >= 3, qPrintable(QString::number(lost)));
        QCOMPARE(restored, lost);
        QVERIFY(!dm.connection().isLost());
        const int saved = int(addresses.size() + notices.size());
        qInfo().noquote() << QStringLiteral("server restarts survived: %1; breaks noticed %2, reconnected %3; "
                                            "rows saved %4 (and %5 changes), rows verified %6, duplicates %7; "
                                            "saves refused while away %8: %9")
                                 .arg(restarts.load())
                                 .arg(lost)
                                 .arg(restored)
                                 .arg(saved)
                                 .arg(addresses.size())
                                 .arg(verified)
                                 .arg(duplicates)
                                 .arg(r.failures)
                                 .arg(r.texts.join(QStringLiteral(" | ")).simplified().left(300));
    }

    // The network drops the connection right after a statement or a COMMIT went out: the
    // server did the work (or never saw it), the seat never heard. Saving again stores the
    // row exactly once, with what was typed since.
    void saveWhoseAnswerIsLostIsStoredOnce()
    {
        PgCluster pg;
        ServerStore s;
        QString why;
        QVERIFY2(s.make(pg, &why), qPrintable(why));
        TcpBreaker breaker(pg.port());
        QVERIFY(breaker.port() > 0);
        s.throughPort(breaker.port());
        DataModule dm;
        dm.openAtStartup(s.appDir);
        dm.tblCustomers.open();
        Connection db;
        db.open(s.direct);
        Retry r;

        // A new agent whose INSERT reached the server, whose COMMIT did not: not stored by the
        // first save, stored once by the next.
        typeAgent(dm.tblCustomers, QStringLiteral("B1"), QStringLiteral("断线代理"));
        breaker.arm("INSERT INTO tblCustomers", TcpBreaker::Cut::AfterForwarding);
        QVERIFY_THROWS_EXCEPTION(StoreError, dm.tblCustomers.post());
        QCOMPARE(breaker.cuts(), 1);
        QCOMPARE(dm.tblCustomers.state(), Dataset::State::Insert);
        dm.tblCustomers.setValue(QStringLiteral("Address"), QStringLiteral("断线后补充"));
        QVERIFY2(r.untilDone([&] { dm.tblCustomers.post(); }), qPrintable(r.problem));
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblCustomers WHERE CustId = 'B1' AND Address = '断线后补充'")), 1);

        // A notice whose COMMIT the server carried out but whose answer was lost: the next save
        // finds it stored and stores what was typed since as a change of it, never a second row.
        typeNotice(dm.tblBoard, QStringLiteral("已提交"));
        breaker.arm("COMMIT", TcpBreaker::Cut::AfterForwarding);
        bool unsettled = false;
        try {
            dm.tblBoard.post();
        } catch (const StoreError &e) {
            unsettled = e.unsettledCommit() != 0;
        }
        QVERIFY(unsettled);
        QCOMPARE(breaker.cuts(), 2);
        QCOMPARE(dm.tblBoard.state(), Dataset::State::Insert);
        // The server carries the COMMIT out a moment after the relay handed it on.
        QTRY_COMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblBoard WHERE BTitle = '已提交'")), 1);
        dm.tblBoard.setValue(QStringLiteral("Man"), QStringLiteral("后来填的"));
        QVERIFY2(r.untilDone([&] { dm.tblBoard.post(); }), qPrintable(r.problem));
        QCOMPARE(dm.tblBoard.state(), Dataset::State::Browse);
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblBoard WHERE BTitle = '已提交' AND Man = '后来填的'")), 1);
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblBoard WHERE BTitle = '已提交'")), 1);
        QCOMPARE(dm.tblBoard.find(QStringLiteral("BTitle"), QStringLiteral("已提交")), dm.tblBoard.currentRow());

        // A change whose COMMIT went through unheard: saved again, it is no conflict with
        // "another user", and the store holds it once more changed, not twice.
        QVERIFY(dm.tblCustomers.locate(QStringLiteral("CustId"), QStringLiteral("B1")));
        dm.tblCustomers.setValue(QStringLiteral("CustName"), QStringLiteral("改过的名字"));
        breaker.arm("COMMIT", TcpBreaker::Cut::AfterForwarding);
        QVERIFY_THROWS_EXCEPTION(StoreError, dm.tblCustomers.post());
        QVERIFY2(r.untilDone([&] { dm.tblCustomers.post(); }), qPrintable(r.problem));
        QCOMPARE(db.scalar(QStringLiteral("SELECT CustName FROM tblCustomers WHERE CustId = 'B1'")).toString(),
                 QStringLiteral("改过的名字"));

        // A COMMIT that never reached the server: nothing stored, and the next save stores it.
        typeNotice(dm.tblBoard, QStringLiteral("未送达"));
        breaker.arm("COMMIT", TcpBreaker::Cut::BeforeForwarding);
        QVERIFY_THROWS_EXCEPTION(StoreError, dm.tblBoard.post());
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblBoard WHERE BTitle = '未送达'")), 0);
        QVERIFY2(r.untilDone([&] { dm.tblBoard.post(); }), qPrintable(r.problem));
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblBoard WHERE BTitle = '未送达'")), 1);
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblBoard")), 2);
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblCustomers")), 1);
    }

    // The user hears of a break once, however many commands fail until the server is back;
    // the status line says what goes on; a pending row is saved once the server answers.
    void breakIsToldOnceAndTheSeatGoesOn()
    {
        PgCluster pg;
        ServerStore s;
        QString why;
        QVERIFY2(s.make(pg, &why), qPrintable(why));
        DataModule dm;
        dm.openAtStartup(s.appDir);
        QWidget window;
        QString status;
        StoreNotices::watchConnection(&window, dm.connection(), [&status](const QString &t) { status = t; });
        MessageBox::clearHistory();

        for (int round = 1; round <= 2; ++round) {
            QVERIFY2(pg.stop(QStringLiteral("fast")), qPrintable(pg.error()));
            typeNotice(dm.tblBoard, QStringLiteral("第%1次断开时").arg(round));
            QVERIFY(!ErrorDisplay::run(&window, [&] { dm.writeLog(QStringLiteral("断开时的命令")); }));
            QVERIFY(!ErrorDisplay::run(&window, [&] { dm.tblBoard.post(); }));
            QVERIFY(!ErrorDisplay::run(&window, [&] { dm.tblBoard.post(); }));
            testWait(300);
            QCOMPARE(MessageBox::history().size(), round);
            QCOMPARE(MessageBox::last().text, Lost);
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QCOMPARE(status, Lost);
            QVERIFY(dm.connection().isLost());
            QCOMPARE(dm.tblBoard.state(), Dataset::State::Insert);

            QVERIFY2(pg.start(), qPrintable(pg.error()));
            QTRY_VERIFY_WITH_TIMEOUT(!dm.connection().isLost(), 30000);
            QCOMPARE(status, QStringLiteral("与数据库服务器的连接已恢复。"));
            QVERIFY(ErrorDisplay::run(&window, [&] { dm.tblBoard.post(); }));
            QCOMPARE(MessageBox::history().size(), round);
        }
        Connection db;
        db.open(s.direct);
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblBoard")), 2);
        QCOMPARE(countOf(db, QStringLiteral("SELECT count(*) FROM tblLog WHERE Operate = '断开时的命令'")), 0);
    }

private:
    static void testWait(int ms) { QTest::qWait(ms); }
};

QTEST_MAIN(TestServerRestarts)
#include "tst_serverrestarts.moc"
