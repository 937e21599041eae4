// The user window: the grid and fields over tblUser, the checks of 保存 and 关闭 with their
// messages, the built-in user's protection, the initial password, deleting and the store's
// refusal of a duplicate user ID.
#include "adminfixture.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "messagebox.h"
#include "passwords.h"
#include "rightwindow.h"
#include "session.h"
#include "testusers.h"
#include "userwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using store::Dataset;

class TestUserWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<AdminSeat> m_seat;
    std::unique_ptr<UserWindow> m_w;

    void open(const QString &engine, const QString &user = QStringLiteral("Admin"))
    {
        m_seat = std::make_unique<AdminSeat>(engine, user);
        store::Connection &db = m_seat->dm.connection();
        testsupport::addUser(db, QStringLiteral("zhao"), QStringLiteral("z"), false,
                             {QStringLiteral("301")});
        testsupport::addUser(db, QStringLiteral("bai"), QStringLiteral("b"), true, {});
        db.exec(QStringLiteral("UPDATE tblUser SET DeptID = '02', Duty = '经理', UserName = '白' "
                               "WHERE UserID = 'bai'"));
        db.exec(QStringLiteral(
            "UPDATE tblUser SET DeptID = '01', Duty = '管理员' WHERE UserID = 'Admin'"));
        m_w = std::make_unique<UserWindow>(m_seat->dm);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
    }
    Dataset &users() { return m_seat->dm.tblUser; }
    QWidget *field(const char *name) { return m_w->findChild<QWidget *>(QLatin1String(name)); }
    void click(const char *button)
    {
        m_w->findChild<QPushButton *>(QLatin1String(button))->click();
    }
    void type(const char *name, const QString &text) { typeText(field(name), text); }
    void chooseDepartment()
    {
        auto *dept = m_w->findChild<QComboBox *>(QStringLiteral("cbDept"));
        dept->setFocus();
        QTest::keyClick(dept, Qt::Key_Down); // the first department
    }
    void expectWarning(const QString &text, const char *focused)
    {
        QCOMPARE(MessageBox::last().text, text);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::last().title, QStringLiteral("系统提示"));
        QCOMPARE(QApplication::focusWidget(), field(focused));
    }
    int count(const QString &userId)
    {
        return m_seat
            ->scalar(QStringLiteral("SELECT count(*) FROM tblUser WHERE UserID = ?"), {userId})
            .toInt();
    }
    QString storedName(const QString &userId)
    {
        return m_seat
            ->scalar(QStringLiteral("SELECT UserName FROM tblUser WHERE UserID = ?"), {userId})
            .toString();
    }
    // A new user with everything 保存 checks, but the ID.
    void fillNewUser(const QString &id)
    {
        click("SpeedButton1");
        type("edUserID", id);
        type("edUserName", QStringLiteral("李四"));
        chooseDepartment();
        type("edDuty", QStringLiteral("职员"));
    }

  private Q_SLOTS:
    void init() { resetScripts(); }
    void cleanup()
    {
        m_w.reset();
        m_seat.reset();
    }

    void opensOnTheSignedInUserSortedByUserId()
    {
        open(QStringLiteral("sqlite"), QStringLiteral("bai"));
        QCOMPARE(m_w->objectName(), QStringLiteral("TfrmUser"));
        QCOMPARE(m_w->windowTitle(), QStringLiteral("用户管理"));
        auto *grid = m_w->findChild<DataGrid *>();
        QStringList captions;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            captions << grid->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{QStringLiteral("用户ID"), QStringLiteral("用户名称"),
                                        QStringLiteral("部门"), QStringLiteral("职务"),
                                        QStringLiteral("用户状态"), QStringLiteral("备注")}));
        QStringList ids;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            ids << grid->model()->index(r, 0).data().toString();
        QCOMPARE(ids, (QStringList{QStringLiteral("Admin"), QStringLiteral("bai"),
                                   QStringLiteral("zhao")}));
        QCOMPARE(grid->model()->index(1, 2).data().toString(), QStringLiteral("市场部"));

        QCOMPARE(users().text(QStringLiteral("UserID")), QStringLiteral("bai"));
        QCOMPARE(m_w->rememberedUserId(), QStringLiteral("bai"));
        QCOMPARE(qobject_cast<DbLineEdit *>(field("edUserName"))->text(), QStringLiteral("白"));
        QCOMPARE(qobject_cast<QComboBox *>(field("cbDept"))->currentText(),
                 QStringLiteral("市场部"));
        QVERIFY(qobject_cast<QCheckBox *>(field("chkSys"))->isChecked());
        QVERIFY(!field("edUserID")->isEnabled());

        // Enter walks name, department, duty, state, remark.
        field("edUserName")->setFocus();
        for (const char *next : {"cbDept", "edDuty", "cbState", "edMemo"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY2(QApplication::focusWidget() == field(next) ||
                         QApplication::focusWidget()->parentWidget() == field(next),
                     next);
        }
    }

    void saveChecksInOrderAndGivesTheInitialPassword_data() { testsupport::addEngineRows(); }
    void saveChecksInOrderAndGivesTheInitialPassword()
    {
        QFETCH(QString, engine);
        open(engine);
        click("SpeedButton1");
        QCOMPARE(users().state(), Dataset::State::Insert);
        QVERIFY(field("edUserID")->isEnabled());
        QCOMPARE(QApplication::focusWidget(), field("edUserID"));
        QVERIFY(m_w->rememberedUserId().isEmpty());

        click("SpeedButton2");
        expectWarning(QStringLiteral("请输入用户编号！"), "edUserID");
        type("edUserID", QStringLiteral("li"));
        click("SpeedButton2");
        expectWarning(QStringLiteral("请输入用户名称！"), "edUserName");
        type("edUserName", QStringLiteral("李四"));
        click("SpeedButton2");
        expectWarning(QStringLiteral("请选择输入所在部门！"), "cbDept");
        chooseDepartment();
        click("SpeedButton2");
        expectWarning(QStringLiteral("请输入用户职务！"), "edDuty");
        QCOMPARE(count(QStringLiteral("li")), 0);
        type("edDuty", QStringLiteral("  ")); // blanks count as filled
        click("SpeedButton2");

        QCOMPARE(MessageBox::last().text,
                 QStringLiteral("新增用户口令为508316，请提醒用户及时修改！"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
        QCOMPARE(count(QStringLiteral("li")), 1);
        QVERIFY(store::Passwords::verify(m_seat->dm.connection(), QStringLiteral("li"),
                                         QStringLiteral("508316")));
        QVERIFY(m_seat->scalar(QStringLiteral("SELECT Password FROM tblUser WHERE UserID = 'li'"))
                    .toString()
                    .startsWith(QStringLiteral("$argon2id$")));
        QVERIFY(!field("edUserID")->isEnabled());
        QCOMPARE(m_seat->scalar(QStringLiteral("SELECT DeptID FROM tblUser WHERE UserID = 'li'"))
                     .toString(),
                 QStringLiteral("01"));

        const QStringList log = m_seat->logRows();
        QCOMPARE(log.count(QStringLiteral("系统设置-用户管理-新增用户")), 1);
        QCOMPARE(log.count(QStringLiteral("系统设置-用户管理-保存用户")), 5);
        // A freshly added user holds no right.
        QCOMPARE(m_seat->rightsOf(QStringLiteral("li")), QStringList());

        // Changing an existing user's row: posted, no message.
        MessageBox::clearHistory();
        type("edMemo", QStringLiteral("新同事"));
        click("SpeedButton2");
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(m_seat->scalar(QStringLiteral("SELECT Memo FROM tblUser WHERE UserID = 'li'"))
                     .toString(),
                 QStringLiteral("新同事"));
    }

    void closeAsksAndStoresTheNewUserWithTheInitialPassword_data() { testsupport::addEngineRows(); }
    void closeAsksAndStoresTheNewUserWithTheInitialPassword()
    {
        QFETCH(QString, engine);
        open(engine);
        click("SpeedButton1");
        type("edUserID", QStringLiteral("li"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click("SpeedButton4");
        // The checks of 保存 run; the window stays open on the first failure.
        expectWarning(QStringLiteral("请输入用户名称！"), "edUserName");
        QVERIFY(m_w->isVisible());
        const MessageBox::Shown question =
            MessageBox::history().at(MessageBox::history().size() - 2);
        QCOMPARE(question.text, QStringLiteral("用户资料数据尚未保存，保存吗？"));
        QCOMPARE(question.icon, QMessageBox::Question);
        QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);

        type("edUserName", QStringLiteral("李四"));
        chooseDepartment();
        type("edDuty", QStringLiteral("职员"));
        const int logRows = m_seat->logRows().size();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click("SpeedButton4");
        QVERIFY(!m_w->isVisible());
        QCOMPARE(MessageBox::last().text,
                 QStringLiteral("新增用户口令为508316，请提醒用户及时修改！"));
        QVERIFY(store::Passwords::verify(m_seat->dm.connection(), QStringLiteral("li"),
                                         QStringLiteral("508316")));
        QVERIFY(
            !store::Passwords::verify(m_seat->dm.connection(), QStringLiteral("li"), QString()));
        QCOMPARE(m_seat->logRows().size(), logRows); // 关闭 writes no log row
    }

    void closeWithCancelDropsThePendingRow()
    {
        open(QStringLiteral("sqlite"));
        fillNewUser(QStringLiteral("li"));
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        click("SpeedButton4");
        QVERIFY(!m_w->isVisible());
        QCOMPARE(users().state(), Dataset::State::Browse);
        QCOMPARE(count(QStringLiteral("li")), 0);

        // Escape asks the same question, so no pending row is left behind unasked.
        m_w->show();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        type("edMemo", QStringLiteral("备注"));
        MessageBox::clearHistory();
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        QTest::keyClick(m_w.get(), Qt::Key_Escape);
        QCOMPARE(MessageBox::last().text, QStringLiteral("用户资料数据尚未保存，保存吗？"));
        QVERIFY(!users().isEditing());
        QVERIFY(!m_w->isVisible());

        // Nothing pending: 关闭 closes without a question.
        m_w->show();
        MessageBox::clearHistory();
        click("SpeedButton4");
        QVERIFY(!m_w->isVisible());
        QVERIFY(MessageBox::history().isEmpty());
    }

    void theBuiltInUserIsNeverChanged_data() { testsupport::addEngineRows(); }
    void theBuiltInUserIsNeverChanged()
    {
        QFETCH(QString, engine);
        open(engine);
        QCOMPARE(m_w->rememberedUserId(), QStringLiteral("Admin"));
        QVERIFY(!field("edUserID")->isEnabled());
        type("edUserName", QStringLiteral("改"));
        QCOMPARE(users().state(), Dataset::State::Edit);
        click("SpeedButton2");
        QCOMPARE(m_seat->logRows().constLast(), QStringLiteral("系统设置-用户管理-保存用户"));
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，系统默认用户不能修改！"));
        QCOMPARE(users().state(), Dataset::State::Edit); // the change stays pending
        const QString name = storedName(QStringLiteral("Admin"));
        QVERIFY(!name.endsWith(QStringLiteral("改")));

        // 关闭 with OK refuses it as well and stays open.
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click("SpeedButton4");
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，系统默认用户不能修改！"));
        QVERIFY(m_w->isVisible());
        QCOMPARE(storedName(QStringLiteral("Admin")), name);

        // A move that stores the pending row (新增 here) does not store it either.
        click("SpeedButton1");
        QCOMPARE(storedName(QStringLiteral("Admin")), name);
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        click("SpeedButton4");
        QVERIFY(!m_w->isVisible());
    }

    void theProtectionFollowsKeyboardMovesInTheGrid()
    {
        open(QStringLiteral("sqlite"));
        auto *view = m_w->findChild<DataGrid *>()->view();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(users().text(QStringLiteral("UserID")), QStringLiteral("bai"));
        QCOMPARE(m_w->rememberedUserId(), QStringLiteral("bai"));
        type("edMemo", QStringLiteral("可改"));
        click("SpeedButton2");
        QCOMPARE(m_seat->scalar(QStringLiteral("SELECT Memo FROM tblUser WHERE UserID = 'bai'"))
                     .toString(),
                 QStringLiteral("可改"));

        view->setFocus();
        QTest::keyClick(view, Qt::Key_Up);
        QCOMPARE(m_w->rememberedUserId(), QStringLiteral("Admin"));
        type("edMemo", QStringLiteral("不可改"));
        click("SpeedButton2");
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，系统默认用户不能修改！"));
        QVERIFY(m_seat->scalar(QStringLiteral("SELECT Memo FROM tblUser WHERE UserID = 'Admin'"))
                    .toString() != QStringLiteral("不可改"));
    }

    void deleteRefusesAdministratorsAndAsksFirst()
    {
        open(QStringLiteral("sqlite"));
        click("SpeedButton3");
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起,系统用户不能删除!"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(count(QStringLiteral("Admin")), 1);

        QVERIFY(users().locate(QStringLiteral("UserID"), QStringLiteral("zhao")));
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        click("SpeedButton3");
        QCOMPARE(MessageBox::last().text, QStringLiteral("您真的要删除该用户吗？"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::last().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(count(QStringLiteral("zhao")), 1);

        MessageBox::setNextAnswer(QMessageBox::Ok);
        click("SpeedButton3");
        QCOMPARE(count(QStringLiteral("zhao")), 0);
        QCOMPARE(m_seat->rightsOf(QStringLiteral("zhao")),
                 QStringList{QStringLiteral("301:11111")});
        QCOMPARE(m_seat->logRows().count(QStringLiteral("系统设置-用户管理-删除用户")), 3);
    }

    void aDuplicateUserIdIsRefusedByTheStore_data() { testsupport::addEngineRows(); }
    void aDuplicateUserIdIsRefusedByTheStore()
    {
        QFETCH(QString, engine);
        open(engine);
        fillNewUser(QStringLiteral("ZHAO")); // IDs compare without letter case
        click("SpeedButton2");
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QCOMPARE(count(QStringLiteral("zhao")), 1);
        QCOMPARE(users().state(), Dataset::State::Insert); // the row stays pending
        QVERIFY(field("edUserID")->isEnabled());

        QTest::keyClick(field("edUserID"), Qt::Key_2);
        click("SpeedButton2");
        QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
        QCOMPARE(count(QStringLiteral("ZHAO2")), 1);
    }

    void rightsAreAssignedForTheCurrentRow()
    {
        open(QStringLiteral("sqlite"));
        QVERIFY(users().locate(QStringLiteral("UserID"), QStringLiteral("zhao")));
        QString shown;
        QTimer::singleShot(0, this, [&shown] {
            if (auto *r = qobject_cast<RightWindow *>(QApplication::activeModalWidget())) {
                shown = r->userId();
                r->reject();
            }
        });
        click("SpeedButton5");
        QCOMPARE(shown, QStringLiteral("zhao"));
        QCOMPARE(m_seat->logRows().constLast(), QStringLiteral("系统设置-用户管理-权限分配"));
    }
};

QTEST_MAIN(TestUserWindow)
#include "tst_userwindow.moc"
