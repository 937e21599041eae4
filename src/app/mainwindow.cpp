#include "mainwindow.h"

#include "aboutwindow.h"
#include "artwork.h"
#include "commandenabler.h"
#include "datamodule.h"
#include "desktopservices.h"
#include "errordisplay.h"
#include "filepanel.h"
#include "firstfocus.h"
#include "ledgerquery.h"
#include "messagebox.h"
#include "numlock.h"
#include "operationlog.h"
#include "passwordwindow.h"
#include "pendingedit.h"
#include "recordfolders.h"
#include "rights.h"
#include "schedulepanel.h"
#include "serverfile.h"
#include "session.h"
#include "storenotices.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <QGuiApplication>

using store::Dataset;

namespace {

const QString PageSystem = QStringLiteral("系统设置");
const QString PageBase = QStringLiteral("基础资料");
const QString PageBusiness = QStringLiteral("业务管理");
const QString PageChart = QStringLiteral("图表分析");

} // namespace

// What a module command prepares before its panel is shown.
struct MainWindow::Module
{
    QString command;
    QString page;
    std::function<void()> prepare;
    enum class Panel { Hide, HideKeepCheck, Show, Unchanged } filePanel = Panel::Hide;
    std::function<void()> folder;
};

MainWindow::MainWindow(store::DataModule &dm, QWidget *parent)
    : QMainWindow(parent), m_dm(dm), m_rights(new Rights(&dm.tblUserRight, this)),
      m_enabler(new CommandEnabler(this)),
      m_workspace(std::make_unique<Workspace>(Workspace{dm, *m_rights, *m_enabler, *this}))
{
    setObjectName(QStringLiteral("TfrmMain"));
    setWindowTitle(QStringLiteral("星桥通商务代理管理系统（Tessaly）网络版"));

    buildCommands();
    buildMenus();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildTopBar();
    layout->addWidget(m_top);

    m_split = new QSplitter(Qt::Horizontal, central);
    m_split->setObjectName(QStringLiteral("SplitLeft"));
    m_split->setChildrenCollapsible(false);
    buildNavigation();
    m_split->addWidget(m_left);
    m_host = new QStackedWidget(m_split);
    m_host->setObjectName(QStringLiteral("PnMain"));
    m_schedule = new SchedulePanel(*m_workspace, m_host); // PnClient, the schedule
    m_host->addWidget(m_schedule);
    m_split->addWidget(m_host);
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({170, 1000});
    layout->addWidget(m_split, 1);
    setCentralWidget(central);

    buildStatusBar();

    // A fixed frame, centred on the screen.
    setFixedSize(1180, 760);
    if (const QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());

    m_filePanel = new FilePanel(m_dm, *m_rights, this);
    connect(m_filePanel, &FilePanel::closedByUser, this, [this] {
        action(QStringLiteral("N_FilePanel"))->setChecked(false);
    });
    connect(m_filePanel, &FilePanel::envelopeRequested, this, [this] { openWindow(QStringLiteral("Act_Envelop")); });

    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &MainWindow::tick);
    // NumLock changes show at once, whichever window has the keyboard.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    delete m_filePanel;
}

QString MainWindow::homePage()
{
    return QStringLiteral("http://www.tessaly.example.com");
}

QString MainWindow::supportMail()
{
    return QStringLiteral("support@tessaly.example.com");
}

QAction *MainWindow::action(const QString &name) const
{
    return m_actions.value(name);
}

// ---------------------------------------------------------------- commands

void MainWindow::run(const QString &log, const std::function<void()> &work)
{
    // Every command logs first, so a refused or failed command still leaves its row.
    ErrorDisplay::run(this, [&] {
        if (!log.isEmpty())
            m_dm.writeLog(log);
        work();
    });
    // Whatever the command did (a modal window, a refusal), the keyboard is back in the
    // module on view, so its shortcuts work at once.
    if (isVisible() && !QApplication::activeWindow())
        activateWindow(); // a closed modal window left nothing active
    if (QWidget *content = currentContent(); content && !content->isAncestorOf(focusWidget()))
        focusInto(content);
}

void MainWindow::focusInto(QWidget *panel)
{
    // A module names its focus target; otherwise its first list, or its first field.
    QWidget *target = FirstFocus::of(panel);
    if (target && !(target->isVisibleTo(panel) && target->isEnabled()))
        target = nullptr;
    if (!target) {
        for (QAbstractItemView *list : panel->findChildren<QAbstractItemView *>())
            if (list->isVisibleTo(panel) && list->isEnabled()) {
                target = list;
                break;
            }
    }
    if (!target) {
        for (QWidget *w : panel->findChildren<QWidget *>())
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(panel) && w->isEnabled()) {
                target = w;
                break;
            }
    }
    (target ? target : panel)->setFocus(Qt::OtherFocusReason);
}

