#pragma once

#include "sheetreader.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Files for the import tests, made by real writers: openpyxl and the parts of a workbook as
// Excel writes them (through makefiles.py), the program's own export, and plain bytes.
namespace importfiles
{

// Runs makefiles.py KIND OUT ARGS...; fails the test when Python fails.
QString make(const QString &kind, const QString &out, const QStringList &args = {});
// Runs a Python snippet with Debian's interpreter; answers what it printed.
QByteArray python(const QString &code, const QStringList &args = {});
void writeBytes(const QString &path, const QByteArray &bytes);

// Every row of the file's default sheet (or `sheet`).
QList<importing::SheetReader::Row> readAll(const QString &path, int sheet = -1);
// The rows as texts, for comparisons that do not care about types.
QList<QStringList> texts(const QList<importing::SheetReader::Row> &rows);

// The resident memory of this process, in kB.
qint64 residentKb();

} // namespace importfiles
