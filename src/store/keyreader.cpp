#include "keyreader.h"

#include "connection.h"
#include "dataset.h"
#include "querytext.h"
#include "rowreader.h"
#include "storeerror.h"

#include <QSqlError>

namespace store {

KeyReader::KeyReader(const Dataset &dataset) : m_d(dataset) {}

KeyReader::~KeyReader() = default;

void KeyReader::dropStatement()
{
    m_keyQuery.reset();
}

QString KeyReader::where(QVariantMap &values) const
{
    Connection &db = m_d.m_db;
    QStringList parts;
    if (!m_d.m_sqlWhere.isEmpty()) {
        parts << QLatin1Char('(') + m_d.m_sqlWhere + QLatin1Char(')');
        bindPlaceholders(m_d.m_sqlWhere, m_d.m_params, db.engine(), values);
    }
    int counter = 0;
    if (!m_d.m_filter.isNull())
        parts << QLatin1Char('(') +
                     m_d.m_filter.toSql(db.engine(), values, counter, QStringLiteral("f_")) +
                     QLatin1Char(')');
    if (m_d.m_master) {
        const QVariantList mv = m_d.masterValues();
        for (int i = 0; i < m_d.m_detailColumns.size(); ++i) {
            const QVariant v = i < mv.size() ? mv[i] : QVariant();
            if (v.isNull() || v.toString().isEmpty()) {
                parts << QStringLiteral("1 = 0"); // no master row: no detail rows
                break;
            }
            const QString name = QStringLiteral("m_%1").arg(i);
            parts << db.ident(m_d.m_detailColumns[i]) + QStringLiteral(" = :") + name;
            values.insert(name, v);
        }
    }
    return parts.isEmpty() ? QString()
                           : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

QString KeyReader::sortExpression() const
{
    Connection &db = m_d.m_db;
    const Table *table = m_d.m_table;
    if (!table->column(m_d.m_sortColumn)) {
        // A display field sorts by what it shows: the name looked up in the source table.
        for (const Dataset::Lookup &l : m_d.m_lookups) {
            if (l.field.compare(m_d.m_sortColumn, Qt::CaseInsensitive) != 0 || !l.source ||
                !l.source->m_table || l.keyColumn < 0)
                continue;
            return QStringLiteral("(SELECT s.%1 FROM %2 s WHERE s.%3 = %4.%5 LIMIT 1)")
                .arg(db.ident(l.resultColumn), l.source->m_table->name, db.ident(l.sourceKey),
                     table->name, db.ident(m_d.m_columns[l.keyColumn]));
        }
    }
    return db.ident(m_d.m_sortColumn);
}

QString KeyReader::orderBy() const
{
    const QString key = m_d.m_db.ident(m_d.m_table->keyColumn());
    if (!m_d.m_sortColumn.isEmpty())
        return QStringLiteral(" ORDER BY %1 %2, %3")
            .arg(sortExpression(),
                 // Empty values sort first, on both engines, as the original store sorted them.
                 m_d.m_sortOrder == Qt::AscendingOrder ? QStringLiteral("ASC NULLS FIRST")
                                                       : QStringLiteral("DESC NULLS LAST"),
                 key);
    if (!m_d.m_sqlOrder.isEmpty())
        return QStringLiteral(" ORDER BY ") + m_d.m_sqlOrder + QStringLiteral(", ") + key;
    return QStringLiteral(" ORDER BY ") + key;
}

void KeyReader::read(QVector<qint64> &keys)
{
    Connection &db = m_d.m_db;
    const Table *table = m_d.m_table;
    QVariantMap values;
    const QString where = this->where(values) + orderBy();
    const QString sql =
        QStringLiteral("SELECT %1 FROM %2").arg(db.ident(table->keyColumn()), table->name) + where;
    keys.clear();
    if (db.sqliteHandle()) {
        RowReader rows(db, sql, values);
        while (rows.next())
            keys.append(rows.int64(0));
        return;
    }
    // On the server the keys come as one text, in order, instead of a result row per key: the
    // driver's cost per row was most of the time of a long list. The statement is prepared once
    // per dataset and only rebound, so a detail following its master costs one round trip per move.
    const QString joined =
        QStringLiteral("SELECT string_agg(s.k::text, ',') FROM (SELECT %1 AS k FROM %2")
            .arg(db.ident(table->keyColumn()), table->name) +
        where + QStringLiteral(") s");
    if (!m_keyQuery || m_keyQuerySql != joined) {
        m_keyQuery = std::make_unique<QSqlQuery>(db.database());
        m_keyQuery->setForwardOnly(false); // the driver fetches forward-only results row by row
        if (!m_keyQuery->prepare(joined)) {
            const QSqlError e = m_keyQuery->lastError();
            m_keyQuery.reset();
            throw db.failure(e);
        }
        m_keyQuerySql = joined;
    }
    for (auto it = values.begin(); it != values.end(); ++it)
        m_keyQuery->bindValue(QLatin1Char(':') + it.key(), it.value());
    if (!m_keyQuery->exec())
        throw db.failure(m_keyQuery->lastError());
    if (m_keyQuery->next()) {
        const QString text = m_keyQuery->value(0).toString();
        keys.reserve(text.size() / 4);
        const QStringView all(text);
        for (qsizetype from = 0; from < all.size();) {
            qsizetype to = all.indexOf(QLatin1Char(','), from);
            if (to < 0)
                to = all.size();
            keys.append(all.sliced(from, to - from).toLongLong());
            from = to + 1;
        }
    }
    m_keyQuery->finish();
}

int KeyReader::find(int field, const QVariant &value) const
{
    Connection &db = m_d.m_db;
    QVariantMap values;
    QString where = this->where(values);
    where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND "));
    int counter = 0;
    const QString column = m_d.m_columns[field];
    const Condition c = m_d.m_types[field] == ColumnType::Date
                            ? Condition::dateEq(column, value.toDate())
                            : Condition::eq(column, value);
    where += c.toSql(db.engine(), values, counter, QStringLiteral("l_"));
    QSqlQuery q = m_d.run(QStringLiteral("SELECT %1 FROM %2")
                                  .arg(db.ident(m_d.m_table->keyColumn()), m_d.m_table->name) +
                              where + orderBy(),
                          values);
    int found = -1;
    while (found < 0 && q.next())
        found = int(m_d.m_keys.indexOf(q.value(0).toLongLong()));
    return found;
}

} // namespace store
