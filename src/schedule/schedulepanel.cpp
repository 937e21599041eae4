#include "schedulepanel.h"

#include "agentchoice.h"
#include "agentcontactdialog.h"
#include "agentform.h"
#include "agentpicker.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbtimeedit.h"
#include "departmentchooser.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "modulehost.h"
#include "pendingedit.h"
#include "plancalendar.h"
#include "planmonthview.h"
#include "planquerydialog.h"
#include "planspan.h"
#include "recordentrydialog.h"
#include "recordfolders.h"
#include "scheduleform.h"
#include "session.h"
#include "workspace.h"

#include <QAction>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

RecordWindowDescription description()
{
    return {"PnClient",
            {},
            QStringLiteral("305"),
            QStringLiteral("商务代理业务管理-日程安排-"),
            "PageControl3",
            "TabPlan",
            "TabPlanNew",
            QStringLiteral("日程安排列表"),
            QStringLiteral("日程详细安排"),
            {{QStringLiteral("PlanID"), QStringLiteral("序号"), 60},
             {QStringLiteral("PlanDate"), QStringLiteral("日期"), 90},
             {QStringLiteral("PlanTime"), QStringLiteral("时间"), 70},
             {QStringLiteral("Address"), QStringLiteral("地址"), 160},
             {QStringLiteral("CustName"), QStringLiteral("商务代理"), 180},
             {QStringLiteral("Linkman"), QStringLiteral("联系人"), 80},
             {QStringLiteral("OperateId"), QStringLiteral("考察内容"), 120},
             {QStringLiteral("AttendMan"), QStringLiteral("负责处室"), 90},
             {QStringLiteral("Memo"), QStringLiteral("备注"), 160}}};
}

} // namespace

SchedulePanel::SchedulePanel(Workspace &ws, QWidget *parent)
    : RecordWindow(ws, ws.dm.qryPlan, description(), parent)
{
    RecordCommands c;
    c.insert = [this] { insertEntry(); };
    c.modify = [this] { modifyEntry(); };
    c.remove = [this] { deleteEntry(); };
    // No key for 刷新: F5 belongs to the main window's contact records, reached from here too.
    c.refresh = [this] { refresh(); };
    c.query = [this] { query(); };
    c.listReport = QStringLiteral("frPlan.frf");
    c.add = [this] { addEntry(); };
    c.save = [this] { save(); }; // no right: whoever may type into an entry may store it
    c.detailReport = QStringLiteral("frPlanDetail.frf");
    c.namedButtons = true;
    c.detailKeysOfList = true;
    c.saveNeedsRight = false;
    addCommands(c, QStringLiteral("日程安排尚未保存，保存吗？"));
    // What the list shows, as a calendar other programs read.
    addBarCommand(listPage(), "Act_ExportCalendar", QStringLiteral("导出日历"), {},
                  QStringLiteral("商务代理业务管理-日程安排-导出日历"), {}, [this] {
                      ContentLines::run(
                          this, dataset(),
                          PlanCalendar::calendarExport(QTimeZone::systemTimeZone(),
                                                       QDateTime::currentDateTimeUtc()));
                  });
    // Overdue entries first, then today's and those to come, until a header click orders the
    // list otherwise (序号 gives the order of entry); the order outlives the statements.
    if (dataset().sortColumn().isEmpty())
        grid()->sortBy(QStringLiteral("PlanDate"));
    buildViews();
    // A click shows the schedule's folder.
    setRowClicked([this] { showPlansFolder(); });
    buildDetailPage();
    setDetailFocus([this] { return m_form->date(); });
}

// Above the list: the span of days it shows, and whether the tab shows the list or the
// calendar of a month or a week.
void SchedulePanel::buildViews()
{
    m_span = new PlanSpan(dataset(), listPage());
    auto *choice = new QWidget(listPage());
    choice->setObjectName(QStringLiteral("PlanViews"));
    auto *choices = new QHBoxLayout(choice);
    choices->setContentsMargins(4, 0, 4, 0);
    m_views = new QButtonGroup(choice);
    const std::pair<View, const char *> views[] = {
        {ListView, "列表"}, {MonthView, "月"}, {WeekView, "周"}};
    const char *names[] = {"rbListView", "rbMonthView", "rbWeekView"};
    for (const auto &[view, caption] : views) {
        auto *b = new QRadioButton(QString::fromUtf8(caption), choice);
        b->setObjectName(QLatin1String(names[view]));
        m_views->addButton(b, view);
        choices->addWidget(b);
    }
    viewButton(ListView)->setChecked(true);
    connect(m_views, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            ErrorDisplay::run(this, [this, id] { showView(View(id)); });
    });
    auto *row = new QHBoxLayout;
    row->addWidget(m_span, 1);
    row->addWidget(choice);
    auto *page = static_cast<QBoxLayout *>(listPage()->layout());
    page->insertLayout(1, row);

    m_calendar = new PlanMonthView(dataset(), workspace().dm.tblCustomers2, listPage());
    m_calendar->hide();
    page->insertWidget(page->indexOf(grid()) + 1, m_calendar, 1);
    connect(m_calendar, &PlanMonthView::openRequested, this,
            [this](qint64 id) { ErrorDisplay::run(this, [this, id] { openEntry(id); }); });
    connect(m_calendar, &PlanMonthView::addRequested, this, [this](const QDate &day) {
        ErrorDisplay::run(this, [this, day] { addEntryOn(day); });
    });
    // Tab goes down: the span, the view, then the list or the calendar.
    QWidget::setTabOrder(m_span->button(PlanSpan::All), viewButton(ListView));
    QWidget::setTabOrder(viewButton(ListView), grid()->view());
    QWidget::setTabOrder(grid()->view(), m_calendar->table());
}

