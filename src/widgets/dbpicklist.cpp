#include "dbpicklist.h"

#include "dataset.h"
#include "fieldlink.h"

#include <QLineEdit>

DbPickList::DbPickList(QWidget *parent)
    : QComboBox(parent), m_link(new FieldLink(this, [this] { refresh(); }))
{
    // activated comes from the user only: a choice from the list or from the keyboard.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            m_link->write(itemText(index));
    });
}

void DbPickList::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
    if (isEditable()) {
        const int width = m_link->maxLength();
        lineEdit()->setMaxLength(width > 0 ? width : 32767);
    }
}

void DbPickList::setItems(const QStringList &items)
{
    clear();
    addItems(items);
    m_link->refresh();
}

QStringList DbPickList::items() const
{
    QStringList l;
    for (int i = 0; i < count(); ++i)
        l << itemText(i);
    return l;
}

void DbPickList::setFreeText(bool allowed)
{
    if (allowed == isEditable())
        return;
    setEditable(allowed);
    if (allowed) {
        setInsertPolicy(QComboBox::NoInsert); // typed texts go to the field, not the list
        // No more can be typed than the column holds: a longer text would only be refused.
        const int width = m_link->maxLength();
        lineEdit()->setMaxLength(width > 0 ? width : 32767);
        connect(lineEdit(), &QLineEdit::textEdited, this,
                [this](const QString &t) { m_link->write(t); });
    }
    m_link->refresh();
}

QString DbPickList::shownText() const
{
    return currentText();
}

void DbPickList::refresh()
{
    const QString t = store::Dataset::displayText(m_link->value());
    if (isEditable()) {
        if (currentText() != t) {
            setCurrentIndex(findText(t, Qt::MatchFixedString));
            setEditText(t);
        }
        return;
    }
    // A stored text that is not in the list shows as no choice.
    setCurrentIndex(t.isEmpty() ? -1 : findText(t, Qt::MatchFixedString));
}
