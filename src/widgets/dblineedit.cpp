#include "dblineedit.h"

#include "dataset.h"
#include "fieldlink.h"

DbLineEdit::DbLineEdit(QWidget *parent)
    : QLineEdit(parent), m_link(new FieldLink(this, [this] { refresh(); }))
{
    connect(this, &QLineEdit::textEdited, this, [this](const QString &t) { m_link->write(t); });
}

void DbLineEdit::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

void DbLineEdit::refresh()
{
    const int width = m_link->maxLength();
    setMaxLength(width > 0 ? width : 32767);
    const QString t = store::Dataset::displayText(m_link->value());
    if (text() != t) // setting the same text would move the cursor while typing
        setText(t);
}
