#include "contacts.h"

#include "contactswindow.h"
#include "modulehost.h"
#include "workspace.h"

void installContacts(Workspace &ws)
{
    // Built once and kept for the life of the program; the main window shows and hides it.
    auto *window = new ContactsWindow(ws, ws.host.frame());
    window->hide();
    ws.host.registerModule(QStringLiteral("Act_Linkman"), window);
}