QAction *MainWindow::command(const char *name, const QString &text, const QString &log, const QString &right,
                             std::function<void()> work, const QKeySequence &keys)
{
    auto *a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    if (!keys.isEmpty())
        a->setShortcut(keys);
    connect(a, &QAction::triggered, this, [this, log, work] { run(log, work); });
    if (!right.isEmpty())
        m_enabler->add(a, [this, right] { return m_rights->allows(right); });
    m_actions.insert(a->objectName(), a);
    addAction(a); // shortcuts work also for commands without a visible menu entry
    return a;
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

void MainWindow::registerModule(const QString &command, QWidget *panel)
{
    m_modules.insert(command, panel);
    m_host->addWidget(panel);
}

void MainWindow::openEach(std::initializer_list<Dataset *> sets)
{
    for (Dataset *d : sets)
        d->open();
}

void MainWindow::openDictionaries()
{
    openEach({&m_dm.tblCountry, &m_dm.tblCustDist, &m_dm.tblVocation, &m_dm.tblCustOrigin,
              &m_dm.tblCustLevel, &m_dm.tblCustState, &m_dm.tblOperateOrigin, &m_dm.tblOperateType,
              &m_dm.tblOperateState, &m_dm.tblCurrencyRate});
}

void MainWindow::rebuildLedger(Dataset &query, bool receivables)
{
    LedgerQuery::open(query, receivables);
}

void MainWindow::showRecordFolder(const QString &code)
{
    const QString files = store::session().FilesDir;
    RecordFolders::ensure(files);
    if (code.isEmpty()) {
        showFolder(files);
        return;
    }
    const auto folder = RecordFolders::folderFor(code);
    if (!folder) {
        showFolder(files);
        MessageBox::warning(this, RecordFolders::refusalText(code));
        return;
    }
    RecordFolders::ensure(*folder);
    showFolder(*folder);
}

void MainWindow::switchModule(const Module &m)
{
    if (m.prepare)
        m.prepare();
    switch (m.filePanel) {
    case Module::Panel::Hide:
        setFilePanelVisible(false);
        action(QStringLiteral("N_FilePanel"))->setChecked(false);
        break;
    case Module::Panel::HideKeepCheck:
        setFilePanelVisible(false);
        break;
    case Module::Panel::Show:
        setFilePanelVisible(true);
        action(QStringLiteral("N_FilePanel"))->setChecked(true);
        break;
    case Module::Panel::Unchanged:
        break;
    }
    setNavigationPage(m.page);
    if (QWidget *panel = m_modules.value(m.command))
        showContent(panel);
    else if (m.command == QLatin1String("Act_Plan"))
        showContent(m_schedule);
    else
        showContent(placeholder(m.command)); // never the previous module's panel
    if (m.folder)
        m.folder();
    openWindow(m.command);
}

void MainWindow::buildCommands()
{
    auto &dm = m_dm;
    const auto text = [](const Dataset &d, const char *field) {
        return d.isOpen() && d.currentRow() >= 0 ? d.text(QLatin1String(field)) : QString();
    };
    const auto window = [this](const char *name) { return [this, name] { openWindow(QLatin1String(name)); }; };
    const auto adminWindow = [this](const char *name) {
        return [this, name] {
            if (requireAdministrator())
                openWindow(QLatin1String(name));
        };
    };

    // System settings.
    command("Act_Password", QStringLiteral("口令设置"), QStringLiteral("系统设置-口令设置"), QStringLiteral("101"),
            [this] {
                PasswordWindow w(m_dm, this);
                w.exec();
            },
            QKeySequence(QStringLiteral("Ctrl+K")));
    command("Act_UserManage", QStringLiteral("用户管理"), QStringLiteral("系统设置-用户管理"), QStringLiteral("102"),
            adminWindow("Act_UserManage"), QKeySequence(QStringLiteral("Ctrl+U")));
    command("Act_Backup", QStringLiteral("数据备份"), QStringLiteral("系统设置-数据备份"), QStringLiteral("103"),
            [this] {
                QDir().mkpath(store::session().AppDir + QStringLiteral("Backup"));
                openWindow(QStringLiteral("Act_Backup"));
            },
            QKeySequence(QStringLiteral("Ctrl+B")));
    command("Act_Restore", QStringLiteral("数据恢复"), QStringLiteral("系统设置-数据恢复"), QStringLiteral("104"),
            [this] {
                QDir().mkpath(store::session().AppDir + QStringLiteral("Backup"));
                openWindow(QStringLiteral("Act_Restore"));
            },
            QKeySequence(QStringLiteral("Ctrl+R")));
    command("Act_SysLog", QStringLiteral("系统日志"), QStringLiteral("系统设置-系统日志"), QStringLiteral("105"),
            [this] {
                if (!requireAdministrator())
                    return;
                QDir().mkpath(store::session().AppDir + QStringLiteral("Log"));
                openWindow(QStringLiteral("Act_SysLog"));
            },
            QKeySequence(QStringLiteral("Ctrl+L")));
    command("Act_UserRegist", QStringLiteral("用户信息"), QStringLiteral("系统设置-用户信息"), QStringLiteral("106"),
            window("Act_UserRegist"), QKeySequence(QStringLiteral("Ctrl+I")));
    command("Act_Server", QStringLiteral("服务器设置"), QStringLiteral("系统设置-服务器设置"), QStringLiteral("107"),
            [this] {
                setNavigationPage(PageSystem);
                openWindow(QStringLiteral("Act_Server"));
            });
    auto *exit = command("N_Exit", QStringLiteral("退出系统 (&X)"), QString(), QString(), [this] { close(); });
    exit->setToolTip(QStringLiteral("退出系统"));

    // Base data: each opens its dictionary editor.
    const struct
    {
        const char *name, *text, *right, *log;
    } dictionaries[] = {
        {"Act_Department", "部门设置", "201", "基础资料-部门设置"},
        {"Act_Region", "省市设置", "202", "基础资料-省市设置"},
        {"Act_Country", "国家/地区信息", "203", "基础资料-国家/地区信息"},
        {"Act_Vocation", "行业类别设置", "206", "基础资料-行业类别设置"},
        {"Act_OperateStyle", "档案有无情况", "207", "基础资料-业务类型设置"},
        {"Act_OperateOrigin", "档案完备情况", "208", "基础资料-业务来源设置"},
        {"Act_OperateState", "发证状况设置", "209", "基础资料-业务状态设置"},
        {"Act_CustLevel", "商务代理级别", "210", "基础资料-商务代理级别定义"},
        {"Act_CustState", "商务代理联络状态", "211", "基础资料-商务代理状态定义"},
        {"Act_CustOrigin", "商务代理来源", "212", "基础资料-商务代理来源定义"},
    };
    for (const auto &d : dictionaries)
        command(d.name, QString::fromUtf8(d.text), QString::fromUtf8(d.log), QLatin1String(d.right), window(d.name));

    // Business records: the hosted modules. A set whose row a window keeps in editing (the
    // user's answer, or a check of its 保存) is left as it stands: its filter is not touched
    // and it is not read again, so the row is neither stored unchecked nor lost.
    const auto own = [&dm](Dataset &set) {
        if (PendingEdit::settle(set))
            dm.applyOwnership(set);
    };
    const auto unfilter = [](Dataset &set) {
        if (set.isFiltered() && PendingEdit::settle(set))
            set.clearFilter();
    };
    const auto agents = [this, &dm, text, own, unfilter] {
        switchModule({QStringLiteral("Act_Customers"), PageBusiness,
                      [this, &dm, own, unfilter] {
                          openDictionaries();
                          own(dm.tblCustomers);
                          own(dm.tblCustomers2);
                          unfilter(dm.tblOperates);
                          unfilter(dm.tblOperaters);
                          openEach({&dm.tblLinkmans, &dm.tblOperates, &dm.tblCustomerState, &dm.tblCustomerAddInfo,
                                    &dm.tblOperaters, &dm.qryCustomers1, &dm.tblOperates2});
                      },
                      Module::Panel::Hide, [this, &dm, text] { showRecordFolder(text(dm.tblCustomers, "CustId")); }});
    };
    command("Act_Customers", QStringLiteral("商务代理资料"), QStringLiteral("商务代理业务管理-商务代理资料"),
            QStringLiteral("301"), agents, QKeySequence(Qt::Key_F2));
    command("Act_Linkman", QStringLiteral("联系人资料"), QStringLiteral("商务代理业务管理-联系人资料"),
            QStringLiteral("302"),
            [this, &dm, text, own] {
                switchModule({QStringLiteral("Act_Linkman"), PageBusiness,
                              [this, &dm, own] {
                                  openDictionaries();
                                  own(dm.tblCustomers2);
                                  // An administrator's list keeps the statement it has (the last
                                  // query's result, a contact being typed); anyone else's is the
                                  // own contacts again.
                                  Dataset &contacts = dm.qryLinkmans1;
                                  if (!dm.isAdministrator(store::session().CurrentUserID) &&
                                      PendingEdit::settle(contacts)) {
                                      contacts.close();
                                      contacts.setSql(QStringList{QStringLiteral("select * from tblLinkmans "),
                                                                  QStringLiteral("where SUser=:SUser")});
                                      contacts.setParam(QStringLiteral("SUser"), store::session().CurrentUserID);
                                  }
                                  contacts.open();
                                  openEach({&dm.qryCustomers1, &dm.tblLinkmans2, &dm.tblLinkmans, &dm.tblOperaters,
                                            &dm.tblOperates2, &dm.tblOperates});
                              },
                              Module::Panel::Hide, [this, &dm, text] { showRecordFolder(text(dm.qryLinkmans1, "CustID")); }});
            },
            QKeySequence(Qt::Key_F3));
    command("Act_Operaters", QStringLiteral("推荐人资料"), QStringLiteral("商务代理业务管理-业务员资料"),
            QStringLiteral("303"),
            [this, &dm, text, unfilter] {
                switchModule({QStringLiteral("Act_Operaters"), PageBusiness,
                              [this, &dm, unfilter] {
                                  unfilter(dm.tblOperaters);
                                  openEach({&dm.tblDepartment, &dm.qryCustomers1, &dm.tblCustomers2, &dm.tblOperaters});
                              },
                              Module::Panel::Hide, [this, &dm, text] {
                                  const QString parent = store::session().FilesDir + QStringLiteral("Operaters");
                                  RecordFolders::ensure(parent);
                                  const QString id = text(dm.tblOperaters, "OperaterID");
                                  const auto folder = id.isEmpty() ? std::optional<QString>() : RecordFolders::referrerFolder(id);
                                  if (folder) {
                                      RecordFolders::ensure(*folder);
                                      showFolder(*folder);
                                  } else {
                                      showFolder(parent);
                                  }
                              }});
            },
            QKeySequence(Qt::Key_F4));
    command("Act_OperatesInfo", QStringLiteral("历次联络记录"), QStringLiteral("商务代理业务管理-业务资料"),
            QStringLiteral("304"),
            [this, &dm, text, own, unfilter] {
                switchModule({QStringLiteral("Act_OperatesInfo"), PageBusiness,
                              [this, &dm, own, unfilter] {
                                  openDictionaries();
                                  own(dm.tblCustomers2);
                                  own(dm.tblOperates2);
                                  unfilter(dm.tblLinkmans2);
                                  unfilter(dm.tblOperaters);
                                  openEach({&dm.qryCustomers1, &dm.tblCustomers, &dm.tblLinkmans2, &dm.tblOperaters,
                                            &dm.tblLinkmans, &dm.tblOperates, &dm.tblOperateDetail});
                              },
                              Module::Panel::Hide, [this, &dm, text] { showRecordFolder(text(dm.tblOperates2, "CustID")); }});
            },
            QKeySequence(Qt::Key_F5));
    command("Act_Plan", QStringLiteral("日程安排"), QStringLiteral("商务代理业务管理-日程安排"), QStringLiteral("305"),
            [this, &dm, own] {
                switchModule({QStringLiteral("Act_Plan"), PageBusiness,
                              [this, &dm, own] {
                                  openDictionaries();
                                  own(dm.tblCustomers2);
                                  dm.qryCustomers1.open();
                                  if (PendingEdit::settle(dm.qryPlan)) {
                                      dm.qryPlan.close();
                                      dm.qryPlan.clearFilter();
                                      dm.qryPlan.setSql(QStringLiteral("select * from tblPlan"));
                                  }
                                  dm.qryPlan.open();
                              },
                              Module::Panel::Show, [this] {
                                  const QString plans = store::session().FilesDir + QStringLiteral("Plans");
                                  RecordFolders::ensure(plans);
                                  showFolder(plans);
                              }});
            },
            QKeySequence(Qt::Key_F6));
    command("Act_Gathering", QStringLiteral("应收账款"), QStringLiteral("商务代理业务管理-应收账款"),
            QStringLiteral("306"),
            [this, &dm] {
                switchModule({QStringLiteral("Act_Gathering"), PageBusiness, [this, &dm] { rebuildLedger(dm.qryGathering, true); },
                              Module::Panel::HideKeepCheck, {}});
            },
            QKeySequence(QStringLiteral("Ctrl+Alt+M")));
    command("Act_Payment", QStringLiteral("应付账款"), QStringLiteral("商务代理业务管理-应付账款"),
            QStringLiteral("307"),
            [this, &dm] {
                switchModule({QStringLiteral("Act_Payment"), PageBusiness, [this, &dm] { rebuildLedger(dm.qryPayment, false); },
                              Module::Panel::HideKeepCheck, {}});
            },
            QKeySequence(QStringLiteral("Ctrl+Alt+N")));
    command("Act_Assign", QStringLiteral("商务代理工作分配"), QStringLiteral("商务代理业务管理-商务代理工作分配"),
            QString(), adminWindow("Act_Assign"));

    // Files: the file panel's own commands, which log themselves.
    const auto fileCommand = [this](const char *name, const char *caption, void (FilePanel::*slot)()) {
        auto *a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, slot] { ErrorDisplay::run(this, [this, slot] { (m_filePanel->*slot)(); }); });
        m_actions.insert(a->objectName(), a);
    };
    fileCommand("N_NewFile", "新建文件", &FilePanel::newFile);
    fileCommand("N_CutFile", "剪切文件", &FilePanel::cutFile);
    fileCommand("N_CopyFile", "复制文件", &FilePanel::copyFile);

    // Chart analyses.
    const struct
    {
        const char *name, *text, *right, *log;
    } analyses[] = {
        {"Act_RegionAnalyse", "地区分布分析", "401", "图表分析-地区分布分析"},
        {"Act_CustLevelAnalyse", "商务代理级别分析", "403", "图表分析-商务代理级别分析"},
        {"Act_CustOriginAnalyse", "商务代理来源分析", "404", "图表分析-商务代理来源分析"},
        {"Act_CustStateAnalyse", "商务代理状态分析", "405", "图表分析-商务代理状态分析"},
        {"Act_CustVocationAnalyse", "商务代理行业分析", "406", "图表分析-商务代理行业分析"},
    };
    for (const auto &a : analyses) {
        const QString name = QLatin1String(a.name);
        command(a.name, QString::fromUtf8(a.text), QString::fromUtf8(a.log), QLatin1String(a.right), [this, name] {
            switchModule({name, PageChart, {}, Module::Panel::HideKeepCheck, {}});
        });
    }

    // Tools.
    command("Act_Board", QStringLiteral("公告板"), QStringLiteral("工具-公告板"), QStringLiteral("501"),
            [this, &dm] {
                if (dm.tblBoard.isFiltered())
                    dm.tblBoard.clearFilter();
                dm.tblBoard.open();
                openWindow(QStringLiteral("Act_Board"));
            },
            QKeySequence(Qt::Key_F7));
    command("N_Calculator", QStringLiteral("计算器"), QStringLiteral("工具-计算器"), QString(),
            [this] { DesktopServices::showCalculator(this); });
    command("N_Calendar", QStringLiteral("日历"), QStringLiteral("工具-日历"), QString(),
            [this] { DesktopServices::showCalendar(this); });
    command("N_SysInfo", QStringLiteral("系统信息"), QStringLiteral("工具-系统信息"), QString(),
            [this] { DesktopServices::showSystemInfo(this); });
    command("Act_Mail", QStringLiteral("邮件群发"), QStringLiteral("工具-邮件群发"), QStringLiteral("502"),
            [this, &dm] {
                switchModule({QStringLiteral("Act_Mail"), PageSystem,
                              [this, &dm] {
                                  dm.tblCustomers2.open();
                                  dm.qryLinkmans3.close();
                                  dm.qryLinkmans3.setSql(QStringLiteral("select * from tblLinkmans"));
                                  dm.qryLinkmans3.open();
                                  setNavigationVisible(false);
                              },
                              Module::Panel::Unchanged, {}});
            },
            QKeySequence(Qt::Key_F8));
    command("Act_Envelop", QStringLiteral("信封标签"), QStringLiteral("工具-信封标签"), QStringLiteral("503"),
            window("Act_Envelop"), QKeySequence(Qt::Key_F9));
    command("N_SmsCenter", QStringLiteral("短信中心"), QStringLiteral("工具-短信中心"), QString(), [] {},
            QKeySequence(Qt::Key_F11));

    // Window.
    auto *nav = command("N_Navigation", QStringLiteral("系统导航"), QStringLiteral("窗口-系统导航"), QString(),
                        [this] { setNavigationVisible(action(QStringLiteral("N_Navigation"))->isChecked()); });
    nav->setCheckable(true);
    nav->setChecked(true);
    auto *files = command("N_FilePanel", QStringLiteral("文件管理及工具栏"), QStringLiteral("窗口-文件管理及工具栏"),
                          QString(), [this] { setFilePanelVisible(action(QStringLiteral("N_FilePanel"))->isChecked()); });
    files->setCheckable(true);
    files->setChecked(true);
    // The top-bar button toggles the panel's visibility and the check together.
    command("N_FilePanelButton", QStringLiteral("文件管理及工具栏"), QStringLiteral("窗口-文件管理及工具栏"), QString(),
            [this] {
                const bool show = !(m_filePanel && m_filePanel->isVisible());
                setFilePanelVisible(show);
                action(QStringLiteral("N_FilePanel"))->setChecked(show);
            });
    command("N_NavigationButton", QStringLiteral("系统导航"), QStringLiteral("窗口-系统导航"), QString(), [this] {
        QAction *check = action(QStringLiteral("N_Navigation"));
        check->setChecked(!check->isChecked());
        setNavigationVisible(check->isChecked());
    });

    // Help.
    command("N_About", QStringLiteral("关于软件"), QStringLiteral("帮助-关于QuillonCRM2003"), QString(), [this] {
        AboutWindow w(this);
        w.exec();
    });
    command("N_Help", QStringLiteral("如何使用"), QStringLiteral("帮助-系统帮助"), QString(),
            [] { DesktopServices::openFile(store::session().AppDir + QStringLiteral("Help.html")); },
            QKeySequence(Qt::Key_F1));
    command("N_HomePage", QStringLiteral("公司及其产品介绍"), QStringLiteral("帮助-公司及产品介绍"), QString(),
            [] { DesktopServices::openAddress(homePage()); }, QKeySequence(Qt::Key_F12));
    command("N_ContactUs", QStringLiteral("联系我们..."), QStringLiteral("帮助-联系我们"), QString(), [] {
        DesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + supportMail() +
                                      QStringLiteral("?subject=Subject:Wanna ask a question!&body=Hello!")));
    });
    command("N_Support", QStringLiteral("技术支持"), QString(), QString(), [] { DesktopServices::openAddress(homePage()); });
}

