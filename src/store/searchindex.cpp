#include "searchindex.h"

#include "connection.h"
#include "searchtext.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>

namespace store::SearchIndex
{

namespace
{

// Between the parts of a search text: a word of its own, so that no gram spans two columns.
constexpr char16_t PartMark = u'\x1f';

const QHash<QString, QStringList> &searched()
{
    static const QHash<QString, QStringList> tables{
        {QStringLiteral("tblcustomers"),
         {QStringLiteral("CustName"), QStringLiteral("CustId"), QStringLiteral("MainLinkman"),
          QStringLiteral("Address")}},
        {QStringLiteral("tbllinkmans"),
         {QStringLiteral("Name"), QStringLiteral("LinkmanID"), QStringLiteral("NickName"),
          QStringLiteral("Department"), QStringLiteral("Duty")}},
        {QStringLiteral("tbloperaters"),
         {QStringLiteral("Name"), QStringLiteral("OperaterID"), QStringLiteral("NickName"),
          QStringLiteral("DepartmentID"), QStringLiteral("Duty"), QStringLiteral("Native")}},
        {QStringLiteral("tbloperates"),
         {QStringLiteral("OperateTitle"), QStringLiteral("OperateID")}},
        {QStringLiteral("tblplan"),
         {QStringLiteral("Address"), QStringLiteral("PlanTime"), QStringLiteral("Linkman"),
          QStringLiteral("OperateId"), QStringLiteral("AttendMan"), QStringLiteral("Memo")}},
    };
    return tables;
}

// Blanks of every kind become plain spaces (the words grams are taken from), control
// characters go.
QString plain(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.isSpace())
            out += QLatin1Char(' ');
        else if (c.category() != QChar::Other_Control)
            out += c;
    }
    return out;
}

QString searchTable(const Table &t)
{
    return t.name + QStringLiteral("Search");
}

QString id(const QString &name, Engine e)
{
    return Schema::identifier(name, e);
}

// Whether the search text's first part (the name) contains the query.
QString namePart(Engine e, const QString &column)
{
    return e == Engine::PostgreSQL
               ? QStringLiteral("split_part(%1, chr(31), 1)").arg(column)
               : QStringLiteral("substr(%1, 1, instr(%1 || char(31), char(31)) - 1)").arg(column);
}

} // namespace

const QStringList &columns(const QString &table)
{
    static const QStringList none;
    const auto &all = searched();
    const auto it = all.constFind(table.toLower());
    return it == all.cend() ? none : *it;
}

bool isSearched(const QString &table)
{
    return !columns(table).isEmpty();
}

QString textOf(const QStringList &values)
{
    QStringList parts;
    for (const QString &v : values)
        parts << plain(search::searchKey(v));
    return parts.join(QStringLiteral(" ") + QChar(PartMark) + QStringLiteral(" "));
}

QString normalized(const QString &typed)
{
    return plain(search::fold(typed)).trimmed();
}

QStringList grams(QStringView text, bool query)
{
    QStringList out;
    QSet<QString> seen;
    const auto add = [&](const char32_t *from, int n) {
        QString g = QString::fromUcs4(from, n);
        if (!seen.contains(g)) {
            seen.insert(g);
            out << g;
        }
    };
    for (const QStringView word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QList<uint> cps = word.toUcs4();
        const auto *c = reinterpret_cast<const char32_t *>(cps.constData());
        const int n = int(cps.size());
        if (!query || n == 1)
            for (int i = 0; i < n; ++i)
                add(c + i, 1);
        for (int i = 0; i + 1 < n; ++i)
            add(c + i, 2);
    }
    return out;
}

QByteArray gramTokens(QStringView text)
{
    QByteArray out;
    for (const QString &g : grams(text)) {
        if (!out.isEmpty())
            out += ' ';
        out += g.toUtf8().toHex();
    }
    return out;
}

QStringList functionStatements(Engine e)
{
    if (e != Engine::PostgreSQL)
        return {}; // SQLite's search_grams() is the program's own (SqliteFunctions)
    // Each character and each pair of neighbouring characters of every space-separated word.
    return {QStringLiteral(
        "CREATE OR REPLACE FUNCTION search_grams(t text) RETURNS text[] "
        "LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$ "
        "SELECT coalesce(array_agg(DISTINCT g), '{}') FROM ("
        "SELECT substr(w, i, n) AS g FROM unnest(string_to_array(t, ' ')) AS w, "
        "generate_series(1, 2) AS n, generate_series(1, char_length(w) - n + 1) AS i) s "
        "WHERE g <> '' $$")};
}

