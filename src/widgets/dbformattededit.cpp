#include "dbformattededit.h"

#include "dataset.h"
#include "fieldlink.h"
#include "messagebox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

DbFormattedEdit::DbFormattedEdit(QWidget *parent)
    : QLineEdit(parent), m_link(new FieldLink(this, [this] { refresh(); }))
{
    connect(this, &QLineEdit::textEdited, this, &DbFormattedEdit::onTextEdited);
}

void DbFormattedEdit::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

QString DbFormattedEdit::caption() const
{
    if (!m_caption.isEmpty())
        return m_caption;
    for (const QLabel *label : window()->findChildren<QLabel *>()) {
        if (label->buddy() != this)
            continue;
        // "出生年月　　：" names 出生年月: the padding, the colon and a mnemonic mark go.
        QString name;
        for (QChar c : label->text()) {
            if (!c.isSpace() && c != QLatin1Char('&') && c != QLatin1Char(':') &&
                c != QChar(0xff1a))
                name += c;
        }
        return name;
    }
    return {};
}

bool DbFormattedEdit::isBlank() const
{
    // Without a mask every character is typed: a lone "-" is a number begun, not nothing.
    if (inputMask().isEmpty())
        return text().trimmed().isEmpty();
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

QString DbFormattedEdit::invalidText() const
{
    const QString name = caption();
    return invalidMessage(name.isEmpty() ? QStringLiteral("“%1”").arg(displayText()) : name);
}

bool DbFormattedEdit::refuseUnfinished(QWidget *scope)
{
    QList<DbFormattedEdit *> inputs = scope->findChildren<DbFormattedEdit *>();
    if (auto *self = qobject_cast<DbFormattedEdit *>(scope))
        inputs.prepend(self);
    for (DbFormattedEdit *input : std::as_const(inputs)) {
        if (!input->isEnabled() || !input->isUnfinished())
            continue;
        MessageBox::warning(scope->window(), input->invalidText());
        input->setFocus(); // a focus set by the program: the input says nothing more itself
        return true;
    }
    return false;
}

bool DbFormattedEdit::keepsTyping() const
{
    const store::Dataset *set = m_link->dataset();
    return m_begun && isUnfinished() && set && set->isEditing() &&
           set->currentRow() == m_begun->row && m_link->value() == m_begun->value;
}

void DbFormattedEdit::refresh()
{
    if (keepsTyping())
        return;
    m_begun.reset();
    prepare();
    const QString t = format(m_link->value());
    // Compare what is shown, not the raw text: with a mask, an empty text reads as its
    // separators.
    if (hasAcceptableInput() && text() == t)
        return;
    if (!(t.isEmpty() && isBlank()))
        setText(t);
    homeWhenBlank();
}

void DbFormattedEdit::homeWhenBlank()
{
    if (isBlank() && !hasSelectedText())
        setCursorPosition(0);
}

void DbFormattedEdit::onTextEdited()
{
    // A row that may not change (none, or a stored one without the right) keeps its value.
    if (!m_link->canWrite()) {
        m_link->refresh();
        return;
    }
    if (isBlank()) {
        m_begun.reset();
        m_link->write(QVariant());
    } else if (const std::optional<QVariant> v = parse(text())) {
        m_begun.reset();
        m_link->write(*v);
    } else {
        if (!m_begun)
            m_begun = Begun{m_link->dataset()->currentRow(), m_link->value()};
        m_link->startEdit();
    }
}

void DbFormattedEdit::setChosenValue(const QVariant &value)
{
    m_begun.reset();
    setText(format(value));
    m_link->write(value);
}

void DbFormattedEdit::finish()
{
    if (m_finishing || isBlank() || parse(text()))
        return;
    m_finishing = true;
    const QString message = invalidText();
    m_begun.reset();
    m_link->refresh(); // the stored value again, before the message takes the focus
    MessageBox::warning(this, message);
    m_finishing = false;
}

void DbFormattedEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    homeWhenBlank();
}

void DbFormattedEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Only the user leaving the input checks it. A message box taking the focus, another
    // window, a menu, or the program moving the focus (after a save's own message) do not:
    // one mistake gives one message.
    switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::ShortcutFocusReason:
        finish();
        break;
    default:
        break;
    }
}

void DbFormattedEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    homeWhenBlank();
}

void DbFormattedEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        finish();
    QLineEdit::keyPressEvent(event);
}
