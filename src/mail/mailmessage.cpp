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

bool isValid(const QString &address)
{
    if (address.isEmpty() || address.size() > 254)
        return false;
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    if (at <= 0 || at > 64 || at != address.lastIndexOf(QLatin1Char('@')) ||
        at == address.size() - 1)
        return false;
    static const QString localSigns = QStringLiteral("!#$%&'*+-/=?^_`{|}~.");
    for (qsizetype i = 0; i < at; ++i) {
        const QChar c = address[i];
        const bool letter = c.unicode() < 0x80 && c.isLetterOrNumber();
        if (!letter && !localSigns.contains(c))
            return false;
    }
    const QStringView domain = QStringView(address).mid(at + 1);
    for (const QStringView label : domain.split(QLatin1Char('.'))) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(QLatin1Char('-')) ||
            label.endsWith(QLatin1Char('-')))
            return false;
        for (const QChar c : label)
            if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || c == QLatin1Char('-'))))
                return false;
    }
    return true;
}

QString rule()
{
    return QStringLiteral(
        "地址只能是“用户名@域名”形式的英文地址，不能含有空格、引号、括号或换行符。");
}

} // namespace MailAddresses

bool hasControlCharacters(const QString &text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return true;
    return false;
}
