#pragma once

#include "keyreader.h"

#include <QSet>
#include <QString>
#include <QVector>
#include <vector>

namespace store
{

class Dataset;

// Reads a table dataset's keys in steps: the first screen when its rows are read again, the
// rest a step at a time while the program waits for input, appended in order. Anything that
// needs every row reads the rest first.
//
// A current row to be kept that lies further on is found by the store: it counts the rows
// before it, and the row is listed at that place with a screen of rows either side, so that a
// new order or filter shows at once wherever the row is. The places between the first screen
// and those rows (the gap) are filled in order, first of all while the program waits, at once
// when a row there is asked for. Should another seat's changes since the count leave the gap
// with fewer rows than places, the places left are taken out; rows it added there are put
// after the places.
//
// A row is listed once: a row this seat stored while the keys were still being read (a new
// one at the end of the list, or one whose sort value changed), or one another seat changed
// so that it sorts further on, is passed over when its key comes again. Rows another seat
// adds behind the place read so far appear when the list is read again, like any other change
// of another seat.
class KeySteps
{
  public:
    static constexpr int FirstScreen = 500;

    explicit KeySteps(Dataset &dataset);

    // Reads the keys again from the top: the first screen now and, when the row with `keep`
    // is one of the rows further on, on to it; the rest later. Tells nobody: the dataset
    // announces the new rows itself.
    void restart(qint64 keep);
    // Nothing more is read (the dataset closes).
    void stop();
    bool isReading() const { return m_reading; }
    // The store's error that stopped the reading; empty while none did.
    const QString &readError() const { return m_error; }
    // Reads the next `limit` keys (every remaining one for a negative limit), the gap first,
    // and announces the rows appended; false when every key is read.
    bool readStep(int limit);
    void readRest();
    // Reads on until the list has a row at `row`, or to its end.
    void readToRow(int row);
    // A key not read yet: its place lies in the gap.
    static constexpr qint64 Unread = -3;
    // A place the gap had no row for: shown as a row another seat deleted.
    static constexpr qint64 Missing = -2;
    // Fills the gap on to the place `row` when that is still in it.
    void fillTo(int row)
    {
        if (row >= m_gapFrom && row < m_gapTo)
            fillGap(row + 1 - m_gapFrom, false);
    }
    // This seat deleted the row at `row`: places after it move up.
    void removed(int row);
    // Reads on until the row with `key` is listed; false when it is not one of the rows.
    bool readUntil(qint64 key);
    // A row this seat put into the list itself: reading passes over its key.
    void place(qint64 key)
    {
        if (m_reading)
            mark(key);
    }

  private:
    bool seekKept(qint64 keep);
    void fillGap(int limit, bool announce);
    void closeGap(bool announce);
    void stepTail(int limit);
    bool finishIfDone();
    void schedule(int delay);
    void onTimer(quint64 run);
    int take(const QVector<qint64> &read);
    void mark(qint64 key);
    bool seen(qint64 key) const;

    Dataset &m_d;
    KeyBound m_bound;        // the last row read at the end of the list
    bool m_tailDone = false; // ... and there is none after it
    // The gap: places [m_gapFrom, m_gapTo) of keys still to be read, after m_top and before
    // m_gapEnd in the order.
    int m_gapFrom = 0, m_gapTo = 0;
    KeyBound m_top, m_gapEnd;
    bool m_topOpen = false; // rows before m_gapEnd are still to be read
    bool m_reading = false;
    QString m_error;
    bool m_inStep = false;
    bool m_silent = false; // reading for a restart: the dataset announces the rows itself
    int m_stepSize = 0;
    quint64 m_run = 0; // counts restarts: a step queued for an earlier one does nothing
    // The keys listed while reading goes on, as bits by key (row keys are small numbers);
    // a key beyond them is kept in a set.
    std::vector<quint64> m_bits;
    QSet<qint64> m_far;
};

} // namespace store
