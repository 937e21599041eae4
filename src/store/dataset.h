#pragma once

#include "condition.h"
#include "schema.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <QVector>
#include <functional>
#include <memory>

namespace store {

class Connection;
class KeyReader;
class KeySteps;
class LookupResolver;
class PageCache;
class QueryReader;
class RowEditor;
class RowScanner;

// The one cursor type every window uses: a named, shared view of a table or a query with a
// current row, a state, a filter that survives close and open, an optional master, display
// fields looked up in other datasets, and hooks run before a row is stored.
//
// A table (or a "select * from <table> ..." query) is read lazily: opening reads the keys of
// its first screen in order from an index, the rest a step at a time while the program waits
// for input (rowCount grows as they come), and rows are fetched by key in pages as they are
// shown, so a list costs what the user sees, however large the table. Orders, filters, counts
// and sums are statements of the store. Other queries are read whole and read-only.
//
// Its parts live in classes of their own: KeyReader (which rows, in which order), KeySteps
// (their keys read in steps), PageCache
// (rows by key, a page at a time), QueryReader (queries read whole or through a temporary
// table), LookupResolver (answers to other datasets' display fields), RowEditor (the row being
// edited and how it is stored) and RowScanner (whole-column reads, sums, every row in order).
class Dataset : public QObject
{
    Q_OBJECT
public:
    enum class State { Closed, Browse, Edit, Insert };
    Q_ENUM(State)

    // What a before-post hook decides for the row about to be stored.
    enum class PostAction { Store, Discard };
    using BeforePost = std::function<PostAction(Dataset &)>;

    Dataset(Connection &db, const QString &name, QObject *parent = nullptr);
    ~Dataset() override;

    QString name() const { return objectName(); }
    Connection &connection() const { return m_db; }

    // ---- source
    void setTable(const QString &table);
    // Replaces the query text (the dataset must be closed). Lines are joined as they stand.
    void setSql(const QString &sql);
    void setSql(const QStringList &lines) { setSql(lines.join(QLatin1Char('\n'))); }
    QString sql() const { return m_sql; }
    void setParam(const QString &name, const QVariant &value);
    QVariant param(const QString &name) const { return m_params.value(name); }
    QString table() const { return m_table ? m_table->name : QString(); }
    bool isReadOnly() const { return !m_table || m_materialized; }
    // A query whose result may be large (a ledger of every contract): opened into a temporary
    // table of this connection and read a page at a time like a table, not whole. Only shown.
    void setMaterialized(bool on) { m_materialize = on; }
    // A materialized query read in steps: its text orders the rows by `keyColumn` (a result
    // column of unique, non-empty codes) and takes only those after :after, at most :step of
    // them. The first screen is read when the dataset opens, the rest a step at a time while
    // the program waits for input, so a list of every contract shows at once. Anything that
    // needs every row (sums, grouping, a search, another order or filter, a print) reads the
    // rest first. An empty key column reads the query whole, as before.
    void setSteppedBy(const QString &keyColumn) { m_stepKey = keyColumn; }
    // False while keys or a stepped query's rows are still to be read, and after a step failed.
    bool isComplete() const;
    // The store's error that stopped reading keys or a stepped query's rows: the rows read
    // until then stay listed, and the list is incomplete until it is read again.
    QString readError() const;
    // Reads every key (and every row of a stepped query) still to be read.
    void readRest();
    // Reads the next step now (a view scrolled to the end of what is read); false when there
    // is nothing left.
    bool readMore();

    // Runs the query text as a statement (delete, update) with its parameters.
    int execute();

    // ---- life
    void open(); // does nothing when open
    void close();
    void refresh(); // rereads rows, keeping the current row where it still exists
    bool isOpen() const { return m_state != State::Closed; }
    bool isEmpty() const { return rowCount() == 0; }
    int rowCount() const;
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }

