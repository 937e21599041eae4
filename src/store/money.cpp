#include "money.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

namespace store::Money {

namespace {

// A decimal number as digits (most significant first, no sign) times ten to `exponent`.
struct Decimal {
    bool negative = false;
    std::string digits = "0";
    int exponent = 0;
};

// The shortest decimal that reads back as the double: what the user typed or the store held.
Decimal decimalOf(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string s(buf, r.ptr);
    Decimal d;
    size_t at = 0;
    if (s[at] == '-') {
        d.negative = true;
        ++at;
    }
    const size_t e = s.find('e');
    d.digits.clear();
    int decimals = 0;
    bool point = false;
    for (size_t i = at; i < e; ++i) {
        if (s[i] == '.') {
            point = true;
            continue;
        }
        d.digits += s[i];
        if (point)
            ++decimals;
    }
    d.exponent = std::atoi(s.c_str() + e + 1) - decimals;
    return d;
}

// Schoolbook multiplication of two digit strings.
std::string multiply(const std::string &a, const std::string &b)
{
    std::vector<int> acc(a.size() + b.size(), 0);
    for (size_t i = a.size(); i-- > 0;)
        for (size_t j = b.size(); j-- > 0;)
            acc[i + j + 1] += (a[i] - '0') * (b[j] - '0');
    for (size_t k = acc.size(); k-- > 1;) {
        acc[k - 1] += acc[k] / 10;
        acc[k] %= 10;
    }
    std::string out;
    for (const int digit : acc)
        if (!out.empty() || digit != 0)
            out += char('0' + digit);
    return out.empty() ? std::string("0") : out;
}

// Adds one to a digit string.
std::string increment(std::string s)
{
    size_t i = s.size();
    while (i > 0 && s[i - 1] == '9')
        s[--i] = '0';
    if (i == 0)
        return '1' + s;
    ++s[i - 1];
    return s;
}

} // namespace

double product(std::initializer_list<double> factors)
{
    Decimal p;
    p.digits = "1";
    for (const double f : factors) {
        if (!std::isfinite(f))
            return std::numeric_limits<double>::quiet_NaN();
        const Decimal d = decimalOf(f);
        p.negative = p.negative != d.negative;
        p.digits = multiply(p.digits, d.digits);
        p.exponent += d.exponent;
    }
    // To four decimals: drop the digits beyond, rounding half away from zero.
    if (p.exponent < -4) {
        const size_t drop = size_t(-4 - p.exponent);
        if (drop > p.digits.size()) {
            p.digits = "0";
        } else {
            const bool up = drop > 0 && p.digits[p.digits.size() - drop] >= '5';
            p.digits.resize(p.digits.size() - drop);
            if (p.digits.empty())
                p.digits = "0";
            if (up)
                p.digits = increment(p.digits);
        }
        p.exponent = -4;
    }
    // The nearest double to the four-decimal result, as reading its text gives it.
    const std::string text =
        std::string(p.negative ? "-" : "") + p.digits + 'e' + std::to_string(p.exponent);
    double out = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), out).ec == std::errc::result_out_of_range)
        return p.negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return out == 0 ? 0.0 : out; // never -0
}

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
