#pragma once

#include "commandenabler.h"
#include "datamodule.h"
#include "modulehost.h"
#include "rights.h"
#include "teststore.h"
#include "testwidgets.h"
#include "workspace.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

using testsupport::RecordingHost;
using testsupport::typeText;
using testsupport::whenModal;

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

// Runs the event loop until it is about to wait for events: one idle moment, when command
// enabling is recomputed. (QTRY_* never gets there: its loop processes events without waiting.)
void untilIdle();
