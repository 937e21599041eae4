#pragma once

#include "sheetreader.h"

#include <QStringDecoder>
#include <memory>

class QIODevice;

namespace importing
{

// A CSV file as spreadsheet programs write it: UTF-8 with or without a byte-order mark,
// UTF-16 with one, or GB18030 (what a Chinese desktop saves as "CSV"); fields separated by
// commas, semicolons or tabs, whichever the first line uses most; quoted fields with doubled
// quotes and line breaks inside; lines ended by CR LF, LF or CR, mixed as they come. Read in
// blocks, never whole.
class CsvReader : public SheetReader
{
  public:
    ~CsvReader() override;

    static std::unique_ptr<CsvReader> fromFile(const QString &path);
    static std::unique_ptr<CsvReader> fromBuffer(const QByteArray &data,
                                                 const QString &name = QString());

    QStringList sheetNames() const override { return {m_name}; }
    void selectSheet(int sheet) override;
    bool next(Row &row) override;
    double progress() const override;

    QChar delimiter() const { return m_delimiter; }
    QString encoding() const { return m_encoding; }

  private:
    CsvReader(std::unique_ptr<QIODevice> device, const QString &name, const QString &path);

    void start();
    bool fill();
    void decode(const QByteArray &bytes, bool last);
    bool cutInsideCharacter();
    void endField();
    bool endRecord(Row &row);

    std::unique_ptr<QIODevice> m_device;
    QString m_name, m_path;
    QString m_encoding;
    QStringDecoder m_decoder;
    QChar m_delimiter = QLatin1Char(',');
    QString m_text;     // decoded, not yet parsed
    qsizetype m_at = 0; // parse position in m_text
    bool m_eof = false;
    qint64 m_record = 0;
    // The record being parsed, carried over block boundaries.
    QString m_field;
    QVector<QVariant> m_fields;
    bool m_quoted = false, m_inQuotes = false, m_quoteSeen = false, m_afterCr = false;
    qint64 m_quoteStartRecord = 0;
};

} // namespace importing
