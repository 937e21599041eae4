#include "schedule.h"

#include "assignwindow.h"
#include "boardwindow.h"
#include "modulehost.h"
#include "workspace.h"

void installSchedule(Workspace &ws)
{
    // Modal windows, built for each use.
    ws.host.setCommandWindow(QStringLiteral("Act_Board"), [&ws] {
        BoardWindow w(ws, ws.host.frame());
        w.exec();
    });
    ws.host.setCommandWindow(QStringLiteral("Act_Assign"), [&ws] {
        AssignWindow w(ws, ws.host.frame());
        w.exec();
    });
}
