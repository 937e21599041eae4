#include "admin.h"

#include "logwindow.h"
#include "modulehost.h"
#include "serverwindow.h"
#include "userinfowindow.h"
#include "userwindow.h"
#include "workspace.h"

void installAdmin(Workspace &ws)
{
    ws.host.setCommandWindow(QStringLiteral("Act_UserManage"), [&ws] {
        UserWindow w(ws.dm, ws.host.frame());
        w.exec();
    });
    ws.host.setCommandWindow(QStringLiteral("Act_Server"), [&ws] {
        ServerWindow w(ws.dm, ws.host.frame());
        w.exec();
    });
    ws.host.setCommandWindow(QStringLiteral("Act_SysLog"), [&ws] {
        LogWindow w(ws.dm, ws.host.frame());
        w.exec();
    });
    ws.host.setCommandWindow(QStringLiteral("Act_UserRegist"), [&ws] {
        UserInfoWindow w(ws.dm, ws.host.frame());
        w.exec();
    });
}
