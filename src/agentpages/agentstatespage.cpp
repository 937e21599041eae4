#include "agentstatespage.h"

#include "agentcontactdialog.h"
#include "datagrid.h"
#include "datamodule.h"
#include "workspace.h"

AgentStatesPage::AgentStatesPage(Workspace &ws, std::function<bool()> storeAgent, QWidget *parent)
    : RelatedGridPage(ws, ws.dm.tblCustomerState, "gridCustomerState", std::move(storeAgent),
                      parent)
{
    setObjectName(QStringLiteral("AgentStatesPage"));
    rows().setSort(QStringLiteral("LinkDate"));
    addCommands({"State", QStringLiteral("新增接触"),
                 [this] {
                     if (agentStored())
                         AgentContactDialog::addEntry(m_ws, this);
                 },
                 // On an empty page the editor starts the agent's first entry.
                 [this] {
                     if ((rows().isOpen() && !rows().isEmpty()) || agentStored())
                         AgentContactDialog::editEntry(m_ws, this);
                 },
                 [this] { confirmAndRemove(QStringLiteral("您真的要删除该接触机会信息吗？")); },
                 QStringLiteral("商务代理接触"), QStringLiteral("frCustomerState.frf")});
    grid()->setColumns({{QStringLiteral("LinkDate"), QStringLiteral("联系日期"), 90},
                        {QStringLiteral("LinkTime"), QStringLiteral("联系时间"), 70},
                        {QStringLiteral("Linkman"), QStringLiteral("联系人"), 80},
                        {QStringLiteral("Duty"), QStringLiteral("职务"), 80},
                        {QStringLiteral("LinkType"), QStringLiteral("联系方式"), 90},
                        {QStringLiteral("LinkContent"), QStringLiteral("联系内容"), 150},
                        {QStringLiteral("Charge"), QStringLiteral("费用开销"), 80},
                        {QStringLiteral("Address"), QStringLiteral("地点"), 100},
                        {QStringLiteral("Memo"), QStringLiteral("备注"), 120}});
}
