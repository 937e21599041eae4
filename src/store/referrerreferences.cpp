#include "referrerreferences.h"

#include "codereferences.h"

namespace store
{

namespace
{

const QString Code = QStringLiteral("OperaterID");

// Whether the statement over one table finds a row naming the code.
bool named(DataModule &dm, const QString &sql, const QString &operaterId)
{
    return findsRow(dm, sql, {Code}, operaterId);
}

} // namespace

bool referrerHasRecords(DataModule &dm, const QString &operaterId)
{
    return named(dm, QStringLiteral("select * from tblOperates where OperaterID=:OperaterID "),
                 operaterId);
}

std::optional<ReferrerReference> firstReferrerReference(DataModule &dm, const QString &operaterId)
{
    if (referrerHasRecords(dm, operaterId))
        return ReferrerReference::Records;
    if (named(dm, QStringLiteral("select * from tblCustomers where OperaterID=:OperaterID"),
              operaterId))
        return ReferrerReference::Agents;
    return std::nullopt;
}

std::optional<QString> referrerCodeChangeRefusal(DataModule &dm, const QString &before,
                                                 const QString &after)
{
    if (!codeChangeMatters(before, after))
        return std::nullopt;
    const auto kind = firstReferrerReference(dm, before);
    if (!kind)
        return std::nullopt;
    return *kind == ReferrerReference::Records
               ? QStringLiteral("对不起，该推荐人已有业务资料，不能修改推荐人代码！")
               : QStringLiteral("对不起，该推荐人已有推荐的商务代理，不能修改推荐人代码！");
}

void guardReferrerCodeChange(DataModule &dm, Dataset &referrers)
{
    guardCodeChange(dm, referrers, QStringLiteral("tblOperaters"), Code, referrerCodeChangeRefusal);
}

} // namespace store
