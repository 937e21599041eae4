#pragma once

#include <QString>

namespace store {

class Connection;

// The store side of start-up: the folders under the program directory and the connection
// named by "Server.txt".
namespace Startup {

// Creates, when missing and one level deep, FilesDir, FilesDir/Plans, AppDir/Backup and
// AppDir/Log. A folder that cannot be made is left for the first command that needs it.
void createFolders(const QString &appDir);

// Reads "Server.txt" (writing the default line when it is missing) and opens the store it
// names. When that fails, "Server.txt" is reset to the default line and the store's error
// is thrown for the caller to show before the process ends; but a "Server.txt" whose first
// line is no location at all, or a data file that is damaged, is left as it is and the error
// (of kind Damaged, naming the file) says so.
void openStore(Connection &db, const QString &appDir);

} // namespace Startup

} // namespace store
