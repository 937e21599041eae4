#pragma once

#include <QString>

namespace store {

// "Server.txt" beside the program: its first line says where the store is (a data file path
// or a postgresql:// URI). Only the first line is read; the rest is left alone.
namespace ServerFile {

QString path(const QString &appDir);
QString defaultLine(const QString &appDir);

// The first line, or an empty optional-like result when the file is missing.
// `ok` is false when the file is missing or cannot be read as text.
QString readFirstLine(const QString &appDir, bool *exists = nullptr);

// The first line of the file's bytes, decoded as "Server.txt" is read (U+FFFD alone when the
// bytes are no UTF-8 text).
QString firstLine(const QByteArray &raw);
// True when a first line can name a store at all: no control characters, no undecodable
// bytes, no longer than any path or address.
bool isLocationText(const QString &line);

// Replaces the whole file with one line ended by CR LF. Throws StoreError when it cannot.
void write(const QString &appDir, const QString &line);

} // namespace ServerFile

} // namespace store
