#pragma once

#include <QString>

// Where the program directory (Server.txt, Data, Files, Backup, Log) is. `--dir` decides
// when given. A program that has its layouts beside it (the build tree, a copied folder)
// works from its own directory. An installed one (DIR/bin/tessaly with DIR/share/tessaly)
// keeps it in the user's data folder, $XDG_DATA_HOME/tessaly (~/.local/share/tessaly): made
// on first start with the shipped layouts and help page, and a new store when there is none.
namespace ProgramDirectory
{

// Needs a Q(Core)Application. Throws store::StoreError when the folder cannot be made.
QString locate(const QString &dirOption);

// The program directory locate() would give, as it is: nothing is made or copied there.
QString find(const QString &dirOption);

// The shipped files of an installed program, or empty when this program is not installed.
QString installedShare();

// Copies what is missing of the shipped files into a program directory; a layout a user
// changed is kept. Makes a new store at the default path when Server.txt and the data file
// are both missing.
void prepare(const QString &appDir, const QString &share);

} // namespace ProgramDirectory
