#include "nextcode.h"

#include "connection.h"
#include "rowreader.h"

#include <algorithm>

namespace store
{
namespace
{

// How many codes of the range are read, highest first, to find one of the pattern: codes of
// another shape that sort within it are rare.
constexpr int Candidates = 64;

bool isDigits(QStringView s)
{
    return !s.isEmpty() &&
           std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The number after `digits` in the same width, or wider when it overflows.
QString increment(const QString &digits)
{
    QString out = digits;
    for (qsizetype i = out.size() - 1; i >= 0; --i) {
        if (out[i] != u'9') {
            out[i] = QChar(out[i].unicode() + 1);
            return out;
        }
        out[i] = u'0';
    }
    return QLatin1Char('1') + out;
}

} // namespace

QString nextCode(Connection &db, const QString &table, const QString &column, const QString &model,
                 const QString &scopeColumn, const QVariant &scopeValue)
{
    qsizetype start = model.size();
    while (start > 0 && model[start - 1] >= u'0' && model[start - 1] <= u'9')
        --start;
    const QString prefix = model.left(start);
    const qsizetype width = model.size() - start;
    if (width == 0)
        return {};

    const QString c = db.ident(column), t = db.ident(table);
    const QString scope = scopeColumn.isEmpty()
                              ? QString()
                              : QStringLiteral(" AND %1 = :scope").arg(db.ident(scopeColumn));
    QVariantMap values{{QStringLiteral("lo"), QString(prefix + QString(width, u'0'))},
                       {QStringLiteral("hi"), QString(prefix + QString(width, u'9'))}};
    if (!scope.isEmpty())
        values.insert(QStringLiteral("scope"), scopeValue);
    QString highest;
    {
        RowReader codes(
            db,
            QStringLiteral(
                "SELECT %1 FROM %2 WHERE %1 >= :lo AND %1 <= :hi%3 ORDER BY %1 DESC LIMIT %4")
                .arg(c, t, scope)
                .arg(Candidates),
            values);
        while (codes.next()) {
            const QString code = codes.text(0);
            if (code.size() == prefix.size() + width && code.startsWith(prefix) &&
                isDigits(QStringView(code).mid(start))) {
                highest = code;
                break;
            }
        }
    }
    QString digits = highest.isEmpty() ? QString(width - 1, u'0') + QLatin1Char('1')
                                       : increment(highest.mid(start));
    // A run that grew past its width may meet codes of the wider pattern: the first free one.
    values.remove(QStringLiteral("lo"));
    values.remove(QStringLiteral("hi"));
    for (int tries = 0; tries < 1000; ++tries) {
        values.insert(QStringLiteral("code"), QString(prefix + digits));
        RowReader taken(db, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = :code%3").arg(t, c, scope),
                        values);
        if (!taken.next())
            return prefix + digits;
        digits = increment(digits);
    }
    return {};
}

} // namespace store
