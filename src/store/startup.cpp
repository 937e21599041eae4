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
    QString line;
    try {
        db.close();
        bool exists = false;
        line = ServerFile::readFirstLine(appDir, &exists);
        if (!exists) {
            line = ServerFile::defaultLine(appDir);
            ServerFile::write(appDir, line);
        }
        if (!ServerFile::isLocationText(line))
            throw StoreError(QStringLiteral("文件“%1”的第一行不是数据库的位置，无法打开数据库。请在其中写入数据文件的路径"
                                            "或 postgresql:// 地址（或删除该文件，使用默认的数据文件）。")
                                 .arg(QDir::toNativeSeparators(ServerFile::path(appDir))),
                             StoreError::Kind::Damaged, QStringLiteral("Server.txt"));
        db.open(line);
        // Damage where nothing has read yet would show later, in the middle of some command:
        // a data file is read through once before the seat starts on it.
        if (db.engine() == Engine::SQLite) {
            const QString verdict = db.scalar(QStringLiteral("PRAGMA quick_check")).toString();
            if (verdict != QLatin1String("ok"))
                throw db.damaged(verdict.left(500));
        }
    } catch (const StoreError &e) {
        db.close();
        // A damaged "Server.txt" or data file is left as it is, for the restore window or
        // the user to deal with; any other failure points "Server.txt" back at the default.
        if (e.kind() == StoreError::Kind::Damaged)
            throw;
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
