#include "commandaction.h"

#include "commandenabler.h"
#include "datamodule.h"
#include "dataset.h"
#include "errordisplay.h"
#include "gridexport.h"
#include "rights.h"
#include "workspace.h"

#include <QAction>
#include <QToolBar>
#include <QWidget>

QAction *addCommand(QWidget *owner, Workspace &ws, const char *name, const QString &caption,
                    const QString &shortcut, const QString &log, std::function<bool()> enabled,
                    std::function<void()> work)
{
    auto *a = new QAction(caption, owner);
    a->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty()) {
        a->setShortcut(QKeySequence(shortcut));
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    owner->addAction(a);
    // The window's module, as its first logged command names it: the grids in it log their
    // export under the same module.
    const int lastHyphen = int(log.lastIndexOf(QLatin1Char('-')));
    if (lastHyphen > 0)
        GridExport::setLogPrefix(owner, log.left(lastHyphen), GridExport::KeepSet);
    store::DataModule &dm = ws.dm;
    QObject::connect(a, &QAction::triggered, owner, [owner, &dm, log, work = std::move(work)] {
        ErrorDisplay::run(owner, [&] {
            if (!log.isEmpty())
                dm.writeLog(log);
            work();
        });
    });
    if (enabled)
        ws.enabler.add(a, std::move(enabled));
    return a;
}

QAction *addBarCommand(QWidget *owner, QToolBar *bar, QHash<QString, QAction *> &actions, Workspace &ws,
                       const char *name, const QString &caption, const QString &shortcut, const QString &log,
                       std::function<bool()> enabled, std::function<void()> work)
{
    QAction *a = addCommand(owner, ws, name, caption, shortcut, log, std::move(enabled), std::move(work));
    const QList<QAction *> before = bar->actions();
    bar->addAction(a);
    // The bar's buttons take the focus from Tab, so every command is in reach of the keyboard,
    // also those without a shortcut; in the bar's order, also a button added after the widgets
    // below the bar.
    if (QWidget *b = bar->widgetForAction(a)) {
        b->setFocusPolicy(Qt::TabFocus);
        if (QWidget *previous = before.isEmpty() ? nullptr : bar->widgetForAction(before.last()))
            QWidget::setTabOrder(previous, b);
    }
    actions.insert(a->objectName(), a);
    return a;
}

std::function<bool()> canAddRecord(Rights &rights, const QString &right, const store::Dataset &set)
{
    return [&rights, right, &set] {
        return rights.allows(right, QStringLiteral("Insert")) && set.state() != store::Dataset::State::Insert;
    };
}

std::function<bool()> canSaveRecord(Rights &rights, const QString &right, const store::Dataset &set)
{
    return [&rights, right, &set] {
        using State = store::Dataset::State;
        return set.state() == State::Insert ||
               (set.state() == State::Edit && rights.allows(right, QStringLiteral("Modify")));
    };
}