void MainWindow::buildMenus()
{
    const auto menu = [this](const char *name, const QString &title, std::initializer_list<const char *> entries) {
        QMenu *m = menuBar()->addMenu(title);
        m->setObjectName(QLatin1String(name));
        for (const char *e : entries) {
            if (!*e)
                m->addSeparator();
            else
                m->addAction(action(QLatin1String(e)));
        }
        return m;
    };
    menu("N_System", QStringLiteral("系统设置(&S)"),
         {"Act_Password", "Act_UserManage", "", "Act_Backup", "Act_Restore", "", "Act_SysLog", "Act_UserRegist",
          "Act_Server", "", "N_Exit"});
    menu("N_Base", QStringLiteral("基础资料(&B)"),
         {"Act_Department", "Act_Region", "Act_Country", "Act_Vocation", "", "Act_OperateStyle", "Act_OperateOrigin",
          "Act_OperateState", "", "Act_CustLevel", "Act_CustState", "Act_CustOrigin"});
    menu("N_Business", QStringLiteral("商务代理业务管理(&C)"),
         {"Act_Customers", "Act_Linkman", "Act_Operaters", "Act_OperatesInfo", "Act_Plan", "", "Act_Assign"});
    menu("N_Files", QStringLiteral("文件管理(&F)"), {"N_NewFile", "N_CutFile", "N_CopyFile"});
    menu("N_Charts", QStringLiteral("图表分析(&G)"),
         {"Act_RegionAnalyse", "Act_CustLevelAnalyse", "Act_CustOriginAnalyse", "Act_CustStateAnalyse",
          "Act_CustVocationAnalyse"});
    menu("N_Tools", QStringLiteral("工具(&T)"), {"Act_Board", "", "N_Calculator", "N_Calendar", "N_SysInfo", "", "Act_Envelop"});
    menu("N_Window", QStringLiteral("窗口(&W)"), {"N_Navigation", "N_FilePanel"});
    menu("N_HelpMenu", QStringLiteral("帮助(&H)"), {"N_About", "", "N_Help", "N_HomePage", "N_ContactUs", "N_Support"});
}

