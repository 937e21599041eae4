// The main window's commands: one table of what each is called, shows, logs, needs and does.
#include "mainwindow.h"

#include "aboutwindow.h"
#include "commandenabler.h"
#include "datamodule.h"
#include "desktopservices.h"
#include "errordisplay.h"
#include "filepanel.h"
#include "messagebox.h"
#include "passwordwindow.h"
#include "rights.h"
#include "session.h"

#include <QAction>
#include <QDir>
#include <QUrl>
#include <iterator>

// A command of the main window. `log` empty: no log row; `right` empty: always enabled.
struct MainWindow::Command {
    const char *name, *caption, *log, *right, *keys;
    void (MainWindow::*work)(const QString &command);
};

using M = MainWindow;

// In menu order. Every work gets the command's name; the windows that modules build register
// under that name.
const MainWindow::Command MainWindow::Commands[] = {
    // System settings.
    {"Act_Password", "口令设置", "系统设置-口令设置", "101", "Ctrl+K", &M::changePassword},
    {"Act_UserManage", "用户管理", "系统设置-用户管理", "102", "Ctrl+U", &M::openAdminWindow},
    {"Act_Backup", "数据备份", "系统设置-数据备份", "103", "Ctrl+B", &M::openBackupWindow},
    {"Act_Restore", "数据恢复", "系统设置-数据恢复", "104", "Ctrl+R", &M::openBackupWindow},
    {"Act_SysLog", "系统日志", "系统设置-系统日志", "105", "Ctrl+L", &M::openLogWindow},
    {"Act_UserRegist", "用户信息", "系统设置-用户信息", "106", "Ctrl+I", &M::openWindow},
    {"Act_Server", "服务器设置", "系统设置-服务器设置", "107", "", &M::openServerWindow},
    {"N_Exit", "退出系统 (&X)", "", "", "", &M::exitProgram},
    // Base data: each opens its dictionary editor.
    {"Act_Department", "部门设置", "基础资料-部门设置", "201", "", &M::openWindow},
    {"Act_Region", "省市设置", "基础资料-省市设置", "202", "", &M::openWindow},
    {"Act_Country", "国家/地区信息", "基础资料-国家/地区信息", "203", "", &M::openWindow},
    {"Act_Vocation", "行业类别设置", "基础资料-行业类别设置", "206", "", &M::openWindow},
    {"Act_OperateStyle", "档案有无情况", "基础资料-业务类型设置", "207", "", &M::openWindow},
    {"Act_OperateOrigin", "档案完备情况", "基础资料-业务来源设置", "208", "", &M::openWindow},
    {"Act_OperateState", "发证状况设置", "基础资料-业务状态设置", "209", "", &M::openWindow},
    {"Act_CustLevel", "商务代理级别", "基础资料-商务代理级别定义", "210", "", &M::openWindow},
    {"Act_CustState", "商务代理联络状态", "基础资料-商务代理状态定义", "211", "", &M::openWindow},
    {"Act_CustOrigin", "商务代理来源", "基础资料-商务代理来源定义", "212", "", &M::openWindow},
    // Business records: the hosted modules.
    {"Act_Customers", "商务代理资料", "商务代理业务管理-商务代理资料", "301", "F2", &M::showAgents},
    {"Act_Linkman", "联系人资料", "商务代理业务管理-联系人资料", "302", "F3", &M::showContacts},
    {"Act_Operaters", "推荐人资料", "商务代理业务管理-业务员资料", "303", "F4", &M::showReferrers},
    {"Act_OperatesInfo", "历次联络记录", "商务代理业务管理-业务资料", "304", "F5", &M::showRecords},
    {"Act_Plan", "日程安排", "商务代理业务管理-日程安排", "305", "F6", &M::showSchedule},
    {"Act_Gathering", "应收账款", "商务代理业务管理-应收账款", "306", "Ctrl+Alt+M", &M::showLedger},
    {"Act_Payment", "应付账款", "商务代理业务管理-应付账款", "307", "Ctrl+Alt+N", &M::showLedger},
    {"Act_Assign", "商务代理工作分配", "商务代理业务管理-商务代理工作分配", "", "",
     &M::openAdminWindow},
    // Chart analyses.
    {"Act_RegionAnalyse", "地区分布分析", "图表分析-地区分布分析", "401", "", &M::showAnalysis},
    {"Act_CustLevelAnalyse", "商务代理级别分析", "图表分析-商务代理级别分析", "403", "",
     &M::showAnalysis},
    {"Act_CustOriginAnalyse", "商务代理来源分析", "图表分析-商务代理来源分析", "404", "",
     &M::showAnalysis},
    {"Act_CustStateAnalyse", "商务代理状态分析", "图表分析-商务代理状态分析", "405", "",
     &M::showAnalysis},
    {"Act_CustVocationAnalyse", "商务代理行业分析", "图表分析-商务代理行业分析", "406", "",
     &M::showAnalysis},
    // Tools.
    {"Act_Board", "公告板", "工具-公告板", "501", "F7", &M::openBoard},
    {"N_Calculator", "计算器", "工具-计算器", "", "", &M::showTool},
    {"N_Calendar", "日历", "工具-日历", "", "", &M::showTool},
    {"N_SysInfo", "系统信息", "工具-系统信息", "", "", &M::showTool},
    {"Act_Mail", "邮件群发", "工具-邮件群发", "502", "F8", &M::showMail},
    {"Act_Envelop", "信封标签", "工具-信封标签", "503", "F9", &M::openWindow},
    {"N_SmsCenter", "短信中心", "工具-短信中心", "", "F11", &M::logOnly},
    // Window. The top-bar buttons toggle a panel's visibility and its menu check together.
    {"N_Navigation", "系统导航", "窗口-系统导航", "", "", &M::togglePanel},
    {"N_FilePanel", "文件管理及工具栏", "窗口-文件管理及工具栏", "", "", &M::togglePanel},
    {"N_FilePanelButton", "文件管理及工具栏", "窗口-文件管理及工具栏", "", "", &M::togglePanel},
    {"N_NavigationButton", "系统导航", "窗口-系统导航", "", "", &M::togglePanel},
    // Help.
    {"N_About", "关于软件", "帮助-关于QuillonCRM2003", "", "", &M::showHelp},
    {"N_Help", "如何使用", "帮助-系统帮助", "", "F1", &M::showHelp},
    {"N_HomePage", "公司及其产品介绍", "帮助-公司及产品介绍", "", "F12", &M::showHelp},
    {"N_ContactUs", "联系我们...", "帮助-联系我们", "", "", &M::showHelp},
    {"N_Support", "技术支持", "", "", "", &M::showHelp},
};

