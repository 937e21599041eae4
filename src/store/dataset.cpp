#include "dataset.h"

#include "connection.h"
#include "money.h"
#include "rowreader.h"
#include "storeerror.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QSet>
#include <QSqlError>
#include <QSqlRecord>
#include <QTimer>
#include <QtDebug>

namespace store {

namespace {

constexpr int PageSize = 128;
constexpr int CacheLimit = 20000;   // rows kept per dataset before the cache starts over
constexpr int SmallSource = 2000;   // look-up sources up to this size are read whole
constexpr int FirstStep = 500;      // rows of a stepped query read before it is shown
constexpr int NextStep = 5000;      // ... and then at a time, each a short pause for input
constexpr int LargestServerStep = 100000;
constexpr int FirstStepDelay = 20;  // ms: the first screen is painted before the reading goes on

QString lowerKey(const QVariant &v)
{
    return v.toString().toLower();
}

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

// The query dialect the windows write: "delete * from" is "delete from" elsewhere.
QString dialect(const QString &sql)
{
    static const QRegularExpression deleteStar(QStringLiteral("\\bdelete\\s+\\*\\s+from\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString out = sql;
    out.replace(deleteStar, QStringLiteral("DELETE FROM"));
    return out;
}

QSet<QString> placeholderNames(const QString &sql)
{
    static const QRegularExpression re(QStringLiteral("(?<![:\\w]):([A-Za-z_]\\w*)"));
    QSet<QString> names;
    auto it = re.globalMatch(sql);
    while (it.hasNext())
        names.insert(it.next().captured(1));
    return names;
}

} // namespace

Dataset::Dataset(Connection &db, const QString &name, QObject *parent) : QObject(parent), m_db(db)
{
    setObjectName(name);
    connect(&m_db, &Connection::rowStored, this, &Dataset::storedBySeat);
    connect(&m_db, &Connection::connectionRestored, this, &Dataset::connectionRestored);
}

Dataset::~Dataset()
{
    m_keyQuery.reset();
    m_pageQuery.reset();
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

    // "select * from <table> [where ...] [order by ...]" stays a cursor over that table: it
    // is read lazily and can be edited. Anything else is read whole and only shown.
    static const QRegularExpression single(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\\w+)\\s*(.*?)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = single.match(sql);
    if (!m.hasMatch())
        return;
    const Table *t = Schema::find(m.captured(1));
    QString rest = m.captured(2);
    static const QRegularExpression whereStart(QStringLiteral("^where\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression awkward(QStringLiteral("\\b(join|group|union|having|limit)\\b|,"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!t)
        return;
    QString where = rest, order;
    const auto o = orderBy.match(rest);
    if (o.hasMatch()) {
        where = rest.left(o.capturedStart()).trimmed();
        order = rest.mid(o.capturedEnd()).trimmed();
    }
    if (!where.isEmpty()) {
        if (!whereStart.match(where).hasMatch())
            return;
        where = where.mid(5).trimmed();
    }
    if (awkward.match(where).hasMatch())
        return;
    m_table = t;
    m_sqlWhere = where;
    m_sqlOrder = order;
    // Its fields are the table's, known before it is opened: an order can be set beforehand.
    ensureColumns();
}

void Dataset::setParam(const QString &name, const QVariant &value)
{
    m_params.insert(name, value);
}

// The query's result as a temporary table of this connection, kept in the query's order:
// from then on the dataset reads it like a table, a page at a time. SQLite numbers the rows
// itself (rowid); PostgreSQL is given the numbers and an index on them.
void Dataset::materialize()
{
    if (!m_stepKey.isEmpty()) {
        materializeStepped();
        return;
    }
    QVariantMap values;
    const QString sql = paramSql(values);
    const QString name = QStringLiteral("tmp_") + objectName().toLower();
    const bool pg = m_db.engine() == Engine::PostgreSQL;
    const QString key = pg ? QString::fromLatin1(RowKey) : QStringLiteral("rowid");
    m_db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(name));
    m_db.execNamed(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT %2 0 AS %3, q.* FROM (%4) q")
                       .arg(name, pg ? QStringLiteral("row_number() OVER () AS %1,").arg(m_db.ident(key)) : QString(),
                            m_db.ident(QLatin1String(RowVersion)), sql),
                   values);
    if (pg) {
        m_db.exec(QStringLiteral("CREATE UNIQUE INDEX ON %1 (%2)").arg(name, m_db.ident(key)));
        m_db.exec(QStringLiteral("ANALYZE %1").arg(name));
    }
    auto table = std::make_unique<Table>();
    table->name = name;
    table->key = key;
    QSqlQuery probe = m_db.exec(QStringLiteral("SELECT * FROM %1 LIMIT 1").arg(name));
    const QSqlRecord rec = probe.record();
    const bool any = probe.next();
    for (int i = 0; i < rec.count(); ++i) {
        const QString column = rec.fieldName(i);
        if (column.compare(QLatin1String(RowKey), Qt::CaseInsensitive) == 0 ||
            column.compare(QLatin1String(RowVersion), Qt::CaseInsensitive) == 0)
            continue;
        table->columns.push_back({column, typeOfQueryColumn(column, any ? probe.value(i) : QVariant()), 0});
    }
    m_resultTable = std::move(table);
    m_table = m_resultTable.get();
    m_columns.clear();
    m_materialized = true;
}

// A stepped query's temporary table is made empty with the query's columns and filled by
// INSERT ... SELECT, which binds values on both engines (CREATE TABLE AS cannot on the server).
void Dataset::materializeStepped()
{
    const QString name = QStringLiteral("tmp_") + objectName().toLower();
    const bool pg = m_db.engine() == Engine::PostgreSQL;
    const QString key = pg ? QString::fromLatin1(RowKey) : QStringLiteral("rowid");
    m_db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(name));
    if (pg) {
        // Only the columns are wanted: every value stands as NULL and nothing is run.
        static const QRegularExpression marks(QStringLiteral("(?<![:\\w]):([A-Za-z_]\\w*)"));
        QString shape = dialect(m_sql);
        shape.replace(marks, QStringLiteral("NULL"));
        m_db.exec(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT 0::bigint AS %2, 0 AS %3, q.* FROM (%4) q WITH NO DATA")
                      .arg(name, m_db.ident(key), m_db.ident(QLatin1String(RowVersion)), shape));
    } else {
        QVariantMap values;
        const QString sql = paramSql(values);
        values.insert(QStringLiteral("after"), QString());
        values.insert(QStringLiteral("step"), 0);
        m_db.execNamed(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT 0 AS %2, q.* FROM (%3) q")
                           .arg(name, m_db.ident(QLatin1String(RowVersion)), sql),
                       values);
    }
    auto table = std::make_unique<Table>();
    table->name = name;
    table->key = key;
    m_resultTable = std::move(table);
    m_table = m_resultTable.get();
    m_columns.clear();
    m_materialized = true;
    ++m_stepRun;
    m_stepRows = 0;
    m_stepSize = NextStep;
    m_stepAfter = QStringLiteral(""); // before every code; a null would match nothing

    // Another order or a filter reads everything at once: it applies to every row.
    const bool whole = !m_filter.isNull() || !m_sortColumn.isEmpty();
    try {
        const int got = insertStep(whole ? -1 : FirstStep);
        m_stepping = !whole && got == FirstStep;
        if (pg)
            m_db.exec(QStringLiteral("CREATE UNIQUE INDEX ON %1 (%2)").arg(name, m_db.ident(key)));
    } catch (const StoreError &) {
        dropMaterialized(); // the next opening starts from the query again
        throw;
    }

    QSqlQuery probe = m_db.exec(QStringLiteral("SELECT * FROM %1 LIMIT 1").arg(name));
    const QSqlRecord rec = probe.record();
    const bool any = probe.next();
    for (int i = 0; i < rec.count(); ++i) {
        const QString column = rec.fieldName(i);
        if (column.compare(QLatin1String(RowKey), Qt::CaseInsensitive) == 0 ||
            column.compare(QLatin1String(RowVersion), Qt::CaseInsensitive) == 0)
            continue;
        m_resultTable->columns.push_back({column, typeOfQueryColumn(column, any ? probe.value(i) : QVariant()), 0});
    }
}

// Adds the next rows of a stepped query to its table (every remaining one for a negative
// limit) and returns how many there were.
int Dataset::insertStep(int limit)
{
    const bool pg = m_db.engine() == Engine::PostgreSQL;
    QVariantMap values;
    const QString sql = paramSql(values);
    values.insert(QStringLiteral("after"), m_stepAfter);
    // No limit: NULL on the server, a negative count in SQLite.
    values.insert(QStringLiteral("step"), limit >= 0 ? QVariant(limit) : pg ? QVariant(QMetaType::fromType<int>()) : QVariant(-1));
    const QString name = m_table->name;
    QSqlQuery q = m_db.execNamed(
        pg ? QStringLiteral("INSERT INTO %1 SELECT row_number() OVER () + %2, 0, q.* FROM (%3) q")
                 .arg(name, QString::number(m_stepRows), sql)
           : QStringLiteral("INSERT INTO %1 SELECT 0, q.* FROM (%2) q").arg(name, sql),
        values);
    const int got = q.numRowsAffected();
    if (got > 0) {
        m_stepRows += got;
        // The key of the last row read, found by its row number: the table has no statistics
        // while it is being filled, so nothing here may depend on the planner choosing its index.
        QSqlQuery last = m_db.execNamed(
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                .arg(m_db.ident(m_stepKey), name, m_db.ident(m_table->keyColumn()),
                     pg ? QStringLiteral(":n") : QStringLiteral("last_insert_rowid()")),
            pg ? QVariantMap{{QStringLiteral("n"), m_stepRows}} : QVariantMap{});
        if (last.next())
            m_stepAfter = last.value(0);
    }
    return got;
}

// One step of a stepped query: its next rows, appended to the keys. False when it is done.
bool Dataset::readStep()
{
    // A window answering the rows of one step may ask for every row: that waits for this step.
    if (!m_stepping || !isOpen() || m_inStep)
        return false;
    const QScopedValueRollback<bool> inStep(m_inStep, true);
    int got = 0, want = 0;
    try {
        const int before = m_stepRows;
        want = m_stepSize;
        got = insertStep(want);
        // On the server each step costs a good part of a second whatever its size: the steps
        // grow there, so the whole is read in a few of them.
        if (m_db.engine() == Engine::PostgreSQL)
            m_stepSize = qMin(m_stepSize * 2, LargestServerStep);
        const int first = int(m_keys.size());
        if (m_db.engine() == Engine::PostgreSQL) {
            // The rows were numbered on the way in: their keys follow the ones held.
            for (int n = before + 1; n <= m_stepRows; ++n)
                m_keys.append(n);
        } else {
            QVariantMap values{{QStringLiteral("last"), first > 0 ? m_keys.last() : qint64(0)}};
            RowReader keys(m_db, QStringLiteral("SELECT %1 FROM %2 WHERE %1 > :last ORDER BY %1")
                                     .arg(m_db.ident(m_table->keyColumn()), m_table->name),
                           values);
            while (keys.next())
                m_keys.append(keys.int64(0));
        }
        if (m_keys.size() > first)
            Q_EMIT rowsAppended(first, int(m_keys.size()) - first);
    } catch (const StoreError &e) {
        // The rows read so far stay listed; the next command on the store reports the error.
        qWarning("%s: %s", qPrintable(name()), qPrintable(e.text()));
        got = 0;
    }
    if (got > 0 && got == want)
        return true;
    m_stepping = false;
    if (m_db.engine() == Engine::PostgreSQL) {
        try {
            m_db.exec(QStringLiteral("ANALYZE %1").arg(m_table->name));
        } catch (const StoreError &) {
        }
    }
    Q_EMIT readingFinished();
    return false;
}

void Dataset::scheduleStep()
{
    if (!m_stepping)
        return;
    QTimer::singleShot(m_keys.size() <= FirstStep ? FirstStepDelay : 0, this, [this, run = m_stepRun] {
        if (run == m_stepRun && readStep())
            scheduleStep();
    });
}

void Dataset::readRest()
{
    while (readStep()) {
    }
}

void Dataset::dropMaterialized()
{
    m_stepping = false;
    ++m_stepRun;
    if (!m_materialized)
        return;
    const QString name = m_table->name;
    m_materialized = false;
    m_table = nullptr;
    m_columns.clear();
    m_types.clear();
    try {
        if (m_db.isOpen())
            m_db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(name));
    } catch (const StoreError &) {
        // The connection is going away: its temporary tables go with it.
    }
    m_resultTable.reset();
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
    for (const QString &n : placeholderNames(sql)) {
        QVariant v = m_params.value(n);
        if (v.metaType().id() == QMetaType::QDate && m_db.engine() == Engine::SQLite)
            v = v.toDate().toString(Qt::ISODate);
        values.insert(n, v);
    }
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

QString Dataset::selectList() const
{
    QStringList cols{m_db.ident(m_table->keyColumn()), m_db.ident(QLatin1String(RowVersion))};
    for (const QString &c : m_columns)
        cols << m_db.ident(c);
    return cols.join(QStringLiteral(", "));
}

QString Dataset::baseWhere(QVariantMap &values) const
{
    QStringList parts;
    if (!m_sqlWhere.isEmpty()) {
        parts << QLatin1Char('(') + m_sqlWhere + QLatin1Char(')');
        for (const QString &n : placeholderNames(m_sqlWhere)) {
            QVariant v = m_params.value(n);
            if (v.metaType().id() == QMetaType::QDate && m_db.engine() == Engine::SQLite)
                v = v.toDate().toString(Qt::ISODate);
            values.insert(n, v);
        }
    }
    int counter = 0;
    if (!m_filter.isNull())
        parts << QLatin1Char('(') + m_filter.toSql(m_db.engine(), values, counter, QStringLiteral("f_")) +
                     QLatin1Char(')');
    if (m_master) {
        const QVariantList mv = masterValues();
        for (int i = 0; i < m_detailColumns.size(); ++i) {
            const QVariant v = i < mv.size() ? mv[i] : QVariant();
            if (v.isNull() || v.toString().isEmpty()) {
                parts << QStringLiteral("1 = 0"); // no master row: no detail rows
                break;
            }
            const QString name = QStringLiteral("m_%1").arg(i);
            parts << m_db.ident(m_detailColumns[i]) + QStringLiteral(" = :") + name;
            values.insert(name, v);
        }
    }
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

QString Dataset::sortExpression() const
{
    if (!m_table->column(m_sortColumn)) {
        // A display field sorts by what it shows: the name looked up in the source table.
        for (const Lookup &l : m_lookups) {
            if (l.field.compare(m_sortColumn, Qt::CaseInsensitive) != 0 || !l.source || !l.source->m_table ||
                l.keyColumn < 0)
                continue;
            return QStringLiteral("(SELECT s.%1 FROM %2 s WHERE s.%3 = %4.%5 LIMIT 1)")
                .arg(m_db.ident(l.resultColumn), l.source->m_table->name, m_db.ident(l.sourceKey), m_table->name,
                     m_db.ident(m_columns[l.keyColumn]));
        }
    }
    return m_db.ident(m_sortColumn);
}

QString Dataset::orderBy() const
{
    const QString key = m_db.ident(m_table->keyColumn());
    if (!m_sortColumn.isEmpty())
        return QStringLiteral(" ORDER BY %1 %2, %3")
            .arg(sortExpression(),
                 // Empty values sort first, on both engines, as the original store sorted them.
                 m_sortOrder == Qt::AscendingOrder ? QStringLiteral("ASC NULLS FIRST") : QStringLiteral("DESC NULLS LAST"),
                 key);
    if (!m_sqlOrder.isEmpty())
        return QStringLiteral(" ORDER BY ") + m_sqlOrder + QStringLiteral(", ") + key;
    return QStringLiteral(" ORDER BY ") + key;
}

QVariant Dataset::fromStore(int column, const QVariant &v) const
{
    return RowReader::convert(v, column < m_types.size() ? m_types[column] : ColumnType::Text);
}

QVariant Dataset::toStore(int column, const QVariant &v) const
{
    const ColumnType t = m_types[column];
    const bool blank = !v.isValid() || v.isNull() ||
                       (v.metaType().id() == QMetaType::QString && v.toString().trimmed().isEmpty());
    switch (t) {
    case ColumnType::Bool:
        return v.toBool();
    case ColumnType::Date: {
        if (blank)
            return QVariant(m_db.engine() == Engine::SQLite ? QMetaType::fromType<QString>()
                                                            : QMetaType::fromType<QDate>());
        QDate d;
        if (v.metaType().id() == QMetaType::QDateTime)
            d = v.toDateTime().date();
        else if (v.metaType().id() == QMetaType::QDate)
            d = v.toDate();
        else
            d = QDate::fromString(v.toString().trimmed().left(10), Qt::ISODate);
        if (!d.isValid())
            throw StoreError(QStringLiteral("字段 %1 的日期“%2”无效。").arg(m_columns[column], v.toString()));
        return m_db.engine() == Engine::SQLite ? QVariant(d.toString(Qt::ISODate)) : QVariant(d);
    }
    case ColumnType::Integer:
    case ColumnType::AutoNumber:
    case ColumnType::Number:
    case ColumnType::Currency: {
        if (blank)
            return QVariant(QMetaType::fromType<double>());
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            throw StoreError(QStringLiteral("字段 %1 的值“%2”不是有效的数字。").arg(m_columns[column], v.toString()));
        if (t == ColumnType::Integer || t == ColumnType::AutoNumber)
            return qint64(d);
        if (t == ColumnType::Currency) {
            if (!Money::inRange(d))
                throw StoreError::outOfRange(m_table ? m_table->name : name(), m_columns[column]);
            return Money::round(d);
        }
        return d;
    }
    default: {
        if (!v.isValid() || v.isNull())
            return QVariant(QMetaType::fromType<QString>());
        const QString text = v.toString();
        // A NUL would end the text early for the store's width rule (SQLite) or its driver
        // (PostgreSQL): refused, never stored cut short.
        if (text.contains(QChar(0)))
            throw StoreError(QStringLiteral("字段 %1 的内容含有不能保存的空字符（NUL）。").arg(m_columns[column]),
                             StoreError::Kind::Other, m_table ? m_table->name : QString(), m_columns[column]);
        return text;
    }
    }
}

Dataset::Row Dataset::readRow(const QSqlQuery &q, int offset) const
{
    Row r;
    r.key = q.value(0).toLongLong();
    r.version = q.value(1).toLongLong();
    r.values.resize(m_columns.size());
    for (int i = 0; i < m_columns.size(); ++i)
        r.values[i] = fromStore(i, q.value(i + offset));
    return r;
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
        materialize();
    m_lazy = m_table != nullptr;
    if (m_lazy) {
        ensureColumns();
        loadKeys();
    } else {
        loadAll();
    }
    m_state = State::Browse;
    m_current = rowCount() > 0 ? 0 : -1;
    m_loadedMasterValues = masterValues();
    invalidateLookups();
    Q_EMIT stateChanged(m_state);
    Q_EMIT rowsReset();
    Q_EMIT currentRowChanged(m_current);
    for (const auto &d : std::as_const(m_details))
        if (d && d->isOpen())
            d->followMaster();
    scheduleStep();
}

void Dataset::loadKeys()
{
    QVariantMap values;
    const QString where = baseWhere(values) + orderBy();
    const QString sql = QStringLiteral("SELECT %1 FROM %2").arg(m_db.ident(m_table->keyColumn()), m_table->name) + where;
    m_keys.clear();
    m_cache.clear();
    if (m_db.sqliteHandle()) {
        RowReader keys(m_db, sql, values);
        while (keys.next())
            m_keys.append(keys.int64(0));
        return;
    }
    // On the server the keys come as one text, in order, instead of a result row per key: the
    // driver's cost per row was most of the time of a long list. The statement is prepared once
    // per dataset and only rebound, so a detail following its master costs one round trip per move.
    const QString joined = QStringLiteral("SELECT string_agg(s.k::text, ',') FROM (SELECT %1 AS k FROM %2")
                               .arg(m_db.ident(m_table->keyColumn()), m_table->name) +
                           where + QStringLiteral(") s");
    if (!m_keyQuery || m_keyQuerySql != joined) {
        m_keyQuery = std::make_unique<QSqlQuery>(m_db.database());
        m_keyQuery->setForwardOnly(false); // the driver fetches forward-only results row by row
        if (!m_keyQuery->prepare(joined)) {
            const QSqlError e = m_keyQuery->lastError();
            m_keyQuery.reset();
            throw m_db.failure(e);
        }
        m_keyQuerySql = joined;
    }
    for (auto it = values.begin(); it != values.end(); ++it)
        m_keyQuery->bindValue(QLatin1Char(':') + it.key(), it.value());
    if (!m_keyQuery->exec())
        throw m_db.failure(m_keyQuery->lastError());
    if (m_keyQuery->next()) {
        const QString text = m_keyQuery->value(0).toString();
        m_keys.reserve(text.size() / 4);
        const QStringView all(text);
        for (qsizetype from = 0; from < all.size();) {
            qsizetype to = all.indexOf(QLatin1Char(','), from);
            if (to < 0)
                to = all.size();
            m_keys.append(all.sliced(from, to - from).toLongLong());
            from = to + 1;
        }
    }
    m_keyQuery->finish();
}

void Dataset::loadAll()
{
    QVariantMap values;
    QString sql = paramSql(values);
    if (!m_filter.isNull() || !m_sortColumn.isEmpty()) {
        sql = QStringLiteral("SELECT * FROM (%1) q").arg(sql);
        int counter = 0;
        if (!m_filter.isNull())
            sql += QStringLiteral(" WHERE ") + m_filter.toSql(m_db.engine(), values, counter, QStringLiteral("f_"));
        if (!m_sortColumn.isEmpty())
            sql += QStringLiteral(" ORDER BY %1 %2").arg(m_db.ident(m_sortColumn),
                                                          m_sortOrder == Qt::AscendingOrder ? QStringLiteral("ASC")
                                                                                            : QStringLiteral("DESC"));
    }
    QSqlQuery q = run(sql, values);
    const QSqlRecord rec = q.record();
    m_columns.clear();
    m_types.clear();
    m_rows.clear();
    for (int i = 0; i < rec.count(); ++i) {
        const QString n = rec.fieldName(i);
        if (n.compare(QLatin1String(RowVersion), Qt::CaseInsensitive) == 0 ||
            n.compare(QLatin1String(RowKey), Qt::CaseInsensitive) == 0)
            continue; // hidden columns of a table read through a query
        m_columns << n;
    }
    QVector<int> source;
    for (int i = 0; i < rec.count(); ++i)
        if (m_columns.contains(rec.fieldName(i)))
            source << i;
    bool typed = false;
    qint64 n = 0;
    while (q.next()) {
        if (!typed) {
            for (int i = 0; i < m_columns.size(); ++i)
                m_types << typeOfQueryColumn(m_columns[i], q.value(source[i]));
            typed = true;
        }
        Row r;
        r.key = n++;
        r.values.resize(m_columns.size());
        for (int i = 0; i < m_columns.size(); ++i)
            r.values[i] = fromStore(i, q.value(source[i]));
        m_rows.append(std::move(r));
    }
    if (!typed)
        for (const QString &c : std::as_const(m_columns))
            m_types << typeOfQueryColumn(c, QVariant());
    indexFields();
}

void Dataset::close()
{
    if (!isOpen())
        return;
    if (m_state == State::Insert || m_state == State::Edit) {
        m_edit = Row();
        m_touched = false;
    }
    m_state = State::Closed;
    m_unsettled = {};
    m_keys.clear();
    m_cache.clear();
    m_rows.clear();
    m_pageQuery.reset();
    m_keyQuery.reset();
    dropMaterialized();
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
        loadKeys();
    else
        loadAll();
    int row = m_lazy ? int(m_keys.indexOf(key)) : qMin(m_current, rowCount() - 1);
    if (row < 0)
        row = rowCount() > 0 ? qBound(0, m_current, rowCount() - 1) : -1;
    m_current = row;
    m_loadedMasterValues = masterValues();
    invalidateLookups();
    Q_EMIT rowsReset();
    Q_EMIT currentRowChanged(m_current);
    for (const auto &d : std::as_const(m_details))
        if (d && d->isOpen())
            d->followMaster();
}

void Dataset::refresh()
{
    if (!isOpen())
        return;
    post();
    if (m_materialized) {
        // The query runs again; a new order or filter only rereads the copy.
        m_pageQuery.reset();
        m_keyQuery.reset();
        dropMaterialized();
        materialize();
        ensureColumns();
    }
    reset();
    scheduleStep();
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
    return m_lazy ? m_keys[row] : m_rows[row].key;
}

bool Dataset::isGone(int row) const
{
    if (!m_lazy || row < 0 || row >= int(m_keys.size()) || (isEditing() && row == m_current))
        return false;
    return !rowAt(row) && !m_pageFailed;
}

// ---------------------------------------------------------------- rows

const Dataset::Row *Dataset::rowAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    if (isEditing() && row == m_current)
        return &m_edit;
    if (m_state == State::Insert && row == rowCount() - 1)
        return &m_edit; // the new row, before it becomes current

    if (!m_lazy)
        return &m_rows[row];
    const qint64 key = m_keys[row];
    auto it = m_cache.constFind(key);
    if (it == m_cache.constEnd()) {
        fetchPage(row);
        it = m_cache.constFind(key);
        if (it == m_cache.constEnd())
            return nullptr; // deleted by another seat since the keys were read
    }
    return &it.value();
}

void Dataset::fetchPage(int row) const
{
    if (m_cache.size() > CacheLimit)
        m_cache.clear();
    try {
        m_pageFailed = false;
        readPage(qMax(0, qMin(row - row % PageSize, int(m_keys.size()) - PageSize)), m_cache);
    } catch (const StoreError &e) {
        m_pageFailed = true;
        // Rows are read while painting; a failed read shows empty cells and the next
        // command that works on the store reports the error.
        qWarning("%s: %s", qPrintable(name()), qPrintable(e.text()));
        m_pageQuery.reset();
    }
}

// The rows of a page of keys from `start` on, read whole by one statement.
void Dataset::readPage(int start, QHash<qint64, Row> &into) const
{
    if (!m_pageQuery) {
        QStringList marks;
        for (int i = 0; i < PageSize; ++i)
            marks << QStringLiteral(":k%1").arg(i);
        const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
                                .arg(selectList(), m_table->name, m_db.ident(m_table->keyColumn()),
                                     marks.join(QLatin1Char(',')));
        m_pageQuery = std::make_unique<QSqlQuery>(m_db.database());
        m_pageQuery->setForwardOnly(true);
        m_pageQuery->setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!m_pageQuery->prepare(sql)) {
            const QSqlError e = m_pageQuery->lastError();
            m_pageQuery.reset();
            throw m_db.failure(e);
        }
    }
    const int keyCount = int(m_keys.size());
    for (int i = 0; i < PageSize; ++i) {
        const int at = start + i;
        m_pageQuery->bindValue(QStringLiteral(":k%1").arg(i), at < keyCount ? m_keys[at] : m_keys[start]);
    }
    if (!m_pageQuery->exec())
        throw m_db.failure(m_pageQuery->lastError());
    while (m_pageQuery->next()) {
        Row r = readRow(*m_pageQuery, 2);
        into.insert(r.key, std::move(r));
    }
    m_pageQuery->finish();
}

void Dataset::reloadRow(int row)
{
    if (!m_lazy || row < 0 || row >= int(m_keys.size()))
        return;
    QVariantMap values{{QStringLiteral("k"), m_keys[row]}};
    QSqlQuery q = run(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :k")
                          .arg(selectList(), m_table->name, m_db.ident(m_table->keyColumn())),
                      values);
    if (q.next())
        m_cache.insert(m_keys[row], readRow(q, 2));
    else
        m_cache.remove(m_keys[row]);
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
    requireTable("修改");
    if (m_state == State::Browse)
        edit();
    m_edit.values[i] = v.isValid() ? fromStore(i, toStore(i, v)) : QVariant();
    m_changed[i] = true;
    m_touched = true;
    Q_EMIT rowChanged(m_current);
    // A new master row shows, in its details, the rows of the key typed so far.
    if (m_state == State::Insert) {
        for (const auto &d : std::as_const(m_details))
            if (d && d->isOpen() && d->m_masterColumns.contains(m_columns[i], Qt::CaseInsensitive))
                d->followMaster();
    }
}

bool Dataset::isChanged(const QString &field) const
{
    const int i = fieldIndex(field);
    return isEditing() && i >= 0 && i < m_changed.size() && m_changed[i];
}

QVariant Dataset::storedValue(const QString &field) const
{
    const int i = fieldIndex(field);
    if (i < 0 || i >= m_columns.size())
        throw StoreError(QStringLiteral("数据集 %1 中没有字段 %2。").arg(name(), field));
    if (m_state == State::Insert)
        return {};
    if (m_state != State::Edit || !m_table)
        return value(field);
    QSqlQuery q = run(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :key")
                          .arg(m_db.ident(m_columns[i]), m_table->name, m_db.ident(m_table->keyColumn())),
                      {{QStringLiteral("key"), m_edit.key}});
    return q.next() ? fromStore(i, q.value(0)) : QVariant();
}

// ---------------------------------------------------------------- moves

void Dataset::setCurrent(int row, bool force)
{
    if (row == m_current && !force)
        return;
    m_current = row;
    Q_EMIT currentRowChanged(m_current);
    for (const auto &d : std::as_const(m_details))
        if (d && d->isOpen())
            d->followMaster();
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
    if (!isOpen() || key < 0)
        return false;
    const int row = m_lazy ? int(m_keys.indexOf(key)) : -1;
    return row >= 0 && moveTo(row);
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
    const_cast<Dataset *>(this)->readRest(); // a search looks at every row
    int found = -1;
    if (m_lazy && field < m_columns.size()) {
        QVariantMap values;
        QString where = baseWhere(values);
        where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND "));
        int counter = 0;
        const Condition c = m_types[field] == ColumnType::Date ? Condition::dateEq(m_columns[field], v.toDate())
                                                               : Condition::eq(m_columns[field], v);
        where += c.toSql(m_db.engine(), values, counter, QStringLiteral("l_"));
        QSqlQuery q = run(QStringLiteral("SELECT %1 FROM %2").arg(m_db.ident(m_table->keyColumn()), m_table->name) +
                              where + orderBy(),
                          values);
        while (found < 0 && q.next())
            found = int(m_keys.indexOf(q.value(0).toLongLong()));
    } else {
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
    requireTable("修改");
    if (isEditing())
        return;
    const Row *r = rowAt(m_current);
    if (!r)
        throw StoreError(QStringLiteral("没有可以修改的记录。"));
    m_edit = *r;
    m_changed = QVector<bool>(m_columns.size(), false);
    m_touched = false;
    setState(State::Edit);
}

void Dataset::append()
{
    requireTable("新增");
    if (isEditing())
        post();
    m_beforeInsert = m_current;
    m_edit = Row();
    m_edit.values.resize(m_columns.size());
    m_changed = QVector<bool>(m_columns.size(), false);
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_types[i] == ColumnType::Bool)
            m_edit.values[i] = false;
    if (m_master) {
        // A new detail row belongs to the master's current row.
        const QVariantList mv = masterValues();
        for (int i = 0; i < m_detailColumns.size() && i < mv.size(); ++i) {
            const int f = fieldIndex(m_detailColumns[i]);
            if (f >= 0 && f < m_columns.size()) {
                m_edit.values[f] = mv[i];
                m_changed[f] = true;
            }
        }
    }
    m_touched = false;
    m_state = State::Insert;
    const int row = rowCount() - 1;
    Q_EMIT rowInserted(row);
    Q_EMIT stateChanged(m_state);
    setCurrent(row, true);
}

void Dataset::dropNewRow()
{
    const int row = rowCount() - 1;
    m_edit = Row();
    m_touched = false;
    m_state = State::Browse;
    Q_EMIT rowRemoved(row);
    Q_EMIT stateChanged(m_state);
    const int n = rowCount();
    setCurrent(n == 0 ? -1 : qBound(0, m_beforeInsert, n - 1), true);
}

void Dataset::post()
{
    if (!isEditing())
        return;
    settleUnsettled();
    if (m_state == State::Insert && !m_touched) {
        dropNewRow(); // nothing was typed into the new row
        return;
    }
    for (const auto &hook : m_beforePost) {
        if (hook(*this) == PostAction::Discard) {
            if (m_state == State::Insert)
                dropNewRow();
            else
                cancel();
            return;
        }
    }

    QStringList cols, marks, sets;
    QVariantMap values;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (!m_changed[i] || m_types[i] == ColumnType::AutoNumber)
            continue;
        const QString mark = QStringLiteral("v%1").arg(i);
        values.insert(mark, toStore(i, m_edit.values[i]));
        cols << m_db.ident(m_columns[i]);
        marks << QLatin1Char(':') + mark;
        sets << m_db.ident(m_columns[i]) + QStringLiteral(" = :") + mark;
    }
    const QString key = m_db.ident(m_table->keyColumn());
    const QString ver = m_db.ident(QLatin1String(RowVersion));

