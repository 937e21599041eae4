#include "queryreader.h"

#include "connection.h"
#include "dataset.h"
#include "querytext.h"
#include "rowreader.h"
#include "searchindex.h"
#include "storeerror.h"

#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QSqlRecord>
#include <QTimer>
#include <QtDebug>

namespace store {

namespace {

constexpr int FirstStep = 500; // rows of a stepped query read before it is shown
constexpr int NextStep = 5000; // ... and then at a time, each a short pause for input
constexpr int LargestServerStep = 100000;
constexpr int FirstStepDelay = 20; // ms: the first screen is painted before the reading goes on

// Column types of query results that are not read from one table: known column names keep
// the type their table gives them, the rest follow the value the driver returns.
ColumnType typeOfQueryColumn(const QString &name, const QVariant &sample)
{
    if (Schema::isComputedMoney(name))
        return ColumnType::Currency;
    for (const Table &t : Schema::tables())
        if (const Column *c = t.column(name))
            return c->type == ColumnType::AutoNumber ? ColumnType::Integer : c->type;
    switch (sample.metaType().id()) {
    case QMetaType::Bool:
        return ColumnType::Bool;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return ColumnType::Integer;
    case QMetaType::Double:
        return ColumnType::Number;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return ColumnType::Date;
    default:
        return ColumnType::Text;
    }
}

bool isHiddenColumn(const QString &column)
{
    return column.compare(QLatin1String(RowKey), Qt::CaseInsensitive) == 0 ||
           column.compare(QLatin1String(RowVersion), Qt::CaseInsensitive) == 0 ||
           column.compare(QLatin1String(SearchIndex::Column), Qt::CaseInsensitive) == 0;
}

// The columns of a temporary table, typed by their names or by the first row's values.
void readResultColumns(Connection &db, Table &table)
{
    QSqlQuery probe = db.exec(QStringLiteral("SELECT * FROM %1 LIMIT 1").arg(table.name));
    const QSqlRecord rec = probe.record();
    const bool any = probe.next();
    for (int i = 0; i < rec.count(); ++i) {
        const QString column = rec.fieldName(i);
        if (isHiddenColumn(column))
            continue;
        table.columns.push_back(
            {column, typeOfQueryColumn(column, any ? probe.value(i) : QVariant()), 0});
    }
}

} // namespace

QueryReader::QueryReader(Dataset &dataset) : m_d(dataset) {}

QueryReader::~QueryReader() = default;

void QueryReader::readWhole()
{
    Connection &db = m_d.m_db;
    QVariantMap values;
    QString sql = m_d.paramSql(values);
    if (!m_d.m_filter.isNull() || !m_d.m_sortColumn.isEmpty()) {
        sql = QStringLiteral("SELECT * FROM (%1) q").arg(sql);
        int counter = 0;
        if (!m_d.m_filter.isNull())
            sql += QStringLiteral(" WHERE ") +
                   m_d.m_filter.toSql(db.engine(), values, counter, QStringLiteral("f_"));
        if (!m_d.m_sortColumn.isEmpty())
            sql += QStringLiteral(" ORDER BY %1 %2")
                       .arg(db.ident(m_d.m_sortColumn), m_d.m_sortOrder == Qt::AscendingOrder
                                                            ? QStringLiteral("ASC")
                                                            : QStringLiteral("DESC"));
    }
    QSqlQuery q = m_d.run(sql, values);
    const QSqlRecord rec = q.record();
    QStringList &columns = m_d.m_columns;
    QVector<ColumnType> &types = m_d.m_types;
    columns.clear();
    types.clear();
    m_d.m_rows.clear();
    for (int i = 0; i < rec.count(); ++i) {
        const QString n = rec.fieldName(i);
        if (isHiddenColumn(n))
            continue; // hidden columns of a table read through a query
        columns << n;
    }
    QVector<int> source;
    for (int i = 0; i < rec.count(); ++i)
        if (columns.contains(rec.fieldName(i)))
            source << i;
    bool typed = false;
    qint64 n = 0;
    while (q.next()) {
        if (!typed) {
            for (int i = 0; i < columns.size(); ++i)
                types << typeOfQueryColumn(columns[i], q.value(source[i]));
            typed = true;
        }
        Dataset::Row r;
        r.key = n++;
        r.values.resize(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            r.values[i] = m_d.fromStore(i, q.value(source[i]));
        m_d.m_rows.append(std::move(r));
    }
    if (!typed)
        for (const QString &c : std::as_const(columns))
            types << typeOfQueryColumn(c, QVariant());
    m_d.indexFields();
}

// The query's result as a temporary table of this connection, kept in the query's order:
// from then on the dataset reads it like a table, a page at a time. SQLite numbers the rows
// itself (rowid); PostgreSQL is given the numbers and an index on them.
void QueryReader::materialize()
{
    if (!m_d.m_stepKey.isEmpty()) {
        materializeStepped();
        return;
    }
    Connection &db = m_d.m_db;
    QVariantMap values;
    const QString sql = m_d.paramSql(values);
    const QString name = QStringLiteral("tmp_") + m_d.objectName().toLower();
    const bool pg = db.engine() == Engine::PostgreSQL;
    const QString key = pg ? QString::fromLatin1(RowKey) : QStringLiteral("rowid");
    db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(name));
    db.execNamed(
        QStringLiteral("CREATE TEMP TABLE %1 AS SELECT %2 0 AS %3, q.* FROM (%4) q")
            .arg(name,
                 pg ? QStringLiteral("row_number() OVER () AS %1,").arg(db.ident(key)) : QString(),
                 db.ident(QLatin1String(RowVersion)), sql),
        values);
    if (pg) {
        db.exec(QStringLiteral("CREATE UNIQUE INDEX ON %1 (%2)").arg(name, db.ident(key)));
        db.exec(QStringLiteral("ANALYZE %1").arg(name));
    }
    auto table = std::make_unique<Table>();
    table->name = name;
    table->key = key;
    readResultColumns(db, *table);
    m_resultTable = std::move(table);
    m_d.m_table = m_resultTable.get();
    m_d.m_columns.clear();
    m_d.m_materialized = true;
}

// A stepped query's temporary table is made empty with the query's columns and filled by
// INSERT ... SELECT, which binds values on both engines (CREATE TABLE AS cannot on the server).
void QueryReader::materializeStepped()
{
    Connection &db = m_d.m_db;
    const QString name = QStringLiteral("tmp_") + m_d.objectName().toLower();
    const bool pg = db.engine() == Engine::PostgreSQL;
    const QString key = pg ? QString::fromLatin1(RowKey) : QStringLiteral("rowid");
    db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(name));
    if (pg) {
        // Only the columns are wanted: every value stands as NULL and nothing is run.
        static const QRegularExpression marks(QStringLiteral("(?<![:\\w]):([A-Za-z_]\\w*)"));
        QString shape = dialect(m_d.m_sql);
        shape.replace(marks, QStringLiteral("NULL"));
        db.exec(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT 0::bigint AS %2, 0 AS %3, q.* FROM "
                               "(%4) q WITH NO DATA")
                    .arg(name, db.ident(key), db.ident(QLatin1String(RowVersion)), shape));
    } else {
        QVariantMap values;
        const QString sql = m_d.paramSql(values);
        values.insert(QStringLiteral("after"), QString());
        values.insert(QStringLiteral("step"), 0);
        db.execNamed(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT 0 AS %2, q.* FROM (%3) q")
                         .arg(name, db.ident(QLatin1String(RowVersion)), sql),
                     values);
    }
    auto table = std::make_unique<Table>();
    table->name = name;
    table->key = key;
    m_resultTable = std::move(table);
    m_d.m_table = m_resultTable.get();
    m_d.m_columns.clear();
    m_d.m_materialized = true;
    ++m_stepRun;
    m_readError.clear();
    m_stepRows = 0;
    m_stepSize = NextStep;
    m_stepAfter = QStringLiteral(""); // before every code; a null would match nothing

    // Another order or a filter reads everything at once: it applies to every row.
    const bool whole = !m_d.m_filter.isNull() || !m_d.m_sortColumn.isEmpty();
    try {
        const int got = insertStep(whole ? -1 : FirstStep);
        m_stepping = !whole && got == FirstStep;
        if (pg)
            db.exec(QStringLiteral("CREATE UNIQUE INDEX ON %1 (%2)").arg(name, db.ident(key)));
    } catch (const StoreError &) {
        dropMaterialized(); // the next opening starts from the query again
        throw;
    }
    readResultColumns(db, *m_resultTable);
}

