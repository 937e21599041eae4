#include "windowshortcuts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

WindowShortcuts::WindowShortcuts(QWidget *window) : QObject(window), m_window(window)
{
    // The override question goes to the focused field first; only the application sees it
    // before the field answers.
    qApp->installEventFilter(this);
}

bool WindowShortcuts::isCommandKey(const QKeySequence &keys) const
{
    QList<QAction *> actions = m_window->actions();
    actions += m_window->findChildren<QAction *>();
    for (const QAction *a : std::as_const(actions))
        if (a->isEnabled() && a->shortcuts().contains(keys))
            return true;
    for (const QAbstractButton *b : m_window->findChildren<QAbstractButton *>())
        if (b->isEnabled() && b->isVisible() && !b->shortcut().isEmpty() && b->shortcut() == keys)
            return true;
    return false;
}

bool WindowShortcuts::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window() != m_window)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::ShiftModifier)
        return false; // plain typing always belongs to the field
    if (!isCommandKey(QKeySequence(key->keyCombination())))
        return false;
    // Not taken by the field: the window's shortcut handles the key.
    event->ignore();
    return true;
}
