#pragma once

#include <QString>

namespace store {

class Connection;

// The operation log: one row per command, written before the command does its work.
namespace OperationLog {

// The date-time text of log rows and the status-bar clock: date, a blank, time.
QString dateTimeText();

// Appends one tblLog row for the signed-in user. Throws StoreError when the store refuses,
// so the command that called it stops.
void write(Connection &db, const QString &dateTime, const QString &operate);

} // namespace OperationLog

} // namespace store
