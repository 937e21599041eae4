#pragma once

#include "connection.h"

#include <QStringList>

namespace testsupport {

// Adds a user with a password, the administrator flag and rights (every flag set), as the
// user window would store them.
void addUser(store::Connection &db, const QString &userId, const QString &password, bool administrator,
             const QStringList &rights, const QString &state = QStringLiteral("Yes"));

// Every right code of the catalogue.
QStringList allRights();

} // namespace testsupport
