#include "rights.h"

#include "dataset.h"
#include "session.h"

#include <iterator>

namespace
{
enum Bits : unsigned {
    Held = 1u << 0,
    Insert = 1u << 1,
    Modify = 1u << 2,
    Delete = 1u << 3,
    Query = 1u << 4,
    Print = 1u << 5
};

const struct {
    const char *name;
    unsigned bit;
} flags[] = {
    {"Insert", Insert}, {"Modify", Modify}, {"Delete", Delete}, {"Query", Query}, {"Print", Print}};

QString keyOf(const QString &user, const QString &right)
{
    return user.trimmed().toLower() + QChar(0x1f) + right.trimmed().toLower();
}

// The bit for a flag name (without letter case); 0 for a name that is no flag.
unsigned bitOf(const QString &flag)
{
    for (const auto &f : flags) {
        if (flag.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
            return f.bit;
    }
    return 0;
}
} // namespace

Rights::Rights(store::Dataset *userRights, QObject *parent) : QObject(parent)
{
    setDataset(userRights);
}

void Rights::setDataset(store::Dataset *userRights)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = userRights;
    m_valid = false;
    if (!userRights)
        return;
    using D = store::Dataset;
    connect(userRights, &D::rowsReset, this, &Rights::invalidate);
    connect(userRights, &D::rowChanged, this, &Rights::invalidate);
    connect(userRights, &D::rowInserted, this, &Rights::invalidate);
    connect(userRights, &D::rowRemoved, this, &Rights::invalidate);
    connect(userRights, &D::contentChanged, this, &Rights::invalidate);
}

bool Rights::allows(const QString &rightId, const QString &flag) const
{
    return allows(store::session().CurrentUserID, rightId, flag);
}

bool Rights::allows(const QString &userId, const QString &rightId, const QString &flag) const
{
    if (!m_valid)
        load();
    const auto it = m_rows.constFind(keyOf(userId, rightId));
    if (it == m_rows.constEnd())
        return false;
    if (flag.isEmpty())
        return true;
    const unsigned bit = bitOf(flag);
    return bit != 0 && (*it & bit) != 0;
}

void Rights::load() const
{
    m_rows.clear();
    m_valid = true;
    ++m_loads;
    store::Dataset *d = m_dataset;
    if (!d || !d->isOpen())
        return;
    const int user = d->fieldIndex(QStringLiteral("UserID"));
    const int right = d->fieldIndex(QStringLiteral("RightID"));
    if (user < 0 || right < 0)
        return;
    int flagFields[std::size(flags)];
    for (size_t i = 0; i < std::size(flags); ++i)
        flagFields[i] = d->fieldIndex(QLatin1String(flags[i].name));

    const int n = d->rowCount();
    m_rows.reserve(n);
    for (int row = 0; row < n; ++row) {
        const QString key = keyOf(d->value(row, user).toString(), d->value(row, right).toString());
        if (m_rows.contains(key))
            continue; // the first row decides
        unsigned bits = Held;
        for (size_t i = 0; i < std::size(flags); ++i) {
            if (flagFields[i] >= 0 && d->value(row, flagFields[i]).toBool())
                bits |= flags[i].bit;
        }
        m_rows.insert(key, bits);
    }
}
