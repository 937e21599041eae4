#pragma once

#include "exportwriter.h"

#include <QSaveFile>

// CSV for spreadsheet programs: UTF-8 with a byte-order mark (so Chinese text is read as
// such), CR LF line ends, and a field quoted when it holds a quote, a comma or a line break,
// with its quotes doubled. Dates are written yyyy-MM-dd, money with two decimals. A text that
// begins as a formula would ("=", "+", "-", "@", a tab or a carriage return) is written behind
// an apostrophe, which spreadsheets read as "this cell is text", so opening the file runs
// nothing; so is a text with apostrophes before such a start, so that dropping the first
// apostrophe gives every text back. Numbers and dates stay as they are.
class CsvExport : public ExportWriter
{
  public:
    explicit CsvExport(const QString &path);

    void begin(const QList<Column> &columns) override;
    void writeRow(const QVector<QVariant> &values) override;
    void finish() override;

    // One field as it goes into the file, quoted when it must be.
    static QByteArray field(const QString &text);
    // A text as it is written in a text column: behind an apostrophe when a spreadsheet would
    // take it for a formula.
    static QString guarded(const QString &text);
    // The text of a value of a column type.
    static QString text(const QVariant &value, store::ColumnType type);

  private:
    void writeLine(const QStringList &fields);
    void endLine();
    void check();

    QSaveFile m_file;
    QList<Column> m_columns;
    QByteArray m_buffer;
};