    // The guards' checks and the statement are one transaction. A save whose outcome the
    // server could not tell before the connection broke is remembered, to be settled first
    // when the row is saved again.
    const auto guarded = [this](const std::function<void()> &statement, const qint64 &key) {
        try {
            m_db.transaction([&] {
                for (const auto &guard : m_storeGuards)
                    guard(*this);
                statement();
            });
        } catch (const StoreError &e) {
            if (e.unsettledCommit())
                m_unsettled = {e.unsettledCommit(), key};
            throw;
        }
    };
    if (m_state == State::Insert) {
        const QString sql = cols.isEmpty()
                                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING %2").arg(m_table->name, key)
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                                      .arg(m_table->name, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')), key);
        qint64 newKey = 0;
        guarded([&] {
            QSqlQuery q = run(sql, values); // a refusal throws; the row stays in insert state
            newKey = q.next() ? q.value(0).toLongLong() : 0;
            q.finish();
        }, newKey);
        m_keys.append(newKey);
        m_state = State::Browse;
        m_edit = Row();
        m_touched = false;
        rereadStored(int(m_keys.size()) - 1);
    } else {
        if (!sets.isEmpty()) {
            values.insert(QStringLiteral("key"), m_edit.key);
            values.insert(QStringLiteral("ver"), m_edit.version);
            guarded([&] {
                QSqlQuery q = run(QStringLiteral("UPDATE %1 SET %2, %3 = %3 + 1 WHERE %4 = :key AND %3 = :ver")
                                      .arg(m_table->name, sets.join(QStringLiteral(", ")), ver, key),
                                  values);
                if (q.numRowsAffected() == 0)
                    throw StoreError(StoreError::conflictText(), StoreError::Kind::Conflict, m_table->name);
            }, m_edit.key);
            m_db.announceStored(m_table->name, m_edit.key, m_edit.version + 1, this);
        }
        m_state = State::Browse;
        m_edit = Row();
        m_touched = false;
        rereadStored(m_current);
    }
    invalidateLookups();
    Q_EMIT rowChanged(m_current);
    Q_EMIT stateChanged(m_state);
    try {
        for (const auto &d : std::as_const(m_details))
            if (d && d->isOpen())
                d->followMaster(); // a new master row now has its key
    } catch (const StoreError &e) {
        if (!e.isConnectionLoss()) // the details follow once the server is back
            throw;
    }
}

// The row just stored, read back as the store holds it. The save itself is done: should the
// server go away right now, the row is read when it is next shown, and the save still
// counts as done (reporting it failed would have it saved twice).
void Dataset::rereadStored(int row)
{
    try {
        reloadRow(row);
    } catch (const StoreError &e) {
        if (!e.isConnectionLoss())
            throw;
        if (row >= 0 && row < int(m_keys.size()))
            m_cache.remove(m_keys[row]);
    }
}

// A save whose COMMIT went out as the connection broke: once the server answers, it is
// asked whether the store has it. If not, the row is saved as usual; if so, the row is the
// stored one now, and what is in the editor goes on as a change of it, so nothing is stored
// twice. While the server is away the error stands and the row stays in editing.
void Dataset::settleUnsettled()
{
    if (!m_unsettled.transaction)
        return;
    const bool stored = m_db.isCommitted(m_unsettled.transaction);
    const qint64 key = std::exchange(m_unsettled, {}).key;
    if (!stored)
        return;
    const QVariant version = m_db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                             .arg(m_db.ident(QLatin1String(RowVersion)), m_table->name,
                                                  m_db.ident(m_table->keyColumn())),
                                         {key});
    if (m_state == State::Insert) {
        m_keys.append(key); // the new row, now the last of the shown ones
        m_state = State::Edit;
    }
    m_edit.key = key;
    if (!version.isValid()) // deleted by another seat since
        throw StoreError(StoreError::conflictText(), StoreError::Kind::Conflict, m_table->name);
    m_edit.version = version.toLongLong();
}

// Statements prepared on the connection that broke are gone with it; so are the temporary
// tables of a query read that way, which is read again once the seat is idle.
void Dataset::connectionRestored()
{
    m_pageQuery.reset();
    m_keyQuery.reset();
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

void Dataset::cancel()
{
    m_unsettled = {};
    if (m_state == State::Insert) {
        dropNewRow();
    } else if (m_state == State::Edit) {
        m_edit = Row();
        m_touched = false;
        m_state = State::Browse;
        Q_EMIT rowChanged(m_current);
        Q_EMIT stateChanged(m_state);
    }
}

void Dataset::remove()
{
    requireTable("删除");
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit)
        cancel();
    const Row *r = rowAt(m_current);
    if (!r)
        return;
    const qint64 key = r->key, version = r->version;
    QSqlQuery q = run(QStringLiteral("DELETE FROM %1 WHERE %2 = :key AND %3 = :ver")
                          .arg(m_table->name, m_db.ident(m_table->keyColumn()), m_db.ident(QLatin1String(RowVersion))),
                      {{QStringLiteral("key"), key}, {QStringLiteral("ver"), version}});
    if (q.numRowsAffected() == 0)
        throw StoreError(StoreError::conflictText(), StoreError::Kind::Conflict, m_table->name);
    m_db.announceStored(m_table->name, key, -1, this);
    const int row = m_current;
    m_keys.removeAt(row);
    m_cache.remove(key);
    invalidateLookups();
    Q_EMIT rowRemoved(row);
    const int n = rowCount();
    setCurrent(n == 0 ? -1 : qMin(row, n - 1), true);
}

// Another dataset of this seat stored (or deleted, version -1) a row of our table. What we
// hold of it is read again, and an edit of the same row in progress takes the new version,
// keeping what was typed: the seat's own save is never taken for another user's change,
// while a change by another seat since is still caught when this edit is posted.
void Dataset::storedBySeat(const QString &table, qint64 key, qint64 version, const QObject *by)
{
    if (by == this || !m_table || !isOpen() || table.compare(m_table->name, Qt::CaseInsensitive) != 0)
        return;
    // Only an edit that started from the version this seat just replaced is carried over; one
    // that started earlier may miss another seat's change and is refused when posted.
    if (m_state == State::Edit && m_edit.key == key && version >= 0 && m_edit.version == version - 1) {
        try {
            QSqlQuery q = run(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :k")
                                  .arg(selectList(), m_table->name, m_db.ident(m_table->keyColumn())),
                              {{QStringLiteral("k"), key}});
            if (q.next()) {
                const Row fresh = readRow(q, 2);
                for (int i = 0; i < m_columns.size(); ++i)
                    if (!m_changed[i])
                        m_edit.values[i] = fresh.values[i];
            }
        } catch (const StoreError &e) {
            // The server went away just after the save: only what is typed here is stored
            // by this edit, so the new version is all it needs.
            if (!e.isConnectionLoss())
                throw;
        }
        m_edit.version = version;
    }
    if (!m_lazy || !m_cache.contains(key))
        return;
    m_cache.remove(key);
    invalidateLookups();
    const int row = int(m_keys.indexOf(key));
    if (row >= 0)
        Q_EMIT rowChanged(row);
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
        readRest();
    }
    m_filter = filter;
    if (isOpen()) {
        m_current = 0;
        reset();
        setCurrent(rowCount() > 0 ? 0 : -1, true);
    }
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
        readRest();
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
        readRest();
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
    m_lookupCaches.clear();
    Q_EMIT contentChanged();
}