    // ---- current row
    int currentRow() const { return m_current; }
    bool moveTo(int row);
    void first() { moveTo(0); }
    void last(); // the last row of all, read to it
    void next() { moveTo(m_current + 1); }
    void prior() { moveTo(m_current - 1); }
    bool isFirst() const { return m_current <= 0; }
    bool isLast() const { return isComplete() && m_current >= rowCount() - 1; }
    // Makes the first row whose column equals the value current (texts without letter case).
    bool locate(const QString &column, const QVariant &value);
    // The row locate would make current, without moving there; -1 when none.
    int find(const QString &column, const QVariant &value) const;
    qint64 rowKey(int row) const;
    // True when the row's key was read but another seat has deleted the row since: its page
    // was read from the store and the row was not among them. A row already held, the row
    // being edited, and a row whose page could not be read are not gone.
    bool isGone(int row) const;
    // The store key of the current row (-1 for none or a new row), and back to that row
    // after the rows were read again; false when the row is no longer among them.
    qint64 currentKey() const;
    bool moveToKey(qint64 key);

    // ---- fields
    QStringList fieldNames() const; // columns, then display fields
    int fieldIndex(const QString &name) const; // without letter case; -1 when unknown
    bool hasField(const QString &name) const { return fieldIndex(name) >= 0; }
    QString fieldName(int index) const;
    bool isLookupField(int index) const;
    ColumnType fieldType(int index) const;
    QVariant value(const QString &field) const { return value(m_current, field); }
    QVariant value(int row, const QString &field) const;
    QVariant value(int row, int field) const;
    QString text(const QString &field) const { return displayText(value(field)); }
    static QString displayText(const QVariant &v);
    // Sets a field of the current row; a row that is only shown starts editing first.
    void setValue(const QString &field, const QVariant &value);
    // A value the program offers (a new row's proposed code): set as setValue does, but a row
    // nothing else was typed into stays untouched, so it is dropped without a question.
    void proposeValue(const QString &field, const QVariant &value);
    bool isModified() const;
    // True when the field was set since editing started.
    bool isChanged(const QString &field) const;
    // The field of the current row as the store holds it now, whatever is being typed into it:
    // read from the store while editing (nothing for a new row), the shown value otherwise.
    QVariant storedValue(const QString &field) const;

    // ---- editing
    void append();
    void edit();
    void post();
    void cancel();
    void remove();
    void addBeforePost(BeforePost hook);
    // A check of the row about to be stored that must still hold when it is stored: run in the
    // transaction of the store itself, right before the statement, so that no other seat's
    // write comes between the check and the row. It refuses by throwing StoreError; the row
    // stays in editing.
    using StoreGuard = std::function<void(const Dataset &)>;
    void addStoreGuard(StoreGuard guard);

    // ---- filter and order
    void setFilter(const Condition &filter);
    void clearFilter() { setFilter(Condition()); }
    Condition filter() const { return m_filter; }
    bool isFiltered() const { return !m_filter.isNull(); }
    // The rows a filter box narrows the list to: those whose own listed texts or the texts
    // shown in their display fields among `fields` contain `text` (letter case, full-width
    // forms and, for Chinese, pinyin and its initials aside; see SearchIndex). On top of the
    // query's condition, the filter and the master; kept across close, open and a new query
    // text. Another dataset's display fields over this one do not see it. Empty text: none.
    // Tables only.
    void setSearch(const QString &text, const QStringList &fields);
    QString searchText() const { return m_searchText; }
    // The rows of the list as the store counts them now, with or without the filter box's text.
    qint64 countInStore(bool withSearch = true) const;
    void setSort(const QString &column, Qt::SortOrder order = Qt::AscendingOrder);
    void clearSort();
    QString sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // ---- master and detail: rows whose detail columns equal the master's current values
    void setMaster(Dataset *master, const QString &detailColumns, const QString &masterColumns);
    Dataset *master() const { return m_master; }

    // ---- display fields: `field` shows source.resultColumn of the source row whose
    // sourceKey equals this row's keyColumn, looked up as the source is filtered now.
    void addLookup(const QString &field, Dataset *source, const QString &keyColumn,
                   const QString &sourceKey, const QString &resultColumn);

    // ---- whole-column reads for grouping and summaries, in the dataset's order
    QVector<QVariant> columnValues(const QString &field);
    // The sum of a column over the rows the dataset holds, exact to four decimals (money).
    double sum(const QString &field);
    // Streams the rows the dataset holds, in order, without keeping them; the callback
    // receives the row number and values by field.
    void forEachRow(const std::function<void(int row, const QVector<QVariant> &values)> &fn);

