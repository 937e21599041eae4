#include "contactquerydialog.h"

#include "condition.h"
#include "datamodule.h"
#include "session.h"

namespace
{

// The conditions each member offers after "所有联系人", in list order: each looks for the
// value inside one column of the contact.
QueryDialogDescription description(ContactQueryDialog::Member member)
{
    const bool list = member == ContactQueryDialog::Member::List;
    QueryDialogDescription d{list ? "TfrmLinkmanQuery1" : "TfrmLinkmanQuery",
                             QStringLiteral("联系人查询"),
                             QStringLiteral("所有联系人"),
                             {}};
    if (list)
        d.choices = {{"商务代理代码", "CustID"},
                     {"联系人代码", "LinkmanID"},
                     {"联系人姓名", "Name"},
                     {"职务", "Duty"},
                     {"称呼", "NickName"}};
    else // the mail query's "商务代理资料" is the agent code of the contact, not its name
        d.choices = {{"商务代理资料", "CustID"}, {"联系人资料", "Name"}};
    d.valueLabel = QStringLiteral("附加条件：");
    d.emptyMessage = QStringLiteral("请输入附加查询条件!");
    return d;
}

} // namespace

ContactQueryDialog::ContactQueryDialog(Member member, store::DataModule &dm, QWidget *parent)
    : ChoiceQueryDialog(
          description(member),
          [this](const QueryChoice *choice, const QString &value) { return search(choice, value); },
          parent),
      m_member(member), m_dm(dm)
{
}

store::Dataset &ContactQueryDialog::dataset() const
{
    return m_member == Member::List ? m_dm.qryLinkmans1 : m_dm.qryLinkmans3;
}

// 确定: the statement is built again from its first line, the chosen condition and, for the
// list of a user who is not an administrator, the owner, then read. The value is bound as
// typed: blanks stay part of it.
bool ContactQueryDialog::search(const QueryChoice *choice, const QString &value)
{
    const QString user = store::session().CurrentUserID;
    const bool owned = m_member == Member::List && !m_dm.isAdministrator(user);
    if (m_member == Member::Mail)
        m_dm.tblCustomers2.open(); // the agent columns of the mail list are looked up there
    store::Dataset &set = dataset();
    set.close();
    QStringList lines{QStringLiteral("select * from tblLinkmans ")};
    if (choice) {
        lines << QStringLiteral(" where %1 Like :Value ESCAPE '\\'").arg(choice->fieldName());
        set.setParam(QStringLiteral("Value"),
                     QString(QLatin1Char('%') + store::escapeLike(value) + QLatin1Char('%')));
    }
    if (owned) {
        lines << (choice ? QStringLiteral(" and sUser=:sUser")
                         : QStringLiteral(" where sUser=:sUser"));
        set.setParam(QStringLiteral("sUser"), user);
    }
    set.setSql(lines);
    set.open();
    return set.rowCount() > 0;
}
