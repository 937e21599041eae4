#pragma once

#include "dataset.h"
#include "gridcolumn.h"
#include "schema.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

// The rows of a dataset as an item model for the data grid. Without grouping it is a flat
// list whose row n is the dataset's row n; cells are read from the dataset only when a view
// asks for them, and the dataset fetches rows in pages itself, so a grid over a large table
// costs no more than the rows on screen.
//
// With group fields it is a tree: group rows "caption: value (count)", several levels deep,
// with the dataset rows under the last level in the dataset's order. Groups are built from
// one column read per group field, never from whole rows.
class DatasetModel : public QAbstractItemModel
{
    Q_OBJECT
  public:
    // The raw value of a cell, beside its display text.
    static constexpr int ValueRole = Qt::UserRole + 1;

    explicit DatasetModel(QObject *parent = nullptr);
    ~DatasetModel() override;

    void setDataset(store::Dataset *dataset);
    store::Dataset *dataset() const { return m_dataset; }

    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const { return m_columns; }
    int columnOf(const QString &field) const; // without letter case; -1 when not a column

    void setGroupFields(const QStringList &fields);
    QStringList groupFields() const { return m_groupFields; }
    bool isGrouped() const { return !m_groupFields.isEmpty(); }

    bool isGroupRow(const QModelIndex &index) const;
    int datasetRow(const QModelIndex &index) const; // -1 for a group row
    QModelIndex indexOfDatasetRow(int row, int column = 0) const;
    int groupCount(const QModelIndex &index) const; // dataset rows under a group row
    QVariant groupValue(const QModelIndex &index) const;
    // Keys of the groups from the top down to a group row, to find it again after a rebuild.
    QStringList groupPath(const QModelIndex &index) const;
    QModelIndex indexOfGroupPath(const QStringList &path) const;

    // The text a cell shows for a value of a column type: dates as yyyy-MM-dd.
    static QString displayText(const QVariant &value, store::ColumnType type);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Orders the dataset itself (ORDER BY in the store).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  Q_SIGNALS:
    // Display fields may show other values now: the views repaint the lines they show. (A
    // change signal over every row would make a view visit a million rows it does not show.)
    void repaintNeeded();

  private:
    struct Group;

    void reset();
    void rebuild();
    void onRowInserted(int row);
    void onRowsAppended(int first, int count);
    void readEveryRow();
    void onRowRemoved(int row);
    void onRowChanged(int row);
    void onContentChanged();
    void mapFields();
    Group *groupAt(const QModelIndex &index) const;
    QModelIndex indexOfGroup(const Group *g) const;
    bool descendingAt(int level) const;
    void attachRow(int row);
    void detachRow(int row, const std::function<void()> &settle = {});
    bool insertGrouped(int row);
    bool removeGrouped(int row);
    void adjustCounts(Group *from, int delta);
    void announceCounts(Group *from);
    bool groupKeysMatch(int row) const;
    bool isReadable(int row) const;
    void onCurrentRowChanged(int row);
    QVariant cell(int row, int column, int role) const;

    QPointer<store::Dataset> m_dataset;
    QList<GridColumn> m_columns;
    QVector<int> m_fieldIndex; // per column, -1 when the dataset has no such field
    QVector<store::ColumnType> m_types;
    QStringList m_groupFields;

    std::unique_ptr<Group> m_root; // only while grouped
    QVector<Group *> m_leafOf;     // dataset row -> its last-level group
    QVector<int> m_positionOf;     // dataset row -> its place in that group
    int m_pendingInsert = -1;      // a new row not yet current, joined to its group later
    bool m_readingEveryRow = false; // the rest of a list read in steps is being read for grouping
};
