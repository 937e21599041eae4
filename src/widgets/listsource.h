#pragma once

#include "dataset.h"

#include <QPointer>
#include <functional>

// The source dataset whose rows a choice list offers, followed: the changes of its rows that
// the list cares about have `reload` read them again. A deferred source reads them once after
// a burst of changes (a post or a refresh sends several in a row), from the event loop, and
// at once before the list opens; an immediate one at every change.
class ListSource
{
  public:
    enum Change {
        Reset = 0x1,   // rows reread
        Content = 0x2, // anything a look-up could see
        Inserted = 0x4,
        Removed = 0x8,
        Edited = 0x10, // the values of one row, also while it is typed in
        Destroyed = 0x20,
    };
    enum class Timing { Deferred, Immediate };

    ListSource(QObject *list, int changes, Timing timing, std::function<void()> reload);

    // Follows `source` instead of the one before, and reads its rows.
    void setSource(store::Dataset *source);
    store::Dataset *source() const { return m_source; }

    // Before the list opens: rows that changed since they were read are read now.
    void reloadIfStale();
    // The rows are being read now: a reload still waiting is not needed.
    void markRead() { m_stale = false; }

  private:
    void changed();

    QObject *m_list;
    int m_changes;
    Timing m_timing;
    std::function<void()> m_reload;
    QPointer<store::Dataset> m_source;
    bool m_stale = true;
    bool m_queued = false;
};
