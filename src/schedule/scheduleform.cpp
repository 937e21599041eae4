#include "scheduleform.h"

#include "agentchoice.h"
#include "agentpanel.h"
#include "condition.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dataset.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbmemo.h"
#include "dbnavigator.h"
#include "dbtimeedit.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "formfields.h"
#include "recordswindow.h"

#include <QCompleter>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QStringListModel>
#include <QTabWidget>
#include <QVBoxLayout>

using FormFields::bound;
using FormFields::button;

ScheduleForm::ScheduleForm(store::DataModule &dm, QWidget *parent)
    : QWidget(parent), m_dm(dm), m_entries(dm.qryPlan), m_agents(dm.tblCustomers2),
      m_chain(new EnterChain(this))
{
    setObjectName(QStringLiteral("ScheduleForm"));
    m_subTabs = new QTabWidget(this);
    m_subTabs->setObjectName(QStringLiteral("PageControl2"));
    m_agentPanel = new AgentPanel(m_entries, m_agents, AgentPanel::Wording::Schedule);
    m_agentPanel->setObjectName(QStringLiteral("TabCustomer"));
    m_subTabs->addTab(m_agentPanel, QStringLiteral("商务代理资料"));
    m_subTabs->addTab(buildRecordsPage(dm.tblOperates), QStringLiteral("联络记录"));
    m_subTabs->addTab(buildContactEntriesPage(dm.tblCustomerState), QStringLiteral("商务代理接触"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildFields());
    layout->addWidget(m_subTabs, 1);
    connect(m_agent, &AgentChoice::agentShown, m_agentPanel, &AgentPanel::refresh);
}

QWidget *ScheduleForm::buildFields()
{
    auto *box = new QWidget(this);
    QGridLayout *grid = FormFields::grid(box);
    store::Dataset &set = m_entries;
    m_planId = bound<DbLineEdit>(box, "edtPlanID", set, "PlanID");
    m_planId->setReadOnly(true);
    m_planId->setFocusPolicy(Qt::ClickFocus);
    m_date = bound<DbDateEdit>(box, "dtpPlanDate", set, "PlanDate");
    m_time = bound<DbTimeEdit>(box, "edtPlanTime", set, "PlanTime");
    m_date->setCaption(QStringLiteral("日程安排日期"));
    m_time->setCaption(QStringLiteral("日程安排时间"));
    m_address = bound<DbLineEdit>(box, "edtAddress", set, "Address");
    m_department = bound<DbLineEdit>(box, "edtAttendMan", set, "AttendMan");
    m_agent = new AgentChoice(box);
    m_agent->setObjectName(QStringLiteral("cbCustomer"));
    m_agent->bind(&set, QStringLiteral("CustID"));
    m_agent->setAgents(&m_agents);
    m_agent->installEventFilter(this);
    m_linkman = bound<DbLineEdit>(box, "edtLinkman", set, "Linkman");
    m_linkmans = new QCompleter(new QStringListModel(this), this);
    m_linkmans->setCaseSensitivity(Qt::CaseInsensitive);
    m_linkmans->setFilterMode(Qt::MatchContains);
    m_linkman->setCompleter(m_linkmans);
    m_linkman->installEventFilter(this);
    // The line shows the chosen name; the entry takes it as if it had been typed.
    connect(m_linkmans, qOverload<const QString &>(&QCompleter::activated), this,
            [this](const QString &name) {
                if (m_entries.isOpen())
                    m_entries.setValue(QStringLiteral("Linkman"), name);
            });
    m_content = bound<DbLineEdit>(box, "edtOperateId", set, "OperateId");
    m_memo = bound<DbMemo>(box, "mmMemo", set, "Memo");
    m_memo->setMaximumHeight(70);
    m_departmentButton = button(box, "btnDepartment", QStringLiteral("查询..."));
    m_pickAgentButton = button(box, "btnPickAgent", QStringLiteral("查询..."));

    const auto row = [grid](int r, int c, const QString &label, QWidget *field,
                            QWidget *beside = nullptr) {
        FormFields::addRow(grid, r, c * 2, label, field, {beside});
    };
    row(0, 0, QStringLiteral("序号"), m_planId);
    row(1, 0, QStringLiteral("日期"), m_date);
    row(2, 0, QStringLiteral("时间"), m_time);
    row(3, 0, QStringLiteral("地点"), m_address);
    row(0, 1, QStringLiteral("负责处室"), m_department, m_departmentButton);
    row(1, 1, QStringLiteral("商务代理"), m_agent, m_pickAgentButton);
    row(2, 1, QStringLiteral("联系人"), m_linkman);
    row(3, 1, QStringLiteral("考察内容"), m_content);
    FormFields::addTallRow(grid, 4, 0, QStringLiteral("备注"), m_memo, 1, 3);
    m_navigator = new DbNavigator(box);
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));
    m_navigator->setDataset(&set);
    grid->addWidget(m_navigator, 5, 0, 1, 4, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    m_chain->setWidgets(
        {m_date, m_time, m_address, m_department, m_agent, m_linkman, m_content, m_memo});
    m_chain->setKeepsEnter(m_memo);
    return box;
}

