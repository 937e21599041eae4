#include "enterchain.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QWidget>

EnterChain::EnterChain(QObject *parent) : QObject(parent) {}

EnterChain::EnterChain(const QList<QWidget *> &widgets, QObject *parent) : QObject(parent)
{
    setWidgets(widgets);
}

void EnterChain::setWidgets(const QList<QWidget *> &widgets)
{
    for (const QPointer<QWidget> &w : std::as_const(m_widgets)) {
        if (w) {
            w->removeEventFilter(this);
            for (QWidget *child : w->findChildren<QWidget *>())
                child->removeEventFilter(this);
        }
    }
    m_widgets.clear();
    for (QWidget *w : widgets)
        append(w);
}

void EnterChain::append(QWidget *widget)
{
    if (!widget)
        return;
    m_widgets.append(widget);
    // The key goes to whatever inside the input has the focus (an editable combo box's line
    // edit, a spin box's editor), so watch those too.
    widget->installEventFilter(this);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->installEventFilter(this);
}

QList<QWidget *> EnterChain::widgets() const
{
    QList<QWidget *> l;
    for (const QPointer<QWidget> &w : m_widgets)
        l << w.data();
    return l;
}

void EnterChain::setKeepsEnter(QWidget *widget, bool keeps)
{
    if (keeps)
        m_keepsEnter.insert(widget);
    else
        m_keepsEnter.remove(widget);
}

bool EnterChain::keepsEnter(QWidget *widget) const
{
    return m_keepsEnter.contains(widget);
}

int EnterChain::positionOf(QObject *o) const
{
    for (; o; o = o->parent()) {
        for (int i = 0; i < m_widgets.size(); ++i) {
            if (m_widgets[i] == o)
                return i;
        }
    }
    return -1;
}

bool EnterChain::canTakeFocus(QWidget *w)
{
    // Shown within its window, so a chain works before the window is first painted too.
    return w && w->isEnabled() && w->isVisibleTo(w->window()) && w->focusPolicy() != Qt::NoFocus;
}

bool EnterChain::advance(QWidget *from)
{
    const int at = positionOf(from);
    if (at < 0)
        return false;
    for (int i = at + 1; i < m_widgets.size(); ++i) {
        if (canTakeFocus(m_widgets[i])) {
            m_widgets[i]->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    if (m_finalButton && m_finalButton->isEnabled() &&
        m_finalButton->isVisibleTo(m_finalButton->window())) {
        m_finalButton->click();
        return true;
    }
    return false;
}

bool EnterChain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return QObject::eventFilter(watched, event);
    // Shift or Ctrl with Enter is left to the input (a line break in a memo).
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return QObject::eventFilter(watched, event);
    const int at = positionOf(watched);
    if (at < 0 || m_keepsEnter.contains(m_widgets[at]))
        return QObject::eventFilter(watched, event);
    // When Enter has nowhere to go it is left to the window (its default button).
    return advance(m_widgets[at]);
}
