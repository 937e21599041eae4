#include "dataset.h"

#include "connection.h"
#include "keyreader.h"
#include "keysteps.h"
#include "lookupresolver.h"
#include "pagecache.h"
#include "queryreader.h"
#include "querytext.h"
#include "roweditor.h"
#include "rowreader.h"
#include "rowscanner.h"
#include "searchindex.h"
#include "storeerror.h"

namespace store {

Dataset::Dataset(Connection &db, const QString &name, QObject *parent)
    : QObject(parent), m_db(db), m_keyReader(std::make_unique<KeyReader>(*this)),
      m_steps(std::make_unique<KeySteps>(*this)), m_pages(std::make_unique<PageCache>(*this)),
      m_query(std::make_unique<QueryReader>(*this)),
      m_lookupAnswers(std::make_unique<LookupResolver>(*this)),
      m_editor(std::make_unique<RowEditor>(*this))
{
    setObjectName(name);
    connect(&m_db, &Connection::rowStored, this, &Dataset::storedBySeat);
    connect(&m_db, &Connection::connectionRestored, this, &Dataset::connectionRestored);
}

Dataset::~Dataset()
{
    m_keyReader->dropStatement();
    m_pages->dropStatement();
    if (m_master)
        m_master->m_details.removeAll(this);
}

// ---------------------------------------------------------------- source

void Dataset::setTable(const QString &table)
{
    if (isOpen())
        close();
    m_table = Schema::find(table);
    if (!m_table)
        throw StoreError(QStringLiteral("数据表 %1 不存在。").arg(table));
    m_sql.clear();
    m_sqlWhere.clear();
    m_sqlOrder.clear();
    m_columns.clear();
}

void Dataset::setSql(const QString &sql)
{
    if (isOpen())
        close();
    m_sql = sql;
    m_table = nullptr;
    m_sqlWhere.clear();
    m_sqlOrder.clear();
    m_columns.clear();

    const SingleTableQuery single = parseSingleTable(sql);
    if (!single.table)
        return;
    m_table = single.table;
    m_sqlWhere = single.where;
    m_sqlOrder = single.order;
    // Its fields are the table's, known before it is opened: an order can be set beforehand.
    ensureColumns();
}

void Dataset::setParam(const QString &name, const QVariant &value)
{
    m_params.insert(name, value);
}

int Dataset::execute()
{
    QVariantMap values;
    const QString sql = paramSql(values);
    QSqlQuery q = run(sql, values);
    Q_EMIT contentChanged();
    return q.numRowsAffected();
}

QString Dataset::paramSql(QVariantMap &values) const
{
    const QString sql = dialect(m_sql);
    bindPlaceholders(sql, m_params, m_db.engine(), values);
    return sql;
}

QSqlQuery Dataset::run(const QString &sql, const QVariantMap &values) const
{
    return m_db.execNamed(sql, values);
}

void Dataset::requireTable(const char *what) const
{
    if (!m_table || m_materialized)
        throw StoreError(QStringLiteral("数据集 %1 只能查看，不能%2。")
                             .arg(name(), QString::fromUtf8(what)));
    if (!isOpen())
        throw StoreError(QStringLiteral("数据集 %1 没有打开。").arg(name()));
}

// ---------------------------------------------------------------- columns and SQL

void Dataset::ensureColumns()
{
    if (!m_table || !m_columns.isEmpty())
        return;
    m_columns = m_table->columnNames();
    m_types.clear();
    for (const Column &c : m_table->columns)
        m_types << c.type;
    indexFields();
}

void Dataset::indexFields()
{
    // Field numbers by lower-case name: the columns, then the display fields.
    m_fieldIndex.clear();
    for (int i = 0; i < m_columns.size(); ++i)
        m_fieldIndex.insert(m_columns[i].toLower(), i);
    for (int i = 0; i < int(m_lookups.size()); ++i)
        m_fieldIndex.insert(m_lookups[i].field.toLower(), int(m_columns.size()) + i);
    resolveLookupKeys();
}

QVariant Dataset::fromStore(int column, const QVariant &v) const
{
    return RowReader::convert(v, column < m_types.size() ? m_types[column] : ColumnType::Text);
}

// ---------------------------------------------------------------- life

void Dataset::open()
{
    if (isOpen())
        return;
    if (!m_table && m_sql.trimmed().isEmpty())
        throw StoreError(QStringLiteral("数据集 %1 没有查询语句。").arg(name()));
    // PostgreSQL cannot bind values in CREATE TABLE AS: a statement with values is read whole
    // there (the values narrow it, as a ledger's period does).
    if (!m_table && m_materialize &&
        (m_db.engine() == Engine::SQLite || !m_stepKey.isEmpty() || placeholderNames(dialect(m_sql)).isEmpty()))
        m_query->materialize();
    m_lazy = m_table != nullptr;
    if (m_lazy) {
        ensureColumns();
        loadKeys(-1);
    } else {
        m_query->readWhole();
    }
    m_state = State::Browse;
    m_current = rowCount() > 0 ? 0 : -1;
    m_loadedMasterValues = masterValues();
    invalidateLookups();
    Q_EMIT stateChanged(m_state);
    Q_EMIT rowsReset();
    Q_EMIT currentRowChanged(m_current);
    followDetails();
    m_query->scheduleStep();
}

void Dataset::loadKeys(qint64 keep)
{
    prepareSearch();
    m_pages->clear();
    m_steps->restart(keep);
}

void Dataset::close()
{
    if (!isOpen())
        return;
    if (m_state == State::Insert || m_state == State::Edit)
        m_editor->discard();
    m_state = State::Closed;
    m_steps->stop();
    m_keys.clear();
    m_pages->clear();
    m_rows.clear();
    m_pages->dropStatement();
    m_keyReader->dropStatement();
    m_query->dropMaterialized();
    m_current = -1;
    invalidateLookups();
    Q_EMIT stateChanged(m_state);
    Q_EMIT rowsReset();
    Q_EMIT currentRowChanged(m_current);
    // Closing drops what is pending, in the details as here: nothing is stored on the way out
    // (a reconnect, a restore, the end of the program), where no window could check it.
    for (const auto &d : std::as_const(m_details)) {
        if (d && d->isOpen()) {
            d->cancel();
            d->followMaster();
        }
    }
}

void Dataset::reset()
{
    // Rereads the rows and keeps the current row where it still is.
    const qint64 key = m_current >= 0 && m_current < rowCount() ? rowKey(m_current) : -1;
    if (m_lazy)
        loadKeys(key);
    else
        m_query->readWhole();
    int row = m_lazy ? int(m_keys.indexOf(key)) : qMin(m_current, rowCount() - 1);
    if (row < 0)
        row = rowCount() > 0 ? qBound(0, m_current, rowCount() - 1) : -1;
    m_current = row;
    m_loadedMasterValues = masterValues();
    invalidateLookups();
    Q_EMIT rowsReset();
    Q_EMIT currentRowChanged(m_current);
    followDetails();
}

void Dataset::refresh()
{
    if (!isOpen())
        return;
    post();
    if (m_materialized) {
        // The query runs again; a new order or filter only rereads the copy.
        m_pages->dropStatement();
        m_keyReader->dropStatement();
        m_query->dropMaterialized();
        m_query->materialize();
        ensureColumns();
    }
    reset();
    m_query->scheduleStep();
}

bool Dataset::isComplete() const
{
    return !m_query->isStepping() && !m_steps->isReading() && readError().isEmpty();
}

QString Dataset::readError() const
{
    return m_query->readError().isEmpty() ? m_steps->readError() : m_query->readError();
}

void Dataset::readRest()
{
    m_steps->readRest();
    completeQuery();
}

bool Dataset::readMore()
{
    if (m_steps->isReading())
        return m_steps->readStep(KeySteps::FirstScreen) || !isComplete();
    return m_query->readStep();
}

// A query read in steps into its table has every row there (an order or a filter over the
// table needs them all).
void Dataset::completeQuery()
{
    while (m_query->readStep()) {
    }
}

int Dataset::rowCount() const
{
    const int n = m_lazy ? int(m_keys.size()) : int(m_rows.size());
    return n + (m_state == State::Insert ? 1 : 0);
}

qint64 Dataset::rowKey(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    if (m_state == State::Insert && row == rowCount() - 1)
        return 0;
    if (!m_lazy)
        return m_rows[row].key;
    m_steps->fillTo(row);
    return m_keys[row];
}

bool Dataset::isGone(int row) const
{
    if (!m_lazy || row < 0 || row >= int(m_keys.size()) || (isEditing() && row == m_current))
        return false;
    return !rowAt(row) && !m_pages->lastReadFailed();
}

// ---------------------------------------------------------------- rows

const Dataset::Row *Dataset::rowAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    if (isEditing() && row == m_current)
        return &m_editor->row();
    if (m_state == State::Insert && row == rowCount() - 1)
        return &m_editor->row(); // the new row, before it becomes current
    if (!m_lazy)
        return &m_rows[row];
    m_steps->fillTo(row);
    return m_pages->row(row);
}

