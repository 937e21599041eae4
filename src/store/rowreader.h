#pragma once

#include "schema.h"

#include <QSqlQuery>
#include <QVariant>
#include <QVariantMap>
#include <memory>

struct sqlite3_stmt;

namespace store {

class Connection;

// Reads the rows of one statement, converting each value to the type of its column. On a
// SQLite store it steps the statement through SQLite itself, which is several times quicker
// than the driver layer for the long reads of keys, whole columns and whole tables.
class RowReader
{
public:
    RowReader(Connection &db, const QString &sql, const QVariantMap &values);
    ~RowReader();
    RowReader(const RowReader &) = delete;
    RowReader &operator=(const RowReader &) = delete;

    bool next();
    qint64 int64(int column) const;
    QString text(int column) const;
    QVariant value(int column, ColumnType type) const;
    // The value as the store holds it (on SQLite: integer, real, text, blob or null), to be
    // bound again in a comparison with the column it came from.
    QVariant raw(int column) const;

    // A driver value in the program's form for a column type: dates as QDate, yes/no as
    // bool (never null), numbers as double or qint64, texts as QString.
    static QVariant convert(const QVariant &v, ColumnType type);

private:
    sqlite3_stmt *m_stmt = nullptr;
    std::unique_ptr<QSqlQuery> m_query;
};

} // namespace store
