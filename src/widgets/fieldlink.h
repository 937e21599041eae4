#pragma once

#include "dataset.h"
#include "schema.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>

class QWidget;

// What every bound input shares: the (dataset, field) it shows, a refresh whenever the current
// row, its values or the dataset's state change, and the write that puts a typed value into
// the current row. Writing into a row that is only shown starts editing it (the dataset does
// that in setValue); a refused write is shown by the general error display and the input
// shows the stored value again.
class FieldLink : public QObject
{
    Q_OBJECT
  public:
    FieldLink(QWidget *editor, std::function<void()> refresh);

    void bind(store::Dataset *dataset, const QString &field);
    store::Dataset *dataset() const { return m_dataset; }
    QString field() const { return m_field; }

    // The current row's value; invalid when there is no row to show.
    QVariant value() const;
    bool hasRow() const;
    store::ColumnType type() const;
    int maxLength() const; // the column's text width, 0 when it has none

    // Writing needs a row, a field of the dataset's own table, and for a stored row the
    // Modify right its dataset names (ModifyRight).
    bool canWrite() const;
    bool write(const QVariant &value);
    // Puts the row into editing without a value yet (a partly typed date).
    bool startEdit();

    bool isRefreshing() const { return m_refreshing; }
    void refresh();

  private:
    void onRowChanged(int row);

    QWidget *m_editor;
    std::function<void()> m_refresh;
    QPointer<store::Dataset> m_dataset;
    QString m_field;
    bool m_refreshing = false;
    bool m_writing = false;
};