void MainWindow::buildTopBar()
{
    m_top = new QWidget(this);
    m_top->setObjectName(QStringLiteral("PnTop"));
    auto *row = new QHBoxLayout(m_top);
    row->setContentsMargins(6, 4, 6, 4);
    const struct
    {
        const char *action, *tip, *glyph;
        QColor colour;
    } buttons[] = {
        {"Act_Customers", "商务代理资料", "代", QColor(0x2e, 0x6d, 0xb4)},
        {"Act_Linkman", "联系人资料", "人", QColor(0x3a, 0x8f, 0x5c)},
        {"Act_Operaters", "推荐人资料", "荐", QColor(0x8a, 0x5a, 0xb5)},
        {"Act_OperatesInfo", "历次联络记录", "录", QColor(0xc0, 0x7a, 0x24)},
        {"Act_Plan", "日程安排", "程", QColor(0x1f, 0x8f, 0x9c)},
        {"Act_Password", "口令设置", "令", QColor(0x6b, 0x6b, 0x6b)},
        {"N_FilePanelButton", "文件管理及工具栏", "文", QColor(0x9c, 0x6b, 0x30)},
        {"N_NavigationButton", "系统导航", "导", QColor(0x44, 0x55, 0x88)},
        {"N_HomePage", "公司网站", "网", QColor(0x2a, 0x7f, 0xc1)},
        {"N_Help", "帮助", "助", QColor(0x4f, 0x9a, 0x3a)},
        {"N_Exit", "退出系统", "退", QColor(0xb8, 0x3b, 0x3b)},
    };
    for (const auto &b : buttons) {
        QAction *a = action(QLatin1String(b.action));
        a->setIcon(Artwork::tile(QString::fromUtf8(b.glyph), b.colour));
        auto *button = new QToolButton(m_top);
        button->setObjectName(QStringLiteral("btnTop_") + QLatin1String(b.action));
        button->setDefaultAction(a);
        button->setToolTip(QString::fromUtf8(b.tip));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setAutoRaise(true);
        row->addWidget(button);
        if (qstrcmp(b.action, "Act_Password") == 0 || qstrcmp(b.action, "N_NavigationButton") == 0)
            row->addSpacing(12);
    }
    row->addStretch();
}

