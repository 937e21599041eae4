#include "agentreferences.h"

#include "datamodule.h"
#include "storeerror.h"

namespace store
{

namespace
{

struct Check {
    AgentReference kind;
    const char *sql;
};

// Every user's rows count, so the statements read the tables without the ownership filter.
const Check checks[] = {
    {AgentReference::Contacts, "select * from tblLinkmans where CustID=:CustID"},
    {AgentReference::Records,
     "select * from tblOperates where CustID=:CustID or LinkCustID=:LinkCustID"},
    {AgentReference::AgentContacts, "select * from tblCustomerState where CustID=:CustID"},
    {AgentReference::OtherInfo, "select * from tblCustomerAddInfo where CustID=:CustID"},
    {AgentReference::Schedule, "select * from tblPlan where CustID=:CustID"},
};

} // namespace

std::optional<AgentReference> firstAgentReference(DataModule &dm, const QString &custId)
{
    Dataset &q = dm.qryPubQuery;
    for (const Check &c : checks) {
        q.close();
        q.clearFilter();
        q.setSql(QString::fromLatin1(c.sql));
        q.setParam(QStringLiteral("CustID"), custId);
        q.setParam(QStringLiteral("LinkCustID"), custId);
        q.open();
        const bool found = !q.isEmpty();
        q.close();
        if (found)
            return c.kind;
    }
    return std::nullopt;
}

QString agentReferenceName(AgentReference kind)
{
    switch (kind) {
    case AgentReference::Contacts:
        return QStringLiteral("联系人资料");
    case AgentReference::Records:
        return QStringLiteral("业务资料");
    case AgentReference::AgentContacts:
        return QStringLiteral("商务代理接触信息");
    case AgentReference::OtherInfo:
        return QStringLiteral("其他资料信息");
    case AgentReference::Schedule:
        return QStringLiteral("日程安排");
    }
    return {};
}

std::optional<QString> agentCodeChangeRefusal(DataModule &dm, const QString &before,
                                              const QString &after)
{
    if (before.isEmpty() || before.compare(after, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    if (const auto kind = firstAgentReference(dm, before))
        return QStringLiteral("对不起，该商务代理已有%1，不能修改代理编号！")
            .arg(agentReferenceName(*kind));
    return std::nullopt;
}

void guardAgentCodeChange(DataModule &dm, Dataset &agents)
{
    agents.addBeforePost([&dm](Dataset &d) {
        const QString code = QStringLiteral("CustId");
        if (d.state() != Dataset::State::Edit || !d.isChanged(code))
            return Dataset::PostAction::Store;
        if (const auto refusal = agentCodeChangeRefusal(dm, d.storedValue(code).toString(),
                                                        d.value(code).toString()))
            throw StoreError(*refusal, StoreError::Kind::Other, QStringLiteral("tblCustomers"),
                             code);
        return Dataset::PostAction::Store;
    });
}

} // namespace store
