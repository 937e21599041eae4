#pragma once

#include <QString>
#include <functional>

class QWidget;

// What the main window offers the module windows: showing their content panel in the host
// area, returning to the schedule, pointing the file panel at a record folder, the
// navigation panel, and the hooks by which a module attaches itself to its commands.
class ModuleHost
{
public:
    virtual ~ModuleHost() = default;

    // A module's content panel, shown in the host area by the command that hosts it.
    virtual void registerModule(const QString &command, QWidget *panel) = 0;
    // A command's window: opened after the command's log row, administrator test and
    // dataset preparation.
    virtual void setCommandWindow(const QString &command, std::function<void()> open) = 0;

    virtual void showContent(QWidget *panel) = 0;
    virtual void hideContent(QWidget *panel) = 0;
    // The close command of a hosted module: its navigation page, then the schedule panel.
    virtual void returnToSchedule(const QString &navigationPage) = 0;
    virtual void showFolder(const QString &folder) = 0;
    virtual bool isNavigationVisible() const = 0;
    virtual void setNavigationVisible(bool visible) = 0;
    // Shows a page of the navigation panel by its caption ("业务管理", "图表分析").
    virtual void setNavigationPage(const QString &page) = 0;
    virtual QWidget *frame() = 0;
    // A short word in the status bar ("已保存：C000201"), no box.
    virtual void showStatus(const QString &text) = 0;
};