QRadioButton *SchedulePanel::viewButton(View view) const
{
    return static_cast<QRadioButton *>(m_views->button(view));
}

// The span chooses among the list's rows: the calendar shows every entry of its days instead.
void SchedulePanel::showView(View view)
{
    const bool list = view == ListView;
    if (!list)
        m_calendar->setMode(view == MonthView ? PlanMonthView::Month : PlanMonthView::Week);
    grid()->setVisible(list);
    m_span->setEnabled(list);
    m_calendar->setVisible(!list);
}

void SchedulePanel::openEntry(qint64 planId)
{
    store::Dataset &set = dataset();
    if (!PendingEdit::settle(set))
        return;
    set.open();
    if (!set.moveToKey(planId)) {
        // Not among the list's rows (another span, a search): the list shows every entry again.
        set.close();
        set.clearFilter();
        set.setSql(QStringLiteral("select * from tblPlan"));
        set.open();
        if (!set.moveToKey(planId)) {
            m_calendar->reload();
            MessageBox::warning(this, QStringLiteral("该日程安排已被删除。"));
            return;
        }
    }
    modifyEntry();
}

void SchedulePanel::addEntryOn(const QDate &day)
{
    if (!PendingEdit::settle(dataset()))
        return;
    insertEntry();
    if (dataset().state() == store::Dataset::State::Insert)
        dataset().proposeValue(QStringLiteral("PlanDate"), day);
}

// What the details tab and its pages show is opened once, where it is not open yet. The agent
// window's list keeps the ownership rule when it is opened here first.
void SchedulePanel::openLookups()
{
    store::DataModule &dm = workspace().dm;
    AgentForm::openEditingSets(dm);
    for (store::Dataset *d :
         {&dm.tblVocation, &dm.tblDepartment, &dm.tblCustomers2, &dm.qryCustomers1})
        d->open();
    if (!dm.tblCustomers.isOpen())
        dm.applyOwnership(dm.tblCustomers);
}

void SchedulePanel::showPlansFolder()
{
    const QString plans = RecordFolders::plansFolder();
    RecordFolders::ensure(plans);
    workspace().host.showFolder(plans);
}

void SchedulePanel::insertEntry()
{
    openLookups();
    dataset().open();
    dataset().append();
    useWholeWindow();
    showDetails();
    showPlansFolder();
}

void SchedulePanel::modifyEntry()
{
    openLookups();
    const bool empty = !dataset().isOpen() || dataset().isEmpty();
    if (!empty && !dataset().isEditing())
        dataset().edit();
    useWholeWindow();
    showPlansFolder();
    if (!empty)
        showDetails();
}

void SchedulePanel::refresh()
{
    if (!PendingEdit::settle(dataset()))
        return;
    dataset().close();
    dataset().setSql(QStringLiteral("select * from tblPlan"));
    dataset().open();
}

void SchedulePanel::query()
{
    if (!PendingEdit::settle(dataset()))
        return; // the query replaces the list's statement
    PlanQueryDialog dialog(dataset(), this);
    dialog.exec();
}

void SchedulePanel::buildDetailPage()
{
    m_form = new ScheduleForm(workspace().dm, detailPage());
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

    detailLayout()->addWidget(m_form, 1);
}

void SchedulePanel::keepClearOnTheRight(int width)
{
    detailPage()->layout()->setContentsMargins(2, 2, 2 + width, 2);
}

void SchedulePanel::addEntry()
{
    openLookups();
    dataset().open();
    dataset().append();
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
    if (dataset().isEditing())
        dataset().post(); // a refusal of the store leaves the entry in editing
    return true;
}

void SchedulePanel::deleteEntry()
{
    store::Dataset &set = dataset();
    if (!set.isOpen() || set.isEmpty())
        return;
    if (!MessageBox::confirm(this, QStringLiteral("您真的要删除该日程安排记录吗？")))
        return;
    set.remove();
}

// 查询... beside 商务代理: the schedule's picker writes the chosen agent into the entry.
void SchedulePanel::pickAgent()
{
    store::session().PickTarget = QStringLiteral("日程安排");
    AgentPicker picker(AgentPicker::Member::Schedule, workspace(), this);
    picker.exec();
    // The picker moved the agent list about; the drop-down and the agent page show the
    // entry's agent again.
    m_form->agent()->relocate();
}

void SchedulePanel::chooseDepartment()
{
    DepartmentChooser chooser(workspace().dm, this);
    chooser.exec();
}

// Stepping into the 商务代理 drop-down offers every agent of every user from then on, until a
// module command or a picker sets the ownership rule again.
void SchedulePanel::openAgentLists()
{
    store::Dataset &agents = workspace().dm.tblCustomers2;
    if (!agents.isFiltered())
        return;
    agents.post();
    agents.clearFilter();
    agents.open();
    m_form->agent()->relocate();
}

void SchedulePanel::showRecord()
{
    RecordEntryDialog::editRecord(workspace(), this);
}

// 查看代理接触信息: the agent-contact editor on the current entry of the agent window's agent.
void SchedulePanel::showContactEntry()
{
    workspace().dm.tblCustomerState.open();
    AgentContactDialog::editEntry(workspace(), this);
}
