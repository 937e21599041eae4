#pragma once

#include <QString>

namespace store {

// Makes a new, seeded store: a SQLite file, or the tables in an empty PostgreSQL database.
// Refuses to touch an existing store. Throws StoreError.
namespace NewStore {

void create(const QString &location);

} // namespace NewStore

} // namespace store
