#pragma once

#include "dataset.h"

#include <QVector>
#include <vector>

namespace store {

// The row of a table dataset being edited or inserted, and how it is stored: the row buffer
// and which fields were set, the before-post hooks and store guards, the insert, the update
// with its check of the row version, and the delete.
class RowEditor
{
public:
    explicit RowEditor(Dataset &dataset);

    // The row being edited or inserted (empty otherwise).
    const Dataset::Row &row() const { return m_edit; }
    bool isTouched() const { return m_touched; }
    bool isChanged(int field) const;
    QVariant storedValue(int field) const;

    void edit();
    void append();
    void post();
    void cancel();
    void remove();
    void setValue(int field, const QVariant &value);
    // Forgets the row being edited without storing it (the dataset closes).
    void discard();

    void addBeforePost(Dataset::BeforePost hook) { m_beforePost.push_back(std::move(hook)); }
    void addStoreGuard(Dataset::StoreGuard guard) { m_storeGuards.push_back(std::move(guard)); }

    void storedBySeat(const QString &table, qint64 key, qint64 version, const QObject *by);
    // A value as the store takes it for a column; refuses what the column cannot hold.
    QVariant toStore(int column, const QVariant &value) const;

private:
    void dropNewRow();
    void settleUnsettled();
    void rereadStored(int row);

    Dataset &m_d;
    Dataset::Row m_edit; // the row being edited or inserted
    QVector<bool> m_changed;
    bool m_touched = false;
    int m_beforeInsert = -1;
    std::vector<Dataset::BeforePost> m_beforePost;
    std::vector<Dataset::StoreGuard> m_storeGuards;

    // A save whose outcome the broken connection left open: its transaction and row key.
    struct Unsettled
    {
        qint64 transaction = 0;
        qint64 key = 0;
    };
    Unsettled m_unsettled;
};

} // namespace store
