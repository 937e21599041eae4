#include "dblookupcombo.h"

#include "dataset.h"
#include "fieldlink.h"

#include <QKeyEvent>

DbLookupCombo::DbLookupCombo(QWidget *parent)
    : QComboBox(parent), m_link(new FieldLink(this, [this] { refresh(); })),
      m_rows(this,
             ListSource::Reset | ListSource::Content | ListSource::Inserted | ListSource::Removed |
                 ListSource::Destroyed,
             ListSource::Timing::Deferred, [this] { reloadItems(); })
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            m_link->write(itemData(index));
    });
}

void DbLookupCombo::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

void DbLookupCombo::setSource(store::Dataset *source, const QString &listField,
                              const QString &keyField)
{
    m_listField = listField;
    m_keyField = keyField;
    m_rows.setSource(source);
}

void DbLookupCombo::reloadItems()
{
    m_rows.markRead();
    const QSignalBlocker block(this);
    clear();
    store::Dataset *s = m_rows.source();
    if (s && s->isOpen()) {
        const int list = s->fieldIndex(m_listField);
        const int key = s->fieldIndex(m_keyField);
        if (list >= 0 && key >= 0) {
            const int n = s->rowCount();
            for (int row = 0; row < n; ++row)
                addItem(store::Dataset::displayText(s->value(row, list)), s->value(row, key));
        }
    }
    refresh();
}

void DbLookupCombo::showPopup()
{
    m_rows.reloadIfStale();
    QComboBox::showPopup();
}

QVariant DbLookupCombo::currentKey() const
{
    return currentIndex() >= 0 ? itemData(currentIndex()) : QVariant();
}

int DbLookupCombo::indexOfKey(const QVariant &key) const
{
    const QString k = store::Dataset::displayText(key);
    if (k.isEmpty())
        return -1;
    // Codes compare as the store compares them: without letter case.
    for (int i = 0; i < count(); ++i) {
        if (store::Dataset::displayText(itemData(i)).compare(k, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void DbLookupCombo::refresh()
{
    const QSignalBlocker block(this);
    setCurrentIndex(indexOfKey(m_link->value()));
}

void DbLookupCombo::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        if (m_link->write(QVariant()))
            setCurrentIndex(-1);
        return;
    }
    QComboBox::keyPressEvent(event);
}
