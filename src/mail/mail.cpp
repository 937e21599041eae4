#include "mail.h"

#include "envelopewindow.h"
#include "mailwindow.h"
#include "modulehost.h"
#include "workspace.h"

void installMail(Workspace &ws)
{
    auto *window = new MailWindow(ws, ws.host.frame());
    window->hide();
    ws.host.registerModule(QStringLiteral("Act_Mail"), window);
    ws.host.setCommandWindow(QStringLiteral("Act_Envelop"), [&ws] {
        EnvelopeWindow w(ws, ws.host.frame());
        w.setWindowState(Qt::WindowMaximized);
        w.exec();
    });
}
