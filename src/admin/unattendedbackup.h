#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// `tessaly --backup [--dir DIR] [--keep N] DEST`: the backup of 数据备份 without a window, for
// cron and the like. It opens the store that "Server.txt" names (never changing that file),
// writes the log row "系统设置-数据备份" as the user "system", keeps the day copy as the window
// does, and puts a consistent, checked copy into the folder DEST as KTA30-<date>-<time>.wdb.
// With `keep` > 0 only the newest `keep` such copies stay in DEST; other files are never
// touched. Returns the exit code: 0 with what was written on `out`, else the reason on `err`.
namespace UnattendedBackup
{

int run(const QString &appDir, const QString &dest, int keep, QTextStream &out, QTextStream &err);

// The copies in a folder made by run(), newest first.
QStringList copiesIn(const QString &folder);

} // namespace UnattendedBackup
