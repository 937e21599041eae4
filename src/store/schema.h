#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace store {

enum class Engine { SQLite, PostgreSQL };

enum class ColumnType { Text, Memo, Date, Number, Currency, Bool, Integer, AutoNumber };

struct Column
{
    QString name;
    ColumnType type = ColumnType::Text;
    int width = 0;         // text(n); 0 for other types
    bool unique = false;   // a record or dictionary code
    bool required = false; // refused when empty (the description of an edited dictionary)
    bool indexed = false;  // look-ups by agent, referrer and owner
};

struct Table
{
    QString name;
    std::vector<Column> columns;
    QStringList uniqueTogether; // one composite key, e.g. OperateID + DetailNo
    QString key = {};           // a key of another name (a query's result held by a seat)

    // The hidden integer key used for updates: the table's autonumber where it has one.
    QString keyColumn() const;
    const Column *column(const QString &name) const; // without letter case
    QStringList columnNames() const;                 // visible columns, schema spelling
};

// Hidden columns every table carries besides its own.
inline constexpr const char *RowKey = "RowKey";
inline constexpr const char *RowVersion = "RowVer";

namespace Schema {

const std::vector<Table> &tables();
const Table *find(const QString &name); // without letter case

// A column or key name as it is written in statements on the given engine.
QString identifier(const QString &name, Engine engine);

// Statements that create every table, constraint and index on an empty store.
QStringList createStatements(Engine engine);

// The number of contact records of each agent code, kept by the store itself: triggers on
// tblOperates add and take away as records are added, deleted or moved to another agent, in
// the same transaction, so every seat reads the same figures and none has to count a million
// records for a chart. Not a table of tables(): no dataset reads or writes it.
inline constexpr const char *RecordCountsTable = "tblRecordCounts";
// The table and its triggers, made empty.
QStringList recordCountStatements(Engine engine);
// Fills the table afresh from the records.
QString fillRecordCounts();
// Removes the table and its triggers (before making them again).
QStringList dropRecordCountStatements(Engine engine);

// The pieces of those statements, for one table; `as` names the table made when not empty.
struct Constraint
{
    QString name;       // kind_table_column: w width, m required, r money range, u unique
    QString definition; // CHECK (...) or UNIQUE (...)
};
std::vector<Constraint> constraints(const Table &table, Engine engine);
QString createTable(const Table &table, Engine engine, const QString &as = {});
QStringList createIndexes(const Table &table, Engine engine);
QString columnType(const Column &column, Engine engine);
// The definition of a searched table's search text column (see SearchIndex).
QString searchColumn(Engine engine);

// Columns that queries compute from money (a ledger's settled and open amounts) and that are
// money as well, though no table types them.
bool isComputedMoney(const QString &column);

// Marks a store as one of ours; opening checks it.
inline constexpr const char *InfoTable = "sysStoreInfo";
// 2: codes required, user and agent codes equally wide everywhere, money exact to four
// decimals. 3: codes declared not null on SQLite; indexes for the ledgers, the chart
// analyses, the contact list's sorts, the record list's title order and the referrers (agents
// and records by referrer, the referrer list's order). 4: the records counted per agent
// (RecordCountsTable). 5: indexes for the record list's sorts by code, dates and state, and
// for a user's own agents and records in list order. 6: the search text of the listed tables
// and its index (SearchIndex). Older stores are brought up to date when
// a seat opens them (see Upgrade).
inline constexpr int FormatVersion = 6;

} // namespace Schema

} // namespace store
