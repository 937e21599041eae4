// A file handed to the import as a workbook: any bytes behind a .xlsx name (a zip archive of
// XML parts, an Office compound file, or neither), every sheet read to its last row, or
// refused in words.
#include "sheetreader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const auto reader = importing::SheetReader::openBuffer(bytes, QStringLiteral("代理.xlsx"));
        const qsizetype sheets = reader->sheetNames().size();
        if (reader->defaultSheet() < 0 || reader->defaultSheet() >= qMax<qsizetype>(sheets, 1))
            __builtin_trap();
        for (int s = 0; s < sheets; ++s) {
            try {
                reader->selectSheet(s);
                importing::SheetReader::Row row;
                qint64 last = 0;
                while (reader->next(row)) {
                    const double p = reader->progress();
                    // Rows come in order, no wider than a sheet, each holding something.
                    if (row.number <= last || row.cells.size() > 16384 || !(p >= 0.0 && p <= 1.0))
                        __builtin_trap();
                    last = row.number;
                    bool any = false;
                    for (const QVariant &cell : std::as_const(row.cells)) {
                        any = any || cell.isValid();
                        (void)importing::cellText(cell);
                    }
                    if (!any)
                        __builtin_trap();
                }
            } catch (const importing::ReadError &e) {
                if (e.text.isEmpty())
                    __builtin_trap();
            }
        }
    } catch (const importing::ReadError &e) {
        if (e.text.isEmpty())
            __builtin_trap();
    }
    return 0;
}
