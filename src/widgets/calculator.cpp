#include "calculator.h"

#include <cmath>

namespace
{
// A pocket calculator's display holds fifteen digits; more only adds noise from binary doubles.
constexpr int MaxDigits = 15;

int digitCount(const QString &s)
{
    int n = 0;
    for (QChar c : s)
        n += c.isDigit();
    return n;
}
} // namespace

void Calculator::digit(int d)
{
    if (d < 0 || d > 9)
        return;
    if (m_error)
        clear();
    if (m_newEntry) {
        m_entry = QStringLiteral("0");
        m_newEntry = false;
    }
    if (digitCount(m_entry) >= MaxDigits)
        return;
    const QChar c = QChar(u'0' + d);
    if (m_entry == QLatin1String("0"))
        m_entry = c;
    else if (m_entry == QLatin1String("-0"))
        m_entry = QLatin1Char('-') + c;
    else
        m_entry += c;
}

void Calculator::point()
{
    if (m_error)
        clear();
    if (m_newEntry) {
        m_entry = QStringLiteral("0.");
        m_newEntry = false;
    } else if (!m_entry.contains(QLatin1Char('.'))) {
        m_entry += QLatin1Char('.');
    }
}

void Calculator::operation(Op op)
{
    if (m_error)
        return;
    // A second operator in a row only replaces the first.
    if (m_pending != Op::None && !m_newEntry)
        apply();
    else if (m_pending == Op::None)
        m_accumulator = value();
    if (m_error)
        return;
    m_pending = op;
    m_newEntry = true;
}

void Calculator::equals()
{
    if (m_error || m_pending == Op::None) {
        m_newEntry = true;
        return;
    }
    apply();
    m_pending = Op::None;
    m_newEntry = true;
}

void Calculator::apply()
{
    const double rhs = value();
    double r = m_accumulator;
    switch (m_pending) {
    case Op::None:
        r = rhs;
        break;
    case Op::Add:
        r = m_accumulator + rhs;
        break;
    case Op::Subtract:
        r = m_accumulator - rhs;
        break;
    case Op::Multiply:
        r = m_accumulator * rhs;
        break;
    case Op::Divide:
        if (rhs == 0) {
            m_error = true;
            m_errorText = QStringLiteral("除数不能为零");
            return;
        }
        r = m_accumulator / rhs;
        break;
    }
    if (!std::isfinite(r)) {
        m_error = true;
        m_errorText = QStringLiteral("溢出");
        return;
    }
    m_accumulator = r;
    m_entry = format(r);
}

void Calculator::clear()
{
    m_entry = QStringLiteral("0");
    m_accumulator = 0;
    m_pending = Op::None;
    m_newEntry = true;
    m_error = false;
}

void Calculator::clearEntry()
{
    if (m_error) {
        clear();
        return;
    }
    m_entry = QStringLiteral("0");
    m_newEntry = false;
}

void Calculator::backspace()
{
    if (m_error || m_newEntry)
        return;
    m_entry.chop(1);
    if (m_entry.isEmpty() || m_entry == QLatin1String("-"))
        m_entry = QStringLiteral("0");
}

void Calculator::negate()
{
    if (m_error)
        return;
    if (m_entry.startsWith(QLatin1Char('-')))
        m_entry.remove(0, 1);
    else if (value() != 0)
        m_entry.prepend(QLatin1Char('-'));
    // A negated result is a number of its own that the next operator uses.
    if (m_newEntry && m_pending == Op::None)
        m_accumulator = value();
}

void Calculator::setValue(double v)
{
    clear();
    m_entry = format(v);
}

double Calculator::value() const
{
    return m_error ? 0.0 : m_entry.toDouble();
}

QString Calculator::display() const
{
    return m_error ? m_errorText : m_entry;
}

QString Calculator::format(double v)
{
    if (v == 0)
        return QStringLiteral("0"); // also turns -0 into 0
    return QString::number(v, 'g', MaxDigits);
}
