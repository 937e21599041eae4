#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace store
{

class Connection;

// Hands rows over from one user to another: agents together with their contacts (their
// contact records keep their owner), or contact records alone. Every code is a bound value,
// and the whole hand-over is one transaction: when anything fails, nothing has changed.
// Each changed row takes a new row version, so a seat editing one of them meanwhile is
// refused on its save instead of silently overwriting the new owner.
class WorkAssignment
{
  public:
    enum class Kind { Agents, Records };

    // Codes are read in chunks; `progress` hears (done, total) after each chunk. Throws
    // StoreError after rolling back. This seat's own datasets are told of the rows changed
    // once they are committed, so their next save is not taken for another seat's change.
    static void run(Connection &db, Kind kind, const QStringList &codes, const QString &target,
                    const std::function<void(int done, int total)> &progress = {});

    // Codes per statement: well below SQLite's and PostgreSQL's limits on bound values.
    static constexpr int Chunk = 400;
};

} // namespace store