    // The value of a display field in this (source) dataset: resultColumn where keyColumn
    // equals key, among the rows this dataset holds now. Empty when none or when closed.
    QVariant lookup(const QString &keyColumn, const QString &resultColumn, const QVariant &key);

Q_SIGNALS:
    void stateChanged(store::Dataset::State state);
    void currentRowChanged(int row);
    void rowsReset();            // rows reread: open, close, refresh, filter, order, master move
    void rowsAppended(int first, int count); // the next rows read, at `first` (the end of the
                                             // rows read, before a new row being typed in)
    void readingFinished();                  // ... and every row is read
    void readingFailed(const QString &error); // ... or reading stopped at a store error
    void rowInserted(int row);   // a new row appended at `row`
    void rowRemoved(int row);
    void rowChanged(int row);    // values of one row changed (edit, post, cancel)
    void contentChanged();       // anything a look-up in this dataset could see has changed
    void lookupsChanged();       // display fields of every row may show other values now

private:
    friend class KeyReader;
    friend class KeySteps;
    friend class LookupResolver;
    friend class PageCache;
    friend class QueryReader;
    friend class RowEditor;
    friend class RowScanner;

    struct Row
    {
        qint64 key = 0;
        qint64 version = 0;
        QVector<QVariant> values; // by column, display fields not included
    };
    struct Lookup
    {
        QString field;
        QPointer<Dataset> source;
        int keyColumn = -1;
        QString sourceKey, resultColumn;
    };

    void ensureColumns();
    void indexFields();
    void loadKeys(qint64 keep);
    void prepareSearch();
    void completeQuery();
    const Row *rowAt(int row) const;
    QVariant fromStore(int column, const QVariant &v) const;
    void setState(State s);
    void storedBySeat(const QString &table, qint64 key, qint64 version, const QObject *by);
    void connectionRestored();
    void setCurrent(int row, bool force = false);
    void reset();
    void followMaster();
    void followDetails();
    QVariantList masterValues() const;
    void invalidateLookups();
    void resolveLookupKeys();
    QSqlQuery run(const QString &sql, const QVariantMap &values) const;
    QString paramSql(QVariantMap &values) const;
    void requireTable(const char *what) const;

    Connection &m_db;
    const Table *m_table = nullptr; // the table rows are read from and written to
    bool m_materialize = false;     // a query to be read through a temporary table
    bool m_materialized = false;    // ... and it is open that way now
    QString m_stepKey;              // the key column of a query read in steps
    QString m_sql;                  // query text, or empty for a plain table
    QString m_sqlWhere, m_sqlOrder; // parts of a "select * from <table> ..." query
    QVariantMap m_params;

    State m_state = State::Closed;
    QStringList m_columns;             // visible columns in order
    QHash<QString, int> m_fieldIndex;  // lower-case name -> field number
    QVector<ColumnType> m_types;
    std::vector<Lookup> m_lookups;
    std::vector<QString> m_lookupKeyNames; // this dataset's column holding each look-up's key

    QVector<qint64> m_keys; // row keys in order, as far as read (lazy mode)
    QVector<Row> m_rows;    // every row (read-only query mode)
    bool m_lazy = false;

    int m_current = -1;

    Condition m_filter;
    QString m_searchText; // as typed
    QStringList m_searchFields;
    Condition m_search; // made from them as the keys are read
    QString m_sortColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;

    QPointer<Dataset> m_master;
    QStringList m_detailColumns, m_masterColumns;
    QVariantList m_loadedMasterValues;
    QList<QPointer<Dataset>> m_details;

    std::unique_ptr<KeyReader> m_keyReader;
    std::unique_ptr<KeySteps> m_steps;
    std::unique_ptr<PageCache> m_pages;
    std::unique_ptr<QueryReader> m_query;
    std::unique_ptr<LookupResolver> m_lookupAnswers;
    std::unique_ptr<RowEditor> m_editor;
};

} // namespace store