// ---------------------------------------------------------------- fields

QStringList Dataset::fieldNames() const
{
    QStringList names = m_columns;
    for (const auto &l : m_lookups)
        names << l.field;
    return names;
}

int Dataset::fieldIndex(const QString &field) const
{
    if (m_columns.isEmpty() && m_table)
        const_cast<Dataset *>(this)->ensureColumns();
    return m_fieldIndex.value(field.toLower(), -1);
}

QString Dataset::fieldName(int index) const
{
    if (index < 0)
        return {};
    if (index < m_columns.size())
        return m_columns[index];
    const int l = index - int(m_columns.size());
    return l < int(m_lookups.size()) ? m_lookups[l].field : QString();
}

bool Dataset::isLookupField(int index) const
{
    return index >= m_columns.size() && index < m_columns.size() + int(m_lookups.size());
}

ColumnType Dataset::fieldType(int index) const
{
    if (index >= 0 && index < m_types.size())
        return m_types[index];
    return ColumnType::Text;
}

QVariant Dataset::value(int row, const QString &field) const
{
    const int i = fieldIndex(field);
    if (i < 0)
        throw StoreError(QStringLiteral("数据集 %1 中没有字段 %2。").arg(name(), field));
    return value(row, i);
}

QVariant Dataset::value(int row, int field) const
{
    if (field < 0)
        return {};
    if (field < m_columns.size()) {
        const Row *r = rowAt(row);
        return r ? r->values.value(field) : QVariant();
    }
    const int li = field - int(m_columns.size());
    if (li >= int(m_lookups.size()))
        return {};
    const Lookup &l = m_lookups[li];
    if (!l.source || l.keyColumn < 0)
        return {};
    const QVariant key = value(row, l.keyColumn);
    if (key.isNull() || key.toString().isEmpty())
        return {};
    return l.source->lookup(l.sourceKey, l.resultColumn, key);
}

