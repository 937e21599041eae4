#include "contactreferences.h"

#include "codereferences.h"

namespace store
{

bool contactHasRecords(DataModule &dm, const QString &linkmanId)
{
    return findsRow(dm, QStringLiteral("select * from tblOperates where LinkmanID=:LinkmanID"),
                    {QStringLiteral("LinkmanID")}, linkmanId);
}

std::optional<QString> contactCodeChangeRefusal(DataModule &dm, const QString &before,
                                                const QString &after)
{
    if (codeChangeMatters(before, after) && contactHasRecords(dm, before))
        return QStringLiteral("对不起，业务资料有该联系人信息，不能修改联系人代码！");
    return std::nullopt;
}

void guardContactCodeChange(DataModule &dm, Dataset &contacts)
{
    guardCodeChange(dm, contacts, QStringLiteral("tblLinkmans"), QStringLiteral("LinkmanID"),
                    contactCodeChangeRefusal);
}

} // namespace store
