#include "schedulepanel.h"

#include "agentchoice.h"
#include "agentcontactdialog.h"
#include "agentform.h"
#include "agentpicker.h"
#include "commandaction.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbtimeedit.h"
#include "departmentchooser.h"
#include "errordisplay.h"
#include "firstfocus.h"
#include "messagebox.h"
#include "modifyright.h"
#include "modulehost.h"
#include "pendingedit.h"
#include "planquerydialog.h"
#include "printing.h"
#include "recordentrydialog.h"
#include "recordfolders.h"
#include "rights.h"
#include "scheduleform.h"
#include "session.h"
#include "workspace.h"

#include <QAction>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

const QString Right = QStringLiteral("305");
const QString LogPrefix = QStringLiteral("商务代理业务管理-日程安排-");

} // namespace

SchedulePanel::SchedulePanel(Workspace &ws, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_pages(new QTabWidget(this)), m_listPage(new QWidget),
      m_detailPage(new QWidget)
{
    setObjectName(QStringLiteral("PnClient"));
    ModifyRight::require(ws.dm.qryPlan, ws.rights, Right);
    m_pages->setObjectName(QStringLiteral("PageControl3"));
    m_listPage->setObjectName(QStringLiteral("TabPlan"));
    m_detailPage->setObjectName(QStringLiteral("TabPlanNew"));
    m_pages->addTab(m_listPage, QStringLiteral("日程安排列表"));
    m_pages->addTab(m_detailPage, QStringLiteral("日程详细安排"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    buildListPage();
    buildDetailPage();
    // Whoever puts the focus into the panel reaches the tab in view: the list, or the date.
    connect(m_pages, &QTabWidget::currentChanged, this, [this] {
        FirstFocus::set(this, m_pages->currentWidget() == m_detailPage
                                  ? static_cast<QWidget *>(m_form->date())
                                  : m_grid->view());
    });
    FirstFocus::set(this, m_grid->view());
    // An entry left half-typed is stored only by 保存; anything else that would reread the
    // list asks first.
    PendingEdit::setOwner(entries(), ws, this, QStringLiteral("日程安排尚未保存，保存吗？"),
                          action(QStringLiteral("Act_Save")),
                          [this] { m_pages->setCurrentWidget(m_detailPage); });
}

QAction *SchedulePanel::action(const QString &name) const
{
    return m_actions.value(name);
}

store::Dataset &SchedulePanel::entries() const
{
    return m_ws.dm.qryPlan;
}

QAction *SchedulePanel::command(QWidget *page, QToolBar *bar, const char *name,
                                const QString &caption, const QString &shortcut, const QString &log,
                                std::function<bool()> enabled, std::function<void()> work,
                                const char *buttonName)
{
    QAction *a = addBarCommand(page, bar, m_actions, m_ws, name, caption, shortcut, log,
                               std::move(enabled), std::move(work));
    if (buttonName)
        bar->widgetForAction(a)->setObjectName(QLatin1String(buttonName));
    return a;
}

std::function<bool()> SchedulePanel::right(const char *flag) const
{
    Rights &rights = m_ws.rights;
    return [&rights, flag] { return rights.allows(Right, QLatin1String(flag)); };
}

// ---------------------------------------------------------------- list tab

void SchedulePanel::buildListPage()
{
    auto *bar = new QToolBar(m_listPage);
    bar->setObjectName(QStringLiteral("tbList"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    command(
        m_listPage, bar, "Act_Insert", QStringLiteral("新增"), QStringLiteral("Ctrl+N"),
        LogPrefix + QStringLiteral("新增"), right("Insert"), [this] { insertEntry(); }, "spBtnNew");
    command(
        m_listPage, bar, "Act_Modify", QStringLiteral("修改"), QStringLiteral("Ctrl+M"),
        LogPrefix + QStringLiteral("修改"), right("Modify"), [this] { modifyEntry(); },
        "spBtnModify");
    command(
        m_listPage, bar, "Act_Delete", QStringLiteral("删除"), QStringLiteral("Ctrl+D"),
        LogPrefix + QStringLiteral("删除"), right("Delete"), [this] { deleteEntry(); },
        "spBtnDelete");
    // No key: F5 belongs to the main window's contact records, reached from here too.
    command(m_listPage, bar, "spBtnRefresh", QStringLiteral("刷新"), {},
            LogPrefix + QStringLiteral("刷新"), {}, [this] { refresh(); });
    command(
        m_listPage, bar, "Act_Query", QStringLiteral("查询"), QStringLiteral("Ctrl+Q"),
        LogPrefix + QStringLiteral("查询"), right("Query"), [this] { query(); }, "spBtnQuery");
    command(
        m_listPage, bar, "Act_Print", QStringLiteral("打印"), QStringLiteral("Ctrl+P"),
        LogPrefix + QStringLiteral("打印"), right("Print"),
        [this] { Printing::preview(this, QStringLiteral("frPlan.frf"), &entries()); },
        "spBtnPrint1");

    m_grid = new DataGrid(m_listPage);
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&entries());
    m_grid->setColumns({{QStringLiteral("PlanID"), QStringLiteral("序号"), 60},
                        {QStringLiteral("PlanDate"), QStringLiteral("日期"), 90},
                        {QStringLiteral("PlanTime"), QStringLiteral("时间"), 70},
                        {QStringLiteral("Address"), QStringLiteral("地址"), 160},
                        {QStringLiteral("CustName"), QStringLiteral("商务代理"), 180},
                        {QStringLiteral("Linkman"), QStringLiteral("联系人"), 80},
                        {QStringLiteral("OperateId"), QStringLiteral("考察内容"), 120},
                        {QStringLiteral("AttendMan"), QStringLiteral("负责处室"), 90},
                        {QStringLiteral("Memo"), QStringLiteral("备注"), 160}});
    // A click shows the schedule's folder; a double click (or Enter) is 修改.
    connect(m_grid->view(), &QTreeView::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { showPlansFolder(); }); });
    connect(m_grid, &DataGrid::rowActivated, this,
            [this] { action(QStringLiteral("Act_Modify"))->trigger(); });

    auto *layout = new QVBoxLayout(m_listPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    layout->addWidget(m_grid, 1);
}

// What the details tab and its pages show is opened once, where it is not open yet. The agent
// window's list keeps the ownership rule when it is opened here first.
void SchedulePanel::openLookups()
{
    store::DataModule &dm = m_ws.dm;
    AgentForm::openEditingSets(dm);
    for (store::Dataset *d :
         {&dm.tblVocation, &dm.tblDepartment, &dm.tblCustomers2, &dm.qryCustomers1})
        d->open();
    if (!dm.tblCustomers.isOpen())
        dm.applyOwnership(dm.tblCustomers);
}

// Editing takes the whole main window: the navigation panel goes until the user brings it back.
void SchedulePanel::useWholeWindow()
{
    m_ws.host.setNavigationPage(QStringLiteral("业务管理"));
    m_ws.host.setNavigationVisible(false);
}

void SchedulePanel::showDetails()
{
    m_pages->setCurrentWidget(m_detailPage);
    m_form->date()->setFocus();
}

void SchedulePanel::showPlansFolder()
{
    const QString plans = RecordFolders::plansFolder();
    RecordFolders::ensure(plans);
    m_ws.host.showFolder(plans);
}

void SchedulePanel::insertEntry()
{
    openLookups();
    entries().open();
    entries().append();
    useWholeWindow();
    showDetails();
    showPlansFolder();
}

void SchedulePanel::modifyEntry()
{
    openLookups();
    const bool empty = !entries().isOpen() || entries().isEmpty();
    if (!empty && !entries().isEditing())
        entries().edit();
    useWholeWindow();
    showPlansFolder();
    if (!empty)
        showDetails();
}

void SchedulePanel::refresh()
{
    if (!PendingEdit::settle(entries()))
        return;
    entries().close();
    entries().setSql(QStringLiteral("select * from tblPlan"));
    entries().open();
}

void SchedulePanel::query()
{
    if (!PendingEdit::settle(entries()))
        return; // the query replaces the list's statement
    PlanQueryDialog dialog(entries(), this);
    dialog.exec();
}

// ---------------------------------------------------------------- details tab

void SchedulePanel::buildDetailPage()
{
    auto *bar = new QToolBar(m_detailPage);
    bar->setObjectName(QStringLiteral("tbDetail"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    store::Dataset &set = entries();
    command(m_detailPage, bar, "Act_Add", QStringLiteral("新增"), QStringLiteral("Ctrl+N"),
            LogPrefix + QStringLiteral("新增"), canAddRecord(m_ws.rights, Right, set),
            [this] { addEntry(); });
    // 保存 checks no right: whoever may type into an entry may store it.
    command(
        m_detailPage, bar, "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"),
        LogPrefix + QStringLiteral("保存"), [&set] { return set.isEditing(); }, [this] { save(); });
    command(m_detailPage, bar, "Act_Del", QStringLiteral("删除"), QStringLiteral("Ctrl+D"),
            LogPrefix + QStringLiteral("删除"), right("Delete"), [this] { deleteEntry(); });
    command(m_detailPage, bar, "Act_Prt", QStringLiteral("打印"), QStringLiteral("Ctrl+P"),
            LogPrefix + QStringLiteral("打印"), right("Print"),
            [this] { Printing::preview(this, QStringLiteral("frPlanDetail.frf"), &entries()); });
    command(
        m_detailPage, bar, "Act_Cancel", QStringLiteral("放弃"), {}, {},
        [&set] { return set.isEditing(); }, [this] { cancelEdit(); });

    m_form = new ScheduleForm(m_ws.dm, m_detailPage);
    const auto click = [this](QPushButton *b, void (SchedulePanel::*work)()) {
        connect(b, &QPushButton::clicked, this,
                [this, work] { ErrorDisplay::run(this, [this, work] { (this->*work)(); }); });
    };
    click(m_form->pickAgentButton(), &SchedulePanel::pickAgent);
    click(m_form->departmentButton(), &SchedulePanel::chooseDepartment);
    click(m_form->showRecordButton(), &SchedulePanel::showRecord);
    click(m_form->showContactEntryButton(), &SchedulePanel::showContactEntry);
    connect(m_form, &ScheduleForm::agentEntered, this,
            [this] { ErrorDisplay::run(this, [this] { openAgentLists(); }); });
    connect(m_form->recordGrid()->view(), &QTreeView::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { showPlansFolder(); }); });
    connect(m_form->recordGrid(), &DataGrid::rowActivated, this,
            [this] { action(QStringLiteral("Act_Modify"))->trigger(); });

    auto *layout = new QVBoxLayout(m_detailPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    layout->addWidget(m_form, 1);
}

void SchedulePanel::keepClearOnTheRight(int width)
{
    m_detailPage->layout()->setContentsMargins(2, 2, 2 + width, 2);
}

void SchedulePanel::addEntry()
{
    openLookups();
    entries().open();
    entries().append();
    m_form->date()->setFocus();
}

// The checks in screen order, each stopping at its input; then the folder, then the entry.
// A date or a time typed but no date or time of day is refused at its input, never stored as
// the value the entry held before.
bool SchedulePanel::save()
{
    ScheduleForm *f = m_form;
    const std::pair<bool, std::pair<QWidget *, QString>> checks[] = {
        {f->date()->isBlank(), {f->date(), QStringLiteral("请输入日程安排日期！")}},
        {f->date()->isUnfinished(), {f->date(), f->date()->invalidText()}},
        {f->time()->isBlank(), {f->time(), QStringLiteral("请输入日程安排时间！")}},
        {f->typedTime().size() < 6, {f->time(), QStringLiteral("请完整输入日程安排时间！")}},
        {f->time()->isUnfinished(), {f->time(), f->time()->invalidText()}},
        {f->address()->text().isEmpty(), {f->address(), QStringLiteral("请输入日程安排的地点！")}},
        {f->agent()->currentIndex() < 0, {f->agent(), QStringLiteral("请选择输入商务代理名称！")}},
        {f->linkman()->text().isEmpty(),
         {f->linkman(), QStringLiteral("请输入商务代理联系人名称！")}},
    };
    for (const auto &[failed, where] : checks) {
        if (!failed)
            continue;
        MessageBox::warning(this, where.second);
        where.first->setFocus();
        return false;
    }
    showPlansFolder();
    if (entries().isEditing())
        entries().post(); // a refusal of the store leaves the entry in editing
    return true;
}

void SchedulePanel::deleteEntry()
{
    store::Dataset &set = entries();
    if (!set.isOpen() || set.isEmpty())
        return;
    if (!MessageBox::confirm(this, QStringLiteral("您真的要删除该日程安排记录吗？")))
        return;
    set.remove();
}

void SchedulePanel::cancelEdit()
{
    if (entries().isEditing())
        entries().cancel();
}

// 查询... beside 商务代理: the schedule's picker writes the chosen agent into the entry.
void SchedulePanel::pickAgent()
{
    store::session().PickTarget = QStringLiteral("日程安排");
    AgentPicker picker(AgentPicker::Member::Schedule, m_ws, this);
    picker.exec();
    // The picker moved the agent list about; the drop-down and the agent page show the
    // entry's agent again.
    m_form->agent()->relocate();
}

void SchedulePanel::chooseDepartment()
{
    DepartmentChooser chooser(m_ws.dm, this);
    chooser.exec();
}

// Stepping into the 商务代理 drop-down offers every agent of every user from then on, until a
// module command or a picker sets the ownership rule again.
void SchedulePanel::openAgentLists()
{
    store::Dataset &agents = m_ws.dm.tblCustomers2;
    if (!agents.isFiltered())
        return;
    agents.post();
    agents.clearFilter();
    agents.open();
    m_form->agent()->relocate();
}

void SchedulePanel::showRecord()
{
    RecordEntryDialog::editRecord(m_ws, this);
}

// 查看代理接触信息: the agent-contact editor on the current entry of the agent window's agent.
void SchedulePanel::showContactEntry()
{
    m_ws.dm.tblCustomerState.open();
    AgentContactDialog::editEntry(m_ws, this);
}
