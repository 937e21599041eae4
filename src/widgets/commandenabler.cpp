#include "commandenabler.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QThread>
#include <algorithm>

CommandEnabler::CommandEnabler(QObject *parent) : QObject(parent)
{
    attach();
}

void CommandEnabler::attach()
{
    if (m_attached)
        return;
    // The dispatcher exists once the thread's event loop machinery does; an enabler made
    // earlier attaches when its first action is added.
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance(thread())) {
        connect(d, &QAbstractEventDispatcher::aboutToBlock, this, &CommandEnabler::update);
        m_attached = true;
    }
}

void CommandEnabler::add(QAction *action, Test enabled)
{
    attach();
    for (Entry &e : m_entries) {
        if (e.action == action) {
            e.enabled = std::move(enabled);
            return;
        }
    }
    m_entries.push_back({action, std::move(enabled)});
}

void CommandEnabler::remove(QAction *action)
{
    std::erase_if(m_entries, [action](const Entry &e) { return e.action == action; });
}

void CommandEnabler::update()
{
    if (m_updating)
        return;
    m_updating = true;
    std::erase_if(m_entries, [](const Entry &e) { return e.action.isNull(); });
    for (const Entry &e : m_entries) {
        bool on = false;
        // A failing test must not escape into the event dispatcher; the command just stays off.
        try {
            on = e.enabled && e.enabled();
        } catch (...) {
            on = false;
        }
        if (e.action && e.action->isEnabled() != on)
            e.action->setEnabled(on);
    }
    m_updating = false;
}
