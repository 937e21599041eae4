#pragma once

#include "gridcolumn.h"
#include "gridmemory.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class DatasetModel;
class GridGroupBand;
class QAction;
class QMenu;
class QModelIndex;
class QTimer;
class QTreeView;

namespace store
{
class Dataset;
}

// A read-only grid over a dataset: one line per row, the whole row selected. Selecting a line
// moves the dataset and moving the dataset selects its line. A header click orders the
// dataset in the store; headers dragged onto the group band (or setGroupColumns) group the
// rows under collapsible group rows; the header's context menu shows and hides columns; every
// grid exports what it shows to CSV or XLSX.
class DataGrid : public QWidget
{
    Q_OBJECT
  public:
    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    void setDataset(store::Dataset *dataset);
    store::Dataset *dataset() const;

    void setColumns(const QList<GridColumn> &columns);
    void addColumn(const QString &field, const QString &caption, int width = 80,
                   bool visible = true);
    QList<GridColumn> columns() const; // with the widths and visibility the user left
    void setColumnVisible(const QString &field, bool visible);
    bool isColumnVisible(const QString &field) const;

    // Grouping from the outer level inwards; fields that are not columns are ignored.
    void setGroupColumns(const QStringList &fields);
    QStringList groupColumns() const;
    void addGroupColumn(const QString &field, int position = -1);
    void removeGroupColumn(const QString &field);
    void setGroupBandVisible(bool visible);
    bool isGroupBandVisible() const;
    void expandAll();
    void collapseAll();

    // Orders the dataset as a header click would.
    void sortBy(const QString &field, Qt::SortOrder order = Qt::AscendingOrder);

    // Keeps the signed-in user's widths, hidden columns, grouping and order of this grid under
    // `list` ("TfrmCustomer.dxDBGrid1") and brings them back now; the columns, groups and order
    // the grid has at this call are its defaults. "恢复默认布局" in the header menu goes back to
    // them.
    void rememberLayout(const QString &list);
    void resetLayout();
    GridLayout layout() const;

    // The header's context menu for a section (-1: no section); the caller owns it.
    QMenu *createHeaderMenu(int section, QWidget *parent = nullptr);
    // The context menu of the rows ("导出..."); the caller owns it.
    QMenu *createContextMenu(QWidget *parent = nullptr);
    // "导出..." (Ctrl+E while the grid has the focus): the export of what the grid shows.
    QAction *exportAction() const { return m_exportAction; }

    QTreeView *view() const { return m_view; }
    DatasetModel *model() const { return m_model; }
    GridGroupBand *groupBand() const { return m_band; }

  Q_SIGNALS:
    // A data line was double-clicked or Enter was pressed on it.
    void rowActivated(int datasetRow);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void onCurrentChanged(const QModelIndex &current);
    void selectCurrentRow();
    void onSortIndicatorChanged(int section, Qt::SortOrder order);
    void syncSortIndicator();
    void applyColumns();
    int groupIndent() const;
    void rememberExpanded();
    void afterReset();
    void updateBand();
    void startHeaderDrag(int section);
    void showHeaderMenu(const QPoint &pos);
    void applyLayout(const GridLayout &layout);
    void layoutChanged();
    void saveLayout();

    QTreeView *m_view;
    DatasetModel *m_model;
    GridGroupBand *m_band;
    QAction *m_exportAction;
    QList<GridColumn> m_columns;
    QList<QStringList> m_expanded; // group paths open before a rebuild
    bool m_syncing = false;        // moving the selection to follow the dataset
    bool m_headerSync = false;     // setting the sort indicator to follow the dataset
    bool m_applying = false;       // applying widths and visibility
    QString m_layoutKey;           // the list this grid's layout is kept under, empty: not kept
    GridLayout m_defaults;         // the layout before the user's was brought back
    QTimer *m_saveTimer = nullptr;
    int m_pressSection = -1;
    QPoint m_pressPos;
};
