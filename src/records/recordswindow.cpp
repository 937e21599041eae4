#include "recordswindow.h"

#include "agentpicker.h"
#include "agentsummary.h"
#include "commandaction.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "errordisplay.h"
#include "firstfocus.h"
#include "modifyright.h"
#include "modulehost.h"
#include "pendingedit.h"
#include "printing.h"
#include "recordform.h"
#include "recorditemspage.h"
#include "recordquerydialog.h"
#include "recordrules.h"
#include "rights.h"
#include "session.h"
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

const QString Right = QStringLiteral("304");
const QString LogPrefix = QStringLiteral("客户业务管理-业务资料-");

// What the editor looks values up in, each opened only when it is closed.
void openEditingSets(store::DataModule &dm)
{
    for (store::Dataset *d :
         {&dm.tblOperaters, &dm.tblOperateState, &dm.tblOperateOrigin, &dm.tblOperateType,
          &dm.tblOperateDetail, &dm.tblCountry, &dm.tblCustDist, &dm.tblCustLevel, &dm.tblCustState,
          &dm.tblCustOrigin, &dm.tblVocation, &dm.tblCurrencyRate})
        d->open();
}

} // namespace

RecordsWindow::RecordsWindow(Workspace &ws, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_pages(new QTabWidget(this)), m_listPage(new QWidget),
      m_detailPage(new QWidget)
{
    setObjectName(QStringLiteral("TfrmOperates"));
    setWindowTitle(QStringLiteral("历次联络记录"));
    // The record's items are part of it: they change under the same right.
    ModifyRight::require(ws.dm.tblOperates2, ws.rights, Right);
    ModifyRight::require(ws.dm.tblOperateDetail, ws.rights, Right);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_listPage->setObjectName(QStringLiteral("TabOperates"));
    m_detailPage->setObjectName(QStringLiteral("TabOperateNew"));
    m_pages->addTab(m_listPage, QStringLiteral("历次联络记录列表"));
    m_pages->addTab(m_detailPage, QStringLiteral("联络记录详细资料"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    // The list opens sorted by title; the user may sort otherwise, and that order stays.
    if (records().sortColumn().isEmpty())
        records().setSort(QStringLiteral("OperateTitle"));
    buildListPage();
    buildDetailPage();
    connect(m_pages, &QTabWidget::currentChanged, this, &RecordsWindow::pageChanged);
    // A record left half-typed is stored only by 保存; anything else that would reread the
    // shared list asks first.
    PendingEdit::setOwner(records(), ws, this, QStringLiteral("联络记录尚未保存，保存吗？"),
                          action(QStringLiteral("Act_Save")), [this] {
                              m_pages->setCurrentWidget(m_detailPage);
                              m_form->updateLinkInputs();
                          });
    // On the details tab the agent list stands on the record's agent, whichever record is
    // shown or chosen there.
    // A change of another field (a related agent picked) leaves the agent list where it is.
    const auto follow = [this] { ErrorDisplay::run(this, [this] { followRecordAgent(); }); };
    connect(&records(), &store::Dataset::currentRowChanged, this, follow);
    connect(&records(), &store::Dataset::rowChanged, this, [this, follow] {
        if (records().currentRow() >= 0 &&
            records().text(QStringLiteral("CustID")).compare(m_followed, Qt::CaseInsensitive) != 0)
            follow();
    });
    pageChanged();
}

RecordsWindow::~RecordsWindow() = default;

QAction *RecordsWindow::action(const QString &name) const
{
    return m_actions.value(name);
}

store::Dataset &RecordsWindow::records() const
{
    return m_ws.dm.tblOperates2;
}

// A command of one tab: its shortcut works while the focus is on that tab.
QAction *RecordsWindow::command(QWidget *page, QToolBar *bar, const char *name,
                                const QString &caption, const QString &shortcut, const QString &log,
                                std::function<bool()> enabled, std::function<void()> work)
{
    return addBarCommand(page, bar, m_actions, m_ws, name, caption, shortcut, log, std::move(enabled), std::move(work));
}

// Whoever puts the focus into the module reaches the tab in view: the list, or the record code.
// The related-agent inputs follow the record's box at every switch.
void RecordsWindow::pageChanged()
{
    const bool details = m_pages->currentWidget() == m_detailPage;
    FirstFocus::set(this, details ? static_cast<QWidget *>(m_form->code()) : m_grid->view());
    m_form->updateLinkInputs();
    if (details)
        ErrorDisplay::run(this, [this] { followRecordAgent(); });
}

// The agent page and the contact list show the record's agent: the shared agent list moves
// onto it while the details tab is in view. An agent the list cannot see (another user's) or a
// change pending in the list leaves it where it is.
void RecordsWindow::followRecordAgent()
{
    if (m_pages->currentWidget() != m_detailPage)
        return;
    store::Dataset &agents = m_ws.dm.tblCustomers2;
    const store::Dataset &set = records();
    if (!agents.isOpen() || agents.isEditing() || !set.isOpen() || set.currentRow() < 0)
        return;
    const QString agent = set.text(QStringLiteral("CustID"));
    m_followed = agent;
    if (agent.isEmpty() ||
        (agents.currentRow() >= 0 &&
         agents.text(QStringLiteral("CustId")).compare(agent, Qt::CaseInsensitive) == 0))
        return;
    agents.locate(QStringLiteral("CustId"), agent);
}

// ---------------------------------------------------------------- list tab

QList<GridColumn> RecordsWindow::listColumns()
{
    return {{QStringLiteral("OperateID"), QStringLiteral("联络代码"), 100},
            {QStringLiteral("OperateTitle"), QStringLiteral("联络事宜"), 220},
            {QStringLiteral("CustName"), QStringLiteral("商务代理"), 180},
            {QStringLiteral("OperaterName"), QStringLiteral("推荐人"), 80},
            {QStringLiteral("CreateDate"), QStringLiteral("发证日期"), 90},
            {QStringLiteral("WriteDate"), QStringLiteral("签约日期"), 90},
            {QStringLiteral("EndDate"), QStringLiteral("截止日期"), 90},
            {QStringLiteral("OperateStateName"), QStringLiteral("发证状态"), 90}};
}

void RecordsWindow::buildListPage()
{
    auto *bar = new QToolBar(m_listPage);
    bar->setObjectName(QStringLiteral("tbList"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Rights &rights = m_ws.rights;
    const auto right = [&rights](const char *flag) {
        return [&rights, flag] { return rights.allows(Right, QLatin1String(flag)); };
    };
    command(m_listPage, bar, "Act_Insert", QStringLiteral("新增"), QStringLiteral("Ctrl+N"),
            LogPrefix + QStringLiteral("新增"), right("Insert"), [this] { insertRecord(); });
    command(m_listPage, bar, "Act_Modify", QStringLiteral("修改"), QStringLiteral("Ctrl+M"),
            LogPrefix + QStringLiteral("修改"), right("Modify"), [this] { modifyRecord(); });
    command(m_listPage, bar, "Act_Delete", QStringLiteral("删除"), QStringLiteral("Ctrl+D"),
            LogPrefix + QStringLiteral("删除"), right("Delete"), [this] { m_rules->remove(); });
    command(m_listPage, bar, "spBtnRefresh", QStringLiteral("刷新"), {},
            LogPrefix + QStringLiteral("刷新"), {}, [this] { refresh(); });
    command(m_listPage, bar, "Act_Query", QStringLiteral("查询"), QStringLiteral("Ctrl+Q"),
            LogPrefix + QStringLiteral("查询"), right("Query"), [this] { query(); });
    command(m_listPage, bar, "Act_Print", QStringLiteral("打印"), QStringLiteral("Ctrl+P"),
            LogPrefix + QStringLiteral("打印"), right("Print"),
            [this] { Printing::preview(this, QStringLiteral("frOperates.frf"), &records()); });

    m_grid = new DataGrid(m_listPage);
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&records());
    m_grid->setColumns(listColumns());
    // A click shows the agent's folder; a double click (or Enter) is 修改.
    connect(m_grid->view(), &QTreeView::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { m_rules->showAgentFolder(); }); });
    connect(m_grid, &DataGrid::rowActivated, this,
            [this] { action(QStringLiteral("Act_Modify"))->trigger(); });

    auto *layout = new QVBoxLayout(m_listPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    layout->addWidget(m_grid, 1);
}

// The editing happens on the details tab, with the whole main window for the module.
void RecordsWindow::showDetailForEditing()
{
    m_ws.host.setNavigationVisible(false);
    m_ws.host.setNavigationPage(QStringLiteral("业务管理"));
    m_pages->setCurrentWidget(m_detailPage);
    m_form->updateLinkInputs();
    m_form->code()->setFocus();
}

void RecordsWindow::insertRecord()
{
    store::DataModule &dm = m_ws.dm;
    dm.tblCustomers2.refresh();
    dm.tblLinkmans2.refresh();
    openEditingSets(dm);
    records().append();
    showDetailForEditing();
}

void RecordsWindow::modifyRecord()
{
    if (records().isEmpty())
        return; // nothing to change: nothing happens after the log row
    store::DataModule &dm = m_ws.dm;
    dm.tblCustomers2.refresh();
    dm.tblLinkmans2.refresh();
    openEditingSets(dm);
    dm.tblOperateDetail.refresh();
    records().edit();
    showDetailForEditing();
    m_rules->showAgentFolder();
}

void RecordsWindow::refresh()
{
    // The filter in force (ownership or the last search) stays; so does the record shown, when
    // it is still there. A change in progress is settled first.
    store::Dataset &set = records();
    if (!PendingEdit::settle(set))
        return;
    const qint64 current = set.isOpen() ? set.currentKey() : -1;
    set.close();
    set.open();
    set.moveToKey(current);
    m_ws.dm.tblOperateDetail.close();
    m_ws.dm.tblOperateDetail.open();
}

void RecordsWindow::query()
{
    if (!PendingEdit::settle(records()))
        return; // the search refilters the list
    RecordQueryDialog dialog(m_ws.dm, this);
    dialog.exec();
}

// ---------------------------------------------------------------- details tab

void RecordsWindow::buildDetailPage()
{
    auto *bar = new QToolBar(m_detailPage);
    bar->setObjectName(QStringLiteral("tbDetail"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Rights &rights = m_ws.rights;
    store::Dataset &set = records();
    command(
        m_detailPage, bar, "Act_Add", QStringLiteral("新增"), QStringLiteral("Ctrl+A"),
        LogPrefix + QStringLiteral("新增"),
        canAddRecord(rights, Right, set),
        [this] { addRecord(); });
    command(
        m_detailPage, bar, "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"),
        LogPrefix + QStringLiteral("保存"),
        canSaveRecord(rights, Right, set),
        [this] { m_rules->save(); });
    command(
        m_detailPage, bar, "Act_Del", QStringLiteral("删除"), {}, LogPrefix + QStringLiteral("删除"),
        [&rights] { return rights.allows(Right, QStringLiteral("Delete")); },
        [this] { m_rules->remove(); });
    command(
        m_detailPage, bar, "Act_Prt", QStringLiteral("打印"), {}, LogPrefix + QStringLiteral("打印"),
        [&rights] { return rights.allows(Right, QStringLiteral("Print")); },
        [this] { Printing::preview(this, QStringLiteral("frOperateDetail.frf"), &m_ws.dm.tblOperateDetail); });
    command(
        m_detailPage, bar, "Act_Qry", QStringLiteral("查询"), {}, LogPrefix + QStringLiteral("查询"),
        [&rights] { return rights.allows(Right, QStringLiteral("Query")); }, [this] { query(); });
    command(
        m_detailPage, bar, "Act_Cancel", QStringLiteral("放弃"), {}, {},
        [&set] { return set.isEditing(); }, [&set] { set.cancel(); });

    m_form = new RecordForm(m_ws, set, RecordForm::Variant::Editor, m_detailPage);
    m_rules = std::make_unique<RecordRules>(m_ws, *m_form);
    connect(m_form->agentQueryButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { pickAgent(QStringLiteral("相关客户")); }); });
    connect(m_form->linkQueryButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { pickAgent(QStringLiteral("联系客户")); }); });

    m_detailTabs = new QTabWidget(m_detailPage);
    m_detailTabs->setObjectName(QStringLiteral("pcDetail"));
    m_items = new RecordItemsPage(m_ws, [this] { return m_rules->save(); });
    m_detailTabs->addTab(m_items, QStringLiteral("联络事宜"));
    m_agent = new AgentSummary(m_ws.dm.tblCustomers2);
    m_detailTabs->addTab(m_agent, QStringLiteral("商务代理资料"));

    auto *scroll = new QScrollArea(m_detailPage);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_form);
    auto *layout = new QVBoxLayout(m_detailPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    layout->addWidget(scroll, 3);
    layout->addWidget(m_detailTabs, 2);
}

void RecordsWindow::addRecord()
{
    m_ws.dm.tblLinkmans2.refresh(); // the current agent's contacts as they are now
    records().append();
    m_form->updateLinkInputs();
    m_form->code()->setFocus();
}

// The 查询... buttons: the record picker fills the field the target names and leaves the agent
// list on the chosen agent.
void RecordsWindow::pickAgent(const QString &target)
{
    store::session().PickTarget = target;
    AgentPicker picker(AgentPicker::Member::Record, m_ws, this);
    picker.exec();
}
