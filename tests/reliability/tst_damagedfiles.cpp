// Damaged files: a data file cut short, with random bytes in its middle, or no store at all; a
// backup that is so; a "Server.txt" full of garbage. None of them brings the program down or
// is written over: start-up names the file and offers the restore window, which keeps the
// damaged file and puts a sound backup in its place; a damaged backup is turned down.
#include "connection.h"
#include "datamodule.h"
#include "messagebox.h"
#include "restorewindow.h"
#include "serverfile.h"
#include "session.h"
#include "startup.h"
#include "startuprestore.h"
#include "storecopy.h"
#include "storeerror.h"
#include "teststore.h"
#include "testwidgets.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

using namespace store;

namespace
{

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator g(seed);
    QByteArray b(n, Qt::Uninitialized);
    for (char &c : b)
        c = char(g.bounded(256));
    return b;
}

// The ways a file is damaged: cut to a part, random bytes over its middle, or random bytes
// through and through.
QByteArray damage(const QByteArray &sound, const QString &how)
{
    if (how == QLatin1String("truncated"))
        return sound.left(sound.size() / 3);
    if (how == QLatin1String("random middle")) {
        QByteArray b = sound;
        const qsizetype from = b.size() / 3, length = b.size() / 3;
        b.replace(from, length, randomBytes(length, 7));
        return b;
    }
    return randomBytes(sound.size(), 11);
}

void addAgents(Connection &db, int count)
{
    db.transaction([&] {
        for (int i = 0; i < count; ++i)
            db.exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, Address, SUser) "
                                   "VALUES (?, ?, ?, 'Admin')"),
                    {QStringLiteral("A%1").arg(i, 4, 10, QLatin1Char('0')),
                     QStringLiteral("代理%1").arg(i),
                     QString(QStringLiteral("地址") + QString(90, QLatin1Char('x')))});
    });
}

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

} // namespace

class TestDamagedFiles : public QObject
{
    Q_OBJECT

