#include "reportsource.h"

#include "dataset.h"
#include "money.h"
#include "schema.h"

#include <QDateTime>

ReportSource::ReportSource(store::Dataset *dataset, const QVariantMap &sender)
    : m_dataset(dataset && dataset->isOpen() ? dataset : nullptr), m_sender(sender)
{
    if (!m_dataset)
        return;
    m_dataset->readRest(); // a report shows every row, also of a list still being read
    m_rows = m_dataset->rowCount();
    m_names = m_dataset->fieldNames();
    for (int i = 0; i < m_names.size(); ++i) {
        m_index.insert(m_names[i].toLower(), i);
        m_types << m_dataset->fieldType(i);
        m_money << (m_types.last() == store::ColumnType::Currency || isMoneyName(m_names[i]));
    }
}

bool ReportSource::isGone(int row, bool *found) const
{
    if (found)
        *found = false;
    if (!m_dataset || row < 0 || row >= m_rows)
        return false;
    if (m_gone->count(row))
        return true;
    if (!m_dataset->isGone(row))
        return false;
    m_gone->insert(row);
    if (found)
        *found = true;
    return true;
}

int ReportSource::goneBefore(int row) const
{
    return int(std::distance(m_gone->begin(), m_gone->lower_bound(row)));
}

bool ReportSource::isMoneyName(const QString &field)
{
    // The ledgers' computed columns hold money although no table column types them.
    return store::Schema::isComputedMoney(field);
}

bool ReportSource::isNumeric(int field) const
{
    if (field < 0 || field >= m_types.size())
        return false;
    const store::ColumnType t = m_types[field];
    return m_money[field] || t == store::ColumnType::Number || t == store::ColumnType::Integer ||
           t == store::ColumnType::AutoNumber;
}

bool ReportSource::isMoney(int field) const
{
    return field >= 0 && field < m_money.size() && m_money[field];
}

QVariant ReportSource::value(int row, int field) const
{
    if (!m_dataset || row < 0 || row >= m_rows || field < 0)
        return {};
    return m_dataset->value(row, field);
}

QString ReportSource::text(int row, int field) const
{
    if (field < 0 || field >= m_types.size())
        return {};
    return printed(value(row, field), m_types[field], m_money[field]);
}

double ReportSource::number(int row, int field) const
{
    return value(row, field).toDouble();
}

QString ReportSource::senderText(const QString &name) const
{
    for (auto it = m_sender.cbegin(); it != m_sender.cend(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return printed(it.value(), store::ColumnType::Text, false);
    return {};
}

QString ReportSource::printed(const QVariant &value, store::ColumnType type, bool money)
{
    if (value.isNull() || !value.isValid())
        return {};
    if (money) {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (ok)
            return store::Money::fixed2(v);
    }
    switch (type) {
    case store::ColumnType::Bool:
        return value.toBool() ? QStringLiteral("是") : QStringLiteral("否");
    case store::ColumnType::Date:
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().date().toString(QStringLiteral("yyyy-MM-dd"));
        if (value.typeId() == QMetaType::QString) {
            const QDateTime dt = QDateTime::fromString(value.toString(), Qt::ISODate);
            if (dt.isValid())
                return dt.date().toString(QStringLiteral("yyyy-MM-dd"));
        }
        break;
    default:
        break;
    }
    return store::Dataset::displayText(value);
}
