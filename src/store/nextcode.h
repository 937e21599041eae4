#pragma once

#include <QString>
#include <QVariant>

namespace store
{

class Connection;

// The code proposed for a new row: one more than the highest stored code of the same pattern
// as `model` (its leading text and a run of digits of its width at the end), "C000200" giving
// "C000201" when C000200 is the highest C and six digits. A run that overflows its width grows
// ("C999" gives "C1000"). Only codes of the pattern count, so "C00020A" or "C12" never lead;
// the codes are found by the column's index, however many rows the table holds. The proposal
// is free when it is made: a seat that stores the same code first wins, and the other gets
// the duplicate-code message and a new proposal.
//
// `scopeColumn`/`scopeValue` restrict the search to the rows of one master (a record's items
// by OperateID). Empty when `model` ends in no digit.
QString nextCode(Connection &db, const QString &table, const QString &column, const QString &model,
                 const QString &scopeColumn = {}, const QVariant &scopeValue = {});

} // namespace store
