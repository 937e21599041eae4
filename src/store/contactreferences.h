#pragma once

#include <QString>
#include <optional>

namespace store
{

class DataModule;
class Dataset;

// Contact records name their contact by its code (tblOperates.LinkmanID). A contact that any
// record names, of any agent or user, is neither deleted nor given another code.

// True when a contact record names the contact code. Runs "select * from tblOperates where
// LinkmanID=:LinkmanID" on the shared query qryPubQuery with the code bound as a value.
bool contactHasRecords(DataModule &dm, const QString &linkmanId);

// Why a contact whose code `before` is being changed to `after` may not take it: records still
// name the old code and would be left naming no contact. Nothing when the change may be stored
// (no records, or only the letter case changes, which every comparison ignores).
std::optional<QString> contactCodeChangeRefusal(DataModule &dm, const QString &before,
                                                const QString &after);

// Refuses (StoreError) to store a contact row whose code change contactCodeChangeRefusal
// refuses, whichever way the row is posted. Installed as a before-post rule on the contact sets.
void guardContactCodeChange(DataModule &dm, Dataset &contacts);

} // namespace store
