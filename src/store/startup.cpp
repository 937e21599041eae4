#include "startup.h"

#include "connection.h"
#include "serverfile.h"
#include "storeerror.h"

#include <QDir>

namespace store::Startup {

void createFolders(const QString &appDir)
{
    const QString files = appDir + QStringLiteral("Files/");
    for (const QString &dir : QStringList{files, files + QStringLiteral("Plans"), appDir + QStringLiteral("Backup"),
                               appDir + QStringLiteral("Log")}) {
        QDir d(dir);
        if (!d.exists())
            QDir().mkdir(dir); // one level deep, like the folders it stands for
    }
}

void openStore(Connection &db, const QString &appDir)
{
    try {
        db.close();
        bool exists = false;
        QString line = ServerFile::readFirstLine(appDir, &exists);
        if (!exists) {
            line = ServerFile::defaultLine(appDir);
            ServerFile::write(appDir, line);
        }
        db.open(line);
    } catch (const StoreError &e) {
        try {
            ServerFile::write(appDir, ServerFile::defaultLine(appDir));
        } catch (const StoreError &) {
            // "Server.txt" cannot be written (a folder of that name, a read-only disk): the
            // store's own error is what the user needs to see.
        }
        throw;
    }
}

} // namespace store::Startup
