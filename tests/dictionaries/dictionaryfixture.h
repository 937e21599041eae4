#pragma once

#include "commandenabler.h"
#include "datamodule.h"
#include "modulehost.h"
#include "rights.h"
#include "teststore.h"
#include "workspace.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

// A stand-in for the main window as the dictionary module sees it: it records the windows
// registered for commands and lends a frame to parent them.
class RecordingHost : public ModuleHost
{
  public:
    QHash<QString, std::function<void()>> windows;
    QWidget frameWidget;

    void registerModule(const QString &, QWidget *) override {}
    void setCommandWindow(const QString &command, std::function<void()> open) override
    {
        windows.insert(command, std::move(open));
    }
    void showContent(QWidget *) override {}
    void hideContent(QWidget *) override {}
    void returnToSchedule(const QString &) override {}
    void showFolder(const QString &) override {}
    bool isNavigationVisible() const override { return true; }
    void setNavigationVisible(bool) override {}
    QWidget *frame() override { return &frameWidget; }
};

// A new store on one engine, the data module opened on it with Admin signed in, the right test
// and command enabling: the workspace a dictionary editor is built on.
class DictionaryFixture
{
  public:
    explicit DictionaryFixture(const QString &engine);

    testsupport::TempStore store;
    store::DataModule dm;
    Rights rights;
    CommandEnabler enabler;
    RecordingHost host;
    Workspace ws{dm, rights, enabler, host};

    // Rows of tblLog with this operation text.
    int logCount(const QString &operate);
    // Rows of a table whose column equals the value, read from the store itself.
    int storedRows(const QString &table, const QString &column, const QVariant &value);
    // Sets one flag of Admin's right row through the shared tblUserRight, as the rights
    // window would.
    void setRightFlag(const QString &rightId, const QString &flag, bool on);
};

// Types text into a widget as key presses carrying the characters (Chinese included).
void typeText(QWidget *widget, const QString &text);

// Runs the event loop until it is about to wait for events: one idle moment, when command
// enabling is recomputed. (QTRY_* never gets there: its loop processes events without waiting.)
void untilIdle();

// Runs `work` on the modal window with this objectName as soon as it is shown; for windows
// opened with exec().
void whenModal(const QString &objectName, std::function<void(QWidget *)> work);
