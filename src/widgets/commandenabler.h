#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QAction;

// Enables commands by their tests whenever the event loop is about to wait: after every burst
// of events, so an action follows the rights and the dataset state without each window
// tracking what might have changed. The tests must be cheap (in-memory rows, dataset state).
class CommandEnabler : public QObject
{
    Q_OBJECT
  public:
    using Test = std::function<bool()>;

    explicit CommandEnabler(QObject *parent = nullptr);

    // Registers an action; a second registration replaces its test. Deleted actions drop out.
    void add(QAction *action, Test enabled);
    void remove(QAction *action);
    int count() const { return int(m_entries.size()); }

  public Q_SLOTS:
    // Recomputes every action now (also called at each idle moment).
    void update();

  private:
    void attach();

    struct Entry {
        QPointer<QAction> action;
        Test enabled;
    };
    std::vector<Entry> m_entries;
    bool m_attached = false;
    bool m_updating = false;
};
