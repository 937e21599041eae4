#include "agentreferences.h"

#include "codereferences.h"

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
    const QStringList params{QStringLiteral("CustID"), QStringLiteral("LinkCustID")};
    for (const Check &c : checks) {
        if (findsRow(dm, QString::fromLatin1(c.sql), params, custId))
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
    if (!codeChangeMatters(before, after))
        return std::nullopt;
    if (const auto kind = firstAgentReference(dm, before))
        return QStringLiteral("对不起，该商务代理已有%1，不能修改代理编号！")
            .arg(agentReferenceName(*kind));
    return std::nullopt;
}

void guardAgentCodeChange(DataModule &dm, Dataset &agents)
{
    guardCodeChange(dm, agents, QStringLiteral("tblCustomers"), QStringLiteral("CustId"),
                    agentCodeChangeRefusal);
}

} // namespace store
