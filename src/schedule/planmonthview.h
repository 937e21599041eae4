#pragma once

#include <QDate>
#include <QList>
#include <QWidget>

class QLabel;
class QTableWidget;

namespace store
{
class Dataset;
}

// The schedule as a calendar: a month of six weeks, or one week, Monday first, each entry in its
// day in the order of its time. It reads only the entries of the days it shows, straight from
// the store, so it shows every entry of those days whatever the list is filtered by.
//
// A double click on an entry asks for it to be opened, on an empty part of a day for an entry on
// that day. From the keyboard: the arrow keys move between days, Enter on a day with entries
// offers them (and a new one) in a menu, on an empty day asks for a new entry; Page Up and Page
// Down go to the month or week before or after, Home to today.
class PlanMonthView : public QWidget
{
    Q_OBJECT
  public:
    enum Mode { Month, Week };

    struct Entry {
        qint64 id = -1;
        QDate date;
        QString time;
        QString text; // the line shown: time, place, agent (or contact)
    };

    // `entries` is the schedule list's dataset: the view reads its own rows of the same table
    // and, once it changed (a save, a delete), reads them again. The agents' names are looked
    // up in `agents`, as the list looks them up.
    PlanMonthView(store::Dataset &entries, store::Dataset &agents, QWidget *parent = nullptr);
    ~PlanMonthView() override;

    Mode mode() const { return m_mode; }
    void setMode(Mode mode);
    // The day the view shows and keeps selected.
    QDate day() const { return m_day; }
    void showDay(const QDate &day);
    // Reads the shown days' entries again.
    void reload();

    QList<Entry> entriesOn(const QDate &day) const;
    QDate firstShown() const { return m_first; }
    QDate lastShown() const;
    QTableWidget *table() const { return m_table; }
    QLabel *title() const { return m_title; }

  Q_SIGNALS:
    void openRequested(qint64 planId);
    void addRequested(const QDate &day);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    int weeks() const { return m_mode == Month ? 6 : 1; }
    QDate dayAt(int row, int column) const;
    void fill();
    void step(int direction);
    void activate(const QDate &day, int line);
    void offerEntries(const QDate &day);

    store::Dataset &m_entries;
    store::Dataset *m_rows; // this view's own reading of the shown days
    QTableWidget *m_table;
    QLabel *m_title;
    Mode m_mode = Month;
    QDate m_day;
    QDate m_first;
    QList<Entry> m_shown; // by day, then time
    bool m_stale = true;
};
