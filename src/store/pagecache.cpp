#include "pagecache.h"

#include "connection.h"
#include "storeerror.h"

#include <QSqlError>
#include <QtDebug>

namespace store {

namespace {

constexpr int CacheLimit = 20000; // rows kept per dataset before the cache starts over

} // namespace

PageCache::PageCache(const Dataset &dataset) : m_d(dataset) {}

PageCache::~PageCache() = default;

void PageCache::dropStatement()
{
    m_pageQuery.reset();
}

const Dataset::Row *PageCache::row(int row)
{
    const qint64 key = m_d.m_keys[row];
    auto it = m_cache.constFind(key);
    if (it == m_cache.constEnd()) {
        fetchPage(row);
        it = m_cache.constFind(key);
        if (it == m_cache.constEnd())
            return nullptr; // deleted by another seat since the keys were read
    }
    return &it.value();
}

void PageCache::fetchPage(int row)
{
    if (m_cache.size() > CacheLimit)
        m_cache.clear();
    try {
        m_pageFailed = false;
        readPage(qMax(0, qMin(row - row % PageSize, int(m_d.m_keys.size()) - PageSize)), m_cache);
    } catch (const StoreError &e) {
        m_pageFailed = true;
        // Rows are read while painting; a failed read shows empty cells and the next
        // command that works on the store reports the error.
        qWarning("%s: %s", qPrintable(m_d.name()), qPrintable(e.text()));
        m_pageQuery.reset();
    }
}

void PageCache::readPage(int start, QHash<qint64, Dataset::Row> &into)
{
    const QVector<qint64> &keys = m_d.m_keys;
    if (!m_pageQuery) {
        Connection &db = m_d.m_db;
        QStringList marks;
        for (int i = 0; i < PageSize; ++i)
            marks << QStringLiteral(":k%1").arg(i);
        const QString sql =
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
                .arg(selectList(), m_d.m_table->name, db.ident(m_d.m_table->keyColumn()),
                     marks.join(QLatin1Char(',')));
        m_pageQuery = std::make_unique<QSqlQuery>(db.database());
        m_pageQuery->setForwardOnly(true);
        m_pageQuery->setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!m_pageQuery->prepare(sql)) {
            const QSqlError e = m_pageQuery->lastError();
            m_pageQuery.reset();
            throw m_d.m_db.failure(e);
        }
    }
    const int keyCount = int(keys.size());
    for (int i = 0; i < PageSize; ++i) {
        const int at = start + i;
        m_pageQuery->bindValue(QStringLiteral(":k%1").arg(i),
                               at < keyCount ? keys[at] : keys[start]);
    }
    if (!m_pageQuery->exec())
        throw m_d.m_db.failure(m_pageQuery->lastError());
    while (m_pageQuery->next()) {
        Dataset::Row r = readRow(*m_pageQuery, 2);
        into.insert(r.key, std::move(r));
    }
    m_pageQuery->finish();
}

void PageCache::reloadRow(int row)
{
    const QVector<qint64> &keys = m_d.m_keys;
    if (!m_d.m_lazy || row < 0 || row >= int(keys.size()))
        return;
    QVariantMap values{{QStringLiteral("k"), keys[row]}};
    QSqlQuery q =
        m_d.run(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :k")
                    .arg(selectList(), m_d.m_table->name, m_d.m_db.ident(m_d.m_table->keyColumn())),
                values);
    if (q.next())
        m_cache.insert(keys[row], readRow(q, 2));
    else
        m_cache.remove(keys[row]);
}

QString PageCache::selectList() const
{
    Connection &db = m_d.m_db;
    QStringList cols{db.ident(m_d.m_table->keyColumn()), db.ident(QLatin1String(RowVersion))};
    for (const QString &c : m_d.m_columns)
        cols << db.ident(c);
    return cols.join(QStringLiteral(", "));
}

Dataset::Row PageCache::readRow(const QSqlQuery &q, int offset) const
{
    Dataset::Row r;
    r.key = q.value(0).toLongLong();
    r.version = q.value(1).toLongLong();
    r.values.resize(m_d.m_columns.size());
    for (int i = 0; i < m_d.m_columns.size(); ++i)
        r.values[i] = m_d.fromStore(i, q.value(i + offset));
    return r;
}

} // namespace store
