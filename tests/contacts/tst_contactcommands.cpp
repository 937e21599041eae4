// The contacts module reached from the main window: an administrator and a normal user each
// add, change, find, print, export and delete contacts end to end.
#include "agentchoice.h"
#include "contactform.h"
#include "contacts.h"
#include "contactsfixture.h"
#include "contactswindow.h"
#include "datagrid.h"
#include "dblineedit.h"
#include "filedialog.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "printing.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"商务代理业务管理-联系人资料-"_s;

QAction *act(ContactsWindow *w, const char *name)
{
    return w->action(QLatin1String(name));
}

} // namespace

class TestContactCommands : public QObject
{
    Q_OBJECT

    void query(ContactsWindow *w, int condition, const QString &value)
    {
        testsupport::whenModal(u"TfrmLinkmanQuery1"_s, [condition, value](QWidget *dialog) {
            dialog->findChild<QComboBox *>(u"cbCondition"_s)->setCurrentIndex(condition);
            testsupport::typeText(dialog->findChild<QLineEdit *>(u"edValue"_s), value);
            dialog->findChild<QPushButton *>(u"btnOK"_s)->click();
            if (dialog->isVisible()) // nothing found: the dialog stays open until 取消
                dialog->findChild<QPushButton *>(u"btnCancel"_s)->click();
        });
        act(w, "Act_Query")->trigger();
    }

  private Q_SLOTS:
    void init() { resetScripts(); }

    void endToEnd_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("user");
        for (const QString &engine : testsupport::engines()) {
            QTest::addRow("%s administrator", qPrintable(engine)) << engine << u"Admin"_s;
            QTest::addRow("%s normal user", qPrintable(engine)) << engine << u"zhao"_s;
        }
    }
    void endToEnd()
    {
        QFETCH(QString, engine);
        QFETCH(QString, user);
        ContactsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhao"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"Z01"_s, u"赵氏商贸"_s, user);
        f.addAgent(u"OTHER1"_s, u"别人的代理"_s, u"someone"_s);
        f.addContact(u"X1"_s, u"别人的联系人"_s, u"OTHER1"_s, u"someone"_s);
        f.signIn(user);
        f.dm.tblCustomers2.refresh(); // agents added straight into the store since start-up
        MainWindow main(f.dm);
        QVERIFY(main.runShowStep());
        installContacts(main.workspace());
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));

        // F3 opens the module with the keyboard on its list.
        QTest::keyClick(&main, Qt::Key_F3);
        auto *w = qobject_cast<ContactsWindow *>(main.currentContent());
        QVERIFY(w);
        QCOMPARE(w->objectName(), u"TfrmLinkman"_s);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->grid()->view()));
        const bool admin = user == u"Admin"_s;
        store::Dataset &list = *w->grid()->dataset();
        QCOMPARE(list.rowCount(), admin ? 1 : 0);

        for (const auto &[code, name] : {std::pair{u"C01"_s, u"赵一"_s}, std::pair{u"C02"_s, u"赵二"_s}}) {
            testsupport::untilIdle();
            QVERIFY(act(w, "Act_Insert")->isEnabled());
            act(w, "Act_Insert")->trigger();
            testsupport::typeText(w->form()->code(), code);
            testsupport::typeText(w->form()->name(), name);
            testsupport::typeText(w->form()->email(), code + u"@zhao.cn"_s);
            chooseAgent(w->form()->agentChoice(), u"赵氏商贸"_s);
            act(w, "Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList());
        }
        QVERIFY(!main.isNavigationVisible());
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblLinkmans WHERE SUser = ?"_s, {user}).toInt(), 2);

        QVERIFY(list.locate(u"LinkmanID"_s, u"C02"_s));
        act(w, "Act_Modify")->trigger();
        testsupport::typeText(w->form()->name(), u"号"_s);
        act(w, "Act_Save")->trigger();
        QCOMPARE(f.scalar(u"SELECT Name FROM tblLinkmans WHERE LinkmanID = 'C02'"_s).toString(), u"赵二号"_s);

        // Find by name: a normal user never finds another user's contact.
        query(w, 3, u"别人"_s);
        QCOMPARE(list.rowCount(), admin ? 1 : 0);
        resetScripts();
        query(w, 3, u"二号"_s);
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.text(u"LinkmanID"_s), u"C02"_s);

        act(w, "Act_Print")->trigger();
        QCOMPARE(Printing::last().layout, u"frLinkmans.frf"_s);
        QCOMPARE(Printing::last().rowCount, 1);

        const QString file = store::session().AppDir + u"Email/found.txt"_s;
        FileDialog::setNextFileName(file);
        act(w, "spBtnEmail")->trigger();
        QCOMPARE(fileLines(file), QStringList{u"C02@zhao.cn"_s});

        MessageBox::setNextAnswer(QMessageBox::Ok);
        act(w, "Act_Delete")->trigger();
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblLinkmans WHERE LinkmanID = 'C02'"_s).toInt(), 0);

        // Opening the module again brings back a normal user's whole list; an administrator's
        // keeps the statement of the last query, whose one contact is gone now.
        main.action(u"Act_Linkman"_s)->trigger();
        QCOMPARE(list.rowCount(), admin ? 0 : 1);

        const QStringList log = f.logRows();
        for (const QString &expected :
             QStringList{u"商务代理业务管理-联系人资料"_s, Prefix + u"新增"_s, Prefix + u"保存"_s,
                         Prefix + u"修改"_s, Prefix + u"查询"_s, Prefix + u"打印"_s, Prefix + u"删除"_s})
            QVERIFY2(log.contains(expected), qPrintable(expected));
    }
};

QTEST_MAIN(TestContactCommands)
#include "tst_contactcommands.moc"
