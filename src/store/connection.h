#pragma once

#include "schema.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <functional>

struct sqlite3;

namespace store {

// The one connection a seat holds to its store: a SQLite data file on this machine or a
// PostgreSQL database shared by seats on many machines. Opening never creates a store.
class Connection : public QObject
{
    Q_OBJECT
public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    // Opens the store at `location` (a file path or a postgresql:// URI). Throws StoreError
    // with the store's message when it cannot, or when the file is not a store of ours.
    void open(const QString &location);
    // Opens without the check that the store is ours: only for making a new store.
    void openUnchecked(const QString &location);
    void close();
    bool isOpen() const;

    QString location() const { return m_location; }
    Engine engine() const { return m_engine; }
    QSqlDatabase database() const;
    QString ident(const QString &name) const { return Schema::identifier(name, m_engine); }

    // Runs one statement with values bound by position (`?`) or by name (`:name`).
    // Throws StoreError on failure.
    QSqlQuery exec(const QString &sql, const QVariantList &values = {});
    QSqlQuery execNamed(const QString &sql, const QVariantMap &values);
    QVariant scalar(const QString &sql, const QVariantList &values = {});

    // Runs `work` in one transaction: all of it is stored or none of it. On SQLite the write
    // lock is taken at the start, so two seats never deadlock upgrading a read.
    void transaction(const std::function<void()> &work);
    bool inTransaction() const { return m_txDepth > 0; }

    // The raw handle for the online backup and the benchmarks; null on PostgreSQL.
    sqlite3 *sqliteHandle() const;

    static bool isServerLocation(const QString &location);
    // The location as messages and windows show it: a server address without its password.
    static QString shownLocation(const QString &location);
    // The network file system the data file lies on ("nfs4", "cifs"), or empty: such a file
    // is used with the rollback journal, and seats on several machines belong on a server.
    QString networkFileSystem() const { return m_networkType; }
    // The location with Windows separators turned into ours.
    static QString normalise(const QString &location);

    // Tells this seat's datasets over `table` that this seat stored the row with `key`, which
    // now has `version`; `by` is the dataset that stored it (none for a plain statement).
    void announceStored(const QString &table, qint64 key, qint64 version, const QObject *by = nullptr)
    {
        Q_EMIT rowStored(table, key, version, by);
    }

Q_SIGNALS:
    void opened();
    void aboutToClose();
    void rowStored(const QString &table, qint64 key, qint64 version, const QObject *by);

private:
    void openSqlite(const QString &path);
    void openPostgres(const QString &uri);
    void chooseJournal(const QString &path);
    void checkStore();
    void checkFile() const;
    void forget();

    QString m_name;
    QString m_location;
    Engine m_engine = Engine::SQLite;
    int m_txDepth = 0;
    QString m_networkType;
};

// A throwaway PostgreSQL database for tests and the new-store command: parts of a URI.
struct ServerAddress
{
    QString host, user, password, database;
    int port = 5432;
    static ServerAddress parse(const QString &uri); // throws StoreError when malformed
    QString uri() const;
};

} // namespace store
