#pragma once

#include <QString>
#include <optional>

namespace store
{

class DataModule;
class Dataset;

// The detail items of a contact record refer to it by its code. A record with items is neither
// deleted nor given another code, whoever's items they are.

// True when any item names the record code. Runs the described statement on the shared query
// qryPubQuery with the code bound as a value.
bool recordHasItems(DataModule &dm, const QString &operateId);

// Why a record whose code `before` is being changed to `after` may not take it; nothing when the
// change may be stored (no items, or only the letter case changes, which every comparison
// ignores).
std::optional<QString> recordCodeChangeRefusal(DataModule &dm, const QString &before,
                                               const QString &after);

// Refuses (StoreError) to store a record whose code change recordCodeChangeRefusal refuses,
// whichever way the row is posted. Installed as a before-post rule on both record sets.
void guardRecordCodeChange(DataModule &dm, Dataset &records);

} // namespace store
