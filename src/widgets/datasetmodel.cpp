#include "datasetmodel.h"

#include "dataset.h"
#include "money.h"

#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QHash>
#include <QScopedValueRollback>
#include <algorithm>

struct DatasetModel::Group {
    Group *parent = nullptr;
    int level = -1;   // -1 for the root
    int position = 0; // row among the parent's groups
    QString key;
    QVariant value; // the first value seen, shown in the group row
    int count = 0;
    std::vector<std::unique_ptr<Group>> children;
    QVector<int> rows;             // dataset rows, last level only
    QHash<QString, Group *> byKey; // only while building
};

namespace
{

bool isBlank(const QVariant &v)
{
    return !v.isValid() || v.isNull() ||
           (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

// Values that the store holds equal fall into one group: texts without letter case, numbers
// by value whatever their type, null and empty text together.
QString groupKey(const QVariant &v)
{
    if (isBlank(v))
        return {};
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 17);
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return v.toDateTime().toString(Qt::ISODate);
    default:
        return v.toString().toLower();
    }
}

int compareValues(const QVariant &a, const QVariant &b)
{
    const bool ab = isBlank(a), bb = isBlank(b);
    if (ab || bb)
        return ab == bb ? 0 : (ab ? -1 : 1);
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
    const QPartialOrdering o = QVariant::compare(a, b);
    if (o == QPartialOrdering::Less)
        return -1;
    if (o == QPartialOrdering::Greater)
        return 1;
    if (o == QPartialOrdering::Equivalent)
        return 0;
    return QString::compare(a.toString(), b.toString());
}

bool isNumeric(store::ColumnType t)
{
    using T = store::ColumnType;
    return t == T::Number || t == T::Currency || t == T::Integer || t == T::AutoNumber;
}

} // namespace

DatasetModel::DatasetModel(QObject *parent) : QAbstractItemModel(parent) {}

DatasetModel::~DatasetModel() = default;

void DatasetModel::setDataset(store::Dataset *dataset)
{
    if (m_dataset == dataset)
        return;
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (dataset) {
        using D = store::Dataset;
        connect(dataset, &D::rowsReset, this, &DatasetModel::reset);
        connect(dataset, &D::rowInserted, this, &DatasetModel::onRowInserted);
        connect(dataset, &D::rowsAppended, this, &DatasetModel::onRowsAppended);
        connect(dataset, &D::rowRemoved, this, &DatasetModel::onRowRemoved);
        connect(dataset, &D::rowChanged, this, &DatasetModel::onRowChanged);
        connect(dataset, &D::contentChanged, this, &DatasetModel::onContentChanged);
        connect(dataset, &D::currentRowChanged, this, &DatasetModel::onCurrentRowChanged);
        connect(dataset, &QObject::destroyed, this, &DatasetModel::reset);
    }
    reset();
}

void DatasetModel::setColumns(const QList<GridColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    rebuild();
    endResetModel();
}

int DatasetModel::columnOf(const QString &field) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void DatasetModel::setGroupFields(const QStringList &fields)
{
    if (fields == m_groupFields)
        return;
    if (!fields.isEmpty())
        readEveryRow();
    beginResetModel();
    m_groupFields = fields;
    rebuild();
    endResetModel();
}

// Groups are made over every row: a list still being read in steps is read to its end first.
void DatasetModel::readEveryRow()
{
    if (!m_dataset || !m_dataset->isOpen() || m_dataset->isComplete())
        return;
    const QScopedValueRollback<bool> reading(m_readingEveryRow, true);
    m_dataset->readRest();
}

void DatasetModel::reset()
{
    if (isGrouped())
        readEveryRow();
    beginResetModel();
    rebuild();
    endResetModel();
}

void DatasetModel::mapFields()
{
    m_fieldIndex.fill(-1, m_columns.size());
    m_types.fill(store::ColumnType::Text, m_columns.size());
    if (!m_dataset || !m_dataset->isOpen())
        return;
    for (int i = 0; i < m_columns.size(); ++i) {
        const int f = m_dataset->fieldIndex(m_columns[i].field);
        m_fieldIndex[i] = f;
        if (f >= 0)
            m_types[i] = m_dataset->fieldType(f);
    }
}