QString Dataset::displayText(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return {};
    switch (v.metaType().id()) {
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("是") : QStringLiteral("否");
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', 15);
    default:
        return v.toString();
    }
}

void Dataset::setValue(const QString &field, const QVariant &v)
{
    const int i = fieldIndex(field);
    if (i < 0)
        throw StoreError(QStringLiteral("数据集 %1 中没有字段 %2。").arg(name(), field));
    if (i >= m_columns.size())
        throw StoreError(QStringLiteral("字段 %1 只能显示，不能修改。").arg(field));
    m_editor->setValue(i, v);
}

void Dataset::proposeValue(const QString &field, const QVariant &v)
{
    const bool touched = m_editor->isTouched();
    setValue(field, v);
    m_editor->setTouched(touched);
}

bool Dataset::isChanged(const QString &field) const
{
    return m_editor->isChanged(fieldIndex(field));
}

QVariant Dataset::storedValue(const QString &field) const
{
    const int i = fieldIndex(field);
    if (i < 0 || i >= m_columns.size())
        throw StoreError(QStringLiteral("数据集 %1 中没有字段 %2。").arg(name(), field));
    return m_editor->storedValue(i);
}

// ---------------------------------------------------------------- moves

void Dataset::setCurrent(int row, bool force)
{
    if (row == m_current && !force)
        return;
    m_current = row;
    Q_EMIT currentRowChanged(m_current);
    followDetails();
}

