#include "datagrid.h"

#include "dataset.h"
#include "datasetmodel.h"
#include "errordisplay.h"
#include "gridexport.h"
#include "gridgroupband.h"
#include "pendingedit.h"
#include "session.h"

#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace
{
// Spanning group rows across the grid costs one persistent index each; beyond this many groups
// the group text simply stays in the first column.
constexpr int MaxSpannedGroups = 5000;

// Every line is as high as a line of Chinese text. The grid gives all lines the height of its
// first one, and a first line of Latin letters, digits or nothing at all (a new row) would
// otherwise squeeze the Chinese glyphs of the other lines against the row lines.
class LineDelegate : public QStyledItemDelegate
{
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        QStyleOptionViewItem chinese(option);
        initStyleOption(&chinese, index);
        chinese.features |= QStyleOptionViewItem::HasDisplay;
        chinese.text = QStringLiteral("国");
        const QWidget *view = option.widget;
        const QStyle *style = view ? view->style() : QApplication::style();
        const QSize line =
            style->sizeFromContents(QStyle::CT_ItemViewItem, &chinese, QSize(), view);
        size.setHeight(qMax(size.height(), line.height()));
        return size;
    }
};

void forEachGroup(const DatasetModel *model, const QModelIndex &parent,
                  const std::function<bool(const QModelIndex &)> &fn)
{
    const int n = model->rowCount(parent);
    for (int i = 0; i < n; ++i) {
        const QModelIndex g = model->index(i, 0, parent);
        if (!model->isGroupRow(g))
            return; // the rows under a last-level group are all data rows
        if (fn(g))
            forEachGroup(model, g, fn);
    }
}
} // namespace

DataGrid::DataGrid(QWidget *parent)
    : QWidget(parent), m_view(new QTreeView), m_model(new DatasetModel(this)),
      m_band(new GridGroupBand)
{
    m_view->setObjectName(QStringLiteral("gridView"));
    m_view->setModel(m_model);
    m_view->setItemDelegate(new LineDelegate(m_view));
    connect(m_model, &DatasetModel::repaintNeeded, m_view->viewport(), qOverload<>(&QWidget::update));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setUniformRowHeights(true); // only the visible rows are ever asked for
    m_view->setAllColumnsShowFocus(true);
    m_view->setAlternatingRowColors(true);
    m_view->setRootIsDecorated(false);
    m_view->setSortingEnabled(false); // the header drives the dataset's order itself

    QHeaderView *header = m_view->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setStretchLastSection(false);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    header->viewport()->installEventFilter(this);
    m_band->setDragSource(header->viewport());

    connect(header, &QHeaderView::sortIndicatorChanged, this, &DataGrid::onSortIndicatorChanged);
    connect(header, &QHeaderView::customContextMenuRequested, this, &DataGrid::showHeaderMenu);
    connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (!m_applying && size > 0 && section < m_columns.size()) {
            m_columns[section].width = qMax(1, size - (section == 0 ? groupIndent() : 0));
            layoutChanged();
        }
    });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { onCurrentChanged(current); });
    connect(m_view, &QAbstractItemView::activated, this, [this](const QModelIndex &index) {
        const int row = m_model->datasetRow(index);
        if (row >= 0)
            Q_EMIT rowActivated(row);
    });
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, &DataGrid::rememberExpanded);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DataGrid::afterReset);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &DataGrid::selectCurrentRow);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &DataGrid::selectCurrentRow);

    // Every grid exports what it shows: from its context menu, or Ctrl+E while it has the focus.
    m_exportAction = new QAction(QStringLiteral("导出..."), this);
    m_exportAction->setObjectName(QStringLiteral("actExport"));
    m_exportAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    m_exportAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(m_exportAction);
    connect(m_exportAction, &QAction::triggered, this, [this] { GridExport::run(this); });
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QMenu *menu = createContextMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_view->viewport()->mapToGlobal(pos));
    });

    connect(m_band, &GridGroupBand::groupDropped, this, &DataGrid::addGroupColumn);
    connect(m_band, &GridGroupBand::groupRemoved, this, &DataGrid::removeGroupColumn);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_band);
    layout->addWidget(m_view, 1);
    setFocusProxy(m_view);
}

