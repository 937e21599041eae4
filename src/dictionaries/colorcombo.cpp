#include "colorcombo.h"

#include "colordialog.h"
#include "fieldlink.h"

#include <QPainter>
#include <QPixmap>

namespace
{

constexpr int StrayRole = Qt::UserRole + 1;
const QString ColourColumn = QStringLiteral("ColorID");

} // namespace

ColorCombo::ColorCombo(QWidget *parent)
    : QComboBox(parent), m_link(new FieldLink(this, [this] { refresh(); })),
      // A new colour row is offered as soon as its number is chosen, before it is stored.
      m_rows(this,
             ListSource::Reset | ListSource::Content | ListSource::Inserted | ListSource::Removed |
                 ListSource::Edited | ListSource::Destroyed,
             ListSource::Timing::Deferred, [this] { reloadItems(); })
{
    setEditable(false);
    // activated comes from the user only: a choice from the list or from the keyboard.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            m_link->write(itemData(index));
    });
}

void ColorCombo::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

void ColorCombo::setSource(store::Dataset *colours)
{
    m_rows.setSource(colours);
}

void ColorCombo::reloadItems()
{
    m_rows.markRead();
    const QSignalBlocker block(this);
    clear();
    m_hasStrayItem = false;
    store::Dataset *s = m_rows.source();
    if (s && s->isOpen()) {
        const int field = s->fieldIndex(ColourColumn);
        const int n = field >= 0 ? s->rowCount() : 0;
        for (int row = 0; row < n; ++row) {
            const QVariant v = s->value(row, field);
            if (v.isNull() || !v.isValid())
                continue; // a new colour row not chosen yet
            const int colour = int(v.toLongLong());
            addItem(swatch(colour), QString::number(colour), colour);
        }
    }
    refresh();
}

QList<int> ColorCombo::colours() const
{
    QList<int> list;
    for (int i = 0; i < count(); ++i)
        if (!itemData(i, StrayRole).toBool())
            list << itemData(i).toInt();
    return list;
}

QIcon ColorCombo::swatch(int colorRef)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(ColorDialog::fromColorRef(colorRef));
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, 15, 15);
    return QIcon(pixmap);
}

void ColorCombo::showPopup()
{
    m_rows.reloadIfStale();
    QComboBox::showPopup();
}

int ColorCombo::indexOfColour(qint64 colour) const
{
    for (int i = 0; i < count(); ++i)
        if (!itemData(i, StrayRole).toBool() && itemData(i).toLongLong() == colour)
            return i;
    return -1;
}

void ColorCombo::refresh()
{
    const QSignalBlocker block(this);
    if (m_hasStrayItem) {
        removeItem(count() - 1);
        m_hasStrayItem = false;
    }
    const QVariant v = m_link->value();
    if (!v.isValid() || v.isNull() || store::Dataset::displayText(v).isEmpty()) {
        setCurrentIndex(-1);
        return;
    }
    bool ok = false;
    const qint64 colour = v.toLongLong(&ok);
    int index = ok ? indexOfColour(colour) : -1;
    if (index < 0 && ok) {
        addItem(swatch(int(colour)), QString::number(colour), int(colour));
        index = count() - 1;
        setItemData(index, true, StrayRole);
        m_hasStrayItem = true;
    }
    setCurrentIndex(index);
}
