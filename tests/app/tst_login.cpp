// The login and the password change.
#include "datamodule.h"
#include "loginwindow.h"
#include "messagebox.h"
#include "passwords.h"
#include "passwordwindow.h"
#include "session.h"
#include "teststore.h"
#include "testusers.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestLogin : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::DataModule> m_dm;

    template <typename T> static T *child(QWidget &w, const char *name)
    {
        auto *c = w.findChild<T *>(QLatin1String(name));
        if (!c)
            qFatal("no %s", name);
        return c;
    }

private Q_SLOTS:
    void init()
    {
        MessageBox::clearHistory();
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        store::session().setAppDir(m_store->appDir());
        store::session().CurrentUserID.clear();
        m_dm = std::make_unique<store::DataModule>();
        m_dm->openAtStartup(m_store->appDir());
        auto &db = m_dm->connection();
        testsupport::addUser(db, QStringLiteral("hidden"), QStringLiteral("h1"), false, {}, QStringLiteral("No"));
        testsupport::addUser(db, QStringLiteral("shown"), QStringLiteral("s1"), false, {}, QStringLiteral("no"));
    }
    void cleanup()
    {
        m_dm.reset();
        m_store.reset();
    }

    void listOffersEveryUserButTheExactlyHiddenOnes()
    {
        LoginWindow w(*m_dm);
        w.show();
        auto *users = child<QComboBox>(w, "cbUserID");
        QStringList listed;
        for (int i = 0; i < users->count(); ++i)
            listed << users->itemText(i);
        QCOMPARE(listed, (QStringList{QStringLiteral("Admin"), QStringLiteral("shown")}));
        QCOMPARE(w.windowTitle(), QStringLiteral("星桥通商务代理管理系统（网络版）"));
        QVERIFY(!(w.windowFlags() & Qt::WindowCloseButtonHint));
    }

    void hiddenUserSignsInByTypingAndKeepsTheTypedText()
    {
        LoginWindow w(*m_dm);
        w.show();
        child<QComboBox>(w, "cbUserID")->setEditText(QStringLiteral("HIDDEN"));
        QTest::keyClicks(child<QLineEdit>(w, "edPassword"), QStringLiteral("h1"));
        // Enter in the password field is the same as 确定.
        QTest::keyClick(child<QLineEdit>(w, "edPassword"), Qt::Key_Return);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(store::session().CurrentUserID, QStringLiteral("HIDDEN"));
        QVERIFY(MessageBox::history().isEmpty());
    }

    void emptyUserIsAskedFor()
    {
        LoginWindow w(*m_dm);
        w.show();
        child<QComboBox>(w, "cbUserID")->setEditText(QString());
        child<QPushButton>(w, "btnOK")->click();
        QCOMPARE(MessageBox::last().text, QStringLiteral("请选择要登录的用户名称！"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::last().title, QStringLiteral("系统提示"));
        QVERIFY(w.isVisible());
    }

    void fourthFailureEndsTheLogin()
    {
        LoginWindow w(*m_dm);
        w.show();
        child<QComboBox>(w, "cbUserID")->setEditText(QStringLiteral("Admin"));
        auto *password = child<QLineEdit>(w, "edPassword");
        for (int i = 1; i <= 3; ++i) {
            password->setText(QStringLiteral("wrong"));
            child<QPushButton>(w, "btnOK")->click();
            QCOMPARE(MessageBox::last().text, QStringLiteral("口令输入错误，请重新输入！"));
            QCOMPARE(password->selectedText(), QStringLiteral("wrong"));
            QVERIFY(w.isVisible());
        }
        password->setText(QStringLiteral("508316 ")); // a blank too many is still wrong
        child<QPushButton>(w, "btnOK")->click();
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，请与系统管理员联系！"));
        QVERIFY(w.tooManyFailures());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(store::session().CurrentUserID.isEmpty());
        // Nothing is logged: nobody has signed in.
        QCOMPARE(m_dm->connection().scalar(QStringLiteral("SELECT count(*) FROM tblLog")).toInt(), 0);
    }

    void passwordChangeChecksInOrder()
    {
        store::session().CurrentUserID = QStringLiteral("admin");
        PasswordWindow w(*m_dm);
        w.show();
        auto *oldField = child<QLineEdit>(w, "edOld");
        auto *newField = child<QLineEdit>(w, "edNew");
        auto *confirm = child<QLineEdit>(w, "edConfirm");
        auto *save = child<QPushButton>(w, "btnSave");
        const auto attempt = [&](const char *o, const char *n, const char *c) {
            oldField->setText(QString::fromUtf8(o));
            newField->setText(QString::fromUtf8(n));
            confirm->setText(QString::fromUtf8(c));
            save->click();
            return MessageBox::last().text;
        };
        QCOMPARE(attempt("", "a", "a"), QStringLiteral("对不起，请输入旧口令！"));
        QCOMPARE(attempt("123", "a", "a"), QStringLiteral("对不起，输入的旧口令不正确！"));
        QCOMPARE(attempt("508316", "", "a"), QStringLiteral("对不起，请输入新口令！"));
        QCOMPARE(attempt("508316", "a", ""), QStringLiteral("对不起，请输入确认口令！"));
        QCOMPARE(attempt("508316", "Neu", "neu"), QStringLiteral("对不起，输入的确认口令与新口令不一致！"));
        QVERIFY(confirm->text().isEmpty());
        QVERIFY(store::Passwords::verify(m_dm->connection(), QStringLiteral("Admin"), QStringLiteral("508316")));
        QCOMPARE(attempt("508316", "Neu", "Neu"), QStringLiteral("口令修改成功！"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
        QVERIFY(store::Passwords::verify(m_dm->connection(), QStringLiteral("Admin"), QStringLiteral("Neu")));
        QVERIFY(!store::Passwords::verify(m_dm->connection(), QStringLiteral("Admin"), QStringLiteral("508316")));
        // The next login takes the new password.
        LoginWindow login(*m_dm);
        login.show();
        child<QComboBox>(login, "cbUserID")->setEditText(QStringLiteral("Admin"));
        child<QLineEdit>(login, "edPassword")->setText(QStringLiteral("Neu"));
        child<QPushButton>(login, "btnOK")->click();
        QCOMPARE(login.result(), int(QDialog::Accepted));
    }

    void enterWalksThePasswordFields()
    {
        store::session().CurrentUserID = QStringLiteral("Admin");
        PasswordWindow w(*m_dm);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(w, "edOld"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(w, "edNew"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(w, "edConfirm"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(w, "btnSave"));
        QVERIFY(MessageBox::history().isEmpty()); // Enter moved on, it did not save
        // Enter on the focused 保存 saves, by keyboard alone from the first field on.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，请输入旧口令！"));
        QTest::keyClicks(child<QLineEdit>(w, "edOld"), QStringLiteral("508316"));
        for (const char *field : {"edOld", "edNew"})
            QTest::keyClick(child<QLineEdit>(w, field), Qt::Key_Return);
        QTest::keyClicks(child<QLineEdit>(w, "edNew"), QStringLiteral("k1"));
        QTest::keyClick(child<QLineEdit>(w, "edNew"), Qt::Key_Return);
        QTest::keyClicks(child<QLineEdit>(w, "edConfirm"), QStringLiteral("k1"));
        QTest::keyClick(child<QLineEdit>(w, "edConfirm"), Qt::Key_Return);
        QTest::keyClick(child<QPushButton>(w, "btnSave"), Qt::Key_Return);
        QCOMPARE(MessageBox::last().text, QStringLiteral("口令修改成功！"));
        QVERIFY(store::Passwords::verify(m_dm->connection(), QStringLiteral("Admin"), QStringLiteral("k1")));
    }

    // The ID is exactly what was typed: a hidden ID that begins like a listed one signs in as
    // itself, and typing never turns into the listed user.
    void typedIdIsNeverCompletedIntoAnother()
    {
        auto &db = m_dm->connection();
        testsupport::addUser(db, QStringLiteral("clerk"), QStringLiteral("same"), false, {});
        testsupport::addUser(db, QStringLiteral("cle"), QStringLiteral("own"), false, {}, QStringLiteral("No"));
        const auto signIn = [&](const QString &typed, const QString &password) -> QString {
            LoginWindow w(*m_dm);
            w.show();
            if (!QTest::qWaitForWindowActive(&w))
                return QStringLiteral("window not active");
            auto *users = child<QComboBox>(w, "cbUserID");
            users->clearEditText();
            QTest::keyClicks(users, typed);
            if (users->currentText() != typed)
                return QStringLiteral("typed text became ") + users->currentText();
            QTest::keyClick(users, Qt::Key_Return); // on to the password
            QTest::keyClicks(QApplication::focusWidget(), password);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            return w.result() == QDialog::Accepted ? store::session().CurrentUserID : QString();
        };
        QCOMPARE(signIn(QStringLiteral("cle"), QStringLiteral("own")), QStringLiteral("cle"));
        QCOMPARE(signIn(QStringLiteral("cle"), QStringLiteral("same")), QString());
        QCOMPARE(MessageBox::last().text, QStringLiteral("口令输入错误，请重新输入！"));
        QCOMPARE(signIn(QStringLiteral("CLE"), QStringLiteral("own")), QStringLiteral("CLE"));
        QCOMPARE(signIn(QStringLiteral("clerk"), QStringLiteral("same")), QStringLiteral("clerk"));

        // Picking from the list still works.
        LoginWindow w(*m_dm);
        w.show();
        auto *users = child<QComboBox>(w, "cbUserID");
        users->setCurrentIndex(users->findText(QStringLiteral("clerk")));
        QCOMPARE(users->currentText(), QStringLiteral("clerk"));
        child<QLineEdit>(w, "edPassword")->setText(QStringLiteral("same"));
        child<QPushButton>(w, "btnOK")->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
