// `tessaly --backup`: run as cron would run it, on both engines, while another seat keeps
// writing; the copy restores to a store holding every row committed before it began. A bad
// destination fails with a reason and a non-zero exit; --keep keeps the newest copies only.
#include "connection.h"
#include "newstore.h"
#include "storecopy.h"
#include "teststore.h"
#include "unattendedbackup.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

namespace
{

QStringList customers(store::Connection &db)
{
    QStringList ids;
    QSqlQuery q = db.exec(QStringLiteral("SELECT CustId FROM tblCustomers ORDER BY CustId"));
    while (q.next())
        ids << q.value(0).toString();
    return ids;
}

void addCustomer(store::Connection &db, const QString &id)
{
    db.exec(
        QStringLiteral(
            "INSERT INTO tblCustomers (CustId, CustName, SUser, Memo) VALUES (?, ?, 'Admin', ?)"),
        {id, QString(QStringLiteral("代理") + id), QString(300, QLatin1Char('m'))});
}

struct Run {
    int exitCode = -1;
    QString out, err;
};

} // namespace

class TestUnattendedBackup : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::TempStore> m_store;

    QProcess *start(QProcess &p, const QStringList &arguments)
    {
        p.start(testsupport::binary(QStringLiteral("tessaly")), arguments);
        return &p;
    }
    Run backup(const QStringList &extra, const QString &dest)
    {
        QProcess p;
        start(p,
              QStringList{QStringLiteral("--backup"), QStringLiteral("--dir"), m_store->appDir()} +
                  extra + QStringList{dest});
        Run r;
        if (!p.waitForFinished(120000))
            return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    // The rows of a copy: a SQLite file opened as it is, a server archive restored into a
    // database of its own.
    QStringList customersIn(const QString &copy)
    {
        store::Connection db;
        if (!m_store->isServer()) {
            StoreCopy::checkFile(copy);
            db.open(copy);
        } else {
            const QString spare = m_store->spareServerLocation();
            store::NewStore::create(spare);
            StoreCopy().replace(
                spare, copy, StoreCopy::freeName(m_store->appDir() + QStringLiteral("spare.wdb")));
            db.open(spare);
        }
        return customers(db);
    }

  private Q_SLOTS:
    void cleanup() { m_store.reset(); }

    void backupWhileAnotherSeatWrites_data() { testsupport::addEngineRows(); }
    void backupWhileAnotherSeatWrites()
    {
        QFETCH(QString, engine);
        m_store = std::make_unique<testsupport::TempStore>(engine);
        auto seat = m_store->connect();
        seat->transaction([&] {
            for (int i = 0; i < 4000; ++i)
                addCustomer(*seat, QStringLiteral("C%1").arg(i, 5, 10, QLatin1Char('0')));
        });
        const QStringList before = customers(*seat);
        const QString dest = m_store->appDir() + QStringLiteral("nightly");

        QProcess p;
        start(p, {QStringLiteral("--backup"), QStringLiteral("--dir"), m_store->appDir(), dest});
        QVERIFY(p.waitForStarted());
        int written = 0;
        while (p.state() != QProcess::NotRunning) {
            addCustomer(*seat, QStringLiteral("W%1").arg(++written, 5, 10, QLatin1Char('0')));
            p.waitForFinished(5);
        }
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(p.exitCode() == 0, qPrintable(QString::fromUtf8(p.readAllStandardError())));
        QVERIFY(written > 0);
        QCOMPARE(customers(*seat).size(), before.size() + written); // the writer was never refused

        const QStringList copies = UnattendedBackup::copiesIn(dest);
        QCOMPARE(copies.size(), 1);
        QVERIFY2(out.contains(QDir::toNativeSeparators(copies.first())), qPrintable(out));
        const QStringList held = customersIn(copies.first());
        for (const QString &id : before)
            QVERIFY2(held.contains(id), qPrintable(id));
        QVERIFY(held.size() <= before.size() + written);
        // The day copy, as the backup window keeps it, and the log row of the user "system".
        QVERIFY(
            QFile::exists(StoreCopy::dayFolder(m_store->appDir()) + QStringLiteral("/KTA30.wdb")));
        QSqlQuery q =
            seat->exec(QStringLiteral("SELECT Operate FROM tblLog WHERE UserID = 'system'"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("系统设置-数据备份"));
        QVERIFY(!q.next());
    }

    void badDestinationFails_data() { testsupport::addEngineRows(); }
    void badDestinationFails()
    {
        QFETCH(QString, engine);
        m_store = std::make_unique<testsupport::TempStore>(engine);
        const QString file = m_store->appDir() + QStringLiteral("a-file");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        Run r = backup({}, file);
        QVERIFY(r.exitCode > 0);
        QVERIFY2(r.err.contains(QStringLiteral("不是文件夹")), qPrintable(r.err));
        r = backup({}, file + QStringLiteral("/below"));
        QVERIFY(r.exitCode > 0);
        QVERIFY(!r.err.isEmpty());
        // A program directory without Server.txt names no store: refused, and nothing is made
        // there.
        QVERIFY(QFile::remove(m_store->appDir() + QStringLiteral("Server.txt")));
        r = backup({}, m_store->appDir() + QStringLiteral("nightly"));
        QVERIFY(r.exitCode > 0);
        QVERIFY2(r.err.contains(QStringLiteral("Server.txt")), qPrintable(r.err));
        QVERIFY(!QFile::exists(m_store->appDir() + QStringLiteral("Server.txt")));
        // A bad --keep is a usage error.
        QProcess p;
        start(p, {QStringLiteral("--backup"), QStringLiteral("--keep"), QStringLiteral("0"),
                  m_store->appDir()});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 2);
    }

    void keepLeavesTheNewest()
    {
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        const QString dest = m_store->appDir() + QStringLiteral("nightly");
        QVERIFY(QDir().mkpath(dest));
        QFile other(dest + QStringLiteral("/notes.txt")); // not a copy of ours: never removed
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        QStringList made;
        for (int i = 0; i < 3; ++i) {
            const Run r = backup({QStringLiteral("--keep"), QStringLiteral("2")}, dest);
            QVERIFY2(r.exitCode == 0, qPrintable(r.err));
            made << UnattendedBackup::copiesIn(dest).first();
            QThread::msleep(1100); // names carry the second they were made
        }
        QCOMPARE(UnattendedBackup::copiesIn(dest), QStringList({made[2], made[1]}));
        QVERIFY(QFile::exists(dest + QStringLiteral("/notes.txt")));
        StoreCopy::checkFile(made[2]);
    }
};

QTEST_MAIN(TestUnattendedBackup)
#include "tst_unattendedbackup.moc"
