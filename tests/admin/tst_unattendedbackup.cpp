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
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTime>

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
        // A program directory with neither Server.txt nor a data file at the default place
        // holds no store: refused, and nothing is made there, least of all a store.
        QVERIFY(QFile::remove(m_store->appDir() + QStringLiteral("Server.txt")));
        const QString dataFile = m_store->appDir() + QStringLiteral("Data/KTA30.wdb");
        if (!m_store->isServer())
            QVERIFY(QFile::rename(dataFile, dataFile + QStringLiteral(".away")));
        r = backup({}, m_store->appDir() + QStringLiteral("nightly"));
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Server.txt")) &&
                     r.err.contains(QStringLiteral("不会新建数据库")),
                 qPrintable(r.err));
        QVERIFY(!QFile::exists(m_store->appDir() + QStringLiteral("Server.txt")));
        QVERIFY(!QFile::exists(dataFile));
        QVERIFY(!QFile::exists(m_store->appDir() + QStringLiteral("nightly")));
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

    // Files whose names only look like the copies are a user's own: --keep leaves them, and
    // removes the older copies of its own names, numbered ones included.
    void keepRemovesOnlyItsOwnNames()
    {
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        const QString dest = m_store->appDir() + QStringLiteral("nightly");
        QVERIFY(QDir().mkpath(dest));
        const QStringList users{QStringLiteral("KTA30-2023-12-backup.wdb"),
                                QStringLiteral("KTA30-20231201-0900.wdb"),
                                QStringLiteral("KTA30-20231201-090000.wdb.bak"),
                                QStringLiteral("kta30-20231201-090000.wdb"),
                                QStringLiteral("KTA30-20231201-090000-old.wdb"),
                                QStringLiteral("KTA30-20231201-090000-1.wdb"),
                                QStringLiteral("KTA30-20231399-090000.wdb"),
                                QStringLiteral("KTA30-20231201-090000 (2).wdb")};
        const QStringList ours{QStringLiteral("KTA30-20231201-090000.wdb"),
                               QStringLiteral("KTA30-20231201-090000-2.wdb")};
        for (const QString &name : users + ours) {
            QFile f(dest + QLatin1Char('/') + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const Run r = backup({QStringLiteral("--keep"), QStringLiteral("1")}, dest);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        for (const QString &name : users)
            QVERIFY2(QFile::exists(dest + QLatin1Char('/') + name), qPrintable(name));
        for (const QString &name : ours) {
            QVERIFY2(!QFile::exists(dest + QLatin1Char('/') + name), qPrintable(name));
            QVERIFY2(r.out.contains(name), qPrintable(r.out));
        }
        const QStringList left = UnattendedBackup::copiesIn(dest);
        QCOMPARE(left.size(), 1);
        QVERIFY2(
            r.out.contains(QStringLiteral("已备份：") + QDir::toNativeSeparators(left.first())),
            qPrintable(r.out));
        QCOMPARE(QDir(dest).entryList(QDir::Files).size(), users.size() + 1);
    }

    // Two runs within one second: each copy has a name of its own, and --keep 1 keeps the
    // second run's copy, never removing what it has just written. (Names do not depend on the
    // engine; a server's pg_dump would rarely let two runs fit into one second.)
    void twoRunsInOneSecond()
    {
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        const QString dest = m_store->appDir() + QStringLiteral("nightly");
        const QStringList keep{QStringLiteral("--keep"), QStringLiteral("1")};
        for (int attempt = 0; attempt < 5; ++attempt) {
            QDir(dest).removeRecursively();
            // From the start of a second, so that both runs are likely to fall within it.
            QThread::msleep(1000 - QTime::currentTime().msec());
            const Run first = backup(keep, dest);
            QVERIFY2(first.exitCode == 0, qPrintable(first.err));
            const QString firstCopy = UnattendedBackup::copiesIn(dest).value(0);
            const Run second = backup(keep, dest);
            QVERIFY2(second.exitCode == 0, qPrintable(second.err));
            const QStringList left = UnattendedBackup::copiesIn(dest);
            QCOMPARE(left.size(), 1);
            QVERIFY(left.first() != firstCopy);
            QVERIFY2(second.out.contains(QStringLiteral("已备份：") +
                                         QDir::toNativeSeparators(left.first())),
                     qPrintable(second.out));
            QVERIFY2(second.out.contains(QStringLiteral("已删除旧的备份：") +
                                         QDir::toNativeSeparators(firstCopy)),
                     qPrintable(second.out));
            StoreCopy::checkFile(left.first());
            const auto stamp = [](const QString &path) {
                return QFileInfo(path).fileName().mid(6, 15);
            };
            if (stamp(firstCopy) == stamp(left.first())) {
                QCOMPARE(QFileInfo(left.first()).fileName(),
                         QStringLiteral("KTA30-%1-2.wdb").arg(stamp(firstCopy)));
                return; // seen within one second
            }
        }
        QFAIL("the two runs never fell within one second");
    }

    // A store made the documented way, `--new-store DIR/Data/KTA30.wdb`, has no Server.txt yet:
    // the backup finds it where the program would, and leaves the directory as it was.
    void findsTheStoreWithoutServerFile()
    {
        QTemporaryDir dir;
        const QString appDir = dir.path() + QStringLiteral("/");
        QVERIFY(QDir().mkpath(appDir + QStringLiteral("Data")));
        QProcess made;
        made.start(testsupport::binary(QStringLiteral("tessaly")),
                   {QStringLiteral("--new-store"), appDir + QStringLiteral("Data/KTA30.wdb")});
        QVERIFY(made.waitForFinished(60000));
        QCOMPARE(made.exitCode(), 0);
        {
            store::Connection db;
            db.open(appDir + QStringLiteral("Data/KTA30.wdb"));
            addCustomer(db, QStringLiteral("MINE"));
        }
        QProcess p;
        const QString dest = appDir + QStringLiteral("nightly");
        p.start(testsupport::binary(QStringLiteral("tessaly")),
                {QStringLiteral("--backup"), QStringLiteral("--dir"), appDir, dest});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        const QStringList copies = UnattendedBackup::copiesIn(dest);
        QCOMPARE(copies.size(), 1);
        StoreCopy::checkFile(copies.first());
        store::Connection copy;
        copy.open(copies.first());
        QCOMPARE(customers(copy), QStringList{QStringLiteral("MINE")});
        QVERIFY(!QFile::exists(appDir + QStringLiteral("Server.txt")));
    }
};

QTEST_MAIN(TestUnattendedBackup)
#include "tst_unattendedbackup.moc"