void MainWindow::buildNavigation()
{
    m_left = new QWidget(this);
    m_left->setObjectName(QStringLiteral("PnLeft"));
    auto *layout = new QVBoxLayout(m_left);
    layout->setContentsMargins(2, 2, 2, 2);
    m_pages = new QToolBox(m_left);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(m_pages);
    const auto page = [this](const QString &title, const char *name,
                             std::initializer_list<std::pair<const char *, const char *>> entries, const QColor &colour) {
        auto *p = new QWidget(m_pages);
        p->setObjectName(QLatin1String(name));
        auto *grid = new QVBoxLayout(p);
        for (const auto &[actionName, glyph] : entries) {
            QAction *a = action(QLatin1String(actionName));
            auto *b = new QToolButton(p);
            b->setObjectName(QStringLiteral("btnNav_") + QLatin1String(actionName));
            // The button shows its command's picture; commands without one get the page's.
            if (a->icon().isNull())
                a->setIcon(Artwork::tile(QString::fromUtf8(glyph), colour));
            b->setDefaultAction(a);
            b->setIconSize(QSize(36, 36));
            b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            b->setAutoRaise(true);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            grid->addWidget(b);
        }
        grid->addStretch();
        m_pages->addItem(p, title);
    };
    page(PageSystem, "TabSystem",
         {{"Act_Password", "令"}, {"Act_UserManage", "户"}, {"Act_Backup", "备"}, {"Act_Restore", "恢"},
          {"Act_SysLog", "志"}, {"Act_UserRegist", "信"}},
         QColor(0x55, 0x66, 0x88));
    page(PageBase, "TabBase",
         {{"Act_CustLevel", "级"}, {"Act_OperateStyle", "档"}, {"Act_OperateOrigin", "完"}, {"Act_Vocation", "业"},
          {"Act_Department", "部"}, {"Act_CustState", "态"}},
         QColor(0x3a, 0x8f, 0x5c));
    page(PageBusiness, "TabBusiness",
         {{"Act_Customers", "代"}, {"Act_Linkman", "人"}, {"Act_Operaters", "荐"}, {"Act_OperatesInfo", "录"},
          {"Act_Plan", "程"}},
         QColor(0x2e, 0x6d, 0xb4));
    page(PageChart, "TabChart",
         {{"Act_CustVocationAnalyse", "业"}, {"Act_RegionAnalyse", "地"}, {"Act_CustLevelAnalyse", "级"},
          {"Act_CustOriginAnalyse", "源"}, {"Act_CustStateAnalyse", "态"}},
         QColor(0xc0, 0x7a, 0x24));
    m_pages->setCurrentIndex(0);
}

