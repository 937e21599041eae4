// A report layout file as a user may have edited it: parsed, and everything the report engine
// asks of a layout asked, whatever the text.
#include "reportlayout.h"
#include "reporttemplate.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const ReportLayout layout = ReportLayout::parse(text);
    (void)layout.pageLayout();
    (void)layout.bodySize();
    (void)layout.columnWidths(layout.bodySize().width());
    (void)layout.problems();
    (void)layout.tagPaths();
    for (const QString &t : layout.templates()) {
        const ReportTemplate compiled(t, true);
        if (compiled.isValid())
            (void)compiled.render([](const QString &name) { return QVariant(name); });
    }
    return 0;
}
