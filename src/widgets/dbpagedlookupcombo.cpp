#include "dbpagedlookupcombo.h"

#include "datasetmodel.h"
#include "fieldlink.h"
#include "findpopup.h"

#include <QKeyEvent>
#include <QListView>

DbPagedLookupCombo::DbPagedLookupCombo(QWidget *parent)
    : QComboBox(parent), m_link(new FieldLink(this, [this] { refresh(); })),
      m_model(new DatasetModel(this)),
      m_rows(this,
             ListSource::Reset | ListSource::Inserted | ListSource::Removed | ListSource::Edited,
             ListSource::Timing::Immediate, [this] { sourceChanged(); })
{
    setEditable(false);
    setAttribute(Qt::WA_InputMethodEnabled); // names are typed in Chinese
    // Sizing to the contents would read every line of the source.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    setModel(m_model);
    if (auto *list = qobject_cast<QListView *>(view()))
        list->setUniformItemSizes(true); // the list lays out without asking every line
    connect(m_model, &DatasetModel::repaintNeeded, this, [this] {
        update();
        view()->viewport()->update();
    });
    connect(this, &QComboBox::activated, this, [this](int index) { choose(index); });
}

void DbPagedLookupCombo::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

void DbPagedLookupCombo::setSource(store::Dataset *source, const QString &listField,
                                   const QString &keyField)
{
    m_listField = listField;
    m_keyField = keyField;
    m_model->setDataset(source);
    m_model->setColumns({GridColumn{listField, QString(), 80, true}});
    setModelColumn(0);
    // Followed after the model, so the list is rebuilt before the shown item is sought.
    m_rows.setSource(source);
}

void DbPagedLookupCombo::sourceChanged()
{
    m_foundKey.clear();
    m_foundRow = -1;
    refresh();
}

QVariant DbPagedLookupCombo::currentKey() const
{
    if (!source() || !source()->isOpen() || currentIndex() < 0 ||
        currentIndex() >= source()->rowCount())
        return {};
    return source()->value(currentIndex(), m_keyField);
}

bool DbPagedLookupCombo::choose(int sourceRow)
{
    if (!source() || sourceRow < 0 || sourceRow >= source()->rowCount()) {
        refresh();
        return false;
    }
    // The link does not echo a value back to the widget that wrote it: show the choice here.
    const bool ok = m_link->write(source()->value(sourceRow, m_keyField));
    refresh();
    return ok;
}

void DbPagedLookupCombo::showPopup()
{
    Q_EMIT aboutToShowList();
    QComboBox::showPopup();
}

// The source row holding the key: the source's current row when it is that one (a window keeps
// the agent list on the record's agent), otherwise one keyed look-up, remembered until the
// source's rows change.
int DbPagedLookupCombo::rowOfKey(const QVariant &key)
{
    const QString k = store::Dataset::displayText(key);
    if (k.isEmpty() || !source() || !source()->isOpen())
        return -1;
    const int current = source()->currentRow();
    if (current >= 0 && store::Dataset::displayText(source()->value(current, m_keyField))
                                .compare(k, Qt::CaseInsensitive) == 0)
        return current;
    if (k.compare(m_foundKey, Qt::CaseInsensitive) != 0) {
        m_foundKey = k;
        m_foundRow = source()->find(m_keyField, key);
    }
    return m_foundRow;
}

void DbPagedLookupCombo::refresh()
{
    const int row = rowOfKey(m_link->value());
    const QSignalBlocker block(this);
    setCurrentIndex(row);
}

void DbPagedLookupCombo::keyPressEvent(QKeyEvent *event)
{
    if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
        !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) &&
        event->key() != Qt::Key_Space) {
        find(event->text());
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        if (m_link->write(QVariant()))
            setCurrentIndex(-1);
        return;
    }
    QComboBox::keyPressEvent(event);
}

void DbPagedLookupCombo::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty())
        find(event->commitString());
    event->accept();
}

void DbPagedLookupCombo::find(const QString &typed)
{
    Q_EMIT aboutToShowList();
    if (!source() || !source()->isOpen())
        return;
    if (!m_find) {
        m_find = new FindPopup(this, m_keyField, m_listField);
        connect(m_find, &FindPopup::chosen, this, [this](const QVariant &code) {
            if (m_link->write(code))
                refresh();
        });
    }
    m_find->start(*source(), typed);
}
