#pragma once

#include <QString>

// A write that fails because the disk is full is told as such, in words a user acts on,
// whichever part of the program wrote (a save, a backup, an export, a PDF).
namespace store::DiskSpace {

// True when the file system that holds `path` (or the folder it would be made in) has no
// room left to speak of.
bool isFull(const QString &path);

// The message for a failed write to `path`: the full disk said plainly, else `fallback`.
QString writeFailure(const QString &path, const QString &fallback);

// The message for a save the store refused because its disk is full.
QString storeFullText();

} // namespace store::DiskSpace
