#include "codereferences.h"

#include "datamodule.h"
#include "storeerror.h"

namespace store
{

bool findsRow(DataModule &dm, const QString &sql, const QStringList &params, const QString &code)
{
    Dataset &q = dm.qryPubQuery;
    q.close();
    q.clearFilter();
    q.setSql(sql);
    for (const QString &p : params)
        q.setParam(p, code);
    q.open();
    const bool found = !q.isEmpty();
    q.close();
    return found;
}

bool codeChangeMatters(const QString &before, const QString &after)
{
    return !before.isEmpty() && before.compare(after, Qt::CaseInsensitive) != 0;
}

void guardCodeChange(DataModule &dm, Dataset &set, const QString &table, const QString &codeField,
                     CodeChangeRefusal refusal)
{
    set.addBeforePost([&dm, table, codeField, refusal = std::move(refusal)](Dataset &d) {
        if (d.state() != Dataset::State::Edit || !d.isChanged(codeField))
            return Dataset::PostAction::Store;
        if (const auto reason =
                refusal(dm, d.storedValue(codeField).toString(), d.value(codeField).toString()))
            throw StoreError(*reason, StoreError::Kind::Other, table, codeField);
        return Dataset::PostAction::Store;
    });
}

} // namespace store
