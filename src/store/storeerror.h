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
    enum class Kind { Other, Connection, Duplicate, Required, TooLong, OutOfRange, Conflict, NotAStore, NotOwner };

    explicit StoreError(const QString &text, Kind kind = Kind::Other, const QString &table = {},
                        const QString &column = {});

    QString text() const { return m_text; }
    Kind kind() const { return m_kind; }
    QString table() const { return m_table; }
    QString column() const { return m_column; }

    // Turns a driver error into the store's own refusal where the constraint is one of ours.
    static StoreError fromSql(const QSqlError &error);

    static QString conflictText();
    // The refusal of an amount beyond what money columns hold.
    static StoreError outOfRange(const QString &table, const QString &column);

private:
    QString m_text;
    Kind m_kind;
    QString m_table;
    QString m_column;
};

} // namespace store
