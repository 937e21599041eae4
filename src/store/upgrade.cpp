#include "upgrade.h"

#include "connection.h"
#include "schema.h"
#include "searchindex.h"
#include "storeerror.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace store::Upgrade {

namespace {

QString info() { return QString::fromLatin1(Schema::InfoTable); }

int readVersion(Connection &db)
{
    const QVariant v = db.scalar(QStringLiteral("SELECT Value FROM %1 WHERE Name = 'version'").arg(info()));
    return v.isValid() ? qMax(1, v.toInt()) : 1;
}

QString columnList(const Table &t, Connection &db, bool roundMoney)
{
    QStringList cols;
    const QString key = t.keyColumn();
    if (key == QLatin1String(RowKey))
        cols << db.ident(key);
    for (const Column &c : t.columns)
        cols << (roundMoney && c.type == ColumnType::Currency
                     ? QStringLiteral("round(%1, 4)").arg(db.ident(c.name))
                     : db.ident(c.name));
    cols << db.ident(QLatin1String(RowVersion));
    if (SearchIndex::isSearched(t.name))
        cols << db.ident(QLatin1String(SearchIndex::Column));
    return cols.join(QStringLiteral(", "));
}

// SQLite cannot change a table's constraints: a changed table is built anew beside the old
// one, filled from it and put in its place under the old name.
void rebuildSqlite(Connection &db, const std::function<void()> &tableDone)
{
    for (const Table &t : Schema::tables()) {
        tableDone();
        const QString wanted = Schema::createTable(t, Engine::SQLite);
        const QString stored =
            db.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"),
                      {t.name})
                .toString();
        if (stored == wanted)
            continue;
        const QString fresh = QStringLiteral("upgrade_") + t.name;
        db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(fresh));
        db.exec(Schema::createTable(t, Engine::SQLite, fresh));
        db.exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4")
                    .arg(fresh, columnList(t, db, false), columnList(t, db, true), t.name));
        // Autonumbers go on from where they were, also past rows deleted at the end.
        const QVariant sequence =
            db.scalar(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ? COLLATE NOCASE"), {t.name});
        db.exec(QStringLiteral("DROP TABLE %1").arg(t.name));
        db.exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(fresh, t.name));
        if (sequence.isValid())
            db.exec(QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = ?"),
                    {sequence.toLongLong(), t.name});
        for (const QString &index : Schema::createIndexes(t, Engine::SQLite))
            db.exec(index);
    }
}

// PostgreSQL alters in place: money columns become exact numbers, width rules that changed
// are replaced, rules that are new are added (each checks the rows already there).
void alterPostgres(Connection &db, const std::function<void()> &tableDone)
{
    static const QRegularExpression width(QStringLiteral("<=\\s*\\(?\\s*(\\d+)"));
    for (const Table &t : Schema::tables()) {
        tableDone();
        const QString table = t.name.toLower();
        for (const Column &c : t.columns) {
            if (c.type != ColumnType::Currency)
                continue;
            const QString type = db.scalar(QStringLiteral("SELECT data_type FROM information_schema.columns "
                                                          "WHERE table_schema = current_schema() AND table_name = ? "
                                                          "AND column_name = ?"),
                                           {table, c.name.toLower()})
                                     .toString();
            if (type != QLatin1String("numeric"))
                db.exec(QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 TYPE %3 USING round(%2::numeric, 4)")
                            .arg(t.name, db.ident(c.name), Schema::columnType(c, Engine::PostgreSQL)));
        }
        for (const Schema::Constraint &c : Schema::constraints(t, Engine::PostgreSQL)) {
            QSqlQuery q = db.exec(QStringLiteral("SELECT pg_get_constraintdef(k.oid) FROM pg_constraint k "
                                                 "JOIN pg_class r ON r.oid = k.conrelid "
                                                 "WHERE r.relname = ? AND k.conname = ? "
                                                 "AND r.relnamespace = to_regnamespace(current_schema())"),
                                  {table, c.name.toLower()});
            if (q.next()) {
                const auto had = width.match(q.value(0).toString());
                const auto wants = width.match(c.definition);
                if (!c.name.startsWith(QLatin1String("w_")) || !had.hasMatch() || !wants.hasMatch() ||
                    had.captured(1) == wants.captured(1))
                    continue;
                db.exec(QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2").arg(t.name, c.name));
            }
            db.exec(QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 %3").arg(t.name, c.name, c.definition));
        }
    }
}

// Indexes added since a store was made (tables rebuilt above have theirs already).
void addIndexes(Connection &db)
{
    for (const Table &t : Schema::tables())
        for (QString index : Schema::createIndexes(t, db.engine()))
            db.exec(index.replace(QStringLiteral("CREATE INDEX "), QStringLiteral("CREATE INDEX IF NOT EXISTS ")));
}

// The records counted per agent made afresh: also when tblOperates was rebuilt above, which
// took its triggers with it. No seat adds a record between the count and the triggers.
void countRecords(Connection &db)
{
    if (db.engine() == Engine::PostgreSQL)
        db.exec(QStringLiteral("LOCK TABLE tblOperates IN SHARE ROW EXCLUSIVE MODE"));
    for (const QString &sql : Schema::dropRecordCountStatements(db.engine()))
        db.exec(sql);
    const QStringList make = Schema::recordCountStatements(db.engine());
    db.exec(make.first());
    db.exec(Schema::fillRecordCounts());
    for (const QString &sql : make.mid(1))
        db.exec(sql);
}

// The search text column of each searched table, added to a store that has none (as SQLite
// adds it, the table then reads as one made with it and is not rebuilt for it).
void addSearchColumns(Connection &db)
{
    const bool pg = db.engine() == Engine::PostgreSQL;
    for (const Table &t : Schema::tables()) {
        if (!SearchIndex::isSearched(t.name))
            continue;
        if (pg) {
            db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS %2")
                        .arg(t.name, Schema::searchColumn(db.engine())));
            continue;
        }
        const QVariant has = db.scalar(
            QStringLiteral("SELECT 1 FROM pragma_table_info(?) WHERE name = ? COLLATE NOCASE"),
            {t.name, QLatin1String(SearchIndex::Column)});
        if (!has.isValid())
            db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                        .arg(t.name, Schema::searchColumn(db.engine())));
    }
}