void DataGrid::setDataset(store::Dataset *dataset)
{
    if (store::Dataset *old = m_model->dataset())
        disconnect(old, nullptr, this, nullptr);
    if (dataset)
        connect(dataset, &store::Dataset::currentRowChanged, this, &DataGrid::selectCurrentRow);
    m_model->setDataset(dataset);
}

store::Dataset *DataGrid::dataset() const
{
    return m_model->dataset();
}

void DataGrid::setColumns(const QList<GridColumn> &columns)
{
    m_columns = columns;
    const QStringList groups = groupColumns();
    m_model->setColumns(columns);
    setGroupColumns(groups); // keeps the groups whose columns are still there
    applyColumns();
}

void DataGrid::addColumn(const QString &field, const QString &caption, int width, bool visible)
{
    QList<GridColumn> c = m_columns;
    c.append({field, caption, width, visible});
    setColumns(c);
}

QList<GridColumn> DataGrid::columns() const
{
    return m_columns;
}

void DataGrid::setColumnVisible(const QString &field, bool visible)
{
    const int i = m_model->columnOf(field);
    if (i < 0)
        return;
    m_columns[i].visible = visible;
    layoutChanged();
    m_applying = true;
    m_view->setColumnHidden(i, !visible);
    if (visible && m_view->header()->sectionSize(i) <= 0)
        m_view->header()->resizeSection(i, (m_columns[i].width > 0 ? m_columns[i].width : 80) +
                                               (i == 0 ? groupIndent() : 0));
    m_applying = false;
}

bool DataGrid::isColumnVisible(const QString &field) const
{
    const int i = m_model->columnOf(field);
    return i >= 0 && m_columns[i].visible;
}

void DataGrid::applyColumns()
{
    QHeaderView *header = m_view->header();
    if (header->count() != m_columns.size())
        return;
    m_applying = true;
    for (int i = 0; i < m_columns.size(); ++i) {
        m_view->setColumnHidden(i, !m_columns[i].visible);
        if (m_columns[i].width > 0)
            header->resizeSection(i, m_columns[i].width + (i == 0 ? groupIndent() : 0));
    }
    m_applying = false;
}

// The lines under groups stand indented by a step per group level and one for the open and
// close marks, all of it taken from the first column. While grouped that column is wider by as
// much, so the indent hides none of its values; the width the user gave it stays as it was.
int DataGrid::groupIndent() const
{
    return m_model->isGrouped() ? m_view->indentation() * int(groupColumns().size() + 1) : 0;
}

// ---- grouping

void DataGrid::setGroupColumns(const QStringList &fields)
{
    QStringList valid;
    for (const QString &f : fields) {
        const int i = m_model->columnOf(f);
        if (i >= 0 && !valid.contains(m_columns[i].field, Qt::CaseInsensitive))
            valid << m_columns[i].field;
    }
    m_model->setGroupFields(valid);
    updateBand();
    layoutChanged();
}

QStringList DataGrid::groupColumns() const
{
    return m_model->groupFields();
}

void DataGrid::addGroupColumn(const QString &field, int position)
{
    QStringList g = groupColumns();
    g.removeIf([&](const QString &f) { return f.compare(field, Qt::CaseInsensitive) == 0; });
    if (position < 0 || position > g.size())
        position = int(g.size());
    g.insert(position, field);
    setGroupColumns(g);
}

void DataGrid::removeGroupColumn(const QString &field)
{
    QStringList g = groupColumns();
    g.removeIf([&](const QString &f) { return f.compare(field, Qt::CaseInsensitive) == 0; });
    setGroupColumns(g);
}

void DataGrid::setGroupBandVisible(bool visible)
{
    m_band->setVisible(visible);
}
bool DataGrid::isGroupBandVisible() const
{
    return !m_band->isHidden();
}

