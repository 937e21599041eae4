#pragma once

namespace store {

class Connection;

// The rows a new store starts with: the Admin user with every right, colours, and a
// Chinese set of dictionary rows so that agents can be entered at once.
namespace Seed {

void fill(Connection &db);

} // namespace Seed

} // namespace store
