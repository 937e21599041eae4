// One template text of a layout, compiled and rendered over values of every kind a report
// hands it: texts, yes/no for sections, and maps for objects such as the sender.
#include "reporttemplate.h"

#include <QVariantMap>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses HTML or plain text, the rest is the template.
    const bool html = data[0] & 1;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const ReportTemplate t(text, html);
    (void)t.error();
    (void)t.singleTag();
    if (!t.isValid())
        return 0;
    const auto resolve = [](const QString &name) -> QVariant {
        switch (name.size() % 4) {
        case 0:
            return QVariant(true);
        case 1:
            return QVariantMap{{QStringLiteral("UserName"), QStringLiteral("<b>&\"名\"")}, {name, name}};
        case 2:
            return QVariant();
        default:
            return QString(QStringLiteral("{{") + name + QStringLiteral("}}"));
        }
    };
    (void)t.render(resolve);
    return 0;
}
