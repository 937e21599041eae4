#include "exportwriter.h"

#include "csvexport.h"
#include "xlsxexport.h"

#include <QFileInfo>

std::unique_ptr<ExportWriter> ExportWriter::create(Format format, const QString &path)
{
    if (format == Format::Csv)
        return std::make_unique<CsvExport>(path);
    return std::make_unique<XlsxExport>(path);
}

ExportWriter::Format ExportWriter::formatOf(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
               ? Format::Csv
               : Format::Xlsx;
}

int ExportWriter::displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // CJK ideographs, kana, hangul, full-width forms and CJK punctuation take two cells.
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                          (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                          (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                          (u >= 0xFFE0 && u <= 0xFFE6);
        if (!c.isLowSurrogate())
            width += wide ? 2 : 1;
    }
    return width;
}
