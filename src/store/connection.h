#pragma once

#include "schema.h"
#include "storeerror.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <functional>
#include <memory>

class QThread;
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
    // lock is taken at the start, so two seats never deadlock upgrading a read. When the
    // connection to a server breaks as the COMMIT goes out, the StoreError names the
    // transaction (unsettledCommit) so that its outcome can be asked for later.
    void transaction(const std::function<void()> &work);

    // ---- a server that goes away under the seat
    // From the moment a statement finds the server gone until the connection stands again,
    // the seat is "lost": statements are refused at once (StoreError::connectionLoss), a
    // watcher thread waits for the server to answer, and the connection is then opened again
    // by itself (connectionRestored). Never on SQLite.
    bool isLost() const { return m_lost; }
    // Opens the connection again now when the server answers; false while it does not.
    bool reconnectNow();
    // Whether the transaction that StoreError::unsettledCommit named is in the store. Throws
    // StoreError while the server is away or cannot tell yet.
    bool isCommitted(qint64 transaction);
    // The store error for a failed statement of a query run outside exec(): a connection
    // loss when the server is gone, the store's refusal otherwise.
    StoreError failure(const QSqlError &error);
    // The error for a data file found damaged (`why` says how); it names the file.
    StoreError damaged(const QString &why) const;
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
    // The server went away (once per loss) / the connection stands again, so that statements
    // prepared on the old one are made anew.
    void connectionLost();
    void connectionRestored();
    void rowStored(const QString &table, qint64 key, qint64 version, const QObject *by);

private:
    void openSqlite(const QString &path);
    void openPostgres(const QString &uri);
    void chooseJournal(const QString &path);
    void checkStore();
    void checkFile() const;
    void checkLength(const QString &path) const;
    void forget();
    bool serverGone() const;
    void requireConnection();
    void markLost();
    void noteSession();
    void endOldSession();
    void startWatch();
    void stopWatch();

    QString m_name;
    QString m_location;
    Engine m_engine = Engine::SQLite;
    int m_txDepth = 0;
    QString m_networkType;

    bool m_lost = false;
    bool m_shouldBeOpen = false; // opened, and not closed by this seat since
    std::shared_ptr<std::atomic<bool>> m_serverAnswers; // set by the watcher thread
    std::shared_ptr<std::atomic<bool>> m_stopWatch;
    std::unique_ptr<QThread> m_watch;
    qint64 m_backendPid = 0;  // this seat's session on the server, ended on reconnecting
    QString m_backendStart;   // ... and when it began, so no other session is taken for it
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
