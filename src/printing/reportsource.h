#pragma once

#include "schema.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <set>

namespace store
{
class Dataset;
}

// The rows a report prints: the dataset handed to the print, read row by row as pages are
// laid out and drawn (in its current filter and order, without moving its current row), and
// the organisation's own data for layouts that print a sender. Values are given as a report
// prints them.
class ReportSource
{
  public:
    ReportSource() = default;
    ReportSource(store::Dataset *dataset, const QVariantMap &sender);

    store::Dataset *dataset() const { return m_dataset; }
    // The rows the dataset held when the print began, those deleted since included.
    int rowCount() const { return m_rows; }
    // True when another seat has deleted the row since the dataset read its keys: a report
    // passes over it. `found` tells whether this call was the first to notice.
    bool isGone(int row, bool *found = nullptr) const;
    // The rows found gone so far, and those among them before `row`.
    int goneCount() const { return int(m_gone->size()); }
    int goneBefore(int row) const;
    QStringList fieldNames() const { return m_names; }
    int fieldIndex(const QString &name) const { return m_index.value(name.toLower(), -1); }
    bool isNumeric(int field) const;
    bool isMoney(int field) const;

    QVariant value(int row, int field) const;
    QString text(int row, int field) const;
    double number(int row, int field) const;

    const QVariantMap &sender() const { return m_sender; }
    // A sender column as printed; empty when there is no sender or no such column.
    QString senderText(const QString &name) const;

    // How a report prints a value: dates yyyy-MM-dd, yes/no 是/否, money with two fixed
    // decimals (columns of money and the ledgers' computed sums).
    static QString printed(const QVariant &value, store::ColumnType type, bool money);
    static bool isMoneyName(const QString &field);

  private:
    store::Dataset *m_dataset = nullptr;
    int m_rows = 0;
    QStringList m_names;
    QHash<QString, int> m_index; // lower-case name -> field
    QVector<store::ColumnType> m_types;
    QVector<bool> m_money;
    QVariantMap m_sender;
    // Rows found gone, shared by the copies a report makes: a row found gone stays gone.
    std::shared_ptr<std::set<int>> m_gone = std::make_shared<std::set<int>>();
};
