#include "referrerreferences.h"

#include "datamodule.h"
#include "storeerror.h"

namespace store
{

namespace
{

const QString Code = QStringLiteral("OperaterID");

// Whether the statement over one table finds a row naming the code; the statements read the
// tables without any ownership filter, so every user's rows count.
bool named(DataModule &dm, const QString &sql, const QString &operaterId)
{
    Dataset &q = dm.qryPubQuery;
    q.close();
    q.clearFilter();
    q.setSql(sql);
    q.setParam(Code, operaterId);
    q.open();
    const bool found = !q.isEmpty();
    q.close();
    return found;
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
    if (before.isEmpty() || before.compare(after, Qt::CaseInsensitive) == 0)
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
    referrers.addBeforePost([&dm](Dataset &d) {
        if (d.state() != Dataset::State::Edit || !d.isChanged(Code))
            return Dataset::PostAction::Store;
        if (const auto refusal = referrerCodeChangeRefusal(dm, d.storedValue(Code).toString(),
                                                           d.value(Code).toString()))
            throw StoreError(*refusal, StoreError::Kind::Other, QStringLiteral("tblOperaters"),
                             Code);
        return Dataset::PostAction::Store;
    });
}

} // namespace store