QStringList tableStatements(const Table &t, Engine e)
{
    const QStringList cols = columns(t.name);
    if (cols.isEmpty())
        return {};
    const QString key = id(t.keyColumn(), e);
    const QString text = id(QLatin1String(Column), e);
    QStringList out{QStringLiteral("CREATE INDEX i_%1_Unsearched ON %1 (%2) WHERE %3 IS NULL")
                        .arg(t.name, key, text)};
    QStringList changed;
    if (e == Engine::PostgreSQL) {
        QStringList now, was;
        for (const QString &c : cols) {
            now << QStringLiteral("NEW.") + id(c, e);
            was << QStringLiteral("OLD.") + id(c, e);
        }
        out << QStringLiteral("CREATE INDEX i_%1_Search ON %1 USING gin (search_grams(%2))")
                   .arg(t.name, text)
            << QStringLiteral("CREATE OR REPLACE FUNCTION %1_search_stale() RETURNS trigger "
                              "LANGUAGE plpgsql AS $$\nBEGIN\n"
                              "  IF NEW.%2 IS NOT DISTINCT FROM OLD.%2 AND ROW(%3) IS DISTINCT "
                              "FROM ROW(%4) THEN\n"
                              "    NEW.%2 := NULL;\n  END IF;\n  RETURN NEW;\nEND $$")
                   .arg(t.name.toLower(), text, now.join(QStringLiteral(", ")),
                        was.join(QStringLiteral(", ")))
            << QStringLiteral("CREATE TRIGGER t_%1_SearchStale BEFORE UPDATE ON %1 FOR EACH ROW "
                              "EXECUTE FUNCTION %2_search_stale()")
                   .arg(t.name, t.name.toLower());
        return out;
    }
    for (const QString &c : cols)
        changed << QStringLiteral("NEW.%1 IS NOT OLD.%1").arg(id(c, e));
    const QString fts = searchTable(t);
    const QString add = QStringLiteral("INSERT INTO %1 (rowid, Grams) SELECT NEW.%2, "
                                       "search_grams(NEW.%3) WHERE NEW.%3 IS NOT NULL")
                            .arg(fts, key, text);
    const QString remove = QStringLiteral("INSERT INTO %1 (%1, rowid, Grams) SELECT 'delete', "
                                          "OLD.%2, search_grams(OLD.%3) WHERE OLD.%3 IS NOT NULL")
                               .arg(fts, key, text);
    out << QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(Grams, content='', columnsize=0, "
                          "detail=none)")
               .arg(fts)
        << QStringLiteral("CREATE TRIGGER t_%1_SearchAdd AFTER INSERT ON %1 BEGIN %2; END")
               .arg(t.name, add)
        << QStringLiteral("CREATE TRIGGER t_%1_SearchRemove AFTER DELETE ON %1 BEGIN %2; END")
               .arg(t.name, remove)
        << QStringLiteral("CREATE TRIGGER t_%1_SearchChange AFTER UPDATE OF %2 ON %1 "
                          "WHEN OLD.%2 IS NOT NEW.%2 BEGIN %3; %4; END")
               .arg(t.name, text, remove, add)
        // The row's own texts changed by whoever wrote it: its search text is computed again.
        << QStringLiteral("CREATE TRIGGER t_%1_SearchStale AFTER UPDATE OF %2 ON %1 "
                          "WHEN NEW.%3 IS OLD.%3 AND (%4) BEGIN "
                          "UPDATE %1 SET %3 = NULL WHERE %5 = NEW.%5; END")
               .arg(
                   t.name,
                   [&] {
                       QStringList ids;
                       for (const QString &c : cols)
                           ids << id(c, e);
                       return ids.join(QStringLiteral(", "));
                   }(),
                   text, changed.join(QStringLiteral(" OR ")), key);
    return out;
}

