#include "money.h"

#include <cmath>

namespace store::Money {

double round(double amount)
{
    // The scaled amount is an integer below 2^53, so the division gives the double nearest
    // to the four-decimal value.
    return std::round(amount * 10000.0) / 10000.0;
}

bool inRange(double amount)
{
    return std::isfinite(amount) && std::fabs(amount) < Limit;
}

QString text(double amount)
{
    QString s = QString::number(round(amount), 'f', 4);
    if (s == QLatin1String("-0.0000"))
        s = QStringLiteral("0.0000");
    int keep = int(s.size());
    while (keep > s.size() - 2 && s.at(keep - 1) == QLatin1Char('0'))
        --keep;
    return s.left(keep);
}

QString fixed2(double amount)
{
    // Rounded on the four-decimal amount in whole numbers, not on its binary approximation.
    const qint64 tenThousandths = std::llround(amount * 10000.0);
    const qint64 cents = (tenThousandths >= 0 ? tenThousandths + 50 : tenThousandths - 50) / 100;
    const qint64 whole = (cents < 0 ? -cents : cents) / 100, part = (cents < 0 ? -cents : cents) % 100;
    return QStringLiteral("%1%2.%3").arg(cents < 0 ? QStringLiteral("-") : QString()).arg(whole).arg(part, 2, 10, QLatin1Char('0'));
}

void Total::add(double amount)
{
    if (std::isfinite(amount))
        m_units += std::llround(amount * 10000.0);
}

double Total::value() const
{
    return double(static_cast<long double>(m_units) / 10000.0L);
}

} // namespace store::Money