QVariant Dataset::lookup(const QString &keyColumn, const QString &resultColumn, const QVariant &key)
{
    if (!isOpen())
        return {};
    const int keyField = fieldIndex(keyColumn);
    const int resultField = fieldIndex(resultColumn);
    if (keyField < 0 || resultField < 0)
        return {};
    const QString cacheName = keyColumn.toLower() + QLatin1Char('|') + resultColumn.toLower();
    LookupCache &cache = m_lookupCaches[cacheName];
    const QString wanted = lowerKey(key);
    if (cache.complete)
        return cache.values.value(wanted);
    if (auto it = cache.values.constFind(wanted); it != cache.values.constEnd())
        return it.value();

    const int rows = m_lazy ? int(m_keys.size()) : int(m_rows.size());
    if (!m_lazy || rows <= SmallSource || keyField >= m_columns.size() || resultField >= m_columns.size()) {
        // Small sources are read whole once; the first row with the key wins.
        if (m_lazy && keyField < m_columns.size() && resultField < m_columns.size()) {
            QVariantMap values;
            QSqlQuery q = run(QStringLiteral("SELECT %1, %2 FROM %3")
                                  .arg(m_db.ident(m_columns[keyField]), m_db.ident(m_columns[resultField]), m_table->name) +
                                  baseWhere(values) + orderBy(),
                              values);
            while (q.next()) {
                const QString k = lowerKey(q.value(0));
                if (!cache.values.contains(k))
                    cache.values.insert(k, fromStore(resultField, q.value(1)));
            }
        } else {
            for (int r = 0; r < rows; ++r) {
                const QString k = lowerKey(value(r, keyField));
                if (!cache.values.contains(k))
                    cache.values.insert(k, value(r, resultField));
            }
        }
        cache.complete = true;
        return cache.values.value(wanted);
    }

    // Large sources answer one key at a time, remembered until the source changes. Every
    // column looked up by the same key so far is read in the same statement: the agent name,
    // post code and address of an envelope cost one round trip, not three.
    const QString prefix = keyColumn.toLower() + QLatin1Char('|');
    QVector<int> fields{resultField};
    QStringList names{cacheName};
    for (auto it = m_lookupCaches.cbegin(); it != m_lookupCaches.cend(); ++it) {
        if (it.key() == cacheName || !it.key().startsWith(prefix) || it.value().complete)
            continue;
        const int f = fieldIndex(it.key().mid(prefix.size()));
        if (f >= 0 && f < m_columns.size()) {
            fields << f;
            names << it.key();
        }
    }
    QStringList columns;
    for (const int f : std::as_const(fields))
        columns << m_db.ident(m_columns[f]);
    QVariantMap values;
    QString where = baseWhere(values);
    where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
             m_db.ident(m_columns[keyField]) + QStringLiteral(" = :lookupKey");
    values.insert(QStringLiteral("lookupKey"), key.toString());
    QSqlQuery q = run(QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), m_table->name) + where +
                          orderBy() + QStringLiteral(" LIMIT 1"),
                      values);
    const bool found = q.next();
    for (int i = 0; i < fields.size(); ++i)
        m_lookupCaches[names[i]].values.insert(wanted, found ? fromStore(fields[i], q.value(i)) : QVariant());
    return m_lookupCaches[cacheName].values.value(wanted);
}

