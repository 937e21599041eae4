#include "codeset.h"

#include <QHash>

namespace importing
{

QStringView CodeSet::at(size_t entry) const
{
    return QStringView(m_text).mid(m_starts[entry], m_starts[entry + 1] - m_starts[entry]);
}

void CodeSet::grow()
{
    std::vector<qint32> slots(m_slots.empty() ? 1024 : m_slots.size() * 2, 0);
    const size_t mask = slots.size() - 1;
    for (size_t e = 0; e < m_rows.size(); ++e) {
        size_t s = qHash(at(e)) & mask;
        while (slots[s] != 0)
            s = (s + 1) & mask;
        slots[s] = qint32(e + 1);
    }
    m_slots.swap(slots);
}

qint64 CodeSet::insert(const QString &code, qint64 row)
{
    const QString folded = fold(code);
    // Kept at most half full, so a search ends soon at a free slot.
    if ((m_rows.size() + 1) * 2 > m_slots.size())
        grow();
    const size_t mask = m_slots.size() - 1;
    size_t s = qHash(QStringView(folded)) & mask;
    while (m_slots[s] != 0) {
        const size_t e = size_t(m_slots[s] - 1);
        if (at(e) == folded)
            return m_rows[e];
        s = (s + 1) & mask;
    }
    m_text += folded;
    m_starts.push_back(m_text.size());
    m_rows.push_back(row);
    m_slots[s] = qint32(m_rows.size());
    return 0;
}

} // namespace importing