void DatasetModel::rebuild()
{
    m_pendingInsert = -1;
    m_root.reset();
    m_leafOf.clear();
    m_positionOf.clear();
    mapFields();
    if (!isGrouped() || !m_dataset || !m_dataset->isOpen())
        return;

    // One column read per level; a field the dataset lacks groups everything as empty.
    QVector<QVector<QVariant>> values;
    for (const QString &f : std::as_const(m_groupFields))
        values.append(m_dataset->hasField(f) ? m_dataset->columnValues(f) : QVector<QVariant>());

    const int n = m_dataset->rowCount();
    m_root = std::make_unique<Group>();
    m_leafOf.resize(n);
    m_positionOf.resize(n);
    for (int row = 0; row < n; ++row) {
        Group *g = m_root.get();
        for (int level = 0; level < values.size(); ++level) {
            const QVariant v = row < values[level].size() ? values[level][row] : QVariant();
            const QString key = groupKey(v);
            Group *child = g->byKey.value(key);
            if (!child) {
                auto made = std::make_unique<Group>();
                child = made.get();
                child->parent = g;
                child->level = level;
                child->key = key;
                child->value = v;
                g->children.push_back(std::move(made));
                g->byKey.insert(key, child);
            }
            ++child->count;
            g = child;
        }
        m_positionOf[row] = int(g->rows.size());
        g->rows.append(row);
        m_leafOf[row] = g;
    }

    // Groups follow their values; descending when the dataset is ordered that way on them.
    const auto order = [this](Group *g, auto &&self) -> void {
        if (g->children.empty())
            return;
        const bool descending = descendingAt(g->children.front()->level);
        std::stable_sort(g->children.begin(), g->children.end(),
                         [descending](const auto &a, const auto &b) {
                             const int c = compareValues(a->value, b->value);
                             return descending ? c > 0 : c < 0;
                         });
        g->byKey.clear();
        for (size_t i = 0; i < g->children.size(); ++i) {
            g->children[i]->position = int(i);
            self(g->children[i].get(), self);
        }
    };
    order(m_root.get(), order);
}

bool DatasetModel::descendingAt(int level) const
{
    return m_dataset->sortOrder() == Qt::DescendingOrder &&
           m_dataset->sortColumn().compare(m_groupFields[level], Qt::CaseInsensitive) == 0;
}

QModelIndex DatasetModel::indexOfGroup(const Group *g) const
{
    if (!g || g->level < 0)
        return {};
    return createIndex(g->position, 0, g->parent);
}

DatasetModel::Group *DatasetModel::groupAt(const QModelIndex &index) const
{
    if (!index.isValid() || !isGrouped())
        return nullptr;
    auto *container = static_cast<Group *>(index.internalPointer());
    if (!container || container->children.empty() || index.row() >= int(container->children.size()))
        return nullptr;
    return container->children[index.row()].get();
}

bool DatasetModel::isGroupRow(const QModelIndex &index) const
{
    return groupAt(index) != nullptr;
}

int DatasetModel::datasetRow(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    if (!isGrouped())
        return index.row();
    auto *container = static_cast<Group *>(index.internalPointer());
    if (!container || !container->children.empty() || index.row() >= container->rows.size())
        return -1;
    return container->rows[index.row()];
}

QModelIndex DatasetModel::indexOfDatasetRow(int row, int column) const
{
    if (row < 0 || column < 0 || column >= m_columns.size())
        return {};
    if (!isGrouped())
        return row < rowCount() ? createIndex(row, column, nullptr) : QModelIndex();
    if (row >= m_leafOf.size() || !m_leafOf[row])
        return {};
    return createIndex(m_positionOf[row], column, m_leafOf[row]);
}

int DatasetModel::groupCount(const QModelIndex &index) const
{
    const Group *g = groupAt(index);
    return g ? g->count : 0;
}

QVariant DatasetModel::groupValue(const QModelIndex &index) const
{
    const Group *g = groupAt(index);
    return g ? g->value : QVariant();
}

QStringList DatasetModel::groupPath(const QModelIndex &index) const
{
    QStringList path;
    for (const Group *g = groupAt(index); g && g->level >= 0; g = g->parent)
        path.prepend(g->key);
    return path;
}

QModelIndex DatasetModel::indexOfGroupPath(const QStringList &path) const
{
    const Group *g = m_root.get();
    if (!g || path.isEmpty())
        return {};
    const Group *found = nullptr;
    for (const QString &key : path) {
        found = nullptr;
        for (const auto &c : g->children) {
            if (c->key == key) {
                found = c.get();
                break;
            }
        }
        if (!found)
            return {};
        g = found;
    }
    return createIndex(found->position, 0, found->parent);
}