bool Dataset::moveTo(int row)
{
    if (!isOpen())
        return false;
    if (isEditing()) {
        if (row == m_current)
            return true;
        post(); // pending changes are stored first; a new untouched row is dropped
    }
    if (row >= rowCount() && m_lazy)
        m_steps->readToRow(row); // a move past the rows read so far reads on to it
    const int n = rowCount();
    if (n == 0) {
        setCurrent(-1);
        return false;
    }
    row = qBound(0, row, n - 1);
    // Details post their own pending rows before the master leaves its row.
    for (const auto &d : std::as_const(m_details))
        if (d && d->isEditing())
            d->post();
    setCurrent(row);
    return true;
}

qint64 Dataset::currentKey() const
{
    return m_state == State::Insert ? -1 : rowKey(m_current);
}

bool Dataset::moveToKey(qint64 key)
{
    if (!isOpen() || key < 0 || !m_lazy)
        return false;
    m_steps->readUntil(key);
    const int row = int(m_keys.indexOf(key));
    return row >= 0 && moveTo(row);
}

void Dataset::last()
{
    readRest();
    moveTo(rowCount() - 1);
}

bool Dataset::locate(const QString &column, const QVariant &v)
{
    const int row = find(column, v);
    return row >= 0 && moveTo(row);
}

int Dataset::find(const QString &column, const QVariant &v) const
{
    const int field = fieldIndex(column);
    if (field < 0 || !isOpen())
        return -1;
    int found = -1;
    if (m_lazy && field < m_columns.size()) {
        // The store finds the rows; the first of them in order is read to when it lies
        // further on than the keys read so far.
        auto *self = const_cast<Dataset *>(this);
        self->completeQuery();
        for (const qint64 key : m_keyReader->matching(field, v, 1000)) {
            if (self->m_steps->readUntil(key)) {
                found = int(m_keys.indexOf(key));
                break;
            }
        }
    } else {
        const_cast<Dataset *>(this)->readRest(); // a search looks at every row
        const QString want = lowerKey(v);
        for (int r = 0; r < rowCount() && found < 0; ++r)
            if (lowerKey(value(r, field)) == want)
                found = r;
    }
    return found;
}

// ---------------------------------------------------------------- editing

void Dataset::edit()
{
    m_editor->edit();
}

void Dataset::append()
{
    m_editor->append();
}

void Dataset::post()
{
    m_editor->post();
}

void Dataset::cancel()
{
    m_editor->cancel();
}

void Dataset::remove()
{
    m_editor->remove();
}

bool Dataset::isModified() const
{
    return m_editor->isTouched();
}

void Dataset::addBeforePost(BeforePost hook)
{
    m_editor->addBeforePost(std::move(hook));
}

void Dataset::addStoreGuard(StoreGuard guard)
{
    m_editor->addStoreGuard(std::move(guard));
}

void Dataset::storedBySeat(const QString &table, qint64 key, qint64 version, const QObject *by)
{
    m_editor->storedBySeat(table, key, version, by);
}

