#include "agents.h"

#include "agentswindow.h"
#include "modulehost.h"
#include "workspace.h"

AgentsWindow *installAgents(Workspace &ws)
{
    // Built once and kept for the life of the program; the main window shows and hides it.
    auto *window = new AgentsWindow(ws, ws.host.frame());
    window->hide();
    ws.host.registerModule(QStringLiteral("Act_Customers"), window);
    return window;
}