// Adds the next rows of a stepped query to its table (every remaining one for a negative
// limit) and returns how many there were.
int QueryReader::insertStep(int limit)
{
    Connection &db = m_d.m_db;
    const bool pg = db.engine() == Engine::PostgreSQL;
    QVariantMap values;
    const QString sql = m_d.paramSql(values);
    values.insert(QStringLiteral("after"), m_stepAfter);
    // No limit: NULL on the server, a negative count in SQLite.
    values.insert(QStringLiteral("step"), limit >= 0 ? QVariant(limit)
                                          : pg       ? QVariant(QMetaType::fromType<int>())
                                                     : QVariant(-1));
    const QString name = m_d.m_table->name;
    QSqlQuery q = db.execNamed(
        pg ? QStringLiteral("INSERT INTO %1 SELECT row_number() OVER () + %2, 0, q.* FROM (%3) q")
                 .arg(name, QString::number(m_stepRows), sql)
           : QStringLiteral("INSERT INTO %1 SELECT 0, q.* FROM (%2) q").arg(name, sql),
        values);
    const int got = q.numRowsAffected();
    if (got > 0) {
        m_stepRows += got;
        // The key of the last row read, found by its row number: the table has no statistics
        // while it is being filled, so nothing here may depend on the planner choosing its index.
        QSqlQuery last = db.execNamed(
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                .arg(db.ident(m_d.m_stepKey), name, db.ident(m_d.m_table->keyColumn()),
                     pg ? QStringLiteral(":n") : QStringLiteral("last_insert_rowid()")),
            pg ? QVariantMap{{QStringLiteral("n"), m_stepRows}} : QVariantMap{});
        if (last.next())
            m_stepAfter = last.value(0);
    }
    return got;
}

