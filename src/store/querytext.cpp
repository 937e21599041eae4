#include "querytext.h"

#include <QDate>
#include <QRegularExpression>

namespace store {

QString dialect(const QString &sql)
{
    static const QRegularExpression deleteStar(QStringLiteral("\\bdelete\\s+\\*\\s+from\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString out = sql;
    out.replace(deleteStar, QStringLiteral("DELETE FROM"));
    return out;
}

namespace
{

const QRegularExpression &placeholder()
{
    static const QRegularExpression re(QStringLiteral("(?<![:\\w]):([A-Za-z_]\\w*)"));
    return re;
}

} // namespace

QString renamePlaceholders(const QString &sql, const QString &prefix)
{
    if (prefix.isEmpty())
        return sql;
    QString out = sql;
    out.replace(placeholder(), QLatin1Char(':') + prefix + QStringLiteral("\\1"));
    return out;
}

QSet<QString> placeholderNames(const QString &sql)
{
    const QRegularExpression &re = placeholder();
    QSet<QString> names;
    auto it = re.globalMatch(sql);
    while (it.hasNext())
        names.insert(it.next().captured(1));
    return names;
}

void bindPlaceholders(const QString &sql, const QVariantMap &params, Engine engine,
                      QVariantMap &values)
{
    for (const QString &n : placeholderNames(sql)) {
        QVariant v = params.value(n);
        if (v.metaType().id() == QMetaType::QDate && engine == Engine::SQLite)
            v = v.toDate().toString(Qt::ISODate);
        values.insert(n, v);
    }
}

SingleTableQuery parseSingleTable(const QString &sql)
{
    static const QRegularExpression single(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\\w+)\\s*(.*?)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = single.match(sql);
    if (!m.hasMatch())
        return {};
    const Table *t = Schema::find(m.captured(1));
    QString rest = m.captured(2);
    static const QRegularExpression whereStart(QStringLiteral("^where\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression awkward(
        QStringLiteral("\\b(join|group|union|having|limit)\\b|,"),
        QRegularExpression::CaseInsensitiveOption);
    if (!t)
        return {};
    QString where = rest, order;
    const auto o = orderBy.match(rest);
    if (o.hasMatch()) {
        where = rest.left(o.capturedStart()).trimmed();
        order = rest.mid(o.capturedEnd()).trimmed();
    }
    if (!where.isEmpty()) {
        if (!whereStart.match(where).hasMatch())
            return {};
        where = where.mid(5).trimmed();
    }
    if (awkward.match(where).hasMatch())
        return {};
    return {t, where, order};
}

QString lowerKey(const QVariant &v)
{
    return v.toString().toLower();
}

} // namespace store
