#pragma once

#include <QString>

namespace store {

class Connection;

// Passwords are kept as Argon2id hash strings, never as typed text. User IDs compare without
// letter case (the store's text rule); passwords compare exactly.
namespace Passwords {

QString hash(const QString &password);
bool matches(const QString &storedHash, const QString &password);

// True when a user with this ID (any letter case) exists and the password is its own.
bool verify(Connection &db, const QString &userId, const QString &password);
// Stores a new password for the user; returns false when no such user exists.
bool set(Connection &db, const QString &userId, const QString &password);

inline constexpr const char *Initial = "508316";

} // namespace Passwords

} // namespace store
