#pragma once

#include "schema.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>

// A table file written row by row: a header of captions, then the rows, each value in the
// form of its column type. The file grows beside the chosen name and takes that name only
// in finish(); a writer destroyed before then removes what it wrote, so a cancelled or
// failed export never leaves a partial file under the chosen name. Failures throw
// ExportWriter::Failure with a text for the user.
class ExportWriter
{
  public:
    enum class Format { Csv, Xlsx };

    struct Column {
        QString caption;
        store::ColumnType type = store::ColumnType::Text;
    };

    struct Failure {
        QString text;
    };

    virtual ~ExportWriter() = default;

    // The writer for a format, about to write `path` (nothing is touched yet).
    static std::unique_ptr<ExportWriter> create(Format format, const QString &path);
    // The format a chosen file name asks for: ".csv" for CSV, anything else XLSX.
    static Format formatOf(const QString &path);

    virtual void begin(const QList<Column> &columns) = 0;
    virtual void writeRow(const QVector<QVariant> &values) = 0;
    // Completes the file and gives it the chosen name.
    virtual void finish() = 0;

    // The width of a text on screen in character cells: wide (CJK) characters take two.
    static int displayWidth(const QString &text);
};