void DataGrid::expandAll()
{
    m_view->expandAll();
}

void DataGrid::collapseAll()
{
    m_view->collapseAll();
    selectCurrentRow(); // the current row stays in sight
}

void DataGrid::updateBand()
{
    QList<QPair<QString, QString>> groups;
    for (const QString &f : groupColumns()) {
        const int i = m_model->columnOf(f);
        groups.append({f, i >= 0 && !m_columns[i].caption.isEmpty() ? m_columns[i].caption : f});
    }
    m_band->setGroups(groups);
}

void DataGrid::rememberExpanded()
{
    m_expanded.clear();
    if (!m_model->isGrouped())
        return;
    forEachGroup(m_model, {}, [this](const QModelIndex &g) {
        if (!m_view->isExpanded(g))
            return false;
        m_expanded.append(m_model->groupPath(g));
        return true;
    });
}

void DataGrid::afterReset()
{
    applyColumns();
    const bool grouped = m_model->isGrouped();
    m_view->setRootIsDecorated(grouped);
    if (grouped) {
        int spanned = 0;
        forEachGroup(m_model, {}, [&](const QModelIndex &g) {
            if (++spanned > MaxSpannedGroups)
                return false;
            m_view->setFirstColumnSpanned(g.row(), g.parent(), true);
            return true;
        });
        for (const QStringList &path : std::as_const(m_expanded)) {
            const QModelIndex g = m_model->indexOfGroupPath(path);
            if (g.isValid())
                m_view->expand(g);
        }
    }
    syncSortIndicator();
    selectCurrentRow();
}

// ---- selection follows the dataset and the other way round

