// Start-up on the store side: "Server.txt", opening without creating, the folders.
#include "connection.h"
#include "serverfile.h"
#include "startup.h"
#include "storeerror.h"
#include "teststore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace store;

class TestStartup : public QObject
{
    Q_OBJECT

    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private Q_SLOTS:
    void missingServerFileIsCreatedAndDefaultStoreOpens()
    {
        testsupport::TempStore s(QStringLiteral("sqlite"));
        QFile::remove(ServerFile::path(s.appDir()));
        Connection db;
        Startup::openStore(db, s.appDir());
        QVERIFY(db.isOpen());
        QCOMPARE(read(ServerFile::path(s.appDir())),
                 (s.appDir() + QStringLiteral("Data/KTA30.wdb")).toUtf8() + "\r\n");
    }

    void failedOpenResetsServerFileAndReportsTheStore_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing file") << QByteArray("/nowhere/at/all/KTA30.wdb\r\n");
        QTest::newRow("blank") << QByteArray("\r\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("no server answers") << QByteArray("postgresql://u:p@127.0.0.1:1/db\r\n");
        QTest::newRow("malformed uri") << QByteArray("postgresql://:::\r\n");
    }
    void failedOpenResetsServerFileAndReportsTheStore()
    {
        QFETCH(QByteArray, content);
        testsupport::TempStore s(QStringLiteral("sqlite"));
        if (content == "SELF") // a file that exists but is no store of ours
            content = ServerFile::path(s.appDir()).toUtf8();
        write(ServerFile::path(s.appDir()), content);
        Connection db;
        bool threw = false;
        try {
            Startup::openStore(db, s.appDir());
        } catch (const StoreError &e) {
            threw = true;
            QVERIFY(!e.text().isEmpty());
        }
        QVERIFY(threw);
        QVERIFY(!db.isOpen());
        QCOMPARE(read(ServerFile::path(s.appDir())), ServerFile::defaultLine(s.appDir()).toUtf8() + "\r\n");
    }

    // A first line that is no location, or a file there that is no database: the user is told
    // which file it is, and "Server.txt" stays as it is (damaged files are never written over).
    void damagedLocationIsNamedAndKept_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("very long") << QByteArray(100000, 'x');
        QTest::newRow("invalid utf-8") << QByteArray("\xff\xfe\xc3(\r\n");
        QTest::newRow("not a store") << QByteArray("SELF");
    }
    void damagedLocationIsNamedAndKept()
    {
        QFETCH(QByteArray, content);
        testsupport::TempStore s(QStringLiteral("sqlite"));
        QString named = QDir::toNativeSeparators(ServerFile::path(s.appDir()));
        if (content == "SELF") // a file that exists but is no database at all
            content = ServerFile::path(s.appDir()).toUtf8();
        write(ServerFile::path(s.appDir()), content);
        Connection db;
        try {
            Startup::openStore(db, s.appDir());
            QFAIL("opened");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::Damaged);
            QVERIFY2(e.text().contains(named), qPrintable(e.text()));
        }
        QVERIFY(!db.isOpen());
        QCOMPARE(read(ServerFile::path(s.appDir())), content);
    }

    void serverFileThatIsAFolderFailsCleanly()
    {
        QTemporaryDir dir;
        const QString app = dir.path() + QLatin1Char('/');
        QVERIFY(QDir().mkpath(ServerFile::path(app)));
        Connection db;
        QVERIFY_THROWS_EXCEPTION(StoreError, Startup::openStore(db, app));
        QVERIFY(QFileInfo(ServerFile::path(app)).isDir());
    }

    void onlyTheFirstLineIsReadAndNotRewritten_data() { testsupport::addEngineRows(); }
    void onlyTheFirstLineIsReadAndNotRewritten()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        const QByteArray content = s.location().toUtf8() + "\r\nsecond line\nthird\n";
        write(ServerFile::path(s.appDir()), content);
        Connection db;
        Startup::openStore(db, s.appDir());
        QVERIFY(db.isOpen());
        QCOMPARE(db.engine(), s.isServer() ? Engine::PostgreSQL : Engine::SQLite);
        QCOMPARE(read(ServerFile::path(s.appDir())), content);
    }

    void openingNeverCreatesAStore()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/Data/KTA30.wdb");
        Connection db;
        QVERIFY_THROWS_EXCEPTION(StoreError, db.open(path));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QDir(dir.path() + QStringLiteral("/Data")).exists());
    }

    void windowsSeparatorsAreAccepted()
    {
        testsupport::TempStore s(QStringLiteral("sqlite"));
        QString windowsStyle = s.location();
        windowsStyle.replace(QLatin1Char('/'), QLatin1Char('\\'));
        Connection db;
        db.open(windowsStyle);
        QVERIFY(db.isOpen());
    }

    void foldersAreCreatedOnceOneLevelDeep()
    {
        QTemporaryDir dir;
        const QString app = dir.path() + QLatin1Char('/');
        Startup::createFolders(app);
        for (const char *f : {"Files", "Files/Plans", "Backup", "Log"})
            QVERIFY2(QDir(app + QLatin1String(f)).exists(), f);
        write(app + QStringLiteral("Files/Plans/keep.txt"), "kept");
        Startup::createFolders(app);
        QCOMPARE(read(app + QStringLiteral("Files/Plans/keep.txt")), QByteArray("kept"));
    }

    // The program itself: a bad "Server.txt" ends start-up with the store's message and the
    // default line written back; a new store never overwrites an existing one.
    void programEndsCleanlyWhenTheStoreCannotBeOpened()
    {
        QTemporaryDir dir;
        const QString app = dir.path() + QLatin1Char('/');
        write(ServerFile::path(app), "/no/such/store.wdb\r\n");
        QProcess p;
        p.start(testsupport::binary(QStringLiteral("tessaly")), {QStringLiteral("--dir"), app});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("/no/such/store.wdb")));
        QCOMPARE(read(ServerFile::path(app)), ServerFile::defaultLine(app).toUtf8() + "\r\n");
        QVERIFY(QDir(app + QStringLiteral("Files/Plans")).exists());
    }

    void newStoreCommandRefusesToOverwrite()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/Data/KTA30.wdb");
        QProcess p;
        p.start(testsupport::binary(QStringLiteral("tessaly")), {QStringLiteral("--new-store"), path});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray before = read(path);
        QVERIFY(!before.isEmpty());
        p.start(testsupport::binary(QStringLiteral("tessaly")), {QStringLiteral("--new-store"), path});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(read(path), before);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