QStringList dropTableStatements(const Table &t, Engine e)
{
    if (!isSearched(t.name))
        return {};
    QStringList out{QStringLiteral("DROP INDEX IF EXISTS i_%1_Unsearched").arg(t.name)};
    if (e == Engine::PostgreSQL)
        return out << QStringLiteral("DROP INDEX IF EXISTS i_%1_Search").arg(t.name)
                   << QStringLiteral("DROP TRIGGER IF EXISTS t_%1_SearchStale ON %1").arg(t.name);
    for (const char *trigger : {"SearchAdd", "SearchRemove", "SearchChange", "SearchStale"})
        out << QStringLiteral("DROP TRIGGER IF EXISTS t_%1_%2").arg(t.name, QLatin1String(trigger));
    return out << QStringLiteral("DROP TABLE IF EXISTS %1").arg(searchTable(t));
}

void fill(Connection &db, const Table &t)
{
    const QStringList cols = columns(t.name);
    if (cols.isEmpty())
        return;
    const Engine e = db.engine();
    const bool pg = e == Engine::PostgreSQL;
    const QString key = id(t.keyColumn(), e);
    const QString text = id(QLatin1String(Column), e);
    QStringList selected{key};
    for (const QString &c : cols)
        selected << id(c, e);
    constexpr int Batch = 500;
    const QString next = QStringLiteral("SELECT %1 FROM %2 WHERE %3 IS NULL LIMIT %4")
                             .arg(selected.join(QStringLiteral(", ")), t.name, text)
                             .arg(Batch);
    db.transaction([&] {
        for (;;) {
            QVariantList values;
            QSqlQuery q = db.exec(next);
            int rows = 0;
            while (q.next()) {
                QStringList texts;
                for (int i = 1; i <= cols.size(); ++i)
                    texts << q.value(i).toString();
                values << q.value(0) << textOf(texts);
                ++rows;
            }
            if (rows == 0)
                return;
            if (pg) {
                // One statement per batch: a server answers each round trip.
                QStringList pairs;
                for (int i = 0; i < rows; ++i)
                    pairs << QStringLiteral("(CAST(? AS bigint), CAST(? AS text))");
                db.exec(QStringLiteral(
                            "UPDATE %1 SET %2 = v.t FROM (VALUES %3) AS v(k, t) WHERE %1.%4 = v.k")
                            .arg(t.name, text, pairs.join(QStringLiteral(", ")), key),
                        values);
            } else {
                const QString update =
                    QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?").arg(t.name, text, key);
                for (int i = 0; i < rows; ++i)
                    db.exec(update, {values[2 * i + 1], values[2 * i]});
            }
        }
    });
}

QString matchSql(const Table &t, const QString &text, bool nameOnly, Engine e, QVariantMap &values,
                 const QString &name)
{
    const QString column = id(QLatin1String(Column), e);
    const QString g = name + QStringLiteral("_g"), q = name + QStringLiteral("_q");
    const QStringList wanted = grams(text, true);
    values.insert(q, text);
    QString found;
    if (e == Engine::PostgreSQL) {
        QStringList quoted;
        for (QString w : wanted)
            quoted << QLatin1Char('"') +
                          w.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                              .replace(QLatin1Char('"'), QStringLiteral("\\\"")) +
                          QLatin1Char('"');
        values.insert(g,
                      QString(QLatin1Char('{') + quoted.join(QLatin1Char(',')) + QLatin1Char('}')));
        found = QStringLiteral("search_grams(%1) @> CAST(:%2 AS text[]) AND strpos(%3, :%4) > 0")
                    .arg(column, g, nameOnly ? namePart(e, column) : column, q);
    } else {
        QStringList tokens;
        for (const QString &w : wanted)
            tokens << QLatin1Char('"') + QString::fromLatin1(w.toUtf8().toHex()) + QLatin1Char('"');
        values.insert(g, tokens.join(QLatin1Char(' ')));
        found =
            QStringLiteral("%1 IN (SELECT rowid FROM %2 WHERE %2 MATCH :%3) AND instr(%4, :%5) > 0")
                .arg(id(t.keyColumn(), e), searchTable(t), g,
                     nameOnly ? namePart(e, column) : column, q);
    }
    return QLatin1Char('(') + found + QLatin1Char(')');
}

} // namespace store::SearchIndex
