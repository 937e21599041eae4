#include "contactreferences.h"

#include "datamodule.h"
#include "storeerror.h"

namespace store
{

bool contactHasRecords(DataModule &dm, const QString &linkmanId)
{
    Dataset &q = dm.qryPubQuery;
    q.close();
    q.clearFilter();
    q.setSql(QStringLiteral("select * from tblOperates where LinkmanID=:LinkmanID"));
    q.setParam(QStringLiteral("LinkmanID"), linkmanId);
    q.open();
    const bool found = !q.isEmpty();
    q.close();
    return found;
}

std::optional<QString> contactCodeChangeRefusal(DataModule &dm, const QString &before,
                                                const QString &after)
{
    if (before.isEmpty() || before.compare(after, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    if (contactHasRecords(dm, before))
        return QStringLiteral("对不起，业务资料有该联系人信息，不能修改联系人代码！");
    return std::nullopt;
}

void guardContactCodeChange(DataModule &dm, Dataset &contacts)
{
    contacts.addBeforePost([&dm](Dataset &d) {
        const QString code = QStringLiteral("LinkmanID");
        if (d.state() != Dataset::State::Edit || !d.isChanged(code))
            return Dataset::PostAction::Store;
        if (const auto refusal = contactCodeChangeRefusal(dm, d.storedValue(code).toString(),
                                                          d.value(code).toString()))
            throw StoreError(*refusal, StoreError::Kind::Other, QStringLiteral("tblLinkmans"),
                             code);
        return Dataset::PostAction::Store;
    });
}

} // namespace store
