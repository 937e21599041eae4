#include "agentrecordspage.h"

#include "datagrid.h"
#include "datamodule.h"
#include "recordentrydialog.h"
#include "recordreferences.h"
#include "workspace.h"

AgentRecordsPage::AgentRecordsPage(Workspace &ws, std::function<bool()> storeAgent, QWidget *parent)
    : RelatedGridPage(ws, ws.dm.tblOperates, "gridOperates", std::move(storeAgent), parent)
{
    setObjectName(QStringLiteral("AgentRecordsPage"));
    rows().setSort(QStringLiteral("OperateID"));
    addCommands({"Operate", QStringLiteral("新增联络"), [this] { addRecord(); },
                 [this] { modifyRecord(); }, [this] { removeRecord(); }, QStringLiteral("业务资料"),
                 QStringLiteral("frCustomerOperate.frf")});
    grid()->setColumns({{QStringLiteral("OperateID"), QStringLiteral("联络代码"), 90},
                        {QStringLiteral("OperateTitle"), QStringLiteral("联络事宜"), 160},
                        {QStringLiteral("CustName"), QStringLiteral("商务代理"), 150},
                        {QStringLiteral("CreateDate"), QStringLiteral("发证日期"), 90},
                        {QStringLiteral("EndDate"), QStringLiteral("截止日期"), 90},
                        {QStringLiteral("LinkmanName"), QStringLiteral("联系人"), 80},
                        {QStringLiteral("OperaterName"), QStringLiteral("推荐人"), 80}});
}

// What the quick entry shows and chooses from, each opened only when it is closed.
void AgentRecordsPage::openEntrySets()
{
    store::DataModule &dm = m_ws.dm;
    for (store::Dataset *d : {&dm.tblOperateType, &dm.tblOperateOrigin, &dm.tblOperateState})
        d->open();
    // Every record's items, as they are now.
    dm.tblOperateDetail1.close();
    dm.tblOperateDetail1.open();
    for (store::Dataset *d :
         {&dm.qryCustomers1, &dm.tblLinkmans, &dm.tblOperaters, &dm.tblOperates})
        d->open();
}

// 新增联络: the agent names are read afresh before the new record is started.
void AgentRecordsPage::addRecord()
{
    if (!agentStored())
        return;
    store::DataModule &dm = m_ws.dm;
    dm.tblCustomers2.close();
    dm.tblCustomers2.open();
    openEntrySets();
    RecordEntryDialog::addRecord(m_ws, this);
}

// 修改: the record goes into editing, and the second agent set stands on its agent, as the
// entry's agent data reads it.
void AgentRecordsPage::modifyRecord()
{
    if ((!rows().isOpen() || rows().isEmpty()) && !agentStored())
        return; // the entry starts the agent's first record
    store::DataModule &dm = m_ws.dm;
    openEntrySets();
    store::Dataset &records = rows();
    if (records.currentRow() >= 0 && !records.isEditing())
        records.edit();
    dm.tblCustomers2.close();
    dm.tblCustomers2.open();
    if (records.currentRow() >= 0)
        dm.tblCustomers2.locate(QStringLiteral("CustId"), records.value(QStringLiteral("CustID")));
    RecordEntryDialog::editRecord(m_ws, this);
}

// A record with detail items stays.
void AgentRecordsPage::removeRecord()
{
    removeUnlessNamed(QStringLiteral("OperateID"), store::recordHasItems,
                      QStringLiteral("对不起，该业务资料包括业务子项信息，不能删除！"),
                      QStringLiteral("您真的要删除该业务资料吗？"));
}
