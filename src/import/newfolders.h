#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace importing
{

// A new row whose document folder could not be made, and why.
struct FolderFailure {
    QString code;
    QString why;
};

using FolderOf = std::function<std::optional<QString>(const QString &code)>;

// Makes the document folder of each code (its parents too); answers those that do not exist
// afterwards, each with the reason found.
QList<FolderFailure> makeFolders(const QStringList &codes, const FolderOf &folderOf);

// The report's sentence on them, reasons grouped, a few codes each; empty when there are none.
QString folderReport(const QList<FolderFailure> &failures);

} // namespace importing
