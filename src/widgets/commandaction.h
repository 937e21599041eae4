#pragma once

#include <QString>
#include <functional>

class QAction;
class QWidget;
struct Workspace;

// A window's command: an action named as the system names it, with its caption and shortcut
// (working while the focus is inside `owner`), that writes its operation-log row first (when
// it has one) and then does its work under the general error display. `enabled`, when given,
// is the test command enabling runs at every idle moment.
QAction *addCommand(QWidget *owner, Workspace &ws, const char *name, const QString &caption,
                    const QString &shortcut, const QString &log, std::function<bool()> enabled,
                    std::function<void()> work);
