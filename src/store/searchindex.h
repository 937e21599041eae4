#pragma once

#include "schema.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace store
{

class Connection;

// The text a list's filter box finds rows by, kept by the store beside each row of the
// searched tables: a column SearchText with search::searchKey of each listed text column (the
// first being the row's name), and an index of its grams (each character and each pair of
// neighbouring characters of a word) that narrows a search to the rows holding every gram of
// the typed text before the text itself is compared. SQLite keeps the grams in an FTS5 table
// per searched table; PostgreSQL in a GIN index over search_grams(SearchText).
//
// A row whose searched columns change has its search text emptied by a trigger of the store,
// whoever writes it; fill() computes what is missing (the program must, for the pinyin) and is
// run before each search and when a store is brought up to date.
namespace SearchIndex
{

inline constexpr const char *Column = "SearchText";

// The listed columns whose text is searched, the name first; empty for a table not searched.
const QStringList &columns(const QString &table);
bool isSearched(const QString &table);

// The search text of a row from the values of columns(), in that order.
QString textOf(const QStringList &values);
// What a typed text is compared as: folded, every blank a plain space, control characters
// dropped, trimmed. Empty when nothing is left to search for.
QString normalized(const QString &typed);
// The distinct grams of a search text (or of a normalized query when `query`: each word of
// one character as itself, longer words by their pairs only).
QStringList grams(QStringView text, bool query = false);
// The grams as FTS5 tokens: hexadecimal UTF-8, space separated.
QByteArray gramTokens(QStringView text);

// The store's statements: PostgreSQL's gram function (before any table), and for each searched
// table its partial index of rows still to be filled, its grams index and its triggers.
QStringList functionStatements(Engine engine);
QStringList tableStatements(const Table &table, Engine engine);
QStringList dropTableStatements(const Table &table, Engine engine);

// Computes the search text of every row of `table` that has none, a batch at a time.
void fill(Connection &db, const Table &table);

// The WHERE text for rows of `table` whose search text contains the normalized `text` (in the
// first column's part only, with `nameOnly`); values are added under `name`_g and `name`_q.
QString matchSql(const Table &table, const QString &text, bool nameOnly, Engine engine,
                 QVariantMap &values, const QString &name);

} // namespace SearchIndex

} // namespace store
