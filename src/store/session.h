#pragma once

#include <QString>

namespace store {

// The process-wide session values every window shares; never written to disk.
struct Session
{
    QString CurrentUserID;
    QString AppDir;   // program directory, ending with '/'
    QString FilesDir; // AppDir + "Files/"
    QString FileClipMode;
    QString PickTarget;
    QString LedgerKind;

    // Fixes AppDir and FilesDir from a program directory.
    void setAppDir(const QString &dir);
};

Session &session();

// The group of a per-user memory file (import mappings, grid layouts) that holds what `user`
// chose for `list`; user names match without regard to case.
QString userGroup(const QString &user, const QString &list);

} // namespace store
