// The server settings: the path field and its file dialog, a path to no file, a switch to
// another store, and a location that cannot be opened as a store (the seat stays on the
// store it had).
#include "adminfixture.h"
#include "filedialog.h"
#include "messagebox.h"
#include "connection.h"
#include "newstore.h"
#include "rights.h"
#include "serverfile.h"
#include "serverwindow.h"
#include "session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestServerWindow : public QObject
{
    Q_OBJECT

    static QLineEdit *path(ServerWindow &w)
    {
        return w.findChild<QLineEdit *>(QStringLiteral("edPath"));
    }
    static void save(ServerWindow &w)
    {
        w.findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
    }
    static QString serverLine(AdminSeat &seat)
    {
        return store::ServerFile::readFirstLine(seat.store.appDir());
    }
    static QByteArray serverFile(AdminSeat &seat)
    {
        QFile f(store::ServerFile::path(seat.store.appDir()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QStringList shownTexts()
    {
        QStringList texts;
        for (const MessageBox::Shown &s : MessageBox::history())
            texts << s.text;
        return texts;
    }
    // The seat still works on its first store: the connection, the shared sets and the rights.
    static void verifyStillOn(AdminSeat &seat, const QString &location)
    {
        QVERIFY(seat.dm.connection().isOpen());
        QCOMPARE(seat.dm.connection().location(), location);
        QVERIFY(seat.dm.tblCountry.isOpen());
        QVERIFY(seat.dm.tblUserRight.isOpen());
        QVERIFY(Rights(&seat.dm.tblUserRight).allows(QStringLiteral("301")));
        QCOMPARE(seat.scalar(QStringLiteral("SELECT count(*) FROM tblUser WHERE UserID = 'Admin'"))
                     .toInt(),
                 1);
    }

  private Q_SLOTS:
    void init() { resetScripts(); }

    void opensOnServerTxtAndBrowsesForADataFile()
    {
        AdminSeat seat(QStringLiteral("sqlite"));
        ServerWindow w(seat.dm);
        QCOMPARE(w.objectName(), QStringLiteral("TfrmServer"));
        QCOMPARE(w.windowTitle(), QStringLiteral("服务器设置"));
        QCOMPARE(path(w)->text(), seat.store.location());

        const QString other = seat.store.appDir() + QStringLiteral("Share/KTA30.wdb");
        FileDialog::setNextFileName(other);
        w.findChild<QPushButton *>(QStringLiteral("btnBrowse"))->click();
        QCOMPARE(path(w)->text(), other);
        const FileDialog::Call call = FileDialog::last();
        QCOMPARE(call.kind, FileDialog::Kind::Open);
        QCOMPARE(call.caption, QStringLiteral("服务器数据库文件路径设置"));
        QCOMPARE(call.filter, QStringLiteral("数据库文件(*.wdb)"));
        // Starts in the folder of the store Server.txt names, proposing the usual name.
        QCOMPARE(QFileInfo(call.folder).fileName(), QStringLiteral("KTA30.wdb"));
        QCOMPARE(QDir(QFileInfo(call.folder).path()),
                 QDir(seat.store.appDir() + QStringLiteral("Data")));

        FileDialog::setNextFileName(seat.store.appDir() +
                                    QStringLiteral("Share/copy")); // no extension typed
        w.findChild<QPushButton *>(QStringLiteral("btnBrowse"))->click();
        QCOMPARE(path(w)->text(), seat.store.appDir() + QStringLiteral("Share/copy.wdb"));
        w.findChild<QPushButton *>(QStringLiteral("btnBrowse"))
            ->click(); // cancelled: field unchanged
        QCOMPARE(path(w)->text(), seat.store.appDir() + QStringLiteral("Share/copy.wdb"));

        w.show();
        QTest::keyClick(&w, Qt::Key_Escape); // 取消: nothing changes
        QVERIFY(!w.isVisible());
        QCOMPARE(serverLine(seat), seat.store.location());
        QVERIFY(seat.logRows().isEmpty());
    }

    void aPathToNoFileIsRefused_data() { testsupport::addEngineRows(); }
    void aPathToNoFileIsRefused()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        const QByteArray before = serverFile(seat);
        ServerWindow w(seat.dm);
        w.show();
        const QStringList missingPaths{seat.store.appDir() + QStringLiteral("Data/nothing.wdb"),
                                       seat.store.appDir() + QStringLiteral("Data"), QString()};
        for (const QString &missing : missingPaths) {
            path(w)->setText(missing);
            save(w);
            QCOMPARE(MessageBox::last().text,
                     QStringLiteral("对不起，您设置的服务器中数据库文件不存在！"));
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QVERIFY(w.isVisible());
        }
        QCOMPARE(serverFile(seat), before);
        QCOMPARE(seat.logRows(), QStringList(3, QStringLiteral("系统设置-服务器设置-保存")));
        verifyStillOn(seat, seat.store.location());
        QVERIFY(!seat.dm.qryPlan.isOpen()); // no reconnect happened
    }

    void aValidStoreIsUsedFromNowOn_data() { testsupport::addEngineRows(); }
    void aValidStoreIsUsedFromNowOn()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        const QString other = seat.store.isServer()
                                  ? seat.store.spareServerLocation()
                                  : seat.store.appDir() + QStringLiteral("Share/KTA30.wdb");
        QDir().mkpath(seat.store.appDir() + QStringLiteral("Share"));
        store::NewStore::create(other);
        {
            // The other store: one schedule entry, and Admin without the agents right.
            store::Connection db;
            db.open(other);
            db.exec(QStringLiteral("INSERT INTO tblPlan (Address) VALUES ('另一个库')"));
            db.exec(QStringLiteral(
                "DELETE FROM tblUserRight WHERE UserID = 'Admin' AND RightID = '301'"));
        }
        seat.dm.qryPlan.open();
        QCOMPARE(seat.dm.qryPlan.rowCount(), 0);
        const QString first = seat.store.location();

        ServerWindow w(seat.dm);
        w.show();
        path(w)->setText(other);
        save(w);

        QCOMPARE(MessageBox::last().text, QStringLiteral("服务器设置成功！"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
        QVERIFY(!w.isVisible());
        QCOMPARE(serverLine(seat), other);
        QVERIFY(serverFile(seat).endsWith("\r\n"));
        QCOMPARE(seat.dm.connection().location(), store::Connection::normalise(other));
        QVERIFY(seat.dm.qryPlan.isOpen());
        QCOMPARE(seat.dm.qryPlan.rowCount(), 1);
        QVERIFY(seat.dm.tblUserRight.isOpen());
        QVERIFY(!Rights(&seat.dm.tblUserRight).allows(QStringLiteral("301")));
        QVERIFY(Rights(&seat.dm.tblUserRight).allows(QStringLiteral("302")));
        QVERIFY(seat.dm.tblCountry.isOpen()); // the after-connect step ran

        // The command's log row went to the store it was given on.
        store::Connection old;
        old.open(first);
        QCOMPARE(old.scalar(QStringLiteral("SELECT Operate FROM tblLog")).toString(),
                 QStringLiteral("系统设置-服务器设置-保存"));
    }

    // A server address with its password: the window never shows it, and saving the address
    // as shown keeps the password "Server.txt" holds. A wrong address fails without it too.
    void serverPasswordIsNeverShown()
    {
        if (!testsupport::engines().contains(QStringLiteral("postgresql")))
            QSKIP("no test server");
        AdminSeat seat(QStringLiteral("postgresql"));
        store::ServerAddress a = store::ServerAddress::parse(seat.store.location());
        a.password = QStringLiteral("geheim"); // the test server trusts every password
        const QString withPassword = a.uri();
        store::ServerFile::write(seat.store.appDir(), withPassword);
        seat.dm.reconnect(withPassword);

        ServerWindow w(seat.dm);
        w.show();
        QVERIFY(!path(w)->text().contains(QStringLiteral("geheim")));
        QVERIFY(path(w)->text().startsWith(QStringLiteral("postgresql://tessaly@")));
        save(w);
        QCOMPARE(MessageBox::last().text, QStringLiteral("服务器设置成功！"));
        QCOMPARE(serverLine(seat), withPassword);
        QCOMPARE(seat.dm.connection().location(), withPassword);

        resetScripts();
        ServerWindow again(seat.dm);
        again.show();
        a.database = QStringLiteral("nosuchdatabase");
        path(again)->setText(a.uri());
        save(again);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        for (const QString &text : shownTexts())
            QVERIFY2(!text.contains(QStringLiteral("geheim")), qPrintable(text));
        for (const QString &row : seat.logRows())
            QVERIFY(!row.contains(QStringLiteral("geheim")));
    }

    // A location that is there but is no store of ours: its error is shown, no success, the
    // window stays open, and the seat goes on with the store it had.
    void aLocationThatIsNoStoreKeepsTheOldStore_data() { testsupport::addEngineRows(); }
    void aLocationThatIsNoStoreKeepsTheOldStore()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        QString bad;
        if (seat.store.isServer()) {
            bad = seat.store.spareServerLocation(); // an empty database
        } else {
            bad = seat.store.appDir() + QStringLiteral("Data/notes.wdb");
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("这不是数据库，只是一些文字。\n");
        }
        const QString first = seat.dm.connection().location();

        ServerWindow w(seat.dm);
        w.show();
        path(w)->setText(bad);
        save(w);

        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QVERIFY(!shownTexts().contains(QStringLiteral("服务器设置成功！")));
        QVERIFY(w.isVisible());
        QCOMPARE(serverLine(seat), bad); // the next start tries it
        verifyStillOn(seat, first);
        QVERIFY(seat.dm.qryPlan.isOpen());
        seat.dm.writeLog(QStringLiteral("继续工作"));
        QCOMPARE(seat.logRows().constLast(), QStringLiteral("继续工作"));
    }
};

QTEST_MAIN(TestServerWindow)
#include "tst_serverwindow.moc"