    static void addDamage()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"truncated", "random middle", "not a store"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }

  private Q_SLOTS:
    void init()
    {
        session().CurrentUserID = QStringLiteral("Admin");
        MessageBox::clearHistory();
    }

    // Start-up on a damaged data file: a message that names it, the offer to restore, and
    // nothing written over. Declined, the program ends with both files as they were; accepted,
    // the restore window puts a backup in place and keeps the damaged file in the day folder.
    void damagedStoreAtStartUp_data() { addDamage(); }
    void damagedStoreAtStartUp()
    {
        QFETCH(QString, how);
        testsupport::TempStore s(QStringLiteral("sqlite"));
        session().setAppDir(s.appDir());
        {
            Connection db;
            db.open(s.location());
            addAgents(db, 300);
            QVERIFY(QDir().mkpath(s.appDir() + QStringLiteral("Backup")));
            StoreCopy().backup(db, s.appDir() + QStringLiteral("Backup/KTA30.wdb"));
            db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
        const QByteArray damaged = damage(read(s.location()), how);
        write(s.location(), damaged);
        const QByteArray serverFile = read(ServerFile::path(s.appDir()));

        DataModule dm;
        StoreError error(QString{});
        try {
            dm.openAtStartup(s.appDir());
            QFAIL("a damaged store opened without a word");
        } catch (const StoreError &e) {
            error = e;
        }
        QCOMPARE(error.kind(), StoreError::Kind::Damaged);
        QVERIFY2(error.text().contains(s.location()), qPrintable(error.text()));
        QCOMPARE(read(s.location()), damaged);
        QCOMPARE(read(ServerFile::path(s.appDir())), serverFile);

        // Declined: the program ends, nothing touched.
        dm.disconnect();
        MessageBox::setNextAnswer(QMessageBox::No);
        QVERIFY(!StartupRestore::offer(dm, error));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Question);
        QVERIFY(MessageBox::last().text.startsWith(error.text()));
        QCOMPARE(read(s.location()), damaged);
        QCOMPARE(read(ServerFile::path(s.appDir())), serverFile);

        // Accepted: the restore window, as a user would use it, with the backup proposed.
        MessageBox::setNextAnswer(QMessageBox::Yes);
        testsupport::whenModal(QStringLiteral("TfrmRestore"), [](QWidget *w) {
            QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("edtBackup"))->text(),
                     session().AppDir + QStringLiteral("Backup/KTA30.wdb"));
            MessageBox::setNextAnswer(QMessageBox::Ok);
            QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("Button1")),
                              Qt::LeftButton);
        });
        QVERIFY(StartupRestore::offer(dm, error));
        QVERIFY(dm.connection().isOpen());
        QCOMPARE(MessageBox::last().text, QStringLiteral("数据恢复成功！"));
        QCOMPARE(
            dm.connection().scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toInt(),
            300);
        QCOMPARE(dm.connection().scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
        QCOMPARE(dm.connection()
                     .scalar(QStringLiteral(
                         "SELECT count(*) FROM tblLog WHERE Operate = '系统设置-数据恢复-恢复'"))
                     .toInt(),
                 1);
        // The damaged file, as it was, in the day folder.
        bool kept = false;
        for (const QString &f : filesUnder(StoreCopy::dayFolder(s.appDir())))
            kept = kept || read(f) == damaged;
        QVERIFY(kept);
        QCOMPARE(read(ServerFile::path(s.appDir())), serverFile);
    }

    // A backup that is damaged is turned down by the restore window, and both it and the
    // store stay as they were.
    void damagedBackupIsTurnedDown_data() { addDamage(); }
    void damagedBackupIsTurnedDown()
    {
        QFETCH(QString, how);
        testsupport::TempStore s(QStringLiteral("sqlite"));
        session().setAppDir(s.appDir());
        DataModule dm;
        dm.openAtStartup(s.appDir());
        addAgents(dm.connection(), 300);
        const QString backup = s.appDir() + QStringLiteral("Backup/old.wdb");
        QVERIFY(QDir().mkpath(s.appDir() + QStringLiteral("Backup")));
        StoreCopy().backup(dm.connection(), backup);
        const QByteArray damaged = damage(read(backup), how);
        write(backup, damaged);

        RestoreWindow w(dm);
        w.setPath(backup);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!w.restore());
        QVERIFY2(MessageBox::last().text.startsWith(
                     QStringLiteral("对不起，您选择的文件不是本系统的数据库文件")),
                 qPrintable(MessageBox::last().text));
        QCOMPARE(read(backup), damaged);
        QCOMPARE(
            dm.connection().scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toInt(),
            300);
        QCOMPARE(dm.connection().scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
        QCOMPARE(QDir(s.appDir() + QStringLiteral("Backup")).entryList(QDir::Files),
                 QStringList{QStringLiteral("old.wdb")});
    }

    // A "Server.txt" of garbage: named in the message, never written over, for start-up in the
    // process and for the program itself.
    void garbageServerFileIsNamedAndKept_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("random bytes") << randomBytes(3000, 5);
        QTest::newRow("nul bytes") << QByteArray(64, '\0');
        QTest::newRow("invalid utf-8") << QByteArray("\xff\xfe\xc3(\r\n");
        QTest::newRow("very long") << QByteArray(100000, 'x');
        QTest::newRow("control characters") << QByteArray("/tmp/\x1b[31mKTA30.wdb\r\n");
    }
    void garbageServerFileIsNamedAndKept()
    {
        QFETCH(QByteArray, content);
        testsupport::TempStore s(QStringLiteral("sqlite"));
        write(ServerFile::path(s.appDir()), content);
        Connection db;
        try {
            Startup::openStore(db, s.appDir());
            QFAIL("garbage opened a store");
        } catch (const StoreError &e) {
            QVERIFY2(e.text().contains(QDir::toNativeSeparators(ServerFile::path(s.appDir()))),
                     qPrintable(e.text()));
        }
        QVERIFY(!db.isOpen());
        QCOMPARE(read(ServerFile::path(s.appDir())), content);

        QProcess p;
        p.start(testsupport::binary(QStringLiteral("tessaly")),
                {QStringLiteral("--dir"), s.appDir()});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("Server.txt")));
        QCOMPARE(read(ServerFile::path(s.appDir())), content);
    }

    // The program itself on a damaged data file: the offer's default answer is no, so with
    // nobody to answer it the program ends, leaving the file and "Server.txt" as they were.
    void programOnADamagedStoreEndsCleanly()
    {
        testsupport::TempStore s(QStringLiteral("sqlite"));
        const QByteArray damaged = damage(read(s.location()), QStringLiteral("not a store"));
        write(s.location(), damaged);
        const QByteArray serverFile = read(ServerFile::path(s.appDir()));
        QProcess p;
        p.start(testsupport::binary(QStringLiteral("tessaly")),
                {QStringLiteral("--dir"), s.appDir()});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(s.location()));
        QCOMPARE(read(s.location()), damaged);
        QCOMPARE(read(ServerFile::path(s.appDir())), serverFile);
    }
};

QTEST_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
