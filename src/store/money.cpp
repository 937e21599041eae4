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

} // namespace store::Money