// One step of a stepped query: its next rows, appended to the keys. False when it is done.
bool QueryReader::readStep()
{
    // A window answering the rows of one step may ask for every row: that waits for this step.
    if (!m_stepping || !m_d.isOpen() || m_inStep)
        return false;
    Connection &db = m_d.m_db;
    QVector<qint64> &keys = m_d.m_keys;
    const QScopedValueRollback<bool> inStep(m_inStep, true);
    int got = 0, want = 0;
    try {
        const int before = m_stepRows;
        want = m_stepSize;
        got = insertStep(want);
        // On the server each step costs a good part of a second whatever its size: the steps
        // grow there, so the whole is read in a few of them.
        if (db.engine() == Engine::PostgreSQL)
            m_stepSize = qMin(m_stepSize * 2, LargestServerStep);
        const int first = int(keys.size());
        if (db.engine() == Engine::PostgreSQL) {
            // The rows were numbered on the way in: their keys follow the ones held.
            for (int n = before + 1; n <= m_stepRows; ++n)
                keys.append(n);
        } else {
            QVariantMap values{{QStringLiteral("last"), first > 0 ? keys.last() : qint64(0)}};
            RowReader rows(db,
                           QStringLiteral("SELECT %1 FROM %2 WHERE %1 > :last ORDER BY %1")
                               .arg(db.ident(m_d.m_table->keyColumn()), m_d.m_table->name),
                           values);
            while (rows.next())
                keys.append(rows.int64(0));
        }
        if (keys.size() > first)
            Q_EMIT m_d.rowsAppended(first, int(keys.size()) - first);
    } catch (const StoreError &e) {
        // The rows read so far stay listed, known to be incomplete.
        m_stepping = false;
        m_readError = e.text();
        Q_EMIT m_d.readingFailed(m_readError);
        return false;
    }
    if (got > 0 && got == want)
        return true;
    m_stepping = false;
    if (db.engine() == Engine::PostgreSQL) {
        try {
            db.exec(QStringLiteral("ANALYZE %1").arg(m_d.m_table->name));
        } catch (const StoreError &) {
        }
    }
    Q_EMIT m_d.readingFinished();
    return false;
}

void QueryReader::scheduleStep()
{
    if (!m_stepping)
        return;
    QTimer::singleShot(m_d.m_keys.size() <= FirstStep ? FirstStepDelay : 0, &m_d,
                       [this, run = m_stepRun] {
                           if (run == m_stepRun && readStep())
                               scheduleStep();
                       });
}

void QueryReader::dropMaterialized()
{
    m_stepping = false;
    m_readError.clear();
    ++m_stepRun;
    if (!m_d.m_materialized)
        return;
    const QString name = m_d.m_table->name;
    m_d.m_materialized = false;
    m_d.m_table = nullptr;
    m_d.m_columns.clear();
    m_d.m_types.clear();
    try {
        if (m_d.m_db.isOpen())
            m_d.m_db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(name));
    } catch (const StoreError &) {
        // The connection is going away: its temporary tables go with it.
    }
    m_resultTable.reset();
}

} // namespace store
