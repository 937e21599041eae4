// The organisation's own data: a new row when there is none, editing the row that is there,
// the checks of 保存 in screen order, and a pending change kept in the shared set on 关闭.
#include "adminfixture.h"
#include "messagebox.h"
#include "userinfowindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using store::Dataset;

class TestUserInfoWindow : public QObject
{
    Q_OBJECT

    static QLineEdit *field(UserInfoWindow &w, const char *name)
    {
        return w.findChild<QLineEdit *>(QLatin1String(name));
    }
    static void save(UserInfoWindow &w)
    {
        w.findChild<QPushButton *>(QStringLiteral("BtnSave"))->click();
    }
    static void expectRefusal(UserInfoWindow &w, const QString &text, const char *focused)
    {
        QCOMPARE(MessageBox::last().text, text);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(QApplication::focusWidget(), field(w, focused));
    }

  private Q_SLOTS:
    void init() { resetScripts(); }

    void aNewRowIsCheckedInScreenOrderAndStored_data() { testsupport::addEngineRows(); }
    void aNewRowIsCheckedInScreenOrderAndStored()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        QCOMPARE(seat.scalar(QStringLiteral("SELECT count(*) FROM tblUserInfo")).toInt(), 0);
        UserInfoWindow w(seat.dm);
        QCOMPARE(w.objectName(), QStringLiteral("TfrmUserInfo"));
        QCOMPARE(w.windowTitle(), QStringLiteral("用户登记信息"));
        QCOMPARE(seat.dm.tblUserInfo.state(), Dataset::State::Insert);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), field(w, "edUserName"));

        save(w);
        expectRefusal(w, QStringLiteral("请输入用户名称！"), "edUserName");
        typeText(field(w, "edUserName"), QStringLiteral("星桥贸易"));
        save(w);
        expectRefusal(w, QStringLiteral("请输入用户地址！"), "edAddress");
        typeText(field(w, "edAddress"), QStringLiteral("上海市南京路1号"));
        save(w);
        expectRefusal(w, QStringLiteral("请输入用户电话！"), "edTelephone");
        typeText(field(w, "edTelephone"), QStringLiteral("021-1234"));
        save(w);
        // The post code is refused with the telephone's message; fax, e-mail and home page
        // may stay empty.
        expectRefusal(w, QStringLiteral("请输入用户电话！"), "edPostCode");
        QCOMPARE(seat.scalar(QStringLiteral("SELECT count(*) FROM tblUserInfo")).toInt(), 0);
        typeText(field(w, "edPostCode"), QStringLiteral("200001"));
        MessageBox::clearHistory();
        save(w);
        QVERIFY(MessageBox::history().isEmpty());
        QVERIFY(w.isVisible());
        QCOMPARE(seat.scalar(QStringLiteral("SELECT count(*) FROM tblUserInfo")).toInt(), 1);
        QCOMPARE(seat.scalar(QStringLiteral("SELECT Address FROM tblUserInfo")).toString(),
                 QStringLiteral("上海市南京路1号"));
        QCOMPARE(seat.logRows(), QStringList(5, QStringLiteral("系统设置-用户信息-保存")));

        // Enter: name, address, telephone, fax, post code, e-mail, home page, then 保存.
        field(w, "edUserName")->setFocus();
        for (const char *next :
             {"edAddress", "edTelephone", "edFax", "edPostCode", "edEmail", "edHomePage"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), field(w, next));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(seat.logRows().size(), 6);
    }

    void theExistingRowIsEditedAndAPendingChangeOutlivesTheWindow_data()
    {
        testsupport::addEngineRows();
    }
    void theExistingRowIsEditedAndAPendingChangeOutlivesTheWindow()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        seat.dm.connection().exec(
            QStringLiteral("INSERT INTO tblUserInfo (UserName, Address, Telephone, PostCode) "
                           "VALUES ('旧名', '旧址', '1', '2')"));
        {
            UserInfoWindow w(seat.dm);
            QCOMPARE(seat.dm.tblUserInfo.state(), Dataset::State::Edit);
            QCOMPARE(field(w, "edUserName")->text(), QStringLiteral("旧名"));
            w.show();
            typeText(field(w, "edFax"), QStringLiteral("021-9999"));
            QTest::keyClick(&w, Qt::Key_Escape); // 关闭: neither saved nor dropped
            QVERIFY(!w.isVisible());
        }
        QVERIFY(seat.scalar(QStringLiteral("SELECT Fax FROM tblUserInfo")).isNull());
        QCOMPARE(seat.dm.tblUserInfo.text(QStringLiteral("Fax")), QStringLiteral("021-9999"));

        UserInfoWindow again(seat.dm);
        QCOMPARE(field(again, "edFax")->text(), QStringLiteral("021-9999"));
        save(again);
        QCOMPARE(seat.scalar(QStringLiteral("SELECT Fax FROM tblUserInfo")).toString(),
                 QStringLiteral("021-9999"));
        QCOMPARE(seat.scalar(QStringLiteral("SELECT count(*) FROM tblUserInfo")).toInt(), 1);
    }
};

QTEST_MAIN(TestUserInfoWindow)
#include "tst_userinfowindow.moc"