void MainWindow::buildStatusBar()
{
    const int widths[] = {240, 160, 300, 230, 50};
    for (int i = 0; i < 5; ++i) {
        m_status[i] = new QLabel(this);
        m_status[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        m_status[i]->setMinimumWidth(widths[i]);
        statusBar()->addWidget(m_status[i], i == 3 ? 1 : 0);
    }
    m_status[3]->setText(homePage());
}

// ---------------------------------------------------------------- start-up and state

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The file panel may have come up first; the keyboard belongs to the frame.
    QTimer::singleShot(0, this, [this] { activateWindow(); });
    // After the window is on screen, as the program did on its first show.
    QTimer::singleShot(0, this, [this] {
        if (!runShowStep())
            qApp->exit(1);
    });
}

bool MainWindow::runShowStep()
{
    store::Session &s = store::session();
    // The default data file must be there. A store on a PostgreSQL server has no data file,
    // so the test applies to file stores only.
    const QString dataFile = s.AppDir + QStringLiteral("Data/KTA30.wdb");
    if (m_dm.connection().engine() == store::Engine::SQLite && !QFileInfo::exists(dataFile)) {
        MessageBox::warning(this, QStringLiteral("对不起，数据文件没有找到！请查找KTA30.wdb文件，") + QLatin1Char('\n') +
                                      QStringLiteral("并将文件复制到") + s.AppDir + QStringLiteral("Data目录下！"));
        return false;
    }
    // A store error here is shown and the program goes on: each step stands on its own, so
    // the rest of the frame is still set up.
    showFolder(s.FilesDir);
    const bool owned = ErrorDisplay::run(this, [this] {
        m_dm.tblUser.close();
        m_dm.tblUser.open();
        m_dm.applyOwnership(m_dm.tblCustomers2);
    });
    if (!owned)
        m_dm.tblCustomers2.close(); // never another user's agents, not even their names
    ErrorDisplay::run(this, [this] {
        openEach({&m_dm.tblUserRight, &m_dm.tblColor, &m_dm.tblVocation, &m_dm.tblCountry, &m_dm.tblCustDist,
                  &m_dm.tblCustLevel, &m_dm.tblCustState, &m_dm.tblCustOrigin, &m_dm.tblCurrencyRate,
                  &m_dm.tblCustomers, &m_dm.tblOperates, &m_dm.tblOperaters});
    });
    ErrorDisplay::run(this, [this] {
        m_dm.qryPlan.close();
        m_dm.qryPlan.clearFilter();
        m_dm.qryPlan.setSql(QStringLiteral("select * from tblPlan"));
        m_dm.qryPlan.open();
    });
    showContent(m_schedule);
    m_status[0]->setText(QStringLiteral("欢迎使用星桥商务代理管理系统！"));
    m_status[1]->setText(QStringLiteral("操作员：  ") + s.CurrentUserID);
    tick();
    m_clock->start();
    setFilePanelVisible(true);
    m_enabler->update();
    StoreNotices::showOnce(this, m_dm.connection());
    return true;
}

