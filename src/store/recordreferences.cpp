#include "recordreferences.h"

#include "datamodule.h"
#include "storeerror.h"

namespace store
{

bool recordHasItems(DataModule &dm, const QString &operateId)
{
    Dataset &q = dm.qryPubQuery;
    q.close();
    q.clearFilter();
    q.setSql(QStringLiteral("select * from tblOperateDetail where OperateID=:OperateID "));
    q.setParam(QStringLiteral("OperateID"), operateId);
    q.open();
    const bool found = !q.isEmpty();
    q.close();
    return found;
}

std::optional<QString> recordCodeChangeRefusal(DataModule &dm, const QString &before,
                                               const QString &after)
{
    if (before.isEmpty() || before.compare(after, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    if (recordHasItems(dm, before))
        return QStringLiteral("对不起，该业务资料包括业务子项信息，不能修改联络代码！");
    return std::nullopt;
}

void guardRecordCodeChange(DataModule &dm, Dataset &records)
{
    records.addBeforePost([&dm](Dataset &d) {
        const QString code = QStringLiteral("OperateID");
        if (d.state() != Dataset::State::Edit || !d.isChanged(code))
            return Dataset::PostAction::Store;
        if (const auto refusal = recordCodeChangeRefusal(dm, d.storedValue(code).toString(),
                                                         d.value(code).toString()))
            throw StoreError(*refusal, StoreError::Kind::Other, QStringLiteral("tblOperates"), code);
        return Dataset::PostAction::Store;
    });
}

} // namespace store
