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
    command("Act_InsertState", QStringLiteral("新增接触"), "Insert", {}, [this] {
        if (agentStored())
            AgentContactDialog::addEntry(m_ws, this);
    });
    // On an empty page the editor starts the agent's first entry.
    command("Act_ModifyState", QStringLiteral("修改"), "Modify", {}, [this] {
        if ((rows().isOpen() && !rows().isEmpty()) || agentStored())
            AgentContactDialog::editEntry(m_ws, this);
    });
    command("Act_DeleteState", QStringLiteral("删除"), "Delete", {},
            [this] { confirmAndRemove(QStringLiteral("您真的要删除该接触机会信息吗？")); });
    addRefresh("spBtnRefreshState");
    command("Act_PrintState", QStringLiteral("打印"), "Print",
            QStringLiteral("商务代理业务管理-商务代理资料-商务代理接触-打印"),
            [this] { print(QStringLiteral("frCustomerState.frf")); });

    DataGrid *g = grid();
    g->addColumn(QStringLiteral("LinkDate"), QStringLiteral("联系日期"), 90);
    g->addColumn(QStringLiteral("LinkTime"), QStringLiteral("联系时间"), 70);
    g->addColumn(QStringLiteral("Linkman"), QStringLiteral("联系人"), 80);
    g->addColumn(QStringLiteral("Duty"), QStringLiteral("职务"), 80);
    g->addColumn(QStringLiteral("LinkType"), QStringLiteral("联系方式"), 90);
    g->addColumn(QStringLiteral("LinkContent"), QStringLiteral("联系内容"), 150);
    g->addColumn(QStringLiteral("Charge"), QStringLiteral("费用开销"), 80);
    g->addColumn(QStringLiteral("Address"), QStringLiteral("地点"), 100);
    g->addColumn(QStringLiteral("Memo"), QStringLiteral("备注"), 120);
}
