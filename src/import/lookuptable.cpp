#include "lookuptable.h"

#include "connection.h"

#include <QSqlQuery>

namespace importing
{

namespace
{
QString key(const QString &text)
{
    return text.trimmed().toCaseFolded();
}
} // namespace

LookupTable::LookupTable(store::Connection &db, const ListLookup &lookup, const QString &owner)
{
    QString sql = QStringLiteral("SELECT %1, %2 FROM %3")
                      .arg(db.ident(lookup.code), db.ident(lookup.name), lookup.table);
    QVariantList values;
    if (!owner.isEmpty()) {
        sql += QStringLiteral(" WHERE %1 = ?").arg(db.ident(QStringLiteral("SUser")));
        values << owner;
    }
    QSqlQuery q = db.exec(sql, values);
    while (q.next()) {
        const QString code = q.value(0).toString();
        if (code.isEmpty())
            continue;
        m_byCode.insert(key(code), code);
        const QString name = key(q.value(1).toString());
        if (name.isEmpty())
            continue;
        const auto it = m_byName.constFind(name);
        if (it == m_byName.cend())
            m_byName.insert(name, code);
        else if (*it != code)
            m_sharedNames.insert(name);
    }
}

LookupTable::Found LookupTable::find(const QString &text, QString *code) const
{
    const QString k = key(text);
    if (const auto it = m_byCode.constFind(k); it != m_byCode.cend()) {
        *code = *it;
        return Found::Yes;
    }
    if (m_sharedNames.contains(k))
        return Found::Several;
    if (const auto it = m_byName.constFind(k); it != m_byName.cend()) {
        *code = *it;
        return Found::Yes;
    }
    return Found::No;
}

} // namespace importing
