#pragma once

#include <QString>
#include <optional>

namespace store
{

class DataModule;
class Dataset;

// The rows that name a referrer by its code: contact records and business agents, of every
// user. Only contact records keep a referrer from being deleted; either keeps its code.
enum class ReferrerReference { Records, Agents };

// True when a contact record names the referrer. Runs the delete check's own statement on the
// shared query qryPubQuery, the code bound as a value.
bool referrerHasRecords(DataModule &dm, const QString &operaterId);

// The first kind of row, in the order above, that names the referrer; nothing when none does.
std::optional<ReferrerReference> firstReferrerReference(DataModule &dm, const QString &operaterId);

// Why a referrer whose code `before` is being changed to `after` may not take it: rows still
// name the old code and nothing would follow the change. Nothing when the change may be stored
// (no references, or only the letter case changes, which every comparison ignores).
std::optional<QString> referrerCodeChangeRefusal(DataModule &dm, const QString &before,
                                                 const QString &after);

// Refuses (StoreError) to store a referrer row whose code change referrerCodeChangeRefusal
// refuses, whichever way the row is posted. Installed as a before-post rule on tblOperaters.
void guardReferrerCodeChange(DataModule &dm, Dataset &referrers);

} // namespace store