namespace
{

// The file panel's own commands, which log themselves.
const struct {
    const char *name, *caption;
    void (FilePanel::*work)();
} FileCommands[] = {
    {"N_NewFile", "新建文件", &FilePanel::newFile},
    {"N_CutFile", "剪切文件", &FilePanel::cutFile},
    {"N_CopyFile", "复制文件", &FilePanel::copyFile},
};

} // namespace

void MainWindow::buildCommands()
{
    for (const Command &c : Commands) {
        const QString name = QLatin1String(c.name);
        auto *a = new QAction(QString::fromUtf8(c.caption), this);
        a->setObjectName(name);
        if (*c.keys)
            a->setShortcut(QKeySequence(QLatin1String(c.keys)));
        const QString log = QString::fromUtf8(c.log);
        connect(a, &QAction::triggered, this,
                [this, log, name, work = c.work] { run(log, [&] { (this->*work)(name); }); });
        if (const QString right = QLatin1String(c.right); !right.isEmpty())
            m_enabler->add(a, [this, right] { return m_rights->allows(right); });
        m_actions.insert(name, a);
        addAction(a); // shortcuts work also for commands without a visible menu entry
    }
    action(QStringLiteral("N_Exit"))->setToolTip(QStringLiteral("退出系统"));
    for (const char *check : {"N_Navigation", "N_FilePanel"}) {
        action(QLatin1String(check))->setCheckable(true);
        action(QLatin1String(check))->setChecked(true);
    }
    for (const auto &f : FileCommands) {
        auto *a = new QAction(QString::fromUtf8(f.caption), this);
        a->setObjectName(QLatin1String(f.name));
        connect(a, &QAction::triggered, this, [this, work = f.work] {
            ErrorDisplay::run(this, [this, work] { (m_filePanel->*work)(); });
        });
        m_actions.insert(a->objectName(), a);
    }
}

