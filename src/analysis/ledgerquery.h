#pragma once

#include <QDate>
#include <QStringList>

namespace store
{
class Dataset;
}

// The statement behind the receivables (true) and payables ledgers: one row per contract of
// that direction with at least one detail item and an agent that exists, with what has been
// settled (sumRMB) and what is still open (gathering / Payment). With a period, only
// contracts due from :EndDate1 to :EndDate2. Stepped, the rows come in contract-code order,
// only those after :after and at most :step of them (see Dataset::setSteppedBy).
namespace LedgerQuery
{

QStringList lines(bool receivables, bool period = false, bool stepped = false);

// The ledger's query closed, given its statement and opened: every contract, or those due
// from `from` to `to` (both included).
void open(store::Dataset &query, bool receivables);
void open(store::Dataset &query, bool receivables, const QDate &from, const QDate &to);

} // namespace LedgerQuery
