#include "mailmessage.h"

namespace MailAddresses
{

QStringList parse(const QString &text)
{
    QStringList out;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QString a = part.trimmed();
        if (!a.isEmpty())
            out << a;
    }
    return out;
}

} // namespace MailAddresses