// The search index made afresh (a rebuilt table took its triggers with it) and every row's
// search text computed that is missing.
void indexSearch(Connection &db, const std::function<void()> &tableDone)
{
    for (const QString &sql : SearchIndex::functionStatements(db.engine()))
        db.exec(sql);
    for (const Table &t : Schema::tables()) {
        if (!SearchIndex::isSearched(t.name))
            continue;
        tableDone();
        for (const QString &sql : SearchIndex::dropTableStatements(t, db.engine()))
            db.exec(sql);
        for (const QString &sql : SearchIndex::tableStatements(t, db.engine()))
            db.exec(sql);
        if (db.engine() == Engine::SQLite)
            db.exec(
                QStringLiteral("INSERT INTO %1Search (rowid, Grams) SELECT %2, search_grams(%3) "
                               "FROM %1 WHERE %3 IS NOT NULL")
                    .arg(t.name, db.ident(t.keyColumn()),
                         db.ident(QLatin1String(SearchIndex::Column))));
        SearchIndex::fill(db, t);
    }
}

int searchedTables()
{
    int n = 0;
    for (const Table &t : Schema::tables())
        n += SearchIndex::isSearched(t.name) ? 1 : 0;
    return n;
}

} // namespace

int storedVersion(Connection &db)
{
    return readVersion(db);
}

void ifNeeded(Connection &db, const Progress &progress)
{
    if (readVersion(db) >= Schema::FormatVersion)
        return;
    const int total = int(Schema::tables().size()) + searchedTables();
    int done = 0;
    const auto tableDone = [&] {
        if (progress)
            progress(done, total);
        ++done;
    };
    try {
        db.transaction([&] {
            // Whoever holds the lock first does the work; the others find it done.
            if (db.engine() == Engine::PostgreSQL)
                db.exec(QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(info()));
            if (readVersion(db) >= Schema::FormatVersion)
                return;
            addSearchColumns(db);
            if (db.engine() == Engine::SQLite)
                rebuildSqlite(db, tableDone);
            else
                alterPostgres(db, tableDone);
            addIndexes(db);
            countRecords(db);
            indexSearch(db, tableDone);
            db.exec(QStringLiteral("DELETE FROM %1 WHERE Name = 'version'").arg(info()));
            db.exec(QStringLiteral("INSERT INTO %1 (Name, Value) VALUES ('version', ?)").arg(info()),
                    {QString::number(Schema::FormatVersion)});
            if (progress)
                progress(total, total);
        });
    } catch (const StoreError &e) {
        throw StoreError(QStringLiteral("数据库需要升级到新的格式，但其中有不符合新规则的记录，升级没有进行：%1").arg(e.text()),
                         e.kind(), e.table(), e.column());
    }
}

} // namespace store::Upgrade
