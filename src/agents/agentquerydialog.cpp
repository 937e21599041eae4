#include "agentquerydialog.h"

#include "datamodule.h"

namespace
{

// The conditions in the order the list offers them, after the all-agents choice. An exact
// condition compares a whole key; the others look for the value inside the column.
QueryDialogDescription description(AgentQueryDialog::Member member)
{
    using Kind = QueryChoice::Kind;
    const bool list = member == AgentQueryDialog::Member::List;
    return {list ? "TfrmCustomerQuery3" : "TfrmCustomerQuery4",
            QStringLiteral("商务代理查询"),
            list ? QStringLiteral("所有代理") : QStringLiteral("所有商务代理"),
            {{"商务代理代码", "CustID"},
             {"商务代理名称", "CustName"},
             {"主要联系人", "MainLinkman"},
             {"地址", "Address"},
             {"国家/地区", "CountryID"},
             {"省市", "DistID"},
             {"电话", "Telephone"},
             {"传真", "Fax"},
             {"推荐人代码", "OperaterID", Kind::Equals},
             {"行业代码", "VocationID", Kind::Equals}}};
}

} // namespace

AgentQueryDialog::AgentQueryDialog(Member member, store::DataModule &dm, QWidget *parent)
    : ChoiceQueryDialog(
          description(member),
          [this](const QueryChoice *choice, const QString &value) { return search(choice, value); },
          parent),
      m_member(member), m_dm(dm)
{
}

store::Dataset &AgentQueryDialog::dataset() const
{
    return m_member == Member::List ? m_dm.tblCustomers : m_dm.tblCustomers2;
}

// 确定: the chosen condition (or none) joined with the ownership condition, which is empty for
// an administrator. The value is trimmed; blanks count as content only until then. A condition
// that finds nothing stays applied, so the list behind shows that nothing matched.
bool AgentQueryDialog::search(const QueryChoice *choice, const QString &value)
{
    store::Condition filter;
    if (choice)
        filter = choice->filter(value.trimmed());
    filter = filter && m_dm.ownershipCondition();
    store::Dataset &set = dataset();
    set.setFilter(filter);
    set.open();
    return set.rowCount() > 0;
}
