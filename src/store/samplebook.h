#pragma once

#include <QString>
#include <QtGlobal>

namespace store
{

class Connection;

// A realistic agent book written into a new store: users with the administrator's rights,
// the organisation's own data, referrers, agents each with 3 contacts, 1 to 3 agent contacts,
// bank and tax data and 10 contact records of 2 detail items (some items in another currency
// than their record's, about a third of the records not settled in full), schedule entries,
// log rows and notices, all from one fixed seed (the same options give the same book). It
// fills the benchmark stores and the sample store for newcomers.
namespace SampleBook
{

struct Options {
    qint64 agents = 100000;
    qint64 plans = -1; // schedule entries; -1: two per agent
    qint64 logs = -1;  // log rows; -1: twenty per agent
    int users = 8;     // user1..userN besides Admin (at most 8)
    QString userPassword = QStringLiteral("123456");
    int historyDays = 5 * 365 + 1; // agents were created over this many days up to today
    int planDaysAround = -1;       // schedule dates within this many days of today; -1: any day
    int notices = 0;               // notice-board rows (at most 6)
    bool quiet = false;            // no progress on standard output
};

void fill(Connection &db, const Options &options);

} // namespace SampleBook

} // namespace store
