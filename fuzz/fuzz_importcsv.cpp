// A file handed to the import as CSV: any bytes, in any encoding, read to the end twice (the
// wizard reads a sheet once for its preview and again to import it), or refused in words.
#include "sheetreader.h"

#include <cstddef>
#include <cstdint>

namespace
{

QList<importing::SheetReader::Row> readAll(importing::SheetReader &reader)
{
    QList<importing::SheetReader::Row> rows;
    importing::SheetReader::Row row;
    qint64 last = 0;
    while (reader.next(row)) {
        const double p = reader.progress();
        if (row.number <= last || !(p >= 0.0 && p <= 1.0))
            __builtin_trap(); // rows come in order, progress stays between 0 and 1
        last = row.number;
        bool any = false;
        for (const QVariant &cell : std::as_const(row.cells)) {
            // A CSV cell is text or nothing, never an empty text.
            if (cell.isValid() &&
                (cell.typeId() != QMetaType::QString || cell.toString().isEmpty()))
                __builtin_trap();
            any = any || cell.isValid();
        }
        if (!any)
            __builtin_trap(); // blank lines are passed over
        rows.append(row);
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const auto reader = importing::SheetReader::openBuffer(bytes, QStringLiteral("代理.csv"));
        const auto first = readAll(*reader);
        reader->selectSheet(0);
        const auto again = readAll(*reader);
        if (first.size() != again.size())
            __builtin_trap();
        for (qsizetype i = 0; i < first.size(); ++i)
            if (first[i].number != again[i].number || first[i].cells != again[i].cells)
                __builtin_trap();
    } catch (const importing::ReadError &e) {
        if (e.text.isEmpty())
            __builtin_trap(); // a refusal always says why
    }
    return 0;
}
