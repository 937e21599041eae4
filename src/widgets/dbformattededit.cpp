#include "dbformattededit.h"

#include "fieldlink.h"
#include "messagebox.h"

#include <QFocusEvent>
#include <QKeyEvent>

DbFormattedEdit::DbFormattedEdit(QWidget *parent)
    : QLineEdit(parent), m_link(new FieldLink(this, [this] { refresh(); }))
{
    connect(this, &QLineEdit::textEdited, this, &DbFormattedEdit::onTextEdited);
}

void DbFormattedEdit::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

bool DbFormattedEdit::isBlank() const
{
    for (QChar c : text()) {
        if (c.isLetterOrNumber())
            return false;
    }
    return true;
}

std::optional<QVariant> DbFormattedEdit::typedValue() const
{
    if (isBlank())
        return std::nullopt;
    return parse(text());
}

void DbFormattedEdit::refresh()
{
    prepare();
    const QString t = format(m_link->value());
    // Compare what is shown, not the raw text: with a mask, an empty text reads as its
    // separators.
    if (hasAcceptableInput() && text() == t)
        return;
    if (t.isEmpty() && isBlank())
        return;
    setText(t);
}

void DbFormattedEdit::onTextEdited()
{
    if (isBlank()) {
        m_link->write(QVariant());
    } else if (const std::optional<QVariant> v = parse(text())) {
        m_link->write(*v);
    } else {
        m_link->startEdit();
    }
}

void DbFormattedEdit::setChosenValue(const QVariant &value)
{
    setText(format(value));
    m_link->write(value);
}

void DbFormattedEdit::finish()
{
    if (m_finishing || isBlank() || parse(text()))
        return;
    m_finishing = true;
    const QString shown = displayText();
    m_link->refresh(); // the stored value again, before the message takes the focus
    MessageBox::warning(this, invalidMessage(shown));
    m_finishing = false;
}

void DbFormattedEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        finish();
}

void DbFormattedEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        finish();
    QLineEdit::keyPressEvent(event);
}
