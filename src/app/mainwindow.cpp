#include "mainwindow.h"

#include "commandenabler.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "filepanel.h"
#include "firstfocus.h"
#include "messagebox.h"
#include "numlock.h"
#include "operationlog.h"
#include "rights.h"
#include "schedulepanel.h"
#include "serverfile.h"
#include "session.h"
#include "storenotices.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBox>
#include <QVBoxLayout>
#include <QGuiApplication>

using store::Dataset;

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
    StoreNotices::watchConnection(this, m_dm.connection(), [this](const QString &text) { m_status[0]->setText(text); });
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
void MainWindow::registerModule(const QString &command, QWidget *panel)
{
    m_modules.insert(command, panel);
    m_host->addWidget(panel);
}

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
