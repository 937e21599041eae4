// The agents module reached from the main window: an administrator and a normal user each add,
// change, find, print and delete agents end to end.
#include "agentform.h"
#include "agents.h"
#include "agentsfixture.h"
#include "agentswindow.h"
#include "datagrid.h"
#include "dblineedit.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "printing.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"商务代理业务管理-商务代理资料-"_s;

} // namespace

class TestAgentCommands : public QObject
{
    Q_OBJECT

    QAction *act(AgentsWindow *w, const char *name) { return w->action(QLatin1String(name)); }

    // Runs the list's 查询 with a condition and a value through its dialog, then closes it.
    void query(AgentsWindow *w, int condition, const QString &value)
    {
        testsupport::whenModal(u"TfrmCustomerQuery3"_s, [condition, value](QWidget *dialog) {
            auto *combo = dialog->findChild<QComboBox *>(u"cbCondition"_s);
            combo->setCurrentIndex(condition);
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
        AgentsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhao"_s, u"pw"_s, false,
                             testsupport::allRights());
        f.addAgent(u"OTHER1"_s, u"别人的代理"_s, u"someone"_s);
        f.signIn(user);
        MainWindow main(f.dm);
        QVERIFY(main.runShowStep());
        installAgents(main.workspace());
        main.show();

        main.action(u"Act_Customers"_s)->trigger();
        auto *w = qobject_cast<AgentsWindow *>(main.currentContent());
        QVERIFY(w);
        QCOMPARE(w->objectName(), u"TfrmCustomers"_s);
        const bool admin = user == u"Admin"_s;
        QCOMPARE(w->grid()->dataset()->rowCount(), admin ? 1 : 0);

        // Add two agents.
        for (const auto &[code, name] :
             {std::pair{u"Z01"_s, u"赵氏商贸"_s}, std::pair{u"Z02"_s, u"钱氏实业"_s}}) {
            testsupport::untilIdle();
            QVERIFY(act(w, "Act_Insert")->isEnabled());
            act(w, "Act_Insert")->trigger();
            fillAgent(w->form(), code, name);
            act(w, "Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList());
        }
        QVERIFY(!main.isNavigationVisible());
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers WHERE SUser = ?"_s, {user}).toInt(),
                 2);

        // Change one.
        QVERIFY(w->grid()->dataset()->locate(u"CustId"_s, u"Z02"_s));
        act(w, "Act_Modify")->trigger();
        testsupport::typeText(w->form()->name(), u"集团"_s);
        act(w, "Act_Save")->trigger();
        QCOMPARE(f.scalar(u"SELECT CustName FROM tblCustomers WHERE CustId = 'Z02'"_s).toString(),
                 u"钱氏实业集团"_s);

        // Find by name: a non-administrator never sees another user's agent.
        query(w, 2, u"代理"_s);
        QCOMPARE(w->grid()->dataset()->rowCount(), admin ? 1 : 0);
        QCOMPARE(shownTexts(),
                 admin ? QStringList() : QStringList{u"对不起，没有找到符合条件的记录！"_s});
        resetScripts();
        query(w, 2, u"实业"_s);
        QCOMPARE(w->grid()->dataset()->rowCount(), 1);
        QCOMPARE(w->grid()->dataset()->text(u"CustId"_s), u"Z02"_s);

        // Print what the list holds now.
        act(w, "Act_Print")->trigger();
        QCOMPARE(Printing::last().layout, u"frCustomers.frf"_s);
        QCOMPARE(Printing::last().rowCount, 1);

        // Delete it.
        MessageBox::setNextAnswer(QMessageBox::Ok);
        act(w, "Act_Delete")->trigger();
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers WHERE CustId = 'Z02'"_s).toInt(), 0);

        // Opening the module again brings back the ownership filter alone.
        main.action(u"Act_Customers"_s)->trigger();
        QCOMPARE(w->grid()->dataset()->rowCount(), admin ? 2 : 1);

        const QStringList log = f.logRows();
        for (const QString &expected : QStringList{
                 u"商务代理业务管理-商务代理资料"_s, Prefix + u"新增"_s, Prefix + u"保存"_s,
                 Prefix + u"修改"_s, Prefix + u"查询"_s, Prefix + u"打印"_s, Prefix + u"删除"_s})
            QVERIFY2(log.contains(expected), qPrintable(expected));
    }
};

QTEST_MAIN(TestAgentCommands)
#include "tst_agentcommands.moc"
