#include "mapping.h"

#include "session.h"

#include <QSettings>

namespace importing
{

void ImportList::addField(const char *field, std::initializer_list<const char *> captions)
{
    QStringList c;
    for (const char *caption : captions)
        c << QString::fromUtf8(caption);
    fields.append({QString::fromLatin1(field), c});
}

void ImportList::addLookup(const char *field, const char *table, const char *code, const char *name,
                           bool owned)
{
    lookups.append({QString::fromLatin1(field), QString::fromLatin1(table),
                    QString::fromLatin1(code), QString::fromLatin1(name), owned});
}

const ListField *ImportList::fieldNamed(const QString &field) const
{
    for (const ListField &f : fields)
        if (f.field.compare(field, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

const ListLookup *ImportList::lookupOf(const QString &field) const
{
    for (const ListLookup &l : lookups)
        if (l.field.compare(field, Qt::CaseInsensitive) == 0)
            return &l;
    return nullptr;
}

QString ImportList::captionOf(const QString &field) const
{
    const ListField *f = fieldNamed(field);
    return f ? f->caption() : field;
}

Mapping::Mapping(const ImportList &list, const QStringList &headers)
    : m_list(&list), m_headers(headers), m_fields(headers.size(), -1)
{
}

QString Mapping::normalise(const QString &header)
{
    QString out;
    out.reserve(header.size());
    for (const QChar c : header)
        if (!c.isSpace())
            out += c;
    while (out.endsWith(QLatin1Char(':')) || out.endsWith(QChar(0xFF1A)))
        out.chop(1);
    return out.toCaseFolded();
}

void Mapping::set(int column, int field)
{
    if (column < 0 || column >= m_fields.size())
        return;
    if (field >= 0)
        for (int &f : m_fields)
            if (f == field)
                f = -1;
    m_fields[column] = field;
}

void Mapping::match(const QHash<QString, QString> &remembered)
{
    const QList<ListField> &fields = m_list->fields;
    const auto indexOfField = [&](const QString &name) {
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].field.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    m_fields.fill(-1);
    QVector<bool> decided(m_headers.size(), false);
    // What the user chose for a header before wins; then captions; then field names. A field
    // goes to the first column that asks for it.
    for (int c = 0; c < m_headers.size(); ++c) {
        const QString h = normalise(m_headers[c]);
        const auto it = remembered.constFind(h);
        if (h.isEmpty() || it == remembered.cend())
            continue;
        const int f = indexOfField(*it);
        if (f < 0 || columnOf(f) < 0) {
            m_fields[c] = f;
            decided[c] = true;
        }
    }
    const auto pass = [&](const std::function<bool(const ListField &, const QString &)> &fits) {
        for (int c = 0; c < m_headers.size(); ++c) {
            if (decided[c])
                continue;
            const QString h = normalise(m_headers[c]);
            for (int f = 0; f < fields.size() && !h.isEmpty(); ++f) {
                if (columnOf(f) < 0 && fits(fields[f], h)) {
                    m_fields[c] = f;
                    decided[c] = true;
                    break;
                }
            }
        }
    };
    pass([](const ListField &f, const QString &h) {
        for (const QString &caption : f.captions)
            if (normalise(caption) == h)
                return true;
        return false;
    });
    pass([](const ListField &f, const QString &h) { return normalise(f.field) == h; });
}

QHash<QString, QString> Mapping::choices() const
{
    QHash<QString, QString> out;
    for (int c = 0; c < m_headers.size(); ++c) {
        const QString h = normalise(m_headers[c]);
        if (!h.isEmpty() && !out.contains(h))
            out.insert(h, m_fields[c] >= 0 ? m_list->fields[m_fields[c]].field : QString());
    }
    return out;
}

QStringList Mapping::missingRequired() const
{
    QStringList missing;
    for (const QString &r : m_list->required) {
        bool filled = false;
        for (int c = 0; c < m_fields.size() && !filled; ++c)
            filled = m_fields[c] >= 0 &&
                     m_list->fields[m_fields[c]].field.compare(r, Qt::CaseInsensitive) == 0;
        if (!filled)
            missing << m_list->captionOf(r);
    }
    return missing;
}

QHash<QString, QString> MappingMemory::load(const QString &user, const QString &list) const
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.beginGroup(store::userGroup(user, list));
    QHash<QString, QString> out;
    const QStringList pairs = settings.value(QStringLiteral("columns")).toStringList();
    for (const QString &p : pairs) {
        const qsizetype tab = p.indexOf(QLatin1Char('\t'));
        if (tab > 0)
            out.insert(p.left(tab), p.mid(tab + 1));
    }
    return out;
}

void MappingMemory::save(const QString &user, const QString &list,
                         const QHash<QString, QString> &choices)
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.beginGroup(store::userGroup(user, list));
    // Earlier files' headers stay remembered beside this one's.
    QHash<QString, QString> all = load(user, list);
    for (auto it = choices.cbegin(); it != choices.cend(); ++it)
        all.insert(it.key(), it.value());
    QStringList pairs;
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        pairs << it.key() + QLatin1Char('\t') + it.value();
    pairs.sort();
    settings.setValue(QStringLiteral("columns"), pairs);
    settings.sync();
}

} // namespace importing
