#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

class QWidget;
namespace store
{
class Dataset;
}

// Files of content lines as iCalendar (RFC 5545) and vCard (RFC 6350) are written: one
// "NAME;PARAM=x:value" per line, UTF-8, every line ended by CR LF, lines longer than 75 octets
// folded onto continuation lines that begin with a blank, never inside a character.
namespace ContentLines
{

// A text value with its backslashes, semicolons, commas and line breaks escaped.
QString escaped(const QString &text);
// The line's octets as the file holds them, folded and ended by CR LF.
QByteArray folded(const QString &line);

// The export of a list as one such file: the lines before the rows, the lines of each row in
// the list's order and filter, the lines after them.
struct Export {
    QString caption;      // of the save dialog and the messages
    QString proposedName; // file name proposed in the dialog
    QString filter;       // the dialog's file type, "iCalendar 文件(*.ics)"
    QString suffix;       // added to a name typed without one
    std::function<QStringList(store::Dataset &)> head;
    // The lines of one row, its values by field index; none leaves the row out.
    std::function<QStringList(const QVector<QVariant> &values)> row;
    QStringList tail;
    // The message of a finished export: %1 rows written, %2 the file; and, when rows were left
    // out, the sentence that says how many (%1).
    QString doneText;
    QString skippedText;
};

struct Count {
    int written = 0;
    int skipped = 0;
};

// Writes the file whole and gives it its name only when complete; throws
// ExportWriter::Failure (an existing file under `path` is kept as it was) or
// store::StoreError.
Count write(store::Dataset &list, const Export &e, const QString &path);

// The command: a row being typed is settled by its window first, then a save dialog in
// AppDir + "Export", the file, and a message with the outcome. The list's current row stays.
void run(QWidget *parent, store::Dataset &list, const Export &e);

} // namespace ContentLines