// ---------------------------------------------------------------- whole-column reads

void Dataset::forEachRow(const std::function<void(int, const QVector<QVariant> &)> &fn)
{
    if (!isOpen())
        return;
    readRest();
    const int columns = int(m_columns.size());
    const int fields = columns + int(m_lookups.size());
    QVector<QVariant> values(fields);
    // Display fields repeat the same few codes over many rows: each code is looked up once.
    std::vector<QHash<QString, QVariant>> memo(m_lookups.size());
    const auto withLookups = [&](int row) {
        for (int i = columns; i < fields; ++i) {
            const Lookup &l = m_lookups[i - columns];
            const QVariant key = l.keyColumn >= 0 ? values[l.keyColumn] : QVariant();
            if (!l.source || key.isNull()) {
                values[i] = QVariant();
                continue;
            }
            const QString k = key.toString();
            auto &known = memo[i - columns];
            auto it = known.constFind(k);
            if (it == known.constEnd())
                it = known.insert(k, k.isEmpty() ? QVariant() : l.source->lookup(l.sourceKey, l.resultColumn, key));
            values[i] = it.value();
        }
        fn(row, values);
    };
    if (!m_lazy) {
        for (int r = 0; r < int(m_rows.size()); ++r) {
            for (int i = 0; i < columns; ++i)
                values[i] = m_rows[r].values[i];
            withLookups(r);
        }
        return;
    }
    // The rows the dataset holds, read from the store in its order as they are now: a row
    // another seat added since is passed over, one it deleted is simply not there. The row
    // being edited gives what is typed into it.
    const int editing = m_state == State::Edit ? m_current : -1;
    const int keyCount = int(m_keys.size());
    if (!m_db.sqliteHandle()) {
        // On the server a statement still being read is lost when another one runs on the
        // connection, as a look-up does: the rows are read by key, a page at a time.
        QHash<qint64, Row> page;
        for (int start = 0; start < keyCount; start += PageSize) {
            page.clear();
            readPage(start, page);
            for (int row = start; row < qMin(start + PageSize, keyCount); ++row) {
                const auto it = page.constFind(m_keys[row]);
                if (it == page.constEnd())
                    continue;
                for (int i = 0; i < columns; ++i)
                    values[i] = row == editing ? m_edit.values.value(i) : it->values.value(i);
                withLookups(row);
            }
        }
    } else {
        QHash<qint64, int> held;
        held.reserve(keyCount);
        for (int i = 0; i < keyCount; ++i)
            held.insert(m_keys[i], i);
        QVariantMap bound;
        RowReader rows(m_db,
                       QStringLiteral("SELECT %1 FROM %2").arg(selectList(), m_table->name) + baseWhere(bound) + orderBy(),
                       bound);
        while (rows.next()) {
            const auto it = held.constFind(rows.int64(0));
            if (it == held.constEnd())
                continue;
            const int row = it.value();
            for (int i = 0; i < columns; ++i)
                values[i] = row == editing ? m_edit.values.value(i) : rows.value(i + 2, m_types[i]);
            withLookups(row);
        }
    }
    if (m_state == State::Insert) {
        for (int i = 0; i < columns; ++i)
            values[i] = m_edit.values.value(i);
        withLookups(int(m_keys.size()));
    }
}

