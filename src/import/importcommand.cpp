#include "importcommand.h"

#include "commandaction.h"
#include "importdialog.h"
#include "rights.h"
#include "workspace.h"

#include <QAction>

QAction *addImportCommand(QWidget *page, QToolBar *bar, QHash<QString, QAction *> &actions,
                          Workspace &ws, ImportHook hook)
{
    Rights &rights = ws.rights;
    const QString right = hook.right;
    const QString log = hook.log;
    return addBarCommand(
        page, bar, actions, ws, "Act_Import", QStringLiteral("导入..."), {}, log,
        [&rights, right] { return rights.allows(right, QStringLiteral("Insert")); },
        [page, &ws, hook = std::move(hook)] { ImportDialog::run(page, ws, hook); });
}
