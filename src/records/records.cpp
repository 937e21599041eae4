#include "records.h"

#include "modulehost.h"
#include "recordswindow.h"
#include "workspace.h"

void installRecords(Workspace &ws)
{
    // Built once and kept for the life of the program; the main window shows and hides it.
    auto *window = new RecordsWindow(ws, ws.host.frame());
    window->hide();
    ws.host.registerModule(QStringLiteral("Act_OperatesInfo"), window);
}
