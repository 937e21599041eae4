#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

namespace store {

class Dataset;

// The answers a dataset gives as the source of other datasets' display fields: the value of
// a result column where a key column equals a key, among the rows the dataset holds now.
// Answers are remembered until anything a look-up could see changes.
class LookupResolver
{
public:
    explicit LookupResolver(const Dataset &dataset);

    QVariant lookup(const QString &keyColumn, const QString &resultColumn, const QVariant &key);
    void clear() { m_lookupCaches.clear(); }

private:
    // Answers by "keyColumn|resultColumn".
    struct LookupCache
    {
        bool complete = false;
        QHash<QString, QVariant> values; // lower-case key text -> result
    };

    void readWhole(LookupCache &cache, int keyField, int resultField) const;

    const Dataset &m_d;
    QHash<QString, LookupCache> m_lookupCaches;
};

} // namespace store
