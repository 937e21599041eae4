#include "rowreader.h"

#include "connection.h"
#include "money.h"
#include "storeerror.h"

#include <QDate>
#include <QDateTime>
#include <sqlite3.h>

namespace store {

namespace {

QDate isoDate(const char *s, int n)
{
    // yyyy-MM-dd at the start of the text; anything else is no date.
    if (n < 10 || s[4] != '-' || s[7] != '-')
        return {};
    const auto digits = [s](int from, int count) {
        int v = 0;
        for (int i = from; i < from + count; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return -1;
            v = v * 10 + (s[i] - '0');
        }
        return v;
    };
    const int y = digits(0, 4), m = digits(5, 2), d = digits(8, 2);
    return (y < 0 || m < 0 || d < 0) ? QDate() : QDate(y, m, d);
}

void bind(sqlite3_stmt *stmt, int index, const QVariant &v)
{
    if (!v.isValid() || v.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        sqlite3_bind_int(stmt, index, v.toBool() ? 1 : 0);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        sqlite3_bind_int64(stmt, index, v.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(stmt, index, v.toDouble());
        break;
    case QMetaType::QDate: {
        const QByteArray t = v.toDate().toString(Qt::ISODate).toUtf8();
        sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray t = v.toString().toUtf8();
        sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    }
}

} // namespace

RowReader::RowReader(Connection &db, const QString &sql, const QVariantMap &values)
{
    if (sqlite3 *h = db.sqliteHandle()) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(h, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK)
            throw StoreError(QString::fromUtf8(sqlite3_errmsg(h)));
        for (auto it = values.begin(); it != values.end(); ++it) {
            const QByteArray name = ':' + it.key().toUtf8();
            if (const int index = sqlite3_bind_parameter_index(m_stmt, name.constData()))
                bind(m_stmt, index, it.value());
        }
        return;
    }
    m_query = std::make_unique<QSqlQuery>(db.execNamed(sql, values));
}

RowReader::~RowReader()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

bool RowReader::next()
{
    if (!m_stmt)
        return m_query->next();
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        throw StoreError(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_stmt))));
    return false;
}

qint64 RowReader::int64(int column) const
{
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : m_query->value(column).toLongLong();
}

QString RowReader::text(int column) const
{
    if (!m_stmt)
        return m_query->value(column).toString();
    const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return t ? QString::fromUtf8(t, sqlite3_column_bytes(m_stmt, column)) : QString();
}

QVariant RowReader::raw(int column) const
{
    if (!m_stmt)
        return m_query->value(column);
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return qint64(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_stmt, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(m_stmt, column)),
                          sqlite3_column_bytes(m_stmt, column));
    case SQLITE_NULL:
        return {};
    default:
        return text(column);
    }
}

QVariant RowReader::value(int column, ColumnType type) const
{
    if (!m_stmt)
        return convert(m_query->value(column), type);
    const int kind = sqlite3_column_type(m_stmt, column);
    if (kind == SQLITE_NULL)
        return type == ColumnType::Bool ? QVariant(false) : QVariant();
    switch (type) {
    case ColumnType::Bool:
        return sqlite3_column_int64(m_stmt, column) != 0;
    case ColumnType::Integer:
    case ColumnType::AutoNumber:
        return qint64(sqlite3_column_int64(m_stmt, column));
    case ColumnType::Number:
        return sqlite3_column_double(m_stmt, column);
    case ColumnType::Currency:
        return Money::round(sqlite3_column_double(m_stmt, column));
    case ColumnType::Date: {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        const QDate d = t ? isoDate(t, sqlite3_column_bytes(m_stmt, column)) : QDate();
        return d.isValid() ? QVariant(d) : QVariant();
    }
    default:
        return text(column);
    }
}

QVariant RowReader::convert(const QVariant &v, ColumnType t)
{
    if (t == ColumnType::Bool)
        return v.isNull() ? false : v.toBool();
    if (v.isNull())
        return {};
    switch (t) {
    case ColumnType::Date:
        if (v.metaType().id() == QMetaType::QDateTime)
            return v.toDateTime().date();
        if (v.metaType().id() == QMetaType::QDate)
            return v;
        {
            const QByteArray s = v.toString().toLatin1();
            const QDate d = isoDate(s.constData(), int(s.size()));
            return d.isValid() ? QVariant(d) : QVariant();
        }
    case ColumnType::Integer:
    case ColumnType::AutoNumber:
        return v.toLongLong();
    case ColumnType::Number:
        return v.toDouble();
    case ColumnType::Currency:
        return Money::round(v.toDouble());
    default:
        return v.toString();
    }
}

} // namespace store
