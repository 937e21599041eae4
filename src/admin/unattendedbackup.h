#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// `tessaly --backup [--dir DIR] [--keep N] DEST`: the backup of 数据备份 without a window, for
// cron and the like. It finds the store as the program does at start (the one "Server.txt"
// names, else the data file at its default place; it changes neither and never makes a store),
// writes the log row "系统设置-数据备份" as the user "system", keeps the day copy as the window
// does, and puts a consistent, checked copy into the folder DEST as KTA30-<date>-<time>.wdb
// (KTA30-<date>-<time>-<n>.wdb for the n-th copy of one second). With `keep` > 0 only the
// newest `keep` such copies stay in DEST; files of other names are never touched. Returns the
// exit code: 0 with what was written on `out`, else the reason on `err`.
namespace UnattendedBackup
{

int run(const QString &appDir, const QString &dest, int keep, QTextStream &out, QTextStream &err);

// The copies in a folder made by run(), exactly by their names, newest first.
QStringList copiesIn(const QString &folder);

} // namespace UnattendedBackup