void DataGrid::selectCurrentRow()
{
    store::Dataset *d = m_model->dataset();
    QItemSelectionModel *sel = m_view->selectionModel();
    const QModelIndex index =
        d && d->isOpen() ? m_model->indexOfDatasetRow(d->currentRow()) : QModelIndex();
    m_syncing = true;
    if (index.isValid()) {
        for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
            m_view->expand(p);
        if (sel->currentIndex() != index || !sel->isRowSelected(index.row(), index.parent()))
            sel->setCurrentIndex(index,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_view->scrollTo(index);
    } else if (!m_model->isGroupRow(sel->currentIndex())) {
        sel->clear();
    }
    m_syncing = false;
}

void DataGrid::onCurrentChanged(const QModelIndex &current)
{
    store::Dataset *d = m_model->dataset();
    if (m_syncing || !d)
        return;
    const int row = m_model->datasetRow(current);
    if (row < 0 || row == d->currentRow())
        return;
    // Moving while a row is being edited stores it; when the store refuses, the dataset stays
    // where it was and so does the selection.
    ErrorDisplay::run(this, [d, row] { d->moveTo(row); });
    if (d->currentRow() != row)
        QMetaObject::invokeMethod(this, &DataGrid::selectCurrentRow, Qt::QueuedConnection);
}

// ---- order

void DataGrid::sortBy(const QString &field, Qt::SortOrder order)
{
    const int i = m_model->columnOf(field);
    if (i >= 0)
        m_view->header()->setSortIndicator(i, order); // runs onSortIndicatorChanged
}

void DataGrid::onSortIndicatorChanged(int section, Qt::SortOrder order)
{
    if (m_headerSync)
        return;
    // Reordering rereads the rows: a row being typed is settled by its window first.
    if (section >= 0)
        ErrorDisplay::run(this, [&] {
            if (store::Dataset *d = m_model->dataset(); !d || PendingEdit::settle(*d))
                m_model->sort(section, order);
        });
    syncSortIndicator(); // a column the store cannot order by keeps the old indicator
    layoutChanged();
}

void DataGrid::syncSortIndicator()
{
    store::Dataset *d = m_model->dataset();
    const int column = d && !d->sortColumn().isEmpty() ? m_model->columnOf(d->sortColumn()) : -1;
    const Qt::SortOrder order = d ? d->sortOrder() : Qt::AscendingOrder;
    QHeaderView *header = m_view->header();
    if (header->sortIndicatorSection() == column && header->sortIndicatorOrder() == order)
        return;
    m_headerSync = true;
    header->setSortIndicator(column, order);
    m_headerSync = false;
}

// ---- header menu and dragging headers onto the group band

QMenu *DataGrid::createHeaderMenu(int section, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    const bool grouped = m_model->isGrouped();
    if (section >= 0 && section < m_columns.size()) {
        const QString field = m_columns[section].field;
        QAction *a = menu->addAction(QStringLiteral("按此列分组"), this,
                                     [this, field] { addGroupColumn(field); });
        a->setObjectName(QStringLiteral("actGroupBy"));
        a->setEnabled(!groupColumns().contains(field, Qt::CaseInsensitive));
    }
    QAction *ungroup =
        menu->addAction(QStringLiteral("取消分组"), this, [this] { setGroupColumns({}); });
    ungroup->setObjectName(QStringLiteral("actUngroup"));
    ungroup->setEnabled(grouped);
    QAction *expand = menu->addAction(QStringLiteral("全部展开"), this, &DataGrid::expandAll);
    expand->setObjectName(QStringLiteral("actExpandAll"));
    expand->setEnabled(grouped);
    QAction *collapse = menu->addAction(QStringLiteral("全部折叠"), this, &DataGrid::collapseAll);
    collapse->setObjectName(QStringLiteral("actCollapseAll"));
    collapse->setEnabled(grouped);
    QAction *band = menu->addAction(QStringLiteral("显示分组栏"));
    band->setObjectName(QStringLiteral("actShowGroupBand"));
    band->setCheckable(true);
    band->setChecked(isGroupBandVisible());
    connect(band, &QAction::toggled, this, &DataGrid::setGroupBandVisible);

    QAction *reset = menu->addAction(QStringLiteral("恢复默认布局"), this, &DataGrid::resetLayout);
    reset->setObjectName(QStringLiteral("actResetLayout"));
    reset->setEnabled(!m_layoutKey.isEmpty());

    menu->addSeparator();
    menu->addAction(m_exportAction);
    menu->addSeparator();
    int visible = 0;
    for (const GridColumn &c : std::as_const(m_columns))
        visible += c.visible;
    for (const GridColumn &c : std::as_const(m_columns)) {
        QAction *a = menu->addAction(c.caption.isEmpty() ? c.field : c.caption);
        a->setObjectName(QStringLiteral("col_") + c.field);
        a->setCheckable(true);
        a->setChecked(c.visible);
        a->setEnabled(!(c.visible && visible == 1)); // one column always stays
        const QString field = c.field;
        connect(a, &QAction::toggled, this,
                [this, field](bool on) { setColumnVisible(field, on); });
    }
    return menu;
}

// ---- the user's layout

DataGrid::~DataGrid()
{
    if (m_saveTimer && m_saveTimer->isActive())
        saveLayout();
}

GridLayout DataGrid::layout() const
{
    GridLayout out;
    out.columns = m_columns;
    out.groups = groupColumns();
    if (const store::Dataset *d = dataset()) {
        out.sortField = d->sortColumn();
        out.descending = d->sortOrder() == Qt::DescendingOrder;
    }
    return out;
}

void DataGrid::rememberLayout(const QString &list)
{
    m_layoutKey.clear(); // bringing the layout back is no change of it
    m_defaults = layout();
    applyLayout(GridMemory::load(store::session().CurrentUserID, list));
    m_layoutKey = list;
    if (!m_saveTimer) {
        m_saveTimer = new QTimer(this);
        m_saveTimer->setSingleShot(true);
        m_saveTimer->setInterval(300); // a column dragged wider is one change, not fifty
        connect(m_saveTimer, &QTimer::timeout, this, &DataGrid::saveLayout);
    }
}

void DataGrid::resetLayout()
{
    const QString key = m_layoutKey;
    m_layoutKey.clear();
    applyLayout(m_defaults);
    if (store::Dataset *d = dataset();
        d && m_defaults.sortField.isEmpty() && !d->sortColumn().isEmpty()) {
        ErrorDisplay::run(this, [d] {
            if (PendingEdit::settle(*d))
                d->clearSort();
        });
        syncSortIndicator();
    }
    if (m_saveTimer)
        m_saveTimer->stop();
    if (!key.isEmpty())
        GridMemory::forget(store::session().CurrentUserID, key);
    m_layoutKey = key;
}

// Widths and visibility by field (columns the grid no longer has are passed over, and one
// column always stays shown), then the groups, then the order.
void DataGrid::applyLayout(const GridLayout &layout)
{
    QList<GridColumn> columns = m_columns;
    for (GridColumn &c : columns)
        for (const GridColumn &kept : layout.columns)
            if (kept.field.compare(c.field, Qt::CaseInsensitive) == 0) {
                c.width = kept.width;
                c.visible = kept.visible;
            }
    if (std::none_of(columns.cbegin(), columns.cend(),
                     [](const GridColumn &c) { return c.visible; }))
        return;
    setColumns(columns);
    setGroupColumns(layout.groups);
    store::Dataset *d = dataset();
    if (!d || layout.sortField.isEmpty() || m_model->columnOf(layout.sortField) < 0)
        return;
    const Qt::SortOrder order = layout.descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (d->sortColumn().compare(layout.sortField, Qt::CaseInsensitive) == 0 &&
        d->sortOrder() == order)
        return;
    if (d->isOpen())
        sortBy(layout.sortField, order);
    else
        ErrorDisplay::run(this, [&] { d->setSort(layout.sortField, order); });
    syncSortIndicator();
}

void DataGrid::layoutChanged()
{
    if (!m_layoutKey.isEmpty() && m_saveTimer)
        m_saveTimer->start();
}

void DataGrid::saveLayout()
{
    if (!m_layoutKey.isEmpty())
        GridMemory::save(store::session().CurrentUserID, m_layoutKey, layout());
}

QMenu *DataGrid::createContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->addAction(m_exportAction);
    m_exportAction->setEnabled(dataset() != nullptr);
    return menu;
}

