#pragma once

#include "seatprocess.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace store {
class Connection;
}

// The rows the seats write, read straight from the store after they have stopped, and the
// comparison with what each seat said it stored.
class StoreContents
{
public:
    struct Agent
    {
        int count = 0;
        QString name, address, owner;
    };
    struct Record
    {
        int count = 0;
        QString agent, title, owner;
    };
    struct Log
    {
        int count = 0;
        QString user;
    };

    explicit StoreContents(store::Connection &db);

    // A row of the other kinds the seats write: contact (by LinkmanID; value CustID, change
    // Telephone), item (by OperateID/DetailNo; value DTitle), referrer (by OperaterID; value
    // Name, change Mobile), plan (by Memo; value CustID or "-", change Address), notice (by
    // BTitle; value Man).
    struct Row
    {
        int count = 0;
        QString value, change, owner;
    };

    QHash<QString, Agent> agents;   // by CustId
    QHash<QString, Record> records; // by OperateID
    QHash<QString, Log> logs;       // by Operate text
    int logRows = 0;
    int distinctLogIds = 0;
    QHash<QString, QHash<QString, Row>> rows; // kind -> id -> row
    int counter = -1; // the shared counter on the notice board; -1 when its row is missing
    // The owner an administrator handed each agent to last: the agent's owner from then on.
    // Filled by the test from the administrator's report before check() is called.
    QHash<QString, QString> movedTo;

    // Contacts whose owner is not their agent's: after a hand-over every contact of the agent
    // goes with it, and no seat may add one to an agent it no longer owns.
    QStringList contactsAwayFromTheirAgents() const;

    // Puts the shared counter the seats raise on the notice board, at 0.
    static void addCounter(store::Connection &db);
    // Agents whose kept number of records is not the number of their records.
    static QStringList recordCountsOff(store::Connection &db);

    // Rows that show only part of what one post stored: a code without its name, a record
    // without its agent or title, a log row without its user or text, a detail item whose
    // record does not exist.
    QStringList halfWrittenRows() const { return m_halfWritten; }

    // Checks one seat's report. A seat that was killed may have stored one row of each kind
    // (and one change) that it had no time to print: `killed` allows exactly that much.
    // Returns the problems found; `verified` counts the reported rows found as reported.
    QStringList check(const SeatReport &report, bool killed, int &verified) const;

    // The counter against every raise the seats reported: each value reported once, none
    // lost. `killed` seats may each have raised it once more without saying so.
    QStringList checkCounter(const QList<SeatReport> &reports, int killed, int &verified) const;

private:
    static QString counterTitle();
    QStringList m_halfWritten;
};
