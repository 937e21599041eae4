#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct sqlite3;

namespace store
{
class Connection;
struct ServerAddress;
} // namespace store

// The work behind 数据备份 and 数据恢复, without any window. Copies of the store are
// consistent and checked before they count, a file is never left half-written under its
// final name, and the data file is replaced only when its successor is complete, so it is
// never lost. A SQLite store is copied with SQLite's online backup; a PostgreSQL store with
// the server's own pg_dump and pg_restore (the archive is kept under the .wdb name).
// Every failure throws store::StoreError with a text for the user; the kind NotAStore says
// that a file offered for a restore does not hold a store of ours.
class StoreCopy
{
  public:
    // Told between the steps of a long copy: the work done and the whole, both 0 while the
    // amount is unknown (a server program running).
    using Progress = std::function<void(qint64 done, qint64 total)>;

    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // Pages per step of the online backup: smaller steps report progress more often.
    void setPagesPerStep(int pages) { m_pagesPerStep = pages; }

    // A copy of the store `db` is open on, placed at `target`. It holds the store as it was
    // when the copy began, whatever other seats write meanwhile.
    void backup(store::Connection &db, const QString &target);

    // Restore goes in steps so that a refusal touches nothing of the store.
    // Checks that `chosen` holds a store of ours for the store at `location` and readies it:
    // a SQLite file is copied beside the data file and checked there (the chosen file itself
    // is only read), a server archive is checked as it is. Returns what replace() installs.
    QString prepare(const QString &location, const QString &chosen);
    // With this seat's connection closed: keeps the current store as `keepAs` (a damaged one
    // as it lies on disk), then puts the prepared one in its place. A data file that other
    // seats still have open is refused.
    void replace(const QString &location, const QString &prepared, const QString &keepAs);
    // Removes what prepare() made when the restore does not go on (or is over).
    static void discard(const QString &location, const QString &prepared);

    // Throws unless the SQLite file opens as a store of ours and passes the integrity check.
    static void checkFile(const QString &path);
    // Throws unless the file is a pg_dump archive holding our store.
    void checkArchive(const QString &path);

    // AppDir + "Backup/" + today as yyyy-MM-dd: the day folder.
    static QString dayFolder(const QString &appDir);
    // `path` when it is free, else a free name beside it with the time of day added.
    static QString freeName(const QString &path);
    // True when both names reach one existing file (links and spellings included).
    static bool isSameFile(const QString &a, const QString &b);
    // A PostgreSQL client program: from TESSALY_PG_BINDIR, the PATH, or the newest
    // /usr/lib/postgresql/*/bin. Empty when none is installed.
    static QString serverProgram(const QString &name);

  private:
    void copySqlite(sqlite3 *source, const QString &target);
    void copyBytes(const QString &from, const QString &to);
    void dump(const QString &uri, const QString &target);
    void restoreArchive(const QString &uri, const QString &archive);
    void replaceFile(const QString &dataFile, const QString &staged, const QString &keepAs);
    void keepCurrent(sqlite3 *data, const QString &dataFile, const QString &keepAs);
    QByteArray runProgram(const QString &name, const QStringList &arguments,
                          const store::ServerAddress *server);
    void report(qint64 done, qint64 total) const;

    Progress m_progress;
    int m_pagesPerStep = 256;
};
