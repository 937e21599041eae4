#include "fieldlink.h"

#include "dataset.h"
#include "errordisplay.h"
#include "modifyright.h"

#include <QWidget>

FieldLink::FieldLink(QWidget *editor, std::function<void()> refresh)
    : QObject(editor), m_editor(editor), m_refresh(std::move(refresh))
{
}

void FieldLink::bind(store::Dataset *dataset, const QString &field)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    m_field = field;
    if (dataset) {
        using D = store::Dataset;
        connect(dataset, &D::currentRowChanged, this, &FieldLink::refresh);
        connect(dataset, &D::stateChanged, this, &FieldLink::refresh);
        connect(dataset, &D::rowsReset, this, &FieldLink::refresh);
        connect(dataset, &D::rowChanged, this, &FieldLink::onRowChanged);
        connect(dataset, &QObject::destroyed, this, &FieldLink::refresh);
    }
    refresh();
}

bool FieldLink::hasRow() const
{
    return m_dataset && m_dataset->isOpen() && m_dataset->currentRow() >= 0 &&
           m_dataset->hasField(m_field);
}

QVariant FieldLink::value() const
{
    if (!hasRow())
        return {};
    try {
        return m_dataset->value(m_field);
    } catch (...) {
        return {}; // shown empty; the failing command reports the store's error itself
    }
}

store::ColumnType FieldLink::type() const
{
    if (!m_dataset || !m_dataset->isOpen())
        return store::ColumnType::Text;
    const int f = m_dataset->fieldIndex(m_field);
    return f >= 0 ? m_dataset->fieldType(f) : store::ColumnType::Text;
}

int FieldLink::maxLength() const
{
    if (!m_dataset)
        return 0;
    const store::Table *t = store::Schema::find(m_dataset->table());
    const store::Column *c = t ? t->column(m_field) : nullptr;
    return c && c->type == store::ColumnType::Text ? c->width : 0;
}

bool FieldLink::canWrite() const
{
    if (!hasRow() || m_dataset->isReadOnly() || !ModifyRight::allows(*m_dataset))
        return false;
    return !m_dataset->isLookupField(m_dataset->fieldIndex(m_field));
}

bool FieldLink::write(const QVariant &value)
{
    if (!canWrite()) {
        refresh(); // nothing to write into: show what is there again
        return false;
    }
    m_writing = true;
    const bool ok = ErrorDisplay::run(m_editor, [&] { m_dataset->setValue(m_field, value); });
    m_writing = false;
    if (!ok)
        refresh();
    return ok;
}

bool FieldLink::startEdit()
{
    if (!canWrite())
        return false;
    if (m_dataset->isEditing())
        return true;
    m_writing = true;
    const bool ok = ErrorDisplay::run(m_editor, [&] { m_dataset->edit(); });
    m_writing = false;
    return ok;
}

void FieldLink::refresh()
{
    // While our own write runs, the editor already shows what was typed; showing it again
    // would only move the cursor.
    if (m_writing || m_refreshing)
        return;
    m_refreshing = true;
    m_refresh();
    m_refreshing = false;
}

void FieldLink::onRowChanged(int row)
{
    if (m_dataset && row == m_dataset->currentRow())
        refresh();
}