void MainWindow::tick()
{
    m_status[2]->setText(QStringLiteral("当前系统时间：   ") + store::OperationLog::dateTimeText());
    updateNumLock();
}

void MainWindow::updateNumLock()
{
    m_status[4]->setText(numLockOn() ? QStringLiteral("NUM") : QString());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::KeyRelease || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_NumLock)
        QTimer::singleShot(0, this, &MainWindow::updateNumLock);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_exitConfirmed) {
        event->accept();
        return;
    }
    // The exit command is logged before the question. A store that cannot take the row
    // must not keep the user from leaving, so its error is shown and the question follows.
    ErrorDisplay::run(this, [this] { m_dm.writeLog(QStringLiteral("系统设置-退出系统")); });
    if (MessageBox::question(this, QStringLiteral("真的要退出本系统吗？"), QStringLiteral("系统退出确认"),
                             QMessageBox::No)) {
        m_exitConfirmed = true;
        if (m_filePanel)
            m_filePanel->hide();
        event->accept();
        qApp->quit();
    } else {
        event->ignore();
    }
}

// ---------------------------------------------------------------- host area and panels

void MainWindow::showContent(QWidget *panel)
{
    if (m_host->indexOf(panel) < 0)
        m_host->addWidget(panel);
    m_host->setCurrentWidget(panel);
    panel->show();
    focusInto(panel);
}