double Dataset::sum(const QString &field)
{
    const int f = fieldIndex(field);
    if (f < 0 || !isOpen())
        return 0;
    readRest();
    // A large set is summed by the store (exactly on both engines), unless a row is being
    // typed in that the store does not hold yet.
    if (m_lazy && f < m_columns.size() && !isEditing()) {
        QVariantMap bound;
        QSqlQuery q = m_db.execNamed(
            QStringLiteral("SELECT sum(%1) FROM %2").arg(m_db.ident(m_columns[f]), m_table->name) + baseWhere(bound), bound);
        return q.next() ? q.value(0).toDouble() : 0;
    }
    Money::Total total;
    for (int r = 0; r < rowCount(); ++r)
        total.add(value(r, f).toDouble());
    return total.value();
}

QVector<QVariant> Dataset::columnValues(const QString &field)
{
    QVector<QVariant> out;
    const int f = fieldIndex(field);
    if (f < 0 || !isOpen())
        return out;
    readRest();
    if (m_lazy && f < m_columns.size() && m_state != State::Insert) {
        QVariantMap bound;
        RowReader q(m_db, QStringLiteral("SELECT %1, %2 FROM %3")
                              .arg(m_db.ident(m_table->keyColumn()), m_db.ident(m_columns[f]), m_table->name) +
                              baseWhere(bound) + orderBy(),
                    bound);
        out.reserve(m_keys.size());
        bool aligned = true;
        while (q.next()) {
            const int at = int(out.size());
            if (at >= m_keys.size() || m_keys[at] != q.int64(0)) {
                aligned = false; // another seat changed the rows since they were read
                break;
            }
            out.append(q.value(1, m_types[f]));
        }
        if (aligned && out.size() == m_keys.size()) {
            if (isEditing() && m_current >= 0)
                out[m_current] = m_edit.values[f];
            return out;
        }
        out.clear();
    }
    out.reserve(rowCount());
    for (int r = 0; r < rowCount(); ++r)
        out.append(value(r, f));
    return out;
}

} // namespace store
