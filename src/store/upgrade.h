#pragma once

#include <functional>

namespace store {

class Connection;

namespace Upgrade {

// The format version the store at `db` was made or last brought up to (1 for the first).
int storedVersion(Connection &db);

// Brings a store of an older format up to date, all at once or not at all: tables whose
// definitions changed are rebuilt (SQLite) or altered (PostgreSQL) with their rows, money
// rounded to four decimals. Several seats may open an old store together; one of them does
// the work and the others find it done. Throws StoreError naming the rows that do not fit
// the new rules (the store is left as it was). `progress` hears of each table as it is
// brought up to date and as its search text is computed (steps done, steps in all).
using Progress = std::function<void(int done, int total)>;
void ifNeeded(Connection &db, const Progress &progress = {});

} // namespace Upgrade

} // namespace store