// Statements prepared on the connection that broke are gone with it; so are the temporary
// tables of a query read that way, which is read again once the seat is idle.
void Dataset::connectionRestored()
{
    m_pages->dropStatement();
    m_keyReader->dropStatement();
    if (m_materialized)
        QMetaObject::invokeMethod(
            this,
            [this] {
                try {
                    if (m_materialized && isOpen())
                        refresh();
                } catch (const StoreError &e) {
                    qWarning("%s: %s", qPrintable(name()), qPrintable(e.text()));
                }
            },
            Qt::QueuedConnection);
}

void Dataset::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    Q_EMIT stateChanged(s);
}

// ---------------------------------------------------------------- filter, order, master

void Dataset::setFilter(const Condition &filter)
{
    if (m_table) {
        ensureColumns();
        for (const QString &c : filter.columns())
            if (!m_table->column(c))
                throw StoreError(QStringLiteral("数据集 %1 中没有字段 %2。").arg(name(), c));
    }
    if (isOpen()) {
        post();
        completeQuery();
    }
    m_filter = filter;
    if (isOpen()) {
        m_current = 0;
        reset();
        setCurrent(rowCount() > 0 ? 0 : -1, true);
    }
}

void Dataset::setSearch(const QString &text, const QStringList &fields)
{
    if (isOpen()) {
        post();
        completeQuery();
    }
    m_searchText = text;
    m_searchFields = fields;
    if (isOpen())
        reset();
}

// The search made for the table read now: the row's own search text, the search texts of the
// source rows a display field shows the name of, and the keys of small sources (dictionaries)
// whose shown text matches. Search texts still missing are computed first.
void Dataset::prepareSearch()
{
    m_search = Condition();
    const QString text = SearchIndex::normalized(m_searchText);
    if (text.isEmpty() || !m_table)
        return;
    if (SearchIndex::isSearched(m_table->name)) {
        SearchIndex::fill(m_db, *m_table);
        m_search = Condition::matches(m_table->name, text);
    }
    for (const QString &field : std::as_const(m_searchFields)) {
        const int f = fieldIndex(field);
        if (f < 0 || !isLookupField(f))
            continue;
        const Lookup &l = m_lookups[size_t(f - m_columns.size())];
        const Table *source = l.source ? l.source->m_table : nullptr;
        if (!source || l.keyColumn < 0)
            continue;
        const QString own = m_columns[l.keyColumn];
        const QStringList searched = SearchIndex::columns(source->name);
        if (!searched.isEmpty() &&
            searched.first().compare(l.resultColumn, Qt::CaseInsensitive) == 0) {
            SearchIndex::fill(m_db, *source);
            m_search =
                m_search || Condition::inSource(own, source->name, l.sourceKey,
                                                Condition::matches(source->name, text, true));
            continue;
        }
        // A dictionary is small: its shown texts are compared here, its matching codes bound.
        QSqlQuery q =
            m_db.exec(QStringLiteral("SELECT %1, %2 FROM %3 LIMIT 5001")
                          .arg(m_db.ident(l.sourceKey), m_db.ident(l.resultColumn), source->name));
        QVariantList keys;
        int rows = 0;
        while (q.next() && ++rows <= 5000)
            if (SearchIndex::textOf({q.value(1).toString()}).contains(text))
                keys << q.value(0);
        if (!keys.isEmpty())
            m_search = m_search || Condition::in(own, keys);
    }
    if (m_search.isNull())
        m_search = Condition::in(QString::fromLatin1(RowKey), {}); // nothing to search in: no row
}

qint64 Dataset::countInStore(bool withSearch) const
{
    requireTable("countInStore");
    QVariantMap values;
    const QString where = m_keyReader->where(values, withSearch);
    QSqlQuery q = run(QStringLiteral("SELECT count(*) FROM %1").arg(m_table->name) + where, values);
    return q.next() ? q.value(0).toLongLong() : 0;
}