// The panel of a module whose window is not installed: it says so, and the host area never
// keeps showing the module the user left.
QWidget *MainWindow::placeholder(const QString &command)
{
    if (QWidget *known = m_placeholders.value(command))
        return known;
    auto *panel = new QWidget(m_host);
    panel->setObjectName(QStringLiteral("PnMissing_") + command);
    auto *layout = new QVBoxLayout(panel);
    QAction *a = action(command);
    auto *note = new QLabel(QStringLiteral("“%1”模块没有安装。").arg(a ? a->text() : command), panel);
    note->setAlignment(Qt::AlignCenter);
    layout->addWidget(note);
    m_placeholders.insert(command, panel);
    m_host->addWidget(panel);
    return panel;
}

void MainWindow::hideContent(QWidget *panel)
{
    if (m_host->currentWidget() == panel)
        m_host->setCurrentWidget(m_schedule);
}

QWidget *MainWindow::schedulePanel() const
{
    return m_schedule;
}

QWidget *MainWindow::currentContent() const
{
    return m_host->currentWidget();
}

void MainWindow::returnToSchedule(const QString &navigationPage)
{
    setNavigationPage(navigationPage);
    showContent(m_schedule);
}

void MainWindow::showFolder(const QString &folder)
{
    if (m_filePanel)
        m_filePanel->showFolder(folder);
}

bool MainWindow::isNavigationVisible() const
{
    return !m_left->isHidden();
}

void MainWindow::setNavigationVisible(bool visible)
{
    m_left->setVisible(visible);
    action(QStringLiteral("N_Navigation"))->setChecked(visible);
}

QString MainWindow::currentNavigationPage() const
{
    return m_pages->itemText(m_pages->currentIndex());
}

void MainWindow::setNavigationPage(const QString &page)
{
    for (int i = 0; i < m_pages->count(); ++i)
        if (m_pages->itemText(i) == page)
            m_pages->setCurrentIndex(i);
}

void MainWindow::setFilePanelVisible(bool visible)
{
    if (!m_filePanel)
        return;
    // The schedule's details keep clear of the panel's place, and a little more for its border.
    m_schedule->keepClearOnTheRight(visible ? m_filePanel->sizeHint().width() + 12 : 0);
    if (visible) {
        m_filePanel->placeBeside(this);
        m_filePanel->show();
        // The panel stands beside the frame; the keyboard stays with the frame and its module.
        if (isVisible())
            activateWindow();
    } else {
        m_filePanel->hide();
    }
}
