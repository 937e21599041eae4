#include "cellvalue.h"

#include "money.h"
#include "sheetreader.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace importing
{

namespace
{

using T = store::ColumnType;

QDate dateOf(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{4})(?:[-/.年](\\d{1,2})[-/.月](\\d{1,2})日?|(\\d{2})(\\d{2}))"
                       "(?:[ T]+\\d{1,2}:\\d{2}(?::\\d{2}(?:\\.\\d+)?)?)?\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return {};
    const int year = m.captured(1).toInt();
    const int month = (m.captured(2).isEmpty() ? m.captured(4) : m.captured(2)).toInt();
    const int day = (m.captured(3).isEmpty() ? m.captured(5) : m.captured(3)).toInt();
    return QDate(year, month, day); // invalid for 2024-02-30
}

std::optional<bool> yesNoOf(const QString &text)
{
    static const QStringList yes{
        QStringLiteral("是"), QStringLiteral("true"), QStringLiteral("yes"), QStringLiteral("y"),
        QStringLiteral("1"),  QStringLiteral("√"),    QStringLiteral("真"),  QStringLiteral("对")};
    static const QStringList no{QStringLiteral("否"), QStringLiteral("false"), QStringLiteral("no"),
                                QStringLiteral("n"),  QStringLiteral("0"),     QStringLiteral("×"),
                                QStringLiteral("假"), QStringLiteral("不是")};
    const QString t = text.trimmed().toCaseFolded();
    if (yes.contains(t))
        return true;
    if (no.contains(t))
        return false;
    return std::nullopt;
}

std::optional<double> numberOf(const QString &text)
{
    static const QRegularExpression grouped(QStringLiteral("^[-+]?\\d{1,3}(,\\d{3})+(\\.\\d*)?$"));
    QString t = text.trimmed();
    if (grouped.match(t).hasMatch())
        t.remove(QLatin1Char(','));
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

CellValue date(const QVariant &cell)
{
    switch (cell.typeId()) {
    case QMetaType::QDate:
        return {cell, {}};
    case QMetaType::QDateTime:
        return {cell.toDateTime().date(), {}};
    case QMetaType::Double: {
        // A day number whose cell has no date format.
        const QVariant d = QDate(1899, 12, 30).addDays(qint64(std::floor(cell.toDouble())));
        if (cell.toDouble() >= 61 && cell.toDouble() < 2958466)
            return {d, {}};
        break;
    }
    default: {
        const QDate d = dateOf(cellText(cell));
        if (d.isValid())
            return {d, {}};
    }
    }
    return {{},
            QStringLiteral("“%1”不是可识别的日期（请写成 2024-05-01 这样）").arg(cellText(cell))};
}

CellValue number(const QVariant &cell, T type)
{
    std::optional<double> d;
    if (cell.typeId() == QMetaType::Double)
        d = cell.toDouble();
    else if (cell.typeId() == QMetaType::Bool)
        d = cell.toBool() ? 1 : 0;
    else if (cell.typeId() == QMetaType::QString)
        d = numberOf(cell.toString());
    if (!d)
        return {{}, QStringLiteral("“%1”不是有效的数字").arg(cellText(cell))};
    if ((type == T::Integer || type == T::AutoNumber)) {
        if (*d != std::floor(*d) || std::fabs(*d) > 9e15)
            return {{}, QStringLiteral("“%1”不是整数").arg(cellText(cell))};
        return {qint64(*d), {}};
    }
    if (type == T::Currency) {
        if (!store::Money::inRange(*d))
            return {{}, QStringLiteral("金额“%1”超出了可以保存的范围").arg(cellText(cell))};
        return {store::Money::round(*d), {}};
    }
    return {*d, {}};
}

} // namespace

CellValue CellValue::of(const QVariant &cell, store::ColumnType type)
{
    if (!cell.isValid() || (cell.typeId() == QMetaType::QString && cell.toString().isEmpty()))
        return {};
    switch (type) {
    case T::Date:
        return date(cell);
    case T::Bool: {
        if (cell.typeId() == QMetaType::Bool)
            return {cell, {}};
        if (const auto b = yesNoOf(cellText(cell)))
            return {*b, {}};
        return {{}, QStringLiteral("“%1”不是“是”或“否”").arg(cellText(cell))};
    }
    case T::Number:
    case T::Currency:
    case T::Integer:
    case T::AutoNumber:
        return number(cell, type);
    case T::Text:
    case T::Memo:
        break;
    }
    const QString text = cellText(cell);
    // A NUL would end the text early in the store: refused, never stored cut short.
    if (text.contains(QChar(0)))
        return {{}, QStringLiteral("含有不能保存的空字符")};
    return {text, {}};
}

int storedLength(const QString &text)
{
    int n = 0;
    for (const QChar c : text)
        if (!c.isLowSurrogate())
            ++n;
    return n;
}

} // namespace importing
