#include "rowupdates.h"

#include "connection.h"
#include "importrunprivate.h"
#include "storeerror.h"

#include <QSqlError>

namespace importing
{

namespace
{

// The server's type of a value list's column, so that a list of nulls is typed too.
QString serverType(store::ColumnType type)
{
    using T = store::ColumnType;
    switch (type) {
    case T::Date:
        return QStringLiteral("date");
    case T::Number:
        return QStringLiteral("double precision");
    case T::Currency:
        return QStringLiteral("numeric");
    case T::Bool:
        return QStringLiteral("boolean");
    case T::Integer:
    case T::AutoNumber:
        return QStringLiteral("bigint");
    default:
        return QStringLiteral("citext");
    }
}

} // namespace

RowUpdates::RowUpdates(store::Connection &db, const std::vector<ImportRun::Target> &targets,
                       int keyTarget, const QString &table, const QString &key,
                       const QString &owner, bool limited)
    : m_db(db), m_targets(targets), m_keyTarget(keyTarget), m_table(table), m_key(key),
      m_owner(owner), m_limited(limited), m_sqlite(db.engine() == store::Engine::SQLite),
      m_full(db.database()), m_rest(db.database())
{
    m_possible = keyTarget >= 0 && targets.size() > 1;
    if (!m_possible)
        return;
    m_batch = m_sqlite ? 1 : qMax(1, ParametersPerStatement / int(targets.size()));
    prepareStatement(m_full, batchSql(m_batch));
}

// SQLite: one row by its code. A server: a list of rows, each its code and listed values.
QString RowUpdates::batchSql(int rows) const
{
    const QString ver = m_db.ident(QLatin1String(store::RowVersion));
    const QString keyColumn = m_db.ident(store::Schema::find(m_table)->keyColumn());
    const QString owner = m_db.ident(QStringLiteral("SUser"));
    QStringList sets;
    if (m_sqlite) {
        for (size_t i = 0; i < m_targets.size(); ++i)
            if (int(i) != m_keyTarget)
                sets << m_db.ident(m_targets[i].name) + QStringLiteral(" = ?");
        return QStringLiteral("UPDATE %1 SET %2, %3 = %3 + 1 WHERE %4 = ?%5 RETURNING %6, %3")
            .arg(m_table, sets.join(QStringLiteral(", ")), ver, m_db.ident(m_key),
                 m_limited ? QStringLiteral(" AND %1 = ?").arg(owner) : QString(), keyColumn);
    }
    const QString mine = m_limited ? QStringLiteral(" AND t.%1 = ?").arg(owner) : QString();
    QStringList names, one;
    for (size_t i = 0; i < m_targets.size(); ++i) {
        names << QStringLiteral("c%1").arg(i);
        one << QStringLiteral("?::") + serverType(m_targets[i].type);
        if (int(i) != m_keyTarget)
            sets << QStringLiteral("%1 = v.c%2").arg(m_db.ident(m_targets[i].name)).arg(i);
    }
    const QString row = QLatin1Char('(') + one.join(QLatin1Char(',')) + QLatin1Char(')');
    return QStringLiteral("UPDATE %1 AS t SET %2, %3 = t.%3 + 1 FROM (VALUES %4) AS v(%5) "
                          "WHERE t.%6 = v.c%7%8 RETURNING t.%9, t.%3, t.%6")
        .arg(m_table, sets.join(QStringLiteral(", ")), ver,
             QStringList(rows, row).join(QLatin1Char(',')), names.join(QLatin1Char(',')),
             m_db.ident(m_key))
        .arg(m_keyTarget)
        .arg(mine, keyColumn);
}

void prepareStatement(QSqlQuery &q, const QString &sql)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw store::StoreError::fromSql(q.lastError());
}

void RowUpdates::add(qint64 row, const QString &code, const QVector<QVariant> &values)
{
    m_waiting.push_back({row, code});
    if (m_sqlite) {
        runOne(values);
        return;
    }
    for (size_t i = 0; i < m_targets.size(); ++i)
        m_values << bindable(values[qsizetype(i)], m_targets[i].type, false);
    if (int(m_waiting.size()) >= m_batch)
        flush();
}

void RowUpdates::runOne(const QVector<QVariant> &values)
{
    int at = 0;
    for (size_t i = 0; i < m_targets.size(); ++i)
        if (int(i) != m_keyTarget)
            m_full.bindValue(at++, bindable(values[qsizetype(i)], m_targets[i].type, true));
    m_full.bindValue(at++, values[m_keyTarget]);
    if (m_limited)
        m_full.bindValue(at++, m_owner);
    if (!m_full.exec())
        throw store::StoreError::fromSql(m_full.lastError());
    Done &d = m_waiting.back();
    if (m_full.next()) {
        d.found = true;
        d.key = m_full.value(0).toLongLong();
        d.version = m_full.value(1).toLongLong();
    }
    m_full.finish();
    m_done.push_back(d);
    m_waiting.clear();
}

void RowUpdates::flush()
{
    if (m_sqlite || m_waiting.empty())
        return;
    const int rows = int(m_waiting.size());
    QSqlQuery &q = rows == m_batch ? m_full : m_rest;
    if (rows != m_batch)
        prepareStatement(m_rest, batchSql(rows));
    int at = 0;
    for (const QVariant &v : std::as_const(m_values))
        q.bindValue(at++, v);
    if (m_limited)
        q.bindValue(at++, m_owner);
    if (!q.exec())
        throw store::StoreError::fromSql(q.lastError());
    QHash<QString, std::pair<qint64, qint64>> stored; // folded code
    while (q.next())
        stored.insert(CodeSet::fold(q.value(2).toString()),
                      {q.value(0).toLongLong(), q.value(1).toLongLong()});
    q.finish();
    for (Done &d : m_waiting) {
        const auto it = stored.constFind(CodeSet::fold(d.code));
        if (it != stored.cend()) {
            d.found = true;
            std::tie(d.key, d.version) = *it;
        }
        m_done.push_back(d);
    }
    m_waiting.clear();
    m_values.clear();
}

std::vector<RowUpdates::Done> RowUpdates::take()
{
    std::vector<Done> out;
    out.swap(m_done);
    return out;
}

} // namespace importing
