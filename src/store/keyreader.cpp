#include "keyreader.h"

#include "connection.h"
#include "dataset.h"
#include "querytext.h"
#include "rowreader.h"
#include "storeerror.h"

#include <QRegularExpression>
#include <QSqlError>

namespace store {

namespace
{

// "col", "col asc" or "col desc": a query's own order that the steps can follow.
bool singleColumnOrder(const QString &order, QString &column, bool &descending)
{
    static const QRegularExpression one(QStringLiteral("^\\s*(\\w+)\\s*(asc|desc)?\\s*$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = one.match(order);
    if (!m.hasMatch())
        return false;
    column = m.captured(1);
    descending = m.captured(2).compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
    return true;
}

// The limit is bound, so that a step of any size runs the same prepared statement.
QString limitText(int limit, Engine engine, QVariantMap &values)
{
    values.insert(QStringLiteral("k_limit"), limit >= 0 ? QVariant(limit)
                                             : engine == Engine::SQLite
                                                 ? QVariant(-1)
                                                 : QVariant(QMetaType::fromType<int>()));
    return QStringLiteral(" LIMIT :k_limit");
}

QString joined(const QStringList &parts)
{
    return parts.isEmpty() ? QString()
                           : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

} // namespace

KeyReader::KeyReader(const Dataset &dataset) : m_d(dataset) {}

KeyReader::~KeyReader() = default;

void KeyReader::dropStatement()
{
    m_prepared.clear();
}

// The conditions of the query text, the filter and the master. Their placeholders carry
// `prefix`, so that a source's conditions can stand beside ours in one statement.
QStringList KeyReader::conditions(QVariantMap &values, const QString &prefix, bool withSearch) const
{
    Connection &db = m_d.m_db;
    QStringList parts;
    if (!m_d.m_sqlWhere.isEmpty()) {
        const QString own = renamePlaceholders(m_d.m_sqlWhere, prefix);
        parts << QLatin1Char('(') + own + QLatin1Char(')');
        QVariantMap plain;
        bindPlaceholders(m_d.m_sqlWhere, m_d.m_params, db.engine(), plain);
        for (auto it = plain.cbegin(); it != plain.cend(); ++it)
            values.insert(prefix + it.key(), it.value());
    }
    int counter = 0;
    if (!m_d.m_filter.isNull())
        parts << QLatin1Char('(') +
                     m_d.m_filter.toSql(db.engine(), values, counter,
                                        prefix + QStringLiteral("f_"), true) +
                     QLatin1Char(')');
    if (withSearch && !m_d.m_search.isNull())
        parts << QLatin1Char('(') +
                     m_d.m_search.toSql(db.engine(), values, counter, prefix + QStringLiteral("t_"),
                                        true) +
                     QLatin1Char(')');
    if (m_d.m_master) {
        const QVariantList mv = m_d.masterValues();
        for (int i = 0; i < m_d.m_detailColumns.size(); ++i) {
            const QVariant v = i < mv.size() ? mv[i] : QVariant();
            if (v.isNull() || v.toString().isEmpty()) {
                parts << QStringLiteral("1 = 0"); // no master row: no detail rows
                break;
            }
            const QString name = prefix + QStringLiteral("m_%1").arg(i);
            parts << db.ident(m_d.m_detailColumns[i]) + QStringLiteral(" = :") + name;
            values.insert(name, v);
        }
    }
    return parts;
}

QString KeyReader::where(QVariantMap &values, bool withSearch) const
{
    return joined(conditions(values, QString(), withSearch));
}

// ---------------------------------------------------------------- the order

KeyReader::Plan KeyReader::plan() const
{
    Plan p;
    const Table *table = m_d.m_table;
    QString column = m_d.m_sortColumn;
    p.descending = m_d.m_sortOrder == Qt::DescendingOrder;
    if (column.isEmpty() && !m_d.m_sqlOrder.isEmpty() &&
        !singleColumnOrder(m_d.m_sqlOrder, column, p.descending)) {
        p.mode = Mode::Whole;
        return p;
    }
    if (column.isEmpty()) {
        p.mode = Mode::KeyOnly;
        p.descending = false;
        return p;
    }
    if (table->column(column)) {
        p.mode = Mode::Column;
        p.column = column;
        return p;
    }
    p.mode = Mode::Whole;
    for (int i = 0; i < int(m_d.m_lookups.size()); ++i) {
        const Dataset::Lookup &l = m_d.m_lookups[i];
        if (l.field.compare(column, Qt::CaseInsensitive) != 0)
            continue;
        p.lookup = i;
        // A join needs one source row per key; a key column that may repeat is looked up row
        // by row in the ORDER BY, as the display field shows the first of them.
        const Table *source = l.source && l.source->m_table ? l.source->m_table : nullptr;
        const Column *key = source ? source->column(l.sourceKey) : nullptr;
        if (key && key->unique && source->column(l.resultColumn) && l.keyColumn >= 0)
            p.mode = Mode::Lookup;
        break;
    }
    return p;
}

QString KeyReader::sourceWhere(int lookup, QVariantMap &values) const
{
    const Dataset *source = m_d.m_lookups[size_t(lookup)].source;
    return source->m_keyReader->conditions(values, QStringLiteral("s_"), false)
        .join(QStringLiteral(" AND "));
}

// A display field's value for the row of the outer statement, looked up in its source as the
// source is filtered now.
QString KeyReader::lookupExpression(int lookup, QVariantMap &values) const
{
    Connection &db = m_d.m_db;
    const Dataset::Lookup &l = m_d.m_lookups[size_t(lookup)];
    const QString own = sourceWhere(lookup, values);
    return QStringLiteral("(SELECT s.%1 FROM %2 s WHERE s.%3 = %4.%5%6 LIMIT 1)")
        .arg(db.ident(l.resultColumn), l.source->m_table->name, db.ident(l.sourceKey),
             m_d.m_table->name, db.ident(m_d.m_columns[l.keyColumn]),
             own.isEmpty() ? QString() : QStringLiteral(" AND ") + own);
}

QString KeyReader::orderBy(QVariantMap &values) const
{
    const QString key = m_d.m_db.ident(m_d.m_table->keyColumn());
    const Plan p = plan();
    QString sort;
    switch (p.mode) {
    case Mode::KeyOnly:
        return QStringLiteral(" ORDER BY ") + key;
    case Mode::Whole:
        if (p.lookup < 0)
            return QStringLiteral(" ORDER BY ") + m_d.m_sqlOrder + QStringLiteral(", ") + key;
        sort = lookupExpression(p.lookup, values);
        break;
    case Mode::Column:
        sort = m_d.m_db.ident(p.column);
        break;
    case Mode::Lookup:
        sort = lookupExpression(p.lookup, values);
        break;
    }
    // Empty values first, on both engines, as the original store sorted them; descending is
    // the same order backwards, so one index serves both.
    return p.descending ? QStringLiteral(" ORDER BY %1 DESC NULLS LAST, %2 DESC").arg(sort, key)
                        : QStringLiteral(" ORDER BY %1 ASC NULLS FIRST, %2 ASC").arg(sort, key);
}

// ---------------------------------------------------------------- the steps

// The rows without a sort value, which follow one another by key, after `from` (and before
// `until`) in the statement's direction.
void KeyReader::keyOrder(Part &out, QStringList conditions, bool descending, const Seek &s) const
{
    Connection &db = m_d.m_db;
    const QString key = db.ident(m_d.m_table->keyColumn());
    if (s.from.started) {
        conditions << key +
                          (descending ? QStringLiteral(" < :k_key") : QStringLiteral(" > :k_key"));
        out.values.insert(QStringLiteral("k_key"), s.from.key);
    }
    if (s.until && s.until->part == s.from.part) {
        conditions << key +
                          (descending ? QStringLiteral(" > :u_key") : QStringLiteral(" < :u_key"));
        out.values.insert(QStringLiteral("u_key"), s.until->key);
    }
    out.hasValue = false;
    out.head = QStringLiteral("SELECT %1 AS k").arg(key);
    out.body = QStringLiteral(" FROM %1").arg(m_d.m_table->name) + joined(conditions);
    out.tail = QStringLiteral(" ORDER BY ") + key +
               (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC")) +
               limitText(s.limit, db.engine(), out.values);
}

// The statement of one part of the order: the rows without a sort value (by key) or the rows
// with one (by value and key), after `from` when reading has started in it.
KeyReader::Part KeyReader::part(const Plan &p, const Seek &s) const
{
    const bool nulls = p.mode == Mode::KeyOnly || (s.from.part == 0) != p.descending;
    if (p.mode == Mode::Lookup)
        return lookupPart(p, nulls, s);
    return columnPart(p, nulls, s);
}

KeyReader::Part KeyReader::columnPart(const Plan &p, bool nulls, const Seek &s) const
{
    Connection &db = m_d.m_db;
    const bool pg = db.engine() == Engine::PostgreSQL;
    const bool desc = p.descending != s.back;
    const QString key = db.ident(m_d.m_table->keyColumn());
    Part out;
    QStringList parts = conditions(out.values, QString());
    const QString e = p.mode == Mode::Column ? db.ident(p.column) : QString();
    if (nulls) {
        if (!e.isEmpty())
            parts << e + QStringLiteral(" IS NULL");
        keyOrder(out, parts, desc, s);
        return out;
    }
    parts << e + QStringLiteral(" IS NOT NULL");
    if (s.from.started) {
        parts << QStringLiteral("(%1, %2) %3 (:k_value, :k_key)")
                     .arg(e, key, desc ? QStringLiteral("<") : QStringLiteral(">"));
        out.values.insert(QStringLiteral("k_key"), s.from.key);
        out.values.insert(QStringLiteral("k_value"), s.from.value);
    }
    if (s.until && s.until->part == s.from.part) {
        parts << QStringLiteral("(%1, %2) %3 (:u_value, :u_key)")
                     .arg(e, key, desc ? QStringLiteral(">") : QStringLiteral("<"));
        out.values.insert(QStringLiteral("u_key"), s.until->key);
        out.values.insert(QStringLiteral("u_value"), s.until->value);
    }
    out.hasValue = true;
    out.head =
        QStringLiteral("SELECT %1 AS k, %2 AS v").arg(key, pg ? e + QStringLiteral("::text") : e);
    out.body = QStringLiteral(" FROM %1").arg(m_d.m_table->name) + joined(parts);
    out.tail = (desc ? QStringLiteral(" ORDER BY %1 DESC NULLS LAST, %2 DESC")
                     : QStringLiteral(" ORDER BY %1 ASC NULLS FIRST, %2 ASC"))
                   .arg(e, key) +
               limitText(s.limit, db.engine(), out.values);
    return out;
}

// A display field's order. The rows that show a value come from the source's rows in the
// order of that value (its index), each joined to the rows of this table naming it; the
// others by key, found by the source rows they lack.
KeyReader::Part KeyReader::lookupPart(const Plan &p, bool nulls, const Seek &s) const
{
    Connection &db = m_d.m_db;
    const bool pg = db.engine() == Engine::PostgreSQL;
    const bool desc = p.descending != s.back;
    const Dataset::Lookup &l = m_d.m_lookups[size_t(p.lookup)];
    const Table *source = l.source->m_table;
    const QString key = db.ident(m_d.m_table->keyColumn());
    const QString named = db.ident(m_d.m_columns[l.keyColumn]);
    const QString sourceKey = db.ident(l.sourceKey), result = db.ident(l.resultColumn);
    Part out;
    QStringList own = conditions(out.values, QString());
    QString theirs = sourceWhere(p.lookup, out.values);
    if (!theirs.isEmpty())
        theirs += QStringLiteral(" AND ");
    if (nulls) {
        own << QStringLiteral(
                   "NOT EXISTS (SELECT 1 FROM %1 s0 WHERE %2s0.%3 = %4.%5 AND s0.%6 IS NOT NULL)")
                   .arg(source->name, theirs, sourceKey, m_d.m_table->name, named, result);
        keyOrder(out, own, desc, s);
        return out;
    }
    QStringList seek;
    const auto bound = [&](const KeyBound &b, const QString &prefix, const QString &op) {
        seek << QStringLiteral("s.lv %1= :%2value AND (s.lv %1 :%2value OR t.rk %1 :%2key)")
                    .arg(op, prefix);
        out.values.insert(prefix + QStringLiteral("value"), b.value);
        out.values.insert(prefix + QStringLiteral("key"), b.key);
    };
    if (s.from.started)
        bound(s.from, QStringLiteral("k_"), desc ? QStringLiteral("<") : QStringLiteral(">"));
    if (s.until && s.until->part == s.from.part)
        bound(*s.until, QStringLiteral("u_"), desc ? QStringLiteral(">") : QStringLiteral("<"));
    const QString sources =
        QStringLiteral("(SELECT %1 AS lk, %2 AS lv FROM %3 WHERE %4%2 IS NOT NULL) s")
            .arg(sourceKey, result, source->name, theirs);
    // The source's rows drive the join in their order: PostgreSQL is told so by a lateral
    // subquery, SQLite by CROSS JOIN, which keeps its left table the outer one.
    QString rows;
    if (pg) {
        own << named + QStringLiteral(" = s.lk");
        rows = QStringLiteral(" CROSS JOIN LATERAL (SELECT %1 AS rk FROM %2%3) t")
                   .arg(key, m_d.m_table->name, joined(own));
    } else {
        // Without statistics SQLite would look the rows up by the index of the most selective
        // looking condition (the owner's, some 30,000 rows for each source row) instead of by
        // the key they name: the list's own conditions are kept out of its index choice.
        for (QString &c : own)
            c = QStringLiteral("+(%1)").arg(c);
        rows = QStringLiteral(" CROSS JOIN (SELECT %1 AS rk, %2 AS fk FROM %3%4) t ON t.fk = s.lk")
                   .arg(key, named, m_d.m_table->name, joined(own));
    }
    out.hasValue = true;
    out.head = QStringLiteral("SELECT t.rk AS k, %1 AS v")
                   .arg(pg ? QStringLiteral("s.lv::text") : QStringLiteral("s.lv"));
    out.body = QStringLiteral(" FROM ") + sources + rows + joined(seek);
    out.tail = (desc ? QStringLiteral(" ORDER BY s.lv DESC NULLS LAST, t.rk DESC")
                     : QStringLiteral(" ORDER BY s.lv ASC NULLS FIRST, t.rk ASC")) +
               limitText(s.limit, db.engine(), out.values);
    return out;
}

// Runs one part's statement, appends the keys and notes the last row's place. On the server
// the keys come as one text, in order, instead of a result row per key: the driver's cost per
// row was most of the time of a long list.
int KeyReader::run(const Part &part, QVector<qint64> &keys, KeyBound &last)
{
    Connection &db = m_d.m_db;
    int got = 0;
    if (db.sqliteHandle()) {
        RowReader rows(db, part.sql(), part.values);
        while (rows.next()) {
            last.key = rows.int64(0);
            keys.append(last.key);
            ++got;
            if (part.hasValue)
                last.value = rows.raw(1);
        }
        return got;
    }
    const QString sql =
        QStringLiteral("WITH s AS MATERIALIZED (SELECT row_number() OVER () AS n, q.* FROM (%1) q) "
                       "SELECT (SELECT string_agg(k::text, ',' ORDER BY n) FROM s), "
                       "(SELECT %2 FROM s ORDER BY n DESC LIMIT 1)")
            .arg(part.sql(), part.hasValue ? QStringLiteral("v") : QStringLiteral("NULL"));
    if (m_prepared.size() > 16)
        m_prepared.clear();
    std::shared_ptr<QSqlQuery> &q = m_prepared[sql];
    if (!q) {
        q = std::make_shared<QSqlQuery>(db.database());
        q->setForwardOnly(true);
        if (!q->prepare(sql)) {
            const QSqlError e = q->lastError();
            m_prepared.remove(sql);
            throw db.failure(e);
        }
    }
    for (auto it = part.values.begin(); it != part.values.end(); ++it)
        q->bindValue(QLatin1Char(':') + it.key(), it.value());
    if (!q->exec()) {
        const QSqlError e = q->lastError();
        m_prepared.remove(sql);
        throw db.failure(e);
    }
    if (q->next()) {
        const QString text = q->value(0).toString();
        const QStringView all(text);
        for (qsizetype from = 0; from < all.size();) {
            qsizetype to = all.indexOf(QLatin1Char(','), from);
            if (to < 0)
                to = all.size();
            last.key = all.sliced(from, to - from).toLongLong();
            keys.append(last.key);
            ++got;
            from = to + 1;
        }
        if (part.hasValue && got > 0)
            last.value = q->value(1);
    }
    q->finish();
    return got;
}

bool KeyReader::read(KeyBound &from, int limit, QVector<qint64> &keys, const KeyBound *until)
{
    const Plan p = plan();
    if (p.mode == Mode::Whole) {
        if (!from.started)
            readWhole(keys);
        from.started = true;
        return false;
    }
    const int parts = p.mode == Mode::KeyOnly ? 1 : 2;
    while (from.part < parts) {
        if (until && (from.part > until->part || (from.part == until->part && !until->started)))
            return false;
        const int want = limit < 0 ? -1 : limit;
        KeyBound last = from;
        const int got = run(part(p, Seek{from, until, false, want}), keys, last);
        if (got > 0) {
            last.started = true;
            from = last;
        }
        if (want >= 0 && got >= want)
            return true;
        // This part is read to its end: the next one starts at its beginning.
        from = KeyBound{from.part + 1, false, {}, 0};
        if (want >= 0)
            limit -= got;
    }
    return false;
}

bool KeyReader::readBack(KeyBound &from, int limit, QVector<qint64> &keys)
{
    const Plan p = plan();
    if (p.mode == Mode::Whole)
        return false;
    while (from.part >= 0) {
        KeyBound last = from;
        const int got = run(part(p, Seek{from, nullptr, true, limit}), keys, last);
        if (got > 0) {
            last.started = true;
            from = last;
        }
        if (limit >= 0 && got >= limit)
            return true;
        // The part before this one, read back from its end.
        from = KeyBound{from.part - 1, false, {}, 0};
        if (limit >= 0)
            limit -= got;
    }
    from = KeyBound{0, false, {}, 0};
    return false;
}

qint64 KeyReader::count(const Part &part) const
{
    QVariantMap values = part.values;
    values.remove(QStringLiteral("k_limit"));
    QSqlQuery q = m_d.run(QStringLiteral("SELECT count(*)") + part.body, values);
    return q.next() ? q.value(0).toLongLong() : 0;
}

// The row's sort value (null for none) as the steps compare it; false when the row is not one
// of the list's.
bool KeyReader::sortValue(const Plan &p, qint64 key, QVariant &value) const
{
    Connection &db = m_d.m_db;
    QVariantMap values{{QStringLiteral("k_key"), key}};
    QStringList parts = conditions(values, QString());
    parts << db.ident(m_d.m_table->keyColumn()) + QStringLiteral(" = :k_key");
    QString e = QStringLiteral("NULL");
    if (p.mode == Mode::Column)
        e = db.ident(p.column);
    else if (p.mode == Mode::Lookup)
        e = lookupExpression(p.lookup, values);
    if (db.engine() == Engine::PostgreSQL)
        e = QLatin1Char('(') + e + QStringLiteral(")::text");
    RowReader q(db, QStringLiteral("SELECT %1 FROM %2").arg(e, m_d.m_table->name) + joined(parts),
                values);
    if (!q.next())
        return false;
    value = q.raw(0);
    return true;
}

bool KeyReader::locate(qint64 key, KeyBound &at, qint64 &before, const KeyBound &readTo,
                       qint64 readCount) const
{
    const Plan p = plan();
    QVariant value;
    if (p.mode == Mode::Whole || !sortValue(p, key, value))
        return false;
    const bool nulls = p.mode == Mode::KeyOnly || value.isNull();
    at = KeyBound{nulls == p.descending ? 1 : 0, true, value, key};
    if (p.mode == Mode::KeyOnly)
        at.part = 0;
    // Only the rows between the place read to and the row are counted: the empty values of a
    // display field, say, are found by looking at every row, which is done once, not twice.
    before = readCount;
    for (int i = readTo.part; i <= at.part; ++i) {
        const KeyBound start = i == readTo.part ? readTo : KeyBound{i, false, {}, 0};
        before += count(part(p, Seek{start, i == at.part ? &at : nullptr, false, -1}));
    }
    return true;
}

// Orders the keyreader cannot read in steps (a query's order of several columns, a display
// field whose source may hold a key twice) are read whole at once.
void KeyReader::readWhole(QVector<qint64> &keys)
{
    Connection &db = m_d.m_db;
    QVariantMap values;
    const QString sql = QStringLiteral("SELECT %1 FROM %2")
                            .arg(db.ident(m_d.m_table->keyColumn()), m_d.m_table->name) +
                        where(values) + orderBy(values);
    RowReader rows(db, sql, values);
    while (rows.next())
        keys.append(rows.int64(0));
}

bool KeyReader::holds(qint64 key) const
{
    Connection &db = m_d.m_db;
    QVariantMap values{{QStringLiteral("k_key"), key}};
    QStringList parts = conditions(values, QString());
    parts << db.ident(m_d.m_table->keyColumn()) + QStringLiteral(" = :k_key");
    QSqlQuery q =
        m_d.run(QStringLiteral("SELECT 1 FROM %1").arg(m_d.m_table->name) + joined(parts), values);
    return q.next();
}

QVector<qint64> KeyReader::matching(int field, const QVariant &value, int limit) const
{
    Connection &db = m_d.m_db;
    QVariantMap values;
    QStringList parts = conditions(values, QString());
    int counter = 0;
    const QString column = m_d.m_columns[field];
    const Condition c = m_d.m_types[field] == ColumnType::Date
                            ? Condition::dateEq(column, value.toDate())
                            : Condition::eq(column, value);
    parts << c.toSql(db.engine(), values, counter, QStringLiteral("l_"));
    RowReader q(db,
                QStringLiteral("SELECT %1 FROM %2")
                        .arg(db.ident(m_d.m_table->keyColumn()), m_d.m_table->name) +
                    joined(parts) + orderBy(values) + limitText(limit, db.engine(), values),
                values);
    QVector<qint64> out;
    while (q.next())
        out.append(q.int64(0));
    return out;
}

} // namespace store
