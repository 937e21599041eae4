#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QVector>
#include <memory>

namespace store {

class Dataset;

// Which rows a table dataset holds and in which order: the WHERE that selects them (the
// query's own condition, the filter, the master's key) and the ORDER BY (the sort column, a
// display field by what it shows, the query's order, then the row key), and the statement
// that reads their keys in that order.
class KeyReader
{
public:
    explicit KeyReader(const Dataset &dataset);
    ~KeyReader();

    // " WHERE ..." or nothing, its values added to `values`.
    QString where(QVariantMap &values) const;
    QString orderBy() const;
    // The keys of the rows in order, replacing `keys`.
    void read(QVector<qint64> &keys);
    // The first row, in order, whose column `field` equals the value; -1 when none.
    int find(int field, const QVariant &value) const;
    // Forgets the prepared statement (the dataset closes, the connection may go).
    void dropStatement();

private:
    QString sortExpression() const;

    const Dataset &m_d;
    std::unique_ptr<QSqlQuery> m_keyQuery; // keys in order (server stores)
    QString m_keyQuerySql;
};

} // namespace store