bool MainWindow::requireAdministrator()
{
    if (m_dm.isAdministrator(store::session().CurrentUserID))
        return true;
    MessageBox::warning(this, QStringLiteral("对不起，只有系统管理员才享有该权限！"));
    return false;
}

void MainWindow::setCommandWindow(const QString &command, std::function<void()> open)
{
    m_windows.insert(command, std::move(open));
}

void MainWindow::openWindow(const QString &command)
{
    // Windows built by their own modules register here; until one has, the command has
    // done its logging and preparation and opens nothing.
    if (auto it = m_windows.constFind(command); it != m_windows.constEnd() && it.value())
        it.value()();
}

void MainWindow::openAdminWindow(const QString &command)
{
    if (requireAdministrator())
        openWindow(command);
}

void MainWindow::changePassword(const QString &)
{
    PasswordWindow w(m_dm, this);
    w.exec();
}

// 数据备份 and 数据恢复 work in the program's Backup folder.
void MainWindow::openBackupWindow(const QString &command)
{
    QDir().mkpath(store::session().AppDir + QStringLiteral("Backup"));
    openWindow(command);
}

void MainWindow::openLogWindow(const QString &command)
{
    if (!requireAdministrator())
        return;
    QDir().mkpath(store::session().AppDir + QStringLiteral("Log"));
    openWindow(command);
}

void MainWindow::openServerWindow(const QString &command)
{
    setNavigationPage(QStringLiteral("系统设置"));
    openWindow(command);
}

void MainWindow::exitProgram(const QString &)
{
    close();
}

void MainWindow::openBoard(const QString &command)
{
    if (m_dm.tblBoard.isFiltered())
        m_dm.tblBoard.clearFilter();
    m_dm.tblBoard.open();
    openWindow(command);
}

void MainWindow::showTool(const QString &command)
{
    if (command == QLatin1String("N_Calculator"))
        DesktopServices::showCalculator(this);
    else if (command == QLatin1String("N_Calendar"))
        DesktopServices::showCalendar(this);
    else
        DesktopServices::showSystemInfo(this);
}

void MainWindow::logOnly(const QString &) {}

void MainWindow::togglePanel(const QString &command)
{
    QAction *navigation = action(QStringLiteral("N_Navigation"));
    QAction *files = action(QStringLiteral("N_FilePanel"));
    if (command == QLatin1String("N_Navigation")) {
        setNavigationVisible(navigation->isChecked());
    } else if (command == QLatin1String("N_FilePanel")) {
        setFilePanelVisible(files->isChecked());
    } else if (command == QLatin1String("N_FilePanelButton")) {
        const bool show = !(m_filePanel && m_filePanel->isVisible());
        setFilePanelVisible(show);
        files->setChecked(show);
    } else {
        navigation->setChecked(!navigation->isChecked());
        setNavigationVisible(navigation->isChecked());
    }
}

void MainWindow::showHelp(const QString &command)
{
    if (command == QLatin1String("N_About")) {
        AboutWindow w(this);
        w.exec();
    } else if (command == QLatin1String("N_Help")) {
        DesktopServices::openFile(store::session().AppDir + QStringLiteral("Help.html"));
    } else if (command == QLatin1String("N_ContactUs")) {
        DesktopServices::openUrl(
            QUrl(QStringLiteral("mailto:") + supportMail() +
                 QStringLiteral("?subject=Subject:Wanna ask a question!&body=Hello!")));
    } else {
        DesktopServices::openAddress(homePage()); // N_HomePage, N_Support
    }
}
