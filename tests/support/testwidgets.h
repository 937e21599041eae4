#pragma once

#include "modulehost.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace testsupport
{

// A stand-in for the main window as a module sees it: it records the windows and panels
// registered for commands, what was shown in the host area and the folders the file panel
// was pointed at, and lends a frame to parent dialogs.
class RecordingHost : public ModuleHost
{
  public:
    QHash<QString, std::function<void()>> windows;
    QHash<QString, QWidget *> modules;
    QWidget *shown = nullptr;
    QStringList folders;
    QString navigationPage;
    bool navigationVisible = true;
    QWidget frameWidget;

    void registerModule(const QString &command, QWidget *panel) override
    {
        modules.insert(command, panel);
    }
    void setCommandWindow(const QString &command, std::function<void()> open) override
    {
        windows.insert(command, std::move(open));
    }
    void showContent(QWidget *panel) override { shown = panel; }
    void hideContent(QWidget *panel) override
    {
        if (shown == panel)
            shown = nullptr;
    }
    void returnToSchedule(const QString &page) override
    {
        navigationPage = page;
        shown = nullptr;
    }
    void showFolder(const QString &folder) override { folders << folder; }
    bool isNavigationVisible() const override { return navigationVisible; }
    void setNavigationVisible(bool visible) override { navigationVisible = visible; }
    void setNavigationPage(const QString &page) override { navigationPage = page; }
    QWidget *frame() override { return &frameWidget; }
    QStringList statuses;
    void showStatus(const QString &text) override { statuses << text; }
    QString lastFolder() const { return folders.isEmpty() ? QString() : folders.last(); }
};

// Types text into a widget key by key, as a keyboard with an input method would: Chinese
// characters included, which QTest::keyClicks cannot send.
void typeText(QWidget *widget, const QString &text);

// Keys as a user presses them: sent to the widget that has the focus at that moment, so they
// land wherever the window put the focus. The text may hold Chinese characters.
void typeIntoFocus(const QString &text);
void pressOnFocus(QKeyCombination key);
// Tab from `from` until `button` has the focus (failing the test when Tab never comes to it),
// then the space bar on it: a command without a key, reached as a user without a mouse would.
void tabToAndPress(QWidget *from, QWidget *button);

// Runs `work` on the modal window with this objectName as soon as it is shown; for windows
// opened with exec().
void whenModal(const QString &objectName, std::function<void(QWidget *)> work);
// The same for a popup (a menu opened with exec()).
void whenPopup(const QString &objectName, std::function<void(QWidget *)> work);

// The keys that two or more enabled shortcuts (of actions, QShortcut objects or buttons)
// answer while `focus` has the keyboard, each with the shortcuts that hold it. Qt runs none
// of them for such a key: it reports an ambiguous shortcut instead.
QStringList shortcutClashes(QWidget *focus);

// The visible labels, inputs, buttons and lists inside `root`, each whole (not its parts, such
// as the line edit of a combo box).
QList<const QWidget *> onScreenThings(QWidget *root);

// The visible labels, inputs, buttons and lists inside `root` that overlap one another, as
// they stand on screen (parts scrolled out of sight do not count): one hides part of the
// other.
QStringList overlappingWidgets(QWidget *root);

// The visible labels, inputs, buttons and lists inside `root` that are cut off (partly or
// wholly out of sight) where no scroll area lets the user bring them into view; with
// `scrollingCounts` false, also those a scroll area shows only in part.
QStringList cutOffWidgets(QWidget *root, bool scrollingCounts = true);

// How a widget is named in a test's failure text: its objectName, else its class and text.
QString describe(const QWidget *widget);

} // namespace testsupport