QWidget *ScheduleForm::buildRecordsPage(store::Dataset &records)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabOperates"));
    m_recordGrid = new DataGrid(page);
    m_recordGrid->setObjectName(QStringLiteral("dxDBGrid2"));
    m_recordGrid->setDataset(&records);
    m_recordGrid->setColumns(RecordsWindow::listColumns());
    m_showRecordButton = button(page, "btnShowOperate", QStringLiteral("显示联络记录"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_recordGrid, 1);
    layout->addWidget(m_showRecordButton, 0, Qt::AlignLeft);
    return page;
}

QWidget *ScheduleForm::buildContactEntriesPage(store::Dataset &entries)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabCustState"));
    m_contactEntryGrid = new DataGrid(page);
    m_contactEntryGrid->setObjectName(QStringLiteral("dxDBGrid3"));
    m_contactEntryGrid->setDataset(&entries);
    m_contactEntryGrid->setColumns(
        {{QStringLiteral("LinkDate"), QStringLiteral("联系日期"), 90},
         {QStringLiteral("LinkTime"), QStringLiteral("联系时间"), 70},
         {QStringLiteral("Linkman"), QStringLiteral("联系人"), 80},
         {QStringLiteral("Duty"), QStringLiteral("职务"), 70},
         {QStringLiteral("LinkType"), QStringLiteral("联系方式"), 80},
         {QStringLiteral("LinkContent"), QStringLiteral("联系内容"), 160},
         {QStringLiteral("Charge"), QStringLiteral("费用开销"), 80},
         {QStringLiteral("Address"), QStringLiteral("地点"), 100},
         {QStringLiteral("Memo"), QStringLiteral("备注"), 120}});
    m_showContactEntryButton = button(page, "btnShowCustState", QStringLiteral("查看代理接触信息"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_contactEntryGrid, 1);
    layout->addWidget(m_showContactEntryButton, 0, Qt::AlignLeft);
    return page;
}

QString ScheduleForm::typedTime() const
{
    QString digits = m_time->text();
    digits.remove(QLatin1Char(':'));
    digits.remove(QLatin1Char('_'));
    digits.remove(QLatin1Char(' '));
    return digits;
}

// The contacts of the entry's agent that the user may see, by name.
void ScheduleForm::offerLinkmans()
{
    QStringList names;
    const QVariant agent =
        m_entries.isOpen() ? m_entries.value(QStringLiteral("CustID")) : QVariant();
    if (!store::Dataset::displayText(agent).isEmpty()) {
        store::Dataset contacts(m_entries.connection(), QStringLiteral("qryPlanLinkmans"));
        contacts.setTable(QStringLiteral("tblLinkmans"));
        store::Condition which = store::Condition::eq(QStringLiteral("CustID"), agent);
        const store::Condition own = m_dm.ownershipCondition();
        contacts.setFilter(own.isNull() ? which : which && own);
        contacts.setSort(QStringLiteral("Name"));
        contacts.open();
        for (const QVariant &name : contacts.columnValues(QStringLiteral("Name"))) {
            const QString text = store::Dataset::displayText(name).trimmed();
            if (!text.isEmpty() && !names.contains(text))
                names << text;
        }
    }
    static_cast<QStringListModel *>(m_linkmans->model())->setStringList(names);
}

bool ScheduleForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_agent && event->type() == QEvent::FocusIn)
        Q_EMIT agentEntered();
    if (watched == m_linkman && event->type() == QEvent::FocusIn)
        ErrorDisplay::run(this, [this] { offerLinkmans(); });
    if (watched == m_linkman && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool list = (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier) ||
                          (key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier);
        if (list) {
            ErrorDisplay::run(this, [this] {
                offerLinkmans();
                m_linkmans->setCompletionPrefix(QString());
                m_linkmans->complete();
            });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
