#include "recordswindow.h"

#include "agentpicker.h"
#include "agentsummary.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "errordisplay.h"
#include "modifyright.h"
#include "pendingedit.h"
#include "recordform.h"
#include "recorditemspage.h"
#include "recordquerydialog.h"
#include "recordrules.h"
#include "session.h"
#include "workspace.h"

#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

const QString Right = QStringLiteral("304");

// What the editor looks values up in, each opened only when it is closed.
void openEditingSets(store::DataModule &dm)
{
    for (store::Dataset *d :
         {&dm.tblOperaters, &dm.tblOperateState, &dm.tblOperateOrigin, &dm.tblOperateType,
          &dm.tblOperateDetail, &dm.tblCountry, &dm.tblCustDist, &dm.tblCustLevel, &dm.tblCustState,
          &dm.tblCustOrigin, &dm.tblVocation, &dm.tblCurrencyRate})
        d->open();
}

// The list opens sorted by title; the user may sort otherwise, and that order stays.
store::Dataset &sortedByTitle(store::Dataset &records)
{
    if (records.sortColumn().isEmpty())
        records.setSort(QStringLiteral("OperateTitle"));
    return records;
}

RecordWindowDescription description()
{
    return {"TfrmOperates",
            QStringLiteral("历次联络记录"),
            Right,
            QStringLiteral("客户业务管理-业务资料-"),
            "PageControl1",
            "TabOperates",
            "TabOperateNew",
            QStringLiteral("历次联络记录列表"),
            QStringLiteral("联络记录详细资料"),
            RecordsWindow::listColumns(),
            QStringLiteral("tblOperates"),
            QStringLiteral("OperateID")};
}

} // namespace

RecordsWindow::RecordsWindow(Workspace &ws, QWidget *parent)
    : RecordWindow(ws, sortedByTitle(ws.dm.tblOperates2), description(), parent)
{
    // The record's items are part of it: they change under the same right.
    ModifyRight::require(ws.dm.tblOperateDetail, ws.rights, Right);
    RecordCommands c;
    c.insert = [this] { insertRecord(); };
    c.modify = [this] { modifyRecord(); };
    c.remove = [this] { m_rules->remove(); };
    c.refresh = [this] { refresh(); };
    c.query = [this] { query(); };
    queryOverOwnership(c, ws, ws.dm.tblOperates2);
    c.listReport = QStringLiteral("frOperates.frf");
    c.add = [this] { addRecord(); };
    c.save = [this] { m_rules->save(); };
    c.queryOnDetails = c.query;
    c.detailReport = QStringLiteral("frOperateDetail.frf");
    c.detailReportSet = &ws.dm.tblOperateDetail;
    addCommands(c, QStringLiteral("联络记录尚未保存，保存吗？"));
    // A click shows the agent's folder.
    setRowClicked([this] { m_rules->showAgentFolder(); });
    buildDetailPage();
    setDetailFocus([this] { return m_form->code(); });

    // On the details tab the agent list stands on the record's agent, whichever record is
    // shown or chosen there.
    // A change of another field (a related agent picked) leaves the agent list where it is.
    const auto follow = [this] { ErrorDisplay::run(this, [this] { followRecordAgent(); }); };
    store::Dataset &records = dataset();
    connect(&records, &store::Dataset::currentRowChanged, this, follow);
    connect(&records, &store::Dataset::rowChanged, this, [this, &records, follow] {
        if (records.currentRow() >= 0 &&
            records.text(QStringLiteral("CustID")).compare(m_followed, Qt::CaseInsensitive) != 0)
            follow();
    });
    m_form->updateLinkInputs();
}

RecordsWindow::~RecordsWindow() = default;

// The related-agent inputs follow the record's box at every switch.
void RecordsWindow::pageChanged(bool details)
{
    m_form->updateLinkInputs();
    if (details)
        ErrorDisplay::run(this, [this] { followRecordAgent(); });
}

void RecordsWindow::revealPending()
{
    pages()->setCurrentWidget(detailPage());
    m_form->updateLinkInputs();
}

// The agent page and the contact list show the record's agent: the shared agent list moves
// onto it while the details tab is in view. An agent the list cannot see (another user's) or a
// change pending in the list leaves it where it is.
void RecordsWindow::followRecordAgent()
{
    if (pages()->currentWidget() != detailPage())
        return;
    store::Dataset &agents = workspace().dm.tblCustomers2;
    const store::Dataset &set = dataset();
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

// The editing happens on the details tab, with the whole main window for the module.
void RecordsWindow::showDetailForEditing()
{
    m_form->updateLinkInputs();
    showDetailsForEditing();
}

void RecordsWindow::insertRecord()
{
    store::DataModule &dm = workspace().dm;
    dm.tblCustomers2.refresh();
    dm.tblLinkmans2.refresh();
    openEditingSets(dm);
    dataset().append();
    showDetailForEditing();
}

void RecordsWindow::modifyRecord()
{
    if (dataset().isEmpty())
        return; // nothing to change: nothing happens after the log row
    store::DataModule &dm = workspace().dm;
    dm.tblCustomers2.refresh();
    dm.tblLinkmans2.refresh();
    openEditingSets(dm);
    dm.tblOperateDetail.refresh();
    dataset().edit();
    showDetailForEditing();
    m_rules->showAgentFolder();
}

void RecordsWindow::refresh()
{
    // The filter in force (ownership or the last search) stays; so does the record shown, when
    // it is still there. A change in progress is settled first.
    store::Dataset &set = dataset();
    if (!PendingEdit::settle(set))
        return;
    const qint64 current = set.isOpen() ? set.currentKey() : -1;
    set.close();
    set.open();
    set.moveToKey(current);
    workspace().dm.tblOperateDetail.close();
    workspace().dm.tblOperateDetail.open();
}

void RecordsWindow::query()
{
    if (!PendingEdit::settle(dataset()))
        return; // the search refilters the list
    RecordQueryDialog dialog(workspace().dm, this);
    dialog.exec();
}

void RecordsWindow::buildDetailPage()
{
    Workspace &ws = workspace();
    m_form = new RecordForm(ws, dataset(), RecordForm::Variant::Editor, detailPage());
    m_rules = std::make_unique<RecordRules>(ws, *m_form);
    connect(m_form->agentQueryButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { pickAgent(QStringLiteral("相关客户")); }); });
    connect(m_form->linkQueryButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { pickAgent(QStringLiteral("联系客户")); }); });

    m_detailTabs = new QTabWidget(detailPage());
    m_detailTabs->setObjectName(QStringLiteral("pcDetail"));
    m_items = new RecordItemsPage(ws, [this] { return m_rules->save(); });
    m_detailTabs->addTab(m_items, QStringLiteral("联络事宜"));
    m_agent = new AgentSummary(ws.dm.tblCustomers2);
    m_detailTabs->addTab(m_agent, QStringLiteral("商务代理资料"));

    auto *scroll = new QScrollArea(detailPage());
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_form);
    detailLayout()->addWidget(scroll, 3);
    detailLayout()->addWidget(m_detailTabs, 2);
}

void RecordsWindow::addRecord()
{
    workspace().dm.tblLinkmans2.refresh(); // the current agent's contacts as they are now
    dataset().append();
    m_form->updateLinkInputs();
    m_form->code()->setFocus();
}

// The 查询... buttons: the record picker fills the field the target names and leaves the agent
// list on the chosen agent.
void RecordsWindow::pickAgent(const QString &target)
{
    store::session().PickTarget = target;
    AgentPicker picker(AgentPicker::Member::Record, workspace(), this);
    picker.exec();
}
