#pragma once

#include "datamodule.h"
#include "teststore.h"
#include "testwidgets.h"

#include <QStringList>
#include <QVariant>

class QWidget;

// One seat on a fresh store: the program directory, the session signed in as `user`, and
// the data module opened as at start-up with the rights read.
struct AdminSeat {
    explicit AdminSeat(const QString &engine, const QString &user = QStringLiteral("Admin"));

    testsupport::TempStore store;
    store::DataModule dm;

    QVariant scalar(const QString &sql, const QVariantList &values = {});
    // Operation texts of the log, oldest first.
    QStringList logRows();
    // "RightID:IMDQP" for every right row of the user, by right, flags as 1 and 0.
    QStringList rightsOf(const QString &userId);
};

// Resets the recorded message boxes and file dialogs and scripts them.
void resetScripts();

using testsupport::typeText;
