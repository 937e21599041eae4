#pragma once

#include "dataset.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <memory>

namespace store {

// The rows of a table dataset, read by key a page at a time as they are shown and kept until
// the keys are read again (or too many are held).
class PageCache
{
public:
    static constexpr int PageSize = 128;

    explicit PageCache(const Dataset &dataset);
    ~PageCache();

    // The row at a place in the dataset's keys, read with its page when not held; null when
    // another seat has deleted it since the keys were read, or its page could not be read.
    const Dataset::Row *row(int row);
    // True when the last page read ran into a store error.
    bool lastReadFailed() const { return m_pageFailed; }
    // The rows of a page of keys from `start` on, read whole by one statement.
    void readPage(int start, QHash<qint64, Dataset::Row> &into);
    // Reads one row again, or forgets it when the store no longer holds it.
    void reloadRow(int row);

    // The columns a row is read with: key, version, then the dataset's columns.
    QString selectList() const;
    // A row of a statement over selectList(), its columns from `offset` on.
    Dataset::Row readRow(const QSqlQuery &q, int offset) const;

    bool contains(qint64 key) const { return m_cache.contains(key); }
    void remove(qint64 key) { m_cache.remove(key); }
    void clear() { m_cache.clear(); }
    // Forgets the prepared statement (the dataset closes, the connection may go).
    void dropStatement();

private:
    void fetchPage(int row);

    const Dataset &m_d;
    QHash<qint64, Dataset::Row> m_cache;
    std::unique_ptr<QSqlQuery> m_pageQuery; // rows by key, prepared once per opening
    bool m_pageFailed = false;              // the last page read ran into a store error
};

} // namespace store
