#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace store
{

class DataModule;
class Dataset;

// Whether `sql` finds a row, run on the shared query qryPubQuery with `code` bound as a value
// to each parameter of `params`. No filter applies: every user's rows count.
bool findsRow(DataModule &dm, const QString &sql, const QStringList &params, const QString &code);

// Whether changing a code from `before` to `after` can leave rows naming no row: not when there
// was no code yet, nor when only the letter case changes, which every comparison ignores.
bool codeChangeMatters(const QString &before, const QString &after);

// Why a row's code may not change from `before` to `after`; nothing when it may.
using CodeChangeRefusal = std::function<std::optional<QString>(
    DataModule &dm, const QString &before, const QString &after)>;

// Refuses (StoreError naming `table` and `codeField`) to store a stored row of `set` whose code
// changed where `refusal` gives a reason, whichever way the row is posted. A before-post rule.
void guardCodeChange(DataModule &dm, Dataset &set, const QString &table, const QString &codeField,
                     CodeChangeRefusal refusal);

} // namespace store