QModelIndex DatasetModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= m_columns.size())
        return {};
    if (!isGrouped()) {
        if (parent.isValid() || row >= rowCount())
            return {};
        return createIndex(row, column, nullptr);
    }
    if (parent.isValid() && parent.column() != 0)
        return {};
    Group *container = parent.isValid() ? groupAt(parent) : m_root.get();
    if (!container)
        return {};
    const int n =
        container->children.empty() ? int(container->rows.size()) : int(container->children.size());
    if (row >= n)
        return {};
    return createIndex(row, column, container);
}

QModelIndex DatasetModel::parent(const QModelIndex &index) const
{
    if (!index.isValid() || !isGrouped())
        return {};
    auto *container = static_cast<Group *>(index.internalPointer());
    if (!container || container == m_root.get())
        return {};
    return createIndex(container->position, 0, container->parent);
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid()) {
        if (parent.column() != 0)
            return 0;
        const Group *g = groupAt(parent);
        if (!g)
            return 0;
        return g->children.empty() ? int(g->rows.size()) : int(g->children.size());
    }
    if (isGrouped())
        return m_root ? int(m_root->children.size()) : 0;
    return m_dataset && m_dataset->isOpen() ? m_dataset->rowCount() : 0;
}

int DatasetModel::columnCount(const QModelIndex &) const
{
    return int(m_columns.size());
}

bool DatasetModel::hasChildren(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return rowCount() > 0;
    return parent.column() == 0 && groupAt(parent) != nullptr;
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_dataset)
        return {};
    if (const Group *g = groupAt(index)) {
        if (index.column() != 0)
            return {};
        switch (role) {
        case Qt::DisplayRole: {
            const QString &field = m_groupFields[g->level];
            const int column = columnOf(field);
            const QString caption = column >= 0 && !m_columns[column].caption.isEmpty()
                                        ? m_columns[column].caption
                                        : field;
            const int f = m_dataset->fieldIndex(field);
            const store::ColumnType type =
                f >= 0 ? m_dataset->fieldType(f) : store::ColumnType::Text;
            return QString(caption + QStringLiteral(": ") + displayText(g->value, type) +
                           QStringLiteral(" (") + QString::number(g->count) + QLatin1Char(')'));
        }
        case Qt::FontRole: {
            QFont font;
            font.setBold(true);
            return font;
        }
        case ValueRole:
            return g->value;
        default:
            return {};
        }
    }
    const int row = datasetRow(index);
    if (row < 0)
        return {};
    return cell(row, index.column(), role);
}

QVariant DatasetModel::cell(int row, int column, int role) const
{
    if (column >= m_fieldIndex.size() || m_fieldIndex[column] < 0)
        return {};
    const store::ColumnType type = m_types[column];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (type == store::ColumnType::Bool)
            return {};
        break;
    case Qt::CheckStateRole:
        if (type != store::ColumnType::Bool)
            return {};
        break;
    case ValueRole:
        break;
    case Qt::TextAlignmentRole:
        if (isNumeric(type))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }

    if (!isReadable(row))
        return {};
    QVariant v;
    // A view paints from here; a store that fails to deliver a page leaves the cell empty
    // rather than unwinding through the painting code.
    try {
        v = m_dataset->value(row, m_fieldIndex[column]);
    } catch (...) {
        return {};
    }
    if (role == ValueRole)
        return v;
    if (role == Qt::CheckStateRole)
        return int(v.toBool() ? Qt::Checked : Qt::Unchecked);
    return displayText(v, type);
}

QString DatasetModel::displayText(const QVariant &value, store::ColumnType type)
{
    if (!value.isValid() || value.isNull())
        return {};
    using T = store::ColumnType;
    switch (type) {
    case T::Date: {
        QDateTime dt;
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        if (value.typeId() == QMetaType::QDateTime)
            dt = value.toDateTime();
        else
            dt = QDateTime::fromString(value.toString(), Qt::ISODate);
        if (!dt.isValid())
            return value.toString();
        if (dt.time() == QTime(0, 0))
            return dt.date().toString(QStringLiteral("yyyy-MM-dd"));
        return dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    case T::Currency:
        return store::Money::text(value.toDouble());
    case T::Number:
        return QString::number(value.toDouble(), 'g', 15);
    case T::Integer:
    case T::AutoNumber:
        return QString::number(value.toLongLong());
    case T::Bool:
        return value.toBool() ? QStringLiteral("是") : QStringLiteral("否");
    default:
        return store::Dataset::displayText(value);
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].caption.isEmpty() ? m_columns[section].field
                                                    : m_columns[section].caption;
    return {};
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!isGroupRow(index))
        f |= Qt::ItemNeverHasChildren;
    return f;
}

