#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringList>

namespace testsupport
{

// Runs Debian's python3 on a script with these arguments and reads what it printed as JSON.
// A script that fails fails the calling test: its error output is reported and the value is
// undefined.
QJsonValue pythonJson(const QString &script, const QStringList &args);

} // namespace testsupport
