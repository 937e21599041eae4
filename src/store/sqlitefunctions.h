#pragma once

struct sqlite3;

namespace store::SqliteFunctions {

// What the store's query dialect needs of SQLite beyond its own functions, on one handle:
// year(), month() and day() of our ISO date texts; NOCASE and LIKE without letter case in
// every script; sum() and total() exact to four decimals over money; search_grams() of a
// search text, which the search index's triggers use.
void install(sqlite3 *handle);

} // namespace store::SqliteFunctions
