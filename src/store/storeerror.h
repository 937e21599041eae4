#pragma once

#include <QString>
#include <stdexcept>

class QSqlError;

namespace store {

// An error raised by the store (or by our own guard in front of it). The text is what the
// user sees in the general error display; the kind lets a window turn a known refusal into
// its own message (an empty description, a duplicate code).
class StoreError : public std::runtime_error
{
public:
    enum class Kind { Other, Connection, Duplicate, Required, TooLong, OutOfRange, Conflict, NotAStore, NotOwner, DiskFull, Damaged };

    explicit StoreError(const QString &text, Kind kind = Kind::Other, const QString &table = {},
                        const QString &column = {});

    QString text() const { return m_text; }
    Kind kind() const { return m_kind; }
    QString table() const { return m_table; }
    QString column() const { return m_column; }

    // Turns a driver error into the store's own refusal where the constraint is one of ours.
    static StoreError fromSql(const QSqlError &error);

    static QString conflictText();

    // A save whose COMMIT went out as the connection to the server broke: whether the store
    // has it is known only once the server answers again (Connection::isCommitted). Zero for
    // every other error.
    qint64 unsettledCommit() const { return m_unsettledCommit; }
    static StoreError unsettled(qint64 transaction);
    // The server went away under the seat: the statement did not run.
    bool isConnectionLoss() const { return m_kind == Kind::Connection && m_loss; }
    static StoreError connectionLoss();
    // The refusal of an amount beyond what money columns hold.
    static StoreError outOfRange(const QString &table, const QString &column);

private:
    QString m_text;
    Kind m_kind;
    QString m_table;
    QString m_column;
    qint64 m_unsettledCommit = 0;
    bool m_loss = false;
};

} // namespace store