void Dataset::setSort(const QString &column, Qt::SortOrder order)
{
    const int field = fieldIndex(column);
    const bool sortable = !m_table || (field >= 0 && (!isLookupField(field) ||
                                                       (m_lookups[field - m_columns.size()].source &&
                                                        m_lookups[field - m_columns.size()].source->m_table)));
    if (!sortable)
        throw StoreError(QStringLiteral("数据集 %1 不能按字段 %2 排序。").arg(name(), column));
    if (isOpen()) {
        post();
        completeQuery();
    }
    m_sortColumn = m_table ? fieldName(field) : column;
    m_sortOrder = order;
    if (isOpen())
        reset();
}

void Dataset::clearSort()
{
    if (isOpen()) {
        post();
        completeQuery();
    }
    m_sortColumn.clear();
    if (isOpen())
        reset();
}

void Dataset::setMaster(Dataset *master, const QString &detailColumns, const QString &masterColumns)
{
    if (m_master)
        m_master->m_details.removeAll(this);
    m_master = master;
    m_detailColumns = detailColumns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    m_masterColumns = masterColumns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (master)
        master->m_details.append(this);
}

QVariantList Dataset::masterValues() const
{
    QVariantList out;
    if (!m_master || !m_master->isOpen() || m_master->currentRow() < 0)
        return out;
    for (const QString &c : m_masterColumns)
        out << m_master->value(m_master->currentRow(), c);
    return out;
}

// Details of this dataset show the rows of its current row.
void Dataset::followDetails()
{
    for (const auto &d : std::as_const(m_details))
        if (d && d->isOpen())
            d->followMaster();
}

void Dataset::followMaster()
{
    const QVariantList mv = masterValues();
    bool same = mv.size() == m_loadedMasterValues.size();
    for (int i = 0; same && i < mv.size(); ++i)
        same = lowerKey(mv[i]) == lowerKey(m_loadedMasterValues[i]) &&
               mv[i].isNull() == m_loadedMasterValues[i].isNull();
    if (same)
        return;
    if (isEditing())
        post();
    m_current = 0;
    reset();
    setCurrent(rowCount() > 0 ? 0 : -1, true);
}

// ---------------------------------------------------------------- display fields

void Dataset::addLookup(const QString &field, Dataset *source, const QString &keyColumn,
                        const QString &sourceKey, const QString &resultColumn)
{
    Lookup l;
    l.field = field;
    l.source = source;
    l.sourceKey = sourceKey;
    l.resultColumn = resultColumn;
    m_lookups.push_back(l);
    m_lookupKeyNames.push_back(keyColumn);
    connect(source, &Dataset::contentChanged, this, &Dataset::lookupsChanged, Qt::UniqueConnection);
    // A query's columns are known only once it is open; it indexes its fields then.
    ensureColumns();
    if (!m_columns.isEmpty())
        indexFields();
}

void Dataset::resolveLookupKeys()
{
    for (size_t i = 0; i < m_lookups.size(); ++i)
        m_lookups[i].keyColumn = m_fieldIndex.value(m_lookupKeyNames[i].toLower(), -1);
}

void Dataset::invalidateLookups()
{
    m_lookupAnswers->clear();
    Q_EMIT contentChanged();
}

QVariant Dataset::lookup(const QString &keyColumn, const QString &resultColumn, const QVariant &key)
{
    return m_lookupAnswers->lookup(keyColumn, resultColumn, key);
}

// ---------------------------------------------------------------- whole-column reads

void Dataset::forEachRow(const std::function<void(int, const QVector<QVariant> &)> &fn)
{
    RowScanner(*this).forEachRow(fn);
}

double Dataset::sum(const QString &field)
{
    return RowScanner(*this).sum(field);
}

QVector<QVariant> Dataset::columnValues(const QString &field)
{
    return RowScanner(*this).columnValues(field);
}

} // namespace store
