#include "agentswindow.h"

#include "agentform.h"
#include "agentimport.h"
#include "agentquerydialog.h"
#include "agentrules.h"
#include "commandaction.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "emailexport.h"
#include "errordisplay.h"
#include "firstfocus.h"
#include "importcommand.h"
#include "modifyright.h"
#include "modulehost.h"
#include "pendingedit.h"
#include "printing.h"
#include "recordfolders.h"
#include "rights.h"
#include "workspace.h"

#include <QAction>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

const QString Right = QStringLiteral("301");
const QString LogPrefix = QStringLiteral("商务代理业务管理-商务代理资料-");

} // namespace

AgentsWindow::AgentsWindow(Workspace &ws, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_pages(new QTabWidget(this)), m_listPage(new QWidget),
      m_detailPage(new QWidget)
{
    setObjectName(QStringLiteral("TfrmCustomers"));
    setWindowTitle(QStringLiteral("商务代理资料"));
    ModifyRight::require(ws.dm.tblCustomers, ws.rights, Right);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_listPage->setObjectName(QStringLiteral("tsList"));
    m_detailPage->setObjectName(QStringLiteral("tsDetail"));
    m_pages->addTab(m_listPage, QStringLiteral("商务代理资料列表"));
    m_pages->addTab(m_detailPage, QStringLiteral("商务代理详细资料"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    buildListPage();
    buildDetailPage();
    // Whoever puts the focus into the module reaches the page in view: the list, or the
    // agent code while an agent is being edited.
    const auto followPage = [this] {
        FirstFocus::set(this, m_pages->currentWidget() == m_detailPage
                                  ? static_cast<QWidget *>(m_form->code())
                                  : m_grid->view());
    };
    connect(m_pages, &QTabWidget::currentChanged, this, followPage);
    followPage();
    // An agent left half-typed is stored only by 保存; anything else that would reread the
    // list asks first.
    PendingEdit::setOwner(agents(), ws, this, QStringLiteral("商务代理资料尚未保存，保存吗？"),
                          action(QStringLiteral("Act_Save")),
                          [this] { m_pages->setCurrentWidget(m_detailPage); });
}

AgentsWindow::~AgentsWindow() = default;

QAction *AgentsWindow::action(const QString &name) const
{
    return m_actions.value(name);
}

store::Dataset &AgentsWindow::agents() const
{
    return m_ws.dm.tblCustomers;
}

// A command of one page: its shortcut works while the focus is on that page.
QAction *AgentsWindow::command(QWidget *page, QToolBar *bar, const char *name,
                               const QString &caption, const QString &shortcut, const QString &log,
                               std::function<bool()> enabled, std::function<void()> work)
{
    return addBarCommand(page, bar, m_actions, m_ws, name, caption, shortcut, log, std::move(enabled), std::move(work));
}

// ---------------------------------------------------------------- list page

void AgentsWindow::buildListPage()
{
    auto *bar = new QToolBar(m_listPage);
    bar->setObjectName(QStringLiteral("tbList"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Rights &rights = m_ws.rights;
    const auto right = [&rights](const char *flag) {
        return [&rights, flag] { return rights.allows(Right, QLatin1String(flag)); };
    };
    command(m_listPage, bar, "Act_Insert", QStringLiteral("新增"), QStringLiteral("Ctrl+N"),
            LogPrefix + QStringLiteral("新增"), right("Insert"), [this] { insertAgent(); });
    command(m_listPage, bar, "Act_Modify", QStringLiteral("修改"), QStringLiteral("Ctrl+M"),
            LogPrefix + QStringLiteral("修改"), right("Modify"), [this] { modifyAgent(); });
    command(m_listPage, bar, "Act_Delete", QStringLiteral("删除"), QStringLiteral("Ctrl+D"),
            LogPrefix + QStringLiteral("删除"), right("Delete"), [this] { m_rules->remove(); });
    command(m_listPage, bar, "spBtnRefresh", QStringLiteral("刷新"), {},
            LogPrefix + QStringLiteral("刷新"), {}, [this] { refresh(); });
    command(m_listPage, bar, "Act_Query", QStringLiteral("查询"), QStringLiteral("Ctrl+Q"),
            LogPrefix + QStringLiteral("查询"), right("Query"), [this] { query(); });
    command(m_listPage, bar, "Act_Print", QStringLiteral("打印"), QStringLiteral("Ctrl+P"),
            LogPrefix + QStringLiteral("打印"), right("Print"), [this] { print(); });
    addImportCommand(m_listPage, bar, m_actions, m_ws,
                     {Right, LogPrefix + QStringLiteral("导入"), agentImportList(),
                      RecordFolders::folderFor, [this] { refresh(); }});
    command(m_listPage, bar, "spBtnEmail", QStringLiteral("Email地址导出"), {}, {}, {},
            [this] { exportEmail(); });

    m_grid = new DataGrid(m_listPage);
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&agents());
    m_grid->addColumn(QStringLiteral("CustId"), QStringLiteral("代理编号"), 90);
    m_grid->addColumn(QStringLiteral("CustName"), QStringLiteral("商务代理名称"), 200);
    m_grid->addColumn(QStringLiteral("MainLinkman"), QStringLiteral("主要联系人"), 80);
    m_grid->addColumn(QStringLiteral("Address"), QStringLiteral("地址"), 200);
    m_grid->addColumn(QStringLiteral("VocationName"), QStringLiteral("行业类型"), 90);
    m_grid->addColumn(QStringLiteral("LevelName"), QStringLiteral("商务代理级别"), 90);
    m_grid->addColumn(QStringLiteral("OriginName"), QStringLiteral("商务代理来源"), 90);
    m_grid->addColumn(QStringLiteral("Operater"), QStringLiteral("推荐人/单位"), 90);
    connect(m_grid->view(), &QTreeView::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { selectRow(); }); });
    connect(m_grid, &DataGrid::rowActivated, this,
            [this] { action(QStringLiteral("Act_Modify"))->trigger(); });

    auto *layout = new QVBoxLayout(m_listPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    layout->addWidget(m_grid, 1);
}

// The editing happens on the detail page, with the whole main window for the module.
void AgentsWindow::showDetailForEditing()
{
    m_ws.host.setNavigationVisible(false);
    m_ws.host.setNavigationPage(QStringLiteral("业务管理"));
    m_pages->setCurrentWidget(m_detailPage);
    m_form->code()->setFocus();
}

void AgentsWindow::insertAgent()
{
    AgentForm::openEditingSets(m_ws.dm);
    agents().append();
    showDetailForEditing();
}

void AgentsWindow::modifyAgent()
{
    AgentForm::openEditingSets(m_ws.dm);
    if (agents().isEmpty())
        agents().append();
    else
        agents().edit();
    showDetailForEditing();
    showAgentFolder();
}

void AgentsWindow::refresh()
{
    // The filter each set carries (ownership, last query) survives; a pending agent is settled
    // first.
    if (!PendingEdit::settle(agents()))
        return;
    store::DataModule &dm = m_ws.dm;
    for (store::Dataset *d : {&dm.tblCustomers, &dm.tblLinkmans, &dm.tblOperates,
                              &dm.tblCustomerState, &dm.tblCustomerAddInfo}) {
        d->close();
        d->open();
    }
}

void AgentsWindow::query()
{
    if (!PendingEdit::settle(agents()))
        return; // the query refilters the list
    AgentQueryDialog dialog(AgentQueryDialog::Member::List, m_ws.dm, this);
    dialog.exec();
}

void AgentsWindow::print()
{
    Printing::preview(this, QStringLiteral("frCustomers.frf"), &agents());
}

void AgentsWindow::exportEmail()
{
    EmailExport::run(this, agents(), QStringLiteral("AgentEmail"),
                     QStringLiteral("商务代理Email地址列表导出成功！"));
}

void AgentsWindow::selectRow()
{
    RecordFolders::ensure(RecordFolders::root());
    m_ws.host.showFolder(RecordFolders::root());
    if (agents().isEmpty())
        return;
    showAgentFolder();
}

// The current agent's document folder, made when missing; FilesDir itself while there is no
// agent or its code cannot name a folder.
void AgentsWindow::showAgentFolder()
{
    const QString root = RecordFolders::root();
    RecordFolders::ensure(root);
    const store::Dataset &set = agents();
    const QString code = set.isEmpty() ? QString() : set.text(QStringLiteral("CustId"));
    const auto folder = code.isEmpty() ? std::nullopt : RecordFolders::folderFor(code);
    if (!folder) {
        m_ws.host.showFolder(root);
        return;
    }
    RecordFolders::ensure(*folder);
    m_ws.host.showFolder(*folder);
}

// ---------------------------------------------------------------- detail page

void AgentsWindow::buildDetailPage()
{
    auto *bar = new QToolBar(m_detailPage);
    bar->setObjectName(QStringLiteral("tbDetail"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Rights &rights = m_ws.rights;
    store::Dataset &set = agents();
    command(
        m_detailPage, bar, "Act_Add", QStringLiteral("新增"), QStringLiteral("Ctrl+A"),
        LogPrefix + QStringLiteral("新增"),
        canAddRecord(rights, Right, set),
        [this] { addAgent(); });
    command(
        m_detailPage, bar, "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"),
        LogPrefix + QStringLiteral("保存"),
        canSaveRecord(rights, Right, set),
        [this] { m_rules->save(); });
    command(
        m_detailPage, bar, "Act_Del", QStringLiteral("删除"), {},
        LogPrefix + QStringLiteral("删除"),
        [&rights] { return rights.allows(Right, QStringLiteral("Delete")); },
        [this] { m_rules->remove(); });
    command(
        m_detailPage, bar, "Act_Prt", QStringLiteral("打印"), {},
        LogPrefix + QStringLiteral("打印"),
        [&rights] { return rights.allows(Right, QStringLiteral("Print")); },
        [this] { Printing::preview(this, QStringLiteral("frCustomerDetail.frf"), &agents()); });
    command(
        m_detailPage, bar, "Act_Cancel", QStringLiteral("放弃"), {}, {},
        [&set] { return set.isEditing(); }, [this] { cancelEdit(); });

    m_form = new AgentForm(m_ws, set, AgentForm::Labels::DetailPage, m_detailPage);
    m_rules = std::make_unique<AgentRules>(m_ws, *m_form, AgentTexts::detailPage());
    connect(m_form->codeCheckButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { m_rules->checkCode(); }); });
    connect(m_form->nameCheckButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { m_rules->checkName(); }); });

    // The agent's related rows; their pages are filled by the modules that edit those rows.
    m_related = new QTabWidget(m_detailPage);
    m_related->setObjectName(QStringLiteral("pcRelated"));
    const struct {
        const char *name, *caption;
    } related[] = {{"tsLinkmans", "联系人资料"},
                   {"tsOperates", "联络记录"},
                   {"tsCustomerState", "商务代理接触"},
                   {"tsAddInfo", "其他资料"}};
    for (const auto &r : related) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(r.name));
        m_related->addTab(page, QString::fromUtf8(r.caption));
    }

    auto *scroll = new QScrollArea(m_detailPage);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_form);
    auto *layout = new QVBoxLayout(m_detailPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    layout->addWidget(scroll, 3);
    layout->addWidget(m_related, 2);
}

void AgentsWindow::addAgent()
{
    agents().append();
    m_form->code()->setFocus();
}

void AgentsWindow::cancelEdit()
{
    if (agents().isEditing())
        agents().cancel();
}

// Rows added on the agent's pages take the agent's code, so the store must hold the agent under
// the code shown: a new agent, or one whose code is being changed, is stored first, with 保存's
// checks. False when a check or the store stopped it; the agent then stays in editing.
bool AgentsWindow::storeForRelatedRows()
{
    using State = store::Dataset::State;
    store::Dataset &set = agents();
    const bool codePending =
        set.state() == State::Insert ||
        (set.state() == State::Edit && set.isChanged(QStringLiteral("CustId")));
    if (!codePending)
        return true;
    return m_rules->save() && !set.isEditing();
}
