#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>

namespace store {

class Dataset;

// Reads of every row a dataset holds, in its order, for grouping, summaries, prints and
// exports: one column, the sum of a column, or the rows one by one without keeping them. A
// table dataset has them read by the store; the row being edited gives what is typed into it.
class RowScanner
{
public:
    explicit RowScanner(Dataset &dataset);

    QVector<QVariant> columnValues(const QString &field);
    double sum(const QString &field);
    void forEachRow(const std::function<void(int row, const QVector<QVariant> &values)> &fn);

private:
    Dataset &m_d;
};

} // namespace store