void DatasetModel::sort(int column, Qt::SortOrder order)
{
    if (!m_dataset || column < 0 || column >= m_columns.size())
        return;
    const int f = m_dataset->fieldIndex(m_columns[column].field);
    if (f >= 0) // the dataset refuses a display field it cannot order by in the store
        m_dataset->setSort(m_dataset->fieldName(f), order);
}

// A new row is announced before it becomes the current row, and only as the current row
// can its values be read.
bool DatasetModel::isReadable(int row) const
{
    return m_dataset->state() != store::Dataset::State::Insert ||
           row != m_dataset->rowCount() - 1 || row == m_dataset->currentRow();
}

void DatasetModel::onCurrentRowChanged(int row)
{
    if (m_pendingInsert < 0 || row != m_pendingInsert)
        return;
    m_pendingInsert = -1;
    if (!insertGrouped(row))
        reset();
}

void DatasetModel::onRowInserted(int row)
{
    if (isGrouped()) {
        if (!isReadable(row))
            m_pendingInsert = row; // joins its group once it is current
        else if (!insertGrouped(row))
            reset();
        return;
    }
    beginInsertRows({}, row, row);
    endInsertRows();
}

// The next rows of a list read in steps; a grouped view reads every row anyway.
void DatasetModel::onRowsAppended(int first, int count)
{
    if (isGrouped()) {
        if (!m_readingEveryRow)
            reset();
        return;
    }
    beginInsertRows({}, first, first + count - 1);
    endInsertRows();
}

void DatasetModel::onRowRemoved(int row)
{
    if (isGrouped()) {
        if (!removeGrouped(row))
            reset();
        return;
    }
    beginRemoveRows({}, row, row);
    endRemoveRows();
}

void DatasetModel::adjustCounts(Group *from, int delta)
{
    for (Group *g = from; g && g->level >= 0; g = g->parent)
        g->count += delta;
}

void DatasetModel::announceCounts(Group *from)
{
    for (Group *g = from; g && g->level >= 0; g = g->parent) {
        const QModelIndex i = indexOfGroup(g);
        Q_EMIT dataChanged(i, i);
    }
}

// Puts a row into the group its values belong to, making the groups it needs in their places
// among their siblings. Within its last-level group the row keeps the dataset's order.
void DatasetModel::attachRow(int row)
{
    Group *g = m_root.get();
    for (int level = 0; level < m_groupFields.size(); ++level) {
        const QString &field = m_groupFields[level];
        const QVariant v = m_dataset->hasField(field) ? m_dataset->value(row, field) : QVariant();
        const QString key = groupKey(v);
        Group *child = nullptr;
        for (const auto &c : g->children) {
            if (c->key == key) {
                child = c.get();
                break;
            }
        }
        if (child) {
            g = child;
            continue;
        }
        // A group of its own, with the deeper levels under it holding just this row.
        const bool descending = descendingAt(level);
        int at = 0;
        while (at < int(g->children.size())) {
            const int c = compareValues(v, g->children[at]->value);
            if (descending ? c > 0 : c < 0)
                break;
            ++at;
        }
        auto made = std::make_unique<Group>();
        Group *leaf = made.get();
        leaf->parent = g;
        leaf->level = level;
        leaf->key = key;
        leaf->value = v;
        leaf->count = 1;
        for (int deeper = level + 1; deeper < m_groupFields.size(); ++deeper) {
            const QString &f = m_groupFields[deeper];
            const QVariant dv = m_dataset->hasField(f) ? m_dataset->value(row, f) : QVariant();
            auto sub = std::make_unique<Group>();
            sub->parent = leaf;
            sub->level = deeper;
            sub->key = groupKey(dv);
            sub->value = dv;
            sub->count = 1;
            Group *next = sub.get();
            leaf->children.push_back(std::move(sub));
            leaf = next;
        }
        leaf->rows.append(row);
        beginInsertRows(indexOfGroup(g), at, at);
        g->children.insert(g->children.begin() + at, std::move(made));
        for (int i = at; i < int(g->children.size()); ++i)
            g->children[i]->position = i;
        m_leafOf[row] = leaf;
        m_positionOf[row] = 0;
        adjustCounts(g, 1);
        endInsertRows();
        announceCounts(g);
        return;
    }
    const int at = int(std::lower_bound(g->rows.begin(), g->rows.end(), row) - g->rows.begin());
    beginInsertRows(indexOfGroup(g), at, at);
    g->rows.insert(at, row);
    m_leafOf[row] = g;
    for (int i = at; i < g->rows.size(); ++i)
        m_positionOf[g->rows[i]] = i;
    adjustCounts(g, 1);
    endInsertRows();
    announceCounts(g);
}

