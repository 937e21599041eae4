#pragma once

#include "sheetreader.h"

#include <memory>

namespace importing
{

// An Excel workbook (.xlsx): a zip archive read with libzip, its parts parsed with expat.
// The shared strings and the cell formats are read once (a date is a number whose format
// shows a date); the chosen sheet is then streamed row by row. Shared and inline strings,
// numbers, dates and times by their format, booleans, error values and the cached results of
// formulas are read; a merged area holds its value in its first cell, as the file stores it.
class XlsxReader : public SheetReader
{
  public:
    ~XlsxReader() override;

    static std::unique_ptr<XlsxReader> fromFile(const QString &path);
    static std::unique_ptr<XlsxReader> fromBuffer(const QByteArray &data);

    QStringList sheetNames() const override;
    int defaultSheet() const override;
    void selectSheet(int sheet) override;
    bool next(Row &row) override;
    double progress() const override;

    struct Private;

  private:
    explicit XlsxReader(std::unique_ptr<Private> d);

    std::unique_ptr<Private> d;
};

} // namespace importing
