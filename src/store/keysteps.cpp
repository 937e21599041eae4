#include "keysteps.h"

#include "dataset.h"
#include "queryreader.h"
#include "storeerror.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QTimer>

namespace store
{

namespace
{

constexpr int FirstStepDelay = 20; // ms: the first screen is painted before reading goes on
constexpr int NextStepDelay = 2;   // ... and between steps, input goes first
constexpr int StepTime = 15;       // ms a step should take; its size follows what they took
constexpr qint64 SmallestStep = 2000, LargestStep = 200000;
constexpr qint64 BitKeys = qint64(1) << 28; // keys below this are kept as bits

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
    m_stepSize = int(SmallestStep);
    {
        const QScopedValueRollback<bool> silent(m_silent, true);
        // A query read in steps into its table holds only its first rows yet: all of them.
        readStep(m_d.m_query->isStepping() ? -1 : FirstScreen);
        if (keep >= 0 && !m_d.m_keys.contains(keep))
            readUntil(keep);
    }
    if (m_reading)
        schedule(FirstStepDelay);
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
            more = false;
        }
        take(read);
        if (!more) {
            m_reading = false;
            m_bits = {};
            m_far.clear();
        }
    }
    const int added = int(m_d.m_keys.size()) - first;
    if (m_silent)
        return more;
    if (added > 0) {
        Q_EMIT m_d.rowsAppended(first, added);
        // A new row being typed in stays last: it moves down past the rows read.
        if (m_d.m_state == Dataset::State::Insert)
            m_d.setCurrent(m_d.rowCount() - 1, true);
    }
    if (!m_error.isEmpty())
        Q_EMIT m_d.readingFailed(m_error);
    else if (!more)
        Q_EMIT m_d.readingFinished();
    return more;
}

void KeySteps::readRest()
{
    while (readStep(-1)) {
    }
}

void KeySteps::readToRow(int row)
{
    int step = int(SmallestStep);
    while (m_reading && row >= m_d.m_keys.size() &&
           readStep(qMax(step, row - int(m_d.m_keys.size()) + 1)))
        step *= 2;
}

bool KeySteps::readUntil(qint64 key)
{
    if (m_d.m_keys.contains(key))
        return true;
    if (!m_reading || !m_d.m_keyReader->holds(key))
        return false;
    int step = 5000;
    while (m_reading) {
        const int from = int(m_d.m_keys.size());
        readStep(step);
        for (int i = from; i < m_d.m_keys.size(); ++i)
            if (m_d.m_keys[i] == key)
                return true;
        step = int(qMin<qint64>(step * 2, LargestStep));
    }
    return false;
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
