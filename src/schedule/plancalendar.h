#pragma once

#include "contentlines.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTimeZone>

// The schedule as an iCalendar file: one event per entry of the list, in the list's order and
// filter. An event's UID is made of the entry's PlanID, so a calendar that reads the file again
// updates its events instead of doubling them. Times are local times of the program's time
// zone, which the file describes in a VTIMEZONE; an entry whose time is not a time of day is an
// all-day event and keeps its text in the description.
namespace PlanCalendar
{

// The VTIMEZONE of `zone` with every change of its offset between the two days (a year of
// margin either side), so that each local time in that span resolves to the right offset.
QStringList timeZone(const QTimeZone &zone, const QDate &from, const QDate &to);

// The export of the schedule list, stamped `stamp` (UTC), in `zone`.
ContentLines::Export calendarExport(const QTimeZone &zone, const QDateTime &stamp);

} // namespace PlanCalendar
