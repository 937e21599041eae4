#include "lookupresolver.h"

#include "connection.h"
#include "dataset.h"
#include "keyreader.h"
#include "querytext.h"

namespace store {

namespace {

constexpr int SmallSource = 2000; // look-up sources up to this size are read whole

} // namespace

LookupResolver::LookupResolver(const Dataset &dataset) : m_d(dataset) {}

QVariant LookupResolver::lookup(const QString &keyColumn, const QString &resultColumn,
                                const QVariant &key)
{
    if (!m_d.isOpen())
        return {};
    const int keyField = m_d.fieldIndex(keyColumn);
    const int resultField = m_d.fieldIndex(resultColumn);
    if (keyField < 0 || resultField < 0)
        return {};
    const QString cacheName = keyColumn.toLower() + QLatin1Char('|') + resultColumn.toLower();
    LookupCache &cache = m_lookupCaches[cacheName];
    const QString wanted = lowerKey(key);
    if (cache.complete)
        return cache.values.value(wanted);
    if (auto it = cache.values.constFind(wanted); it != cache.values.constEnd())
        return it.value();

    const QStringList &columns = m_d.m_columns;
    // A source still being read is no small one.
    const bool small = !m_d.m_lazy || (m_d.isComplete() && m_d.m_keys.size() <= SmallSource);
    if (small || keyField >= columns.size() || resultField >= columns.size()) {
        readWhole(cache, keyField, resultField);
        return cache.values.value(wanted);
    }

    // Large sources answer one key at a time, remembered until the source changes. Every
    // column looked up by the same key so far is read in the same statement: the agent name,
    // post code and address of an envelope cost one round trip, not three.
    Connection &db = m_d.m_db;
    const QString prefix = keyColumn.toLower() + QLatin1Char('|');
    QVector<int> fields{resultField};
    QStringList names{cacheName};
    for (auto it = m_lookupCaches.cbegin(); it != m_lookupCaches.cend(); ++it) {
        if (it.key() == cacheName || !it.key().startsWith(prefix) || it.value().complete)
            continue;
        const int f = m_d.fieldIndex(it.key().mid(prefix.size()));
        if (f >= 0 && f < columns.size()) {
            fields << f;
            names << it.key();
        }
    }
    QStringList selected;
    for (const int f : std::as_const(fields))
        selected << db.ident(columns[f]);
    QVariantMap values;
    QString where = m_d.m_keyReader->where(values, false);
    where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
             db.ident(columns[keyField]) + QStringLiteral(" = :lookupKey");
    values.insert(QStringLiteral("lookupKey"), key.toString());
    const QString order = m_d.m_keyReader->orderBy(values);
    QSqlQuery q = m_d.run(QStringLiteral("SELECT %1 FROM %2")
                                  .arg(selected.join(QStringLiteral(", ")), m_d.m_table->name) +
                              where + order + QStringLiteral(" LIMIT 1"),
                          values);
    const bool found = q.next();
    for (int i = 0; i < fields.size(); ++i)
        m_lookupCaches[names[i]].values.insert(wanted, found ? m_d.fromStore(fields[i], q.value(i))
                                                             : QVariant());
    return m_lookupCaches[cacheName].values.value(wanted);
}

// Small sources are read whole once; the first row with the key wins.
void LookupResolver::readWhole(LookupCache &cache, int keyField, int resultField) const
{
    const QStringList &columns = m_d.m_columns;
    if (m_d.m_lazy && keyField < columns.size() && resultField < columns.size()) {
        Connection &db = m_d.m_db;
        QVariantMap values;
        const QString where = m_d.m_keyReader->where(values, false);
        QSqlQuery q = m_d.run(QStringLiteral("SELECT %1, %2 FROM %3")
                                      .arg(db.ident(columns[keyField]),
                                           db.ident(columns[resultField]), m_d.m_table->name) +
                                  where + m_d.m_keyReader->orderBy(values),
                              values);
        while (q.next()) {
            const QString k = lowerKey(q.value(0));
            if (!cache.values.contains(k))
                cache.values.insert(k, m_d.fromStore(resultField, q.value(1)));
        }
    } else {
        const int rows = m_d.m_lazy ? int(m_d.m_keys.size()) : int(m_d.m_rows.size());
        for (int r = 0; r < rows; ++r) {
            const QString k = lowerKey(m_d.value(r, keyField));
            if (!cache.values.contains(k))
                cache.values.insert(k, m_d.value(r, resultField));
        }
    }
    cache.complete = true;
}

} // namespace store
