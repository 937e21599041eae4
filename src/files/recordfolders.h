#pragma once

#include <QString>
#include <optional>

// The document folders of the records under FilesDir: one per agent (FilesDir + CustId), one
// per referrer (FilesDir + "Operaters/" + OperaterID) and one for the schedule ("Plans").
// Paths are built by plain concatenation, so a code is used as a folder name only when it
// cannot point anywhere but a folder directly inside its parent. Record folders are created on
// demand and never deleted, renamed or moved.
class RecordFolders
{
  public:
    // FilesDir itself, and the two fixed folders below it.
    static QString root();
    static QString operatersFolder();
    static QString plansFolder();

    // FilesDir + code, or nothing when the code cannot name a folder there safely.
    static std::optional<QString> folderFor(const QString &code);
    // FilesDir + "Operaters/" + id, with the same test.
    static std::optional<QString> referrerFolder(const QString &operaterId);

    // A code that is a single folder name: not empty or blank, not "." or "..", without
    // separators or control characters (on Windows also without : * ? " < > |).
    static bool isSafeCode(const QString &code);
    // The message shown when a code is refused.
    static QString refusalText(const QString &code);

    // Creates FilesDir when missing, then `folder` with any missing parents. True when the
    // folder exists afterwards.
    static bool ensure(const QString &folder);

  private:
    static std::optional<QString> childOf(const QString &parent, const QString &name);
};
