#include "dblineedit.h"

#include "dataset.h"
#include "fieldlink.h"

#include <QStyle>
#include <QStyleOptionFrame>

DbLineEdit::DbLineEdit(QWidget *parent)
    : QLineEdit(parent), m_link(new FieldLink(this, [this] { refresh(); }))
{
    connect(this, &QLineEdit::textEdited, this, [this](const QString &t) { m_link->write(t); });
}

void DbLineEdit::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

QSize DbLineEdit::minimumSizeHint() const
{
    QSize size = QLineEdit::minimumSizeHint();
    const int characters = m_link->maxLength();
    if (characters <= 0)
        return size;
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QMargins margins = textMargins();
    const int text =
        fontMetrics().horizontalAdvance(QString(qMin(characters, 30), QLatin1Char('0')));
    // The line edit keeps two pixels beside its text on each side, within the frame.
    const QSize contents(text + margins.left() + margins.right() + 4, size.height());
    size.setWidth(
        qMax(size.width(),
             style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, this).width()));
    return size;
}

void DbLineEdit::refresh()
{
    const int width = m_link->maxLength();
    if (maxLength() != (width > 0 ? width : 32767))
        updateGeometry(); // the minimum width follows the column
    setMaxLength(width > 0 ? width : 32767);
    const QString t = store::Dataset::displayText(m_link->value());
    if (text() != t) // setting the same text would move the cursor while typing
        setText(t);
}
