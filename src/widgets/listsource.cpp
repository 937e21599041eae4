#include "listsource.h"

ListSource::ListSource(QObject *list, int changes, Timing timing, std::function<void()> reload)
    : m_list(list), m_changes(changes), m_timing(timing), m_reload(std::move(reload))
{
}

void ListSource::setSource(store::Dataset *source)
{
    if (m_source)
        QObject::disconnect(m_source, nullptr, m_list, nullptr);
    m_source = source;
    if (source) {
        using D = store::Dataset;
        const auto follow = [this, source](int change, auto signal) {
            if (m_changes & change)
                QObject::connect(source, signal, m_list, [this] { changed(); });
        };
        follow(Reset, &D::rowsReset);
        follow(Content, &D::contentChanged);
        follow(Inserted, &D::rowInserted);
        follow(Removed, &D::rowRemoved);
        follow(Edited, &D::rowChanged);
        follow(Destroyed, &QObject::destroyed);
    }
    m_reload();
}

void ListSource::reloadIfStale()
{
    if (m_stale)
        m_reload();
}

void ListSource::changed()
{
    if (m_timing == Timing::Immediate) {
        m_reload();
        return;
    }
    m_stale = true;
    if (m_queued)
        return;
    m_queued = true;
    QMetaObject::invokeMethod(
        m_list,
        [this] {
            m_queued = false;
            if (m_stale)
                m_reload();
        },
        Qt::QueuedConnection);
}
