#include "dbnavigator.h"

#include "dataset.h"
#include "errordisplay.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

DbNavigator::DbNavigator(QWidget *parent) : QWidget(parent)
{
    const struct {
        const char *name;
        const char16_t *tip;
        QStyle::StandardPixmap icon;
    } buttons[] = {
        {"btnFirst", u"第一条", QStyle::SP_MediaSkipBackward},
        {"btnPrior", u"上一条", QStyle::SP_MediaSeekBackward},
        {"btnNext", u"下一条", QStyle::SP_MediaSeekForward},
        {"btnLast", u"最后一条", QStyle::SP_MediaSkipForward},
    };
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (int i = 0; i < 4; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(buttons[i].name));
        b->setToolTip(QString::fromUtf16(buttons[i].tip));
        b->setIcon(style()->standardIcon(buttons[i].icon));
        b->setAutoRaise(true);
        const auto which = Button(i);
        connect(b, &QToolButton::clicked, this, [this, which] { move(which); });
        layout->addWidget(b);
        m_buttons[i] = b;
    }
    updateButtons();
}

void DbNavigator::setDataset(store::Dataset *dataset)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (dataset) {
        using D = store::Dataset;
        connect(dataset, &D::currentRowChanged, this, &DbNavigator::updateButtons);
        connect(dataset, &D::rowsReset, this, &DbNavigator::updateButtons);
        connect(dataset, &D::stateChanged, this, &DbNavigator::updateButtons);
        connect(dataset, &D::rowInserted, this, &DbNavigator::updateButtons);
        connect(dataset, &D::rowRemoved, this, &DbNavigator::updateButtons);
        connect(dataset, &QObject::destroyed, this, &DbNavigator::updateButtons);
    }
    updateButtons();
}

QToolButton *DbNavigator::button(Button b) const
{
    return m_buttons[int(b)];
}

void DbNavigator::updateButtons()
{
    store::Dataset *d = m_dataset;
    const bool rows = d && d->isOpen() && !d->isEmpty();
    const bool back = rows && !d->isFirst();
    const bool forward = rows && !d->isLast();
    m_buttons[int(Button::First)]->setEnabled(back);
    m_buttons[int(Button::Prior)]->setEnabled(back);
    m_buttons[int(Button::Next)]->setEnabled(forward);
    m_buttons[int(Button::Last)]->setEnabled(forward);
}

void DbNavigator::move(Button b)
{
    store::Dataset *d = m_dataset;
    if (!d)
        return;
    // Moving stores a row being edited, which the store may refuse.
    ErrorDisplay::run(this, [d, b] {
        switch (b) {
        case Button::First:
            d->first();
            break;
        case Button::Prior:
            d->prior();
            break;
        case Button::Next:
            d->next();
            break;
        case Button::Last:
            d->last();
            break;
        }
    });
    updateButtons();
}