// Takes a row out of its group; groups left empty go with it. `settle` finishes the caller's
// own bookkeeping before the views hear of the removal, so they find the model consistent.
void DatasetModel::detachRow(int row, const std::function<void()> &settle)
{
    Group *leaf = m_leafOf[row];
    const int at = m_positionOf[row];
    Group *g = leaf;
    while (g->parent && g->parent->level >= 0 && g->parent->count == 1)
        g = g->parent; // the highest group that holds only this row
    if (g->count == 1) {
        Group *parent = g->parent;
        const int pos = g->position;
        beginRemoveRows(indexOfGroup(parent), pos, pos);
        parent->children.erase(parent->children.begin() + pos);
        for (int i = pos; i < int(parent->children.size()); ++i)
            parent->children[i]->position = i;
        g = parent;
    } else {
        beginRemoveRows(indexOfGroup(leaf), at, at);
        leaf->rows.removeAt(at);
        for (int i = at; i < leaf->rows.size(); ++i)
            m_positionOf[leaf->rows[i]] = i;
    }
    m_leafOf[row] = nullptr;
    adjustCounts(g, -1);
    if (settle)
        settle();
    endRemoveRows();
    announceCounts(g);
}

// A new row is appended at the end while it is typed in. It joins its group in place: building
// the groups again would read every row, the new one included, from the store.
bool DatasetModel::insertGrouped(int row)
{
    if (!m_root || row != m_dataset->rowCount() - 1 || m_leafOf.size() != row)
        return false;
    m_leafOf.append(nullptr);
    m_positionOf.append(0);
    attachRow(row);
    return true;
}

// The rows after a removed one move up by one in the dataset; their numbers are renumbered
// in memory, which the views do not see.
bool DatasetModel::removeGrouped(int row)
{
    if (!m_root || row < 0 || row >= m_leafOf.size() ||
        m_leafOf.size() != m_dataset->rowCount() + 1)
        return false;
    detachRow(row, [this, row] {
        m_leafOf.removeAt(row);
        m_positionOf.removeAt(row);
        const auto renumber = [row](Group *g, auto &&self) -> void {
            for (int &r : g->rows) {
                if (r > row)
                    --r;
            }
            for (const auto &c : g->children)
                self(c.get(), self);
        };
        renumber(m_root.get(), renumber);
    });
    return true;
}

bool DatasetModel::groupKeysMatch(int row) const
{
    if (row < 0 || row >= m_leafOf.size() || !isReadable(row))
        return false;
    for (const Group *g = m_leafOf[row]; g && g->level >= 0; g = g->parent) {
        const QString &field = m_groupFields[g->level];
        const QVariant v = m_dataset->hasField(field) ? m_dataset->value(row, field) : QVariant();
        if (groupKey(v) != g->key)
            return false;
    }
    return true;
}

void DatasetModel::onRowChanged(int row)
{
    // A stored row whose group values changed moves to its new group; while it is typed in it
    // stays where it was.
    if (isGrouped() && !m_dataset->isEditing() && !groupKeysMatch(row)) {
        if (m_root && row >= 0 && row < m_leafOf.size() && m_leafOf[row]) {
            detachRow(row);
            attachRow(row);
        } else {
            reset();
        }
        return;
    }
    const QModelIndex first = indexOfDatasetRow(row, 0);
    if (first.isValid())
        Q_EMIT dataChanged(first, indexOfDatasetRow(row, int(m_columns.size()) - 1));
}

void DatasetModel::onContentChanged()
{
    // Display fields may show other values now; what is on screen is painted again.
    Q_EMIT repaintNeeded();
}
