// The main window's command table: every command's caption, shortcut, log row and right, as
// the program has always had them, read from the actions and the log rows they write.
#include "commandenabler.h"
#include "datamodule.h"
#include "desktopservices.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "rights.h"
#include "session.h"
#include "teststore.h"
#include "testusers.h"

#include <QAction>
#include <QDir>
#include <QSqlQuery>
#include <QTest>

namespace
{

struct Expected {
    const char *name, *caption, *keys, *log, *right;
};

// Commands that open a modal window of their own or end the program are only read, not run.
const Expected Commands[] = {
    {"Act_Password", "口令设置", "Ctrl+K", nullptr, "101"},
    {"Act_UserManage", "用户管理", "Ctrl+U", "系统设置-用户管理", "102"},
    {"Act_Backup", "数据备份", "Ctrl+B", "系统设置-数据备份", "103"},
    {"Act_Restore", "数据恢复", "Ctrl+R", "系统设置-数据恢复", "104"},
    {"Act_SysLog", "系统日志", "Ctrl+L", "系统设置-系统日志", "105"},
    {"Act_UserRegist", "用户信息", "Ctrl+I", "系统设置-用户信息", "106"},
    {"Act_Server", "服务器设置", "", "系统设置-服务器设置", "107"},
    {"N_Exit", "退出系统 (&X)", "", nullptr, ""},
    {"Act_Department", "部门设置", "", "基础资料-部门设置", "201"},
    {"Act_Region", "省市设置", "", "基础资料-省市设置", "202"},
    {"Act_Country", "国家/地区信息", "", "基础资料-国家/地区信息", "203"},
    {"Act_Vocation", "行业类别设置", "", "基础资料-行业类别设置", "206"},
    {"Act_OperateStyle", "档案有无情况", "", "基础资料-业务类型设置", "207"},
    {"Act_OperateOrigin", "档案完备情况", "", "基础资料-业务来源设置", "208"},
    {"Act_OperateState", "发证状况设置", "", "基础资料-业务状态设置", "209"},
    {"Act_CustLevel", "商务代理级别", "", "基础资料-商务代理级别定义", "210"},
    {"Act_CustState", "商务代理联络状态", "", "基础资料-商务代理状态定义", "211"},
    {"Act_CustOrigin", "商务代理来源", "", "基础资料-商务代理来源定义", "212"},
    {"Act_Customers", "商务代理资料", "F2", "商务代理业务管理-商务代理资料", "301"},
    {"Act_Linkman", "联系人资料", "F3", "商务代理业务管理-联系人资料", "302"},
    {"Act_Operaters", "推荐人资料", "F4", "商务代理业务管理-业务员资料", "303"},
    {"Act_OperatesInfo", "历次联络记录", "F5", "商务代理业务管理-业务资料", "304"},
    {"Act_Plan", "日程安排", "F6", "商务代理业务管理-日程安排", "305"},
    {"Act_Gathering", "应收账款", "Ctrl+Alt+M", "商务代理业务管理-应收账款", "306"},
    {"Act_Payment", "应付账款", "Ctrl+Alt+N", "商务代理业务管理-应付账款", "307"},
    {"Act_Assign", "商务代理工作分配", "", "商务代理业务管理-商务代理工作分配", ""},
    {"Act_RegionAnalyse", "地区分布分析", "", "图表分析-地区分布分析", "401"},
    {"Act_CustLevelAnalyse", "商务代理级别分析", "", "图表分析-商务代理级别分析", "403"},
    {"Act_CustOriginAnalyse", "商务代理来源分析", "", "图表分析-商务代理来源分析", "404"},
    {"Act_CustStateAnalyse", "商务代理状态分析", "", "图表分析-商务代理状态分析", "405"},
    {"Act_CustVocationAnalyse", "商务代理行业分析", "", "图表分析-商务代理行业分析", "406"},
    {"Act_Board", "公告板", "F7", "工具-公告板", "501"},
    {"N_Calculator", "计算器", "", "工具-计算器", ""},
    {"N_Calendar", "日历", "", "工具-日历", ""},
    {"N_SysInfo", "系统信息", "", "工具-系统信息", ""},
    {"Act_Mail", "邮件群发", "F8", "工具-邮件群发", "502"},
    {"Act_Envelop", "信封标签", "F9", "工具-信封标签", "503"},
    {"N_SmsCenter", "短信中心", "F11", "工具-短信中心", ""},
    {"N_Navigation", "系统导航", "", "窗口-系统导航", ""},
    {"N_FilePanel", "文件管理及工具栏", "", "窗口-文件管理及工具栏", ""},
    {"N_FilePanelButton", "文件管理及工具栏", "", "窗口-文件管理及工具栏", ""},
    {"N_NavigationButton", "系统导航", "", "窗口-系统导航", ""},
    {"N_About", "关于软件", "", nullptr, ""},
    {"N_Help", "如何使用", "F1", "帮助-系统帮助", ""},
    {"N_HomePage", "公司及其产品介绍", "F12", "帮助-公司及产品介绍", ""},
    {"N_ContactUs", "联系我们...", "", "帮助-联系我们", ""},
    {"N_Support", "技术支持", "", "", ""},
};

} // namespace

class TestMainCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::DataModule> m_dm;
    std::unique_ptr<MainWindow> m_main;

    QString lastLog()
    {
        QSqlQuery q = m_dm->connection().exec(
            QStringLiteral("SELECT Operate FROM tblLog ORDER BY LogID DESC"));
        return q.next() ? q.value(0).toString() : QString();
    }
    int logCount()
    {
        QSqlQuery q = m_dm->connection().exec(QStringLiteral("SELECT COUNT(*) FROM tblLog"));
        return q.next() ? q.value(0).toInt() : -1;
    }

  private Q_SLOTS:
    void init()
    {
        MessageBox::setScripted(true);
        MessageBox::clearHistory();
        DesktopServices::clearHistory();
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        store::session().setAppDir(m_store->appDir());
        QDir().mkpath(store::session().FilesDir);
        m_dm = std::make_unique<store::DataModule>();
        m_dm->openAtStartup(m_store->appDir());
        testsupport::addUser(m_dm->connection(), QStringLiteral("wang"), QStringLiteral("w"), false,
                             testsupport::allRights());
        store::session().CurrentUserID = QStringLiteral("wang");
        m_main = std::make_unique<MainWindow>(*m_dm);
        QVERIFY(m_main->runShowStep());
    }
    void cleanup()
    {
        m_main.reset();
        m_dm.reset();
        m_store.reset();
    }

    // Caption and shortcut of each command, and the one log row its run writes first (or none).
    void captionsKeysAndLogRows()
    {
        for (const Expected &e : Commands) {
            QAction *a = m_main->action(QLatin1String(e.name));
            QVERIFY2(a, e.name);
            QCOMPARE(a->text(), QString::fromUtf8(e.caption));
            QCOMPARE(a->shortcut(), QKeySequence(QLatin1String(e.keys)));
            if (!e.log)
                continue;
            const int before = logCount();
            a->trigger();
            QCOMPARE(logCount(), before + (*e.log ? 1 : 0));
            if (*e.log)
                QCOMPARE(lastLog(), QString::fromUtf8(e.log));
        }
    }

    // Each command with a right code is greyed when, and only when, that right is taken away.
    void eachCommandFollowsItsRight()
    {
        for (const Expected &e : Commands) {
            const QString right = QLatin1String(e.right);
            if (right.isEmpty())
                continue;
            m_dm->connection().exec(
                QStringLiteral("DELETE FROM tblUserRight WHERE UserID = 'wang' AND RightID = '%1'")
                    .arg(right));
            m_dm->tblUserRight.refresh();
            m_main->enabler().update();
            for (const Expected &other : Commands)
                QVERIFY2(m_main->action(QLatin1String(other.name))->isEnabled() ==
                             (QLatin1String(other.right) != right),
                         other.name);
            m_dm->connection().exec(
                QStringLiteral("INSERT INTO tblUserRight (UserID, RightID) VALUES ('wang', '%1')")
                    .arg(right));
            m_dm->tblUserRight.refresh();
        }
    }
};

QTEST_MAIN(TestMainCommands)
#include "tst_maincommands.moc"
