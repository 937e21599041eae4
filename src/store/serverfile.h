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

// Replaces the whole file with one line ended by CR LF. Throws StoreError when it cannot.
void write(const QString &appDir, const QString &line);

} // namespace ServerFile

} // namespace store
