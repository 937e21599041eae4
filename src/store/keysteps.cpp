#include "keysteps.h"

#include "dataset.h"
#include "queryreader.h"
#include "storeerror.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace store
{

namespace
{

constexpr int FirstStepDelay = 20; // ms: the first screen is painted before reading goes on
constexpr int NextStepDelay = 2;   // ... and between steps, input goes first
constexpr int StepTime = 15;       // ms a step should take; its size follows what they took
constexpr qint64 SmallestStep = 2000, LargestStep = 200000;
constexpr qint64 BitKeys = qint64(1) << 28; // keys below this are kept as bits
constexpr qint64 NearRows = 5000; // a kept row this close after the first screen is read to
constexpr int Around = 200;       // rows listed before a kept row found by a count

} // namespace

KeySteps::KeySteps(Dataset &dataset) : m_d(dataset) {}

void KeySteps::mark(qint64 key)
{
    if (key < 0 || key >= BitKeys) {
        m_far.insert(key);
        return;
    }
    const size_t word = size_t(key >> 6);
    if (word >= m_bits.size())
        m_bits.resize(qMax(word + 1, m_bits.size() * 2), 0);
    m_bits[word] |= quint64(1) << (key & 63);
}

bool KeySteps::seen(qint64 key) const
{
    if (key < 0 || key >= BitKeys)
        return m_far.contains(key);
    const size_t word = size_t(key >> 6);
    return word < m_bits.size() && (m_bits[word] >> (key & 63) & 1);
}

void KeySteps::stop()
{
    ++m_run;
    m_reading = false;
    m_tailDone = true;
    m_gapFrom = m_gapTo = 0;
    m_topOpen = false;
    m_error.clear();
    m_bits = {};
    m_far.clear();
}

void KeySteps::restart(qint64 keep)
{
    stop();
    m_d.m_keys.clear();
    m_bound = KeyBound();
    m_reading = true;
    m_tailDone = false;
    m_stepSize = int(SmallestStep);
    {
        const QScopedValueRollback<bool> silent(m_silent, true);
        // A query read in steps into its table holds only its first rows yet: all of them.
        readStep(m_d.m_query->isStepping() ? -1 : FirstScreen);
        if (keep >= 0 && m_reading && !m_d.m_keys.contains(keep) && !seekKept(keep))
            readUntil(keep);
    }
    if (m_reading)
        schedule(FirstStepDelay);
}

// Lists the kept row at its place, counted by the store, with the rows around it, and leaves
// the places between the first screen and them to be read. False when the row is near enough
// to read on to it, or not one of the rows.
bool KeySteps::seekKept(qint64 keep)
{
    KeyBound at;
    qint64 before = 0;
    QVector<qint64> back;
    KeyBound backTo;
    try {
        if (!m_d.m_keyReader->locate(keep, at, before, m_bound, m_d.m_keys.size()) ||
            before < m_d.m_keys.size() + NearRows)
            return false;
        backTo = at;
        m_d.m_keyReader->readBack(backTo, Around, back);
    } catch (const StoreError &) {
        return false; // read on to it, which reports what fails
    }
    QVector<qint64> &keys = m_d.m_keys;
    QVector<qint64> block;
    for (auto it = back.crbegin(); it != back.crend(); ++it)
        if (!seen(*it) && *it != keep)
            block.append(*it);
    const qint64 gap = before - keys.size() - block.size();
    if (gap <= 0 || block.size() != back.size())
        return false; // the rows changed since the count: read on to it
    m_top = m_bound;
    m_gapEnd = block.isEmpty() ? at : backTo;
    m_gapFrom = int(keys.size());
    m_gapTo = int(keys.size() + gap);
    m_topOpen = true;
    keys.resize(m_gapTo, Unread);
    for (const qint64 key : std::as_const(block)) {
        mark(key);
        keys.append(key);
    }
    mark(keep);
    keys.append(keep);
    m_bound = at;
    stepTail(FirstScreen);
    return true;
}

// Appends the keys read that are not listed yet; answers how many.
int KeySteps::take(const QVector<qint64> &read)
{
    QVector<qint64> &keys = m_d.m_keys;
    const int before = int(keys.size());
    for (const qint64 key : read) {
        if (seen(key))
            continue;
        mark(key);
        keys.append(key);
    }
    return int(keys.size()) - before;
}

bool KeySteps::readStep(int limit)
{
    if (!m_reading || m_inStep)
        return false;
    if (m_topOpen)
        fillGap(limit < 0 ? std::numeric_limits<int>::max() : limit, !m_silent);
    else if (!m_tailDone)
        stepTail(limit);
    return finishIfDone();
}

// Ends the reading when the gap is filled and the last key read, or a step failed.
bool KeySteps::finishIfDone()
{
    if (m_error.isEmpty() && (m_topOpen || !m_tailDone))
        return true;
    closeGap(!m_silent);
    m_reading = false;
    m_tailDone = true;
    m_bits = {};
    m_far.clear();
    if (!m_silent) {
        if (!m_error.isEmpty())
            Q_EMIT m_d.readingFailed(m_error);
        else
            Q_EMIT m_d.readingFinished();
    }
    return false;
}

// The next keys at the end of the list, announced.
void KeySteps::stepTail(int limit)
{
    if (m_inStep)
        return;
    QVector<qint64> read;
    bool more = false;
    const int first = int(m_d.m_keys.size());
    {
        const QScopedValueRollback<bool> inStep(m_inStep, true);
        try {
            more = m_d.m_keyReader->read(m_bound, limit, read);
        } catch (const StoreError &e) {
            // The first screen that cannot be read fails the opening itself; after it, the
            // rows read so far stay listed, known to be incomplete.
            if (m_silent && first == 0) {
                m_reading = false;
                throw;
            }
            m_error = e.text();
        }
        take(read);
        m_tailDone = !more;
    }
    const int added = int(m_d.m_keys.size()) - first;
    if (!m_silent && added > 0) {
        Q_EMIT m_d.rowsAppended(first, added);
        // A new row being typed in stays last: it moves down past the rows read.
        if (m_d.m_state == Dataset::State::Insert)
            m_d.setCurrent(m_d.rowCount() - 1, true);
    }
}

// The next keys of the gap, put in their places: the rows are counted already, nothing is
// announced. Rows another seat added there since the count, found when every place is taken,
// are put after the places and announced, but not while a row is asked for (`announce`
// false): the next step does it.
void KeySteps::fillGap(int limit, bool announce)
{
    if (m_inStep || !m_topOpen)
        return;
    const bool full = m_gapFrom >= m_gapTo;
    if (full && !announce)
        return;
    QVector<qint64> read;
    bool more = false;
    {
        const QScopedValueRollback<bool> inStep(m_inStep, true);
        try {
            more = m_d.m_keyReader->read(m_top, full ? limit : qMin(limit, m_gapTo - m_gapFrom),
                                         read, &m_gapEnd);
        } catch (const StoreError &e) {
            m_error = e.text();
        }
    }
    QVector<qint64> &keys = m_d.m_keys;
    QVector<qint64> extra;
    for (const qint64 key : std::as_const(read)) {
        if (seen(key))
            continue;
        mark(key);
        if (m_gapFrom < m_gapTo)
            keys[m_gapFrom++] = key;
        else
            extra.append(key);
    }
    if (!extra.isEmpty()) {
        const int at = m_gapTo;
        keys.insert(at, extra.size(), 0);
        std::copy(extra.cbegin(), extra.cend(), keys.begin() + at);
        m_gapFrom = m_gapTo = at + int(extra.size());
        Q_EMIT m_d.rowsAppended(at, int(extra.size()));
        if (m_d.m_current >= at)
            m_d.setCurrent(m_d.m_current + int(extra.size()), true);
    }
    if (!more || !m_error.isEmpty())
        closeGap(announce);
}

// The places of the gap still without a row (rows another seat deleted since the count, or
// this seat's own rows listed elsewhere) are taken out; while a row is asked for they show as
// rows deleted by another seat.
void KeySteps::closeGap(bool announce)
{
    QVector<qint64> &keys = m_d.m_keys;
    const int from = m_gapFrom, to = qMin(m_gapTo, int(keys.size()));
    m_gapFrom = m_gapTo = 0;
    m_topOpen = false;
    for (int row = to - 1; row >= from; --row) {
        if (!announce) {
            keys[row] = Missing;
            continue;
        }
        keys.removeAt(row);
        Q_EMIT m_d.rowRemoved(row);
        if (m_d.m_current > row)
            m_d.setCurrent(m_d.m_current - 1, true);
    }
}

void KeySteps::removed(int row)
{
    if (m_topOpen && row < m_gapFrom) {
        --m_gapFrom;
        --m_gapTo;
    }
}

void KeySteps::readRest()
{
    while (readStep(-1)) {
    }
}

void KeySteps::readToRow(int row)
{
    fillTo(row);
    int step = int(SmallestStep);
    while (m_reading && !m_tailDone && !m_inStep && row >= m_d.m_keys.size()) {
        stepTail(qMax(step, row - int(m_d.m_keys.size()) + 1));
        finishIfDone();
        step *= 2;
    }
}

bool KeySteps::readUntil(qint64 key)
{
    if (m_d.m_keys.contains(key))
        return true;
    if (!m_reading || !m_d.m_keyReader->holds(key))
        return false;
    int step = 5000;
    while (readStep(step)) {
        if (seen(key))
            return true;
        step = int(qMin<qint64>(step * 2, LargestStep));
    }
    return m_d.m_keys.contains(key);
}

void KeySteps::schedule(int delay)
{
    QTimer::singleShot(delay, &m_d, [this, run = m_run] { onTimer(run); });
}

// One step while the program waits; its size follows how long the last one took. A row being
// typed in waits: the rows read would pass it by.
void KeySteps::onTimer(quint64 run)
{
    if (run != m_run || !m_reading)
        return;
    if (m_d.isEditing()) {
        schedule(100);
        return;
    }
    QElapsedTimer t;
    t.start();
    const bool more = readStep(m_stepSize);
    const qint64 took = qMax<qint64>(1, t.elapsed());
    m_stepSize = int(qBound<qint64>(
        SmallestStep, qMin<qint64>(m_stepSize * 4, m_stepSize * StepTime / took), LargestStep));
    if (more && run == m_run)
        schedule(NextStepDelay);
}

} // namespace store
