#pragma once

#include "exportwriter.h"

#include <QString>
#include <QVector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// An Excel workbook of one sheet through libxlsxwriter, written in its constant-memory mode
// (each row goes to disk as it is written): texts as texts, dates as dates, money as numbers
// shown with two decimals, other numbers as numbers, yes/no as booleans. The header row is
// frozen and every column is as wide as its widest cell (up to a limit).
class XlsxExport : public ExportWriter
{
  public:
    explicit XlsxExport(const QString &path);
    ~XlsxExport() override;

    void begin(const QList<Column> &columns) override;
    void writeRow(const QVector<QVariant> &values) override;
    void finish() override;

    // Rows a sheet can hold, the header included.
    static constexpr int MaxRows = 1048576;

  private:
    void writeText(int column, const QString &text);
    void check(int error, const char *what);
    void fit(int column, int width);

    QString m_path;
    QString m_partial; // the file being written, beside m_path
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_header = nullptr, *m_date = nullptr, *m_dateTime = nullptr, *m_money = nullptr;
    QList<Column> m_columns;
    QVector<int> m_widths;
    int m_row = 0;
};
