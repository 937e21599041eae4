#include "recordreferences.h"

#include "codereferences.h"

namespace store
{

bool recordHasItems(DataModule &dm, const QString &operateId)
{
    return findsRow(dm,
                    QStringLiteral("select * from tblOperateDetail where OperateID=:OperateID "),
                    {QStringLiteral("OperateID")}, operateId);
}

std::optional<QString> recordCodeChangeRefusal(DataModule &dm, const QString &before,
                                               const QString &after)
{
    if (codeChangeMatters(before, after) && recordHasItems(dm, before))
        return QStringLiteral("对不起，该业务资料包括业务子项信息，不能修改联络代码！");
    return std::nullopt;
}

void guardRecordCodeChange(DataModule &dm, Dataset &records)
{
    guardCodeChange(dm, records, QStringLiteral("tblOperates"), QStringLiteral("OperateID"),
                    recordCodeChangeRefusal);
}

} // namespace store
