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

    QHash<QString, Agent> agents;   // by CustId
    QHash<QString, Record> records; // by OperateID
    QHash<QString, Log> logs;       // by Operate text
    int logRows = 0;
    int distinctLogIds = 0;
    int counter = -1; // the shared counter on the notice board; -1 when its row is missing

    // Puts the shared counter the seats raise on the notice board, at 0.
    static void addCounter(store::Connection &db);

    // Rows that show only part of what one post stored: a code without its name, a record
    // without its agent or title, a log row without its user or text.
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
