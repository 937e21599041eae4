#include "backup.h"

#include "backupwindow.h"
#include "modulehost.h"
#include "restorewindow.h"
#include "session.h"
#include "workspace.h"

void installBackup(Workspace &ws)
{
    // Both windows start on the backup folder's KTA30.wdb.
    ws.host.setCommandWindow(QStringLiteral("Act_Backup"), [&ws] {
        BackupWindow w(ws.dm, ws.host.frame());
        w.setPath(store::session().AppDir + QStringLiteral("Backup/KTA30.wdb"));
        w.exec();
    });
    ws.host.setCommandWindow(QStringLiteral("Act_Restore"), [&ws] {
        RestoreWindow w(ws.dm, ws.host.frame());
        w.setPath(store::session().AppDir + QStringLiteral("Backup/KTA30.wdb"));
        w.exec();
    });
}
