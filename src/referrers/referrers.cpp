#include "referrers.h"

#include "modulehost.h"
#include "referrerswindow.h"
#include "workspace.h"

void installReferrers(Workspace &ws)
{
    // Built once and kept for the life of the program; the main window shows and hides it.
    auto *window = new ReferrersWindow(ws, ws.host.frame());
    window->hide();
    ws.host.registerModule(QStringLiteral("Act_Operaters"), window);
}