void DataGrid::showHeaderMenu(const QPoint &pos)
{
    QHeaderView *header = m_view->header();
    QMenu *menu = createHeaderMenu(header->logicalIndexAt(pos), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(header->mapToGlobal(pos));
}

bool DataGrid::eventFilter(QObject *watched, QEvent *event)
{
    QHeaderView *header = m_view->header();
    if (watched != header->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        m_pressSection = -1;
        // A press on a section edge resizes; only a press inside a section may become a drag.
        if (e->button() == Qt::LeftButton &&
            header->viewport()->cursor().shape() != Qt::SplitHCursor) {
            m_pressSection = header->logicalIndexAt(e->position().toPoint());
            m_pressPos = e->position().toPoint();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        const QPoint p = e->position().toPoint();
        // Leaving the header up or down with a pressed section starts dragging it.
        if (m_pressSection >= 0 && (e->buttons() & Qt::LeftButton) && !m_band->isHidden() &&
            (p - m_pressPos).manhattanLength() >= QApplication::startDragDistance() &&
            (p.y() < 0 || p.y() >= header->viewport()->height())) {
            const int section = m_pressSection;
            m_pressSection = -1;
            startHeaderDrag(section);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        m_pressSection = -1;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void DataGrid::startHeaderDrag(int section)
{
    QHeaderView *header = m_view->header();
    auto *drag = new QDrag(header->viewport());
    drag->setMimeData(GridGroupBand::mimeData(m_columns[section].field));
    const QRect r(header->sectionViewportPosition(section), 0, header->sectionSize(section),
                  header->viewport()->height());
    drag->setPixmap(header->viewport()->grab(r));
    drag->setHotSpot(m_pressPos - r.topLeft());
    drag->exec(Qt::MoveAction);
    // The drag took the button release; end the header's press away from any section so it
    // neither stays drawn pressed nor takes the drag for a click that sorts.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &release);
}
