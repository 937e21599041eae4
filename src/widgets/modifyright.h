#pragma once

#include <QString>

class Rights;

namespace store
{
class Dataset;
}

// The right whose Modify flag a stored row of a dataset needs before it changes. A window that
// edits a dataset's rows names that right once; from then on every input bound to the dataset
// and every chooser that writes into it leave a stored row as it is for a user without the
// flag, and a stored row is never posted for such a user, whatever path posts it. New rows are
// not held back: they follow the Insert flag of the command that started them.
namespace ModifyRight
{
// Names the right for the dataset's stored rows (again: replaces it).
void require(store::Dataset &set, Rights &rights, const QString &right);
// Whether the current row may change now: a new row always, a stored one with the Modify flag
// of the dataset's right (or when no right was named).
bool allows(const store::Dataset &set);
} // namespace ModifyRight
