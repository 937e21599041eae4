#pragma once

#include <QHash>
#include <QString>
#include <functional>

class QAction;
class QToolBar;
class QWidget;
class Rights;
struct Workspace;

namespace store
{
class Dataset;
}

// A window's command: an action named as the system names it, with its caption and shortcut
// (working while the focus is inside `owner`), that writes its operation-log row first (when
// it has one) and then does its work under the general error display. `enabled`, when given,
// is the test command enabling runs at every idle moment.
QAction *addCommand(QWidget *owner, Workspace &ws, const char *name, const QString &caption,
                    const QString &shortcut, const QString &log, std::function<bool()> enabled,
                    std::function<void()> work);

// The same command shown on a tool bar, its button reached by Tab, and kept by its name in
// `actions`, the window's table of its commands.
QAction *addBarCommand(QWidget *owner, QToolBar *bar, QHash<QString, QAction *> &actions, Workspace &ws,
                       const char *name, const QString &caption, const QString &shortcut, const QString &log,
                       std::function<bool()> enabled, std::function<void()> work);

// The enabling of a record page's 新增 and 保存 over its dataset: 新增 with the right's Insert
// flag while no new row is being entered; 保存 for a new row, or for a changed one with the
// Modify flag.
std::function<bool()> canAddRecord(Rights &rights, const QString &right, const store::Dataset &set);
std::function<bool()> canSaveRecord(Rights &rights, const QString &right, const store::Dataset &set);
