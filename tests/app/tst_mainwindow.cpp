// The main window: menus, rights enabling, log rows, administrator refusals, the show step,
// module switches with the ownership rule, and the exit question.
#include "commandenabler.h"
#include "rights.h"
#include "datamodule.h"
#include "desktopservices.h"
#include "agents.h"
#include "filepanel.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "serverfile.h"
#include "session.h"
#include "teststore.h"
#include "testusers.h"
#include "testwidgets.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTabWidget>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::DataModule> m_dm;
    std::unique_ptr<MainWindow> m_main;

    void signIn(const QString &user)
    {
        store::session().CurrentUserID = user;
        m_main = std::make_unique<MainWindow>(*m_dm);
        QVERIFY(m_main->runShowStep());
        QCoreApplication::processEvents();
    }
    QStringList logRows()
    {
        QStringList rows;
        QSqlQuery q = m_dm->connection().exec(QStringLiteral("SELECT Operate FROM tblLog ORDER BY LogID"));
        while (q.next())
            rows << q.value(0).toString();
        return rows;
    }
    void trigger(const char *name)
    {
        QAction *a = m_main->action(QLatin1String(name));
        QVERIFY2(a, name);
        a->trigger();
    }

private Q_SLOTS:
    void init()
    {
        MessageBox::clearHistory();
        DesktopServices::clearHistory();
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        store::session().setAppDir(m_store->appDir());
        QDir().mkpath(store::session().FilesDir);
        m_dm = std::make_unique<store::DataModule>();
        m_dm->openAtStartup(m_store->appDir());
        testsupport::addUser(m_dm->connection(), QStringLiteral("wang"), QStringLiteral("w"), false,
                             testsupport::allRights());
        m_dm->connection().exec(QStringLiteral(
            "INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES ('W1', '王的', 'wang'), ('A1', '管理员的', 'Admin')"));
    }
    void cleanup()
    {
        m_main.reset();
        m_dm.reset();
        m_store.reset();
    }

    void frameHasItsMenusAndPanels()
    {
        signIn(QStringLiteral("Admin"));
        QCOMPARE(m_main->windowTitle(), QStringLiteral("星桥通商务代理管理系统（Tessaly）网络版"));
        QCOMPARE(m_main->minimumSize(), m_main->maximumSize());
        QStringList menus;
        for (QAction *a : m_main->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{QStringLiteral("系统设置(&S)"), QStringLiteral("基础资料(&B)"),
                                     QStringLiteral("商务代理业务管理(&C)"), QStringLiteral("文件管理(&F)"),
                                     QStringLiteral("图表分析(&G)"), QStringLiteral("工具(&T)"),
                                     QStringLiteral("窗口(&W)"), QStringLiteral("帮助(&H)")}));
        QCOMPARE(m_main->action(QStringLiteral("Act_Customers"))->shortcut(), QKeySequence(Qt::Key_F2));
        QCOMPARE(m_main->action(QStringLiteral("Act_Gathering"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
        QCOMPARE(m_main->findChild<QLabel *>(QStringLiteral("StatusPanel1"))->text(),
                 QStringLiteral("欢迎使用星桥商务代理管理系统！"));
        QCOMPARE(m_main->findChild<QLabel *>(QStringLiteral("StatusPanel2"))->text(), QStringLiteral("操作员：  Admin"));
        QVERIFY(m_main->findChild<QLabel *>(QStringLiteral("StatusPanel3"))->text().startsWith(QStringLiteral("当前系统时间：   20")));
        QCOMPARE(m_main->currentNavigationPage(), QStringLiteral("系统设置"));
        QCOMPARE(m_main->currentContent(), m_main->schedulePanel());
        QVERIFY(m_main->filePanel()->isVisible());
        QCOMPARE(QDir(m_main->filePanel()->folder()), QDir(store::session().FilesDir));
        QVERIFY(m_dm->qryPlan.isOpen());
    }

    void aRemovedRightGreysItsCommandEverywhereAtTheNextIdleMoment()
    {
        signIn(QStringLiteral("wang"));
        QAction *agents = m_main->action(QStringLiteral("Act_Customers"));
        m_main->enabler().update();
        QVERIFY(agents->isEnabled());
        m_dm->connection().exec(QStringLiteral("DELETE FROM tblUserRight WHERE UserID = 'wang' AND RightID = '301'"));
        m_dm->tblUserRight.refresh();
        QVERIFY(!m_main->rights().allows(QStringLiteral("301")));
        QVERIFY(agents->isEnabled());
        testsupport::untilIdle(); // the idle update, not a direct call
        QVERIFY(!agents->isEnabled());
        QVERIFY(!m_main->findChild<QToolButton *>(QStringLiteral("btnTop_Act_Customers"))->isEnabled());
        QVERIFY(!m_main->findChild<QToolButton *>(QStringLiteral("btnNav_Act_Customers"))->isEnabled());
        QVERIFY(m_main->action(QStringLiteral("Act_Linkman"))->isEnabled());
        QVERIFY(m_main->action(QStringLiteral("N_Calculator"))->isEnabled()); // no right code
    }

    void commandsLogFirstAndAdministratorCommandsRefuseOthers()
    {
        signIn(QStringLiteral("wang"));
        trigger("Act_UserManage");
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，只有系统管理员才享有该权限！"));
        trigger("Act_SysLog");
        trigger("Act_Assign");
        trigger("N_Calculator");
        trigger("N_Help");
        QCOMPARE(logRows(), (QStringList{QStringLiteral("系统设置-用户管理"), QStringLiteral("系统设置-系统日志"),
                                         QStringLiteral("商务代理业务管理-商务代理工作分配"), QStringLiteral("工具-计算器"),
                                         QStringLiteral("帮助-系统帮助")}));
        QCOMPARE(MessageBox::history().size(), 3);
        QCOMPARE(DesktopServices::last().target, QUrl::fromLocalFile(store::session().AppDir + QStringLiteral("Help.html")).toString());
    }

    void ownershipRuleFiltersAgentsOfOtherUsers()
    {
        signIn(QStringLiteral("wang"));
        trigger("Act_Customers");
        QCOMPARE(m_dm->tblCustomers.rowCount(), 1);
        QCOMPARE(m_dm->tblCustomers.text(QStringLiteral("CustId")), QStringLiteral("W1"));
        QCOMPARE(m_dm->tblCustomers2.rowCount(), 1);
        QCOMPARE(m_main->currentNavigationPage(), QStringLiteral("业务管理"));
        QVERIFY(!m_main->filePanel()->isVisible());
        QVERIFY(QDir(store::session().FilesDir + QStringLiteral("W1")).exists());
        QCOMPARE(QDir(m_main->filePanel()->folder()), QDir(store::session().FilesDir + QStringLiteral("W1")));
        // The schedule shows every entry and the file panel again.
        trigger("Act_Plan");
        QCOMPARE(m_main->currentContent(), m_main->schedulePanel());
        QVERIFY(m_main->filePanel()->isVisible());
        QCOMPARE(QDir(m_main->filePanel()->folder()), QDir(store::session().FilesDir + QStringLiteral("Plans")));
    }

    void administratorSeesEveryAgent()
    {
        signIn(QStringLiteral("Admin"));
        trigger("Act_Customers");
        QCOMPARE(m_dm->tblCustomers.rowCount(), 2);
        QVERIFY(!m_dm->tblCustomers.isFiltered());
    }

    void receivablesLeaveOutRecordsWithoutItems()
    {
        auto &db = m_dm->connection();
        db.exec(QStringLiteral("INSERT INTO tblOperates (OperateID, CustID, InOrOut, RMB) VALUES "
                               "('R1', 'A1', '收款', 100), ('R2', 'A1', '收款', 50), ('R3', 'A1', '付款', 70)"));
        db.exec(QStringLiteral("INSERT INTO tblOperateDetail (OperateID, DetailNo, RMB) VALUES ('R1', '1', 30), ('R1', '2', 20), ('R3', '1', 70)"));
        signIn(QStringLiteral("Admin"));
        trigger("Act_Gathering");
        QCOMPARE(m_dm->qryGathering.rowCount(), 1);
        QCOMPARE(m_dm->qryGathering.text(QStringLiteral("OperateID")), QStringLiteral("R1"));
        QCOMPARE(m_dm->qryGathering.value(QStringLiteral("gathering")).toDouble(), 50.0);
        trigger("Act_Payment");
        QCOMPARE(m_dm->qryPayment.rowCount(), 1);
        QCOMPARE(m_dm->qryPayment.value(QStringLiteral("Payment")).toDouble(), 0.0);
        QCOMPARE(logRows().first(), QStringLiteral("商务代理业务管理-应收账款"));
    }

    void showStepEndsWithoutTheDefaultDataFile()
    {
        // The store moved away from the default place: the show step refuses to go on.
        const QString moved = m_store->appDir() + QStringLiteral("elsewhere.wdb");
        m_dm->disconnect();
        QVERIFY(QFile::rename(m_store->location(), moved));
        m_dm->reconnect(moved);
        store::session().CurrentUserID = QStringLiteral("Admin");
        MainWindow w(*m_dm);
        QVERIFY(!w.runShowStep());
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，数据文件没有找到！请查找KTA30.wdb文件，\n并将文件复制到") +
                                              store::session().AppDir + QStringLiteral("Data目录下！"));
    }

    // Keyboard only, right after the module is shown: F2, then the module's own Ctrl+N; the
    // same after a modal window of the main window has closed.
    void moduleShortcutsWorkAtOnceAfterEverySwitch()
    {
        signIn(QStringLiteral("Admin"));
        installAgents(m_main->workspace());
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        QWidget *agents = m_main->findChild<QWidget *>(QStringLiteral("TfrmCustomers"));
        const auto insideAgents = [&] { return agents->isAncestorOf(QApplication::focusWidget()); };
        testsupport::untilIdle(); // the window is up, the file panel beside it
        QCOMPARE(QApplication::activeWindow(), m_main.get());
        QTest::keyClick(m_main.get(), Qt::Key_F2);
        QCOMPARE(m_main->currentContent(), agents);
        QVERIFY(insideAgents());
        testsupport::untilIdle();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m_dm->tblCustomers.state(), store::Dataset::State::Insert);
        m_dm->tblCustomers.cancel();

        // Back on the list by way of the schedule (the focus on its list again), then a modal
        // window opened and closed from the main menu.
        trigger("Act_Plan");
        QTest::keyClick(m_main.get(), Qt::Key_F2);
        agents->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(0);
        QTest::keyClick(m_main.get(), Qt::Key_F2);
        QVERIFY(insideAgents());
        testsupport::whenModal(QStringLiteral("TfrmPassword"), [](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
        QTest::keyClick(m_main.get(), Qt::Key_K, Qt::ControlModifier);
        QVERIFY(QTest::qWaitFor(insideAgents, 2000));
        testsupport::untilIdle();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m_dm->tblCustomers.state(), store::Dataset::State::Insert);
        QCOMPARE(logRows().last(), QStringLiteral("商务代理业务管理-商务代理资料-新增"));
    }

    // A user who sees only the own agents comes back to the agent left, as an administrator does.
    void everyUserComesBackToTheAgentLeft_data()
    {
        QTest::addColumn<QString>("user");
        QTest::newRow("owner only") << QStringLiteral("wang");
        QTest::newRow("administrator") << QStringLiteral("Admin");
    }
    void everyUserComesBackToTheAgentLeft()
    {
        QFETCH(QString, user);
        m_dm->connection().exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES "
                                               "('W2', '二', 'wang'), ('W3', '三', 'wang')"));
        signIn(user);
        trigger("Act_Customers");
        QVERIFY(m_dm->tblCustomers.locate(QStringLiteral("CustId"), QStringLiteral("W2")));
        trigger("Act_Plan");
        trigger("Act_Customers");
        QCOMPARE(m_dm->tblCustomers.text(QStringLiteral("CustId")), QStringLiteral("W2"));
        QCOMPARE(QDir(m_main->filePanel()->folder()), QDir(store::session().FilesDir + QStringLiteral("W2")));
    }

    // Without the Modify right a stored agent stays as stored: what is typed into its detail
    // page does not go into it, so switching to another module and back stores nothing.
    void moduleSwitchStoresNothingWithoutModify()
    {
        m_dm->connection().exec(QStringLiteral("UPDATE tblUserRight SET \"Modify\" = ? "
                                               "WHERE UserID = 'wang' AND RightID = '301'"),
                                {false});
        signIn(QStringLiteral("wang"));
        installAgents(m_main->workspace());
        trigger("Act_Customers");
        QWidget *agents = m_main->currentContent();
        agents->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
        auto *name = agents->findChild<QLineEdit *>(QStringLiteral("edtCustName"));
        QCOMPARE(name->text(), QStringLiteral("王的"));
        testsupport::typeText(name, QStringLiteral("改"));
        trigger("Act_Plan");
        trigger("Act_Customers");
        QCOMPARE(
            m_dm->connection()
                .scalar(QStringLiteral("SELECT CustName FROM tblCustomers WHERE CustId = 'W1'"))
                .toString(),
            QStringLiteral("王的"));
        QCOMPARE(name->text(), QStringLiteral("王的"));
    }

    void moduleWithoutItsWindowNeverLeavesThePreviousOneOnView()
    {
        signIn(QStringLiteral("Admin"));
        installAgents(m_main->workspace());
        trigger("Act_Customers");
        QWidget *agents = m_main->currentContent();
        QCOMPARE(agents->objectName(), QStringLiteral("TfrmCustomers"));
        for (const char *command : {"Act_Linkman", "Act_Operaters", "Act_RegionAnalyse", "Act_Mail"}) {
            trigger("Act_Customers");
            trigger(command);
            QVERIFY2(m_main->currentContent() != agents, command);
            QCOMPARE(m_main->currentContent()->objectName(), QStringLiteral("PnMissing_") + QLatin1String(command));
        }
    }

    void storeErrorInTheShowStepIsShownAndTheProgramGoesOn()
    {
        m_dm->connection().exec(QStringLiteral("DROP TABLE tblPlan"));
        store::session().CurrentUserID = QStringLiteral("wang");
        m_main = std::make_unique<MainWindow>(*m_dm);
        QVERIFY(m_main->runShowStep());
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QVERIFY(MessageBox::last().text.contains(QStringLiteral("tblPlan"), Qt::CaseInsensitive));
        // The rest of the frame is set up all the same.
        QCOMPARE(m_main->findChild<QLabel *>(QStringLiteral("StatusPanel2"))->text(), QStringLiteral("操作员：  wang"));
        QVERIFY(m_dm->tblCustomers2.isFiltered());
        QVERIFY(m_dm->tblUserRight.isOpen());
        QCOMPARE(m_main->currentContent(), m_main->schedulePanel());
    }

    void exitQuestionAnsweredNoKeepsTheWindow()
    {
        signIn(QStringLiteral("Admin"));
        m_main->show();
        MessageBox::setNextAnswer(QMessageBox::No);
        trigger("N_Exit");
        QVERIFY(m_main->isVisible());
        const MessageBox::Shown asked = MessageBox::last();
        QCOMPARE(asked.title, QStringLiteral("系统退出确认"));
        QCOMPARE(asked.text, QStringLiteral("真的要退出本系统吗？"));
        QCOMPARE(asked.defaultButton, QMessageBox::No);
        QCOMPARE(logRows(), QStringList{QStringLiteral("系统设置-退出系统")});
    }

    void navigationAndFilePanelToggles()
    {
        signIn(QStringLiteral("Admin"));
        m_main->show();
        trigger("N_Navigation");
        QVERIFY(!m_main->isNavigationVisible());
        QVERIFY(!m_main->action(QStringLiteral("N_Navigation"))->isChecked());
        trigger("N_NavigationButton");
        QVERIFY(m_main->isNavigationVisible());
        QVERIFY(m_main->action(QStringLiteral("N_Navigation"))->isChecked());
        trigger("N_FilePanelButton");
        QVERIFY(!m_main->filePanel()->isVisible());
        QVERIFY(!m_main->action(QStringLiteral("N_FilePanel"))->isChecked());
        QCOMPARE(logRows(), (QStringList{QStringLiteral("窗口-系统导航"), QStringLiteral("窗口-系统导航"),
                                         QStringLiteral("窗口-文件管理及工具栏")}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
