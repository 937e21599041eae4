#include "rowscanner.h"

#include "connection.h"
#include "dataset.h"
#include "keyreader.h"
#include "money.h"
#include "pagecache.h"
#include "roweditor.h"
#include "rowreader.h"

namespace store {

namespace
{

// The place of each key in the dataset's rows, for a statement that gives the rows in the
// same order: the next place in turn, and only when a row comes out of turn (another seat
// changed the rows, this seat placed a new row at the end) a look-up over every key.
class RowPlaces
{
  public:
    explicit RowPlaces(const QVector<qint64> &keys) : m_keys(keys) {}
    int of(qint64 key)
    {
        if (m_next < m_keys.size() && m_keys[m_next] == key)
            return m_next++;
        if (m_byKey.isEmpty()) {
            m_byKey.reserve(m_keys.size());
            for (int i = 0; i < m_keys.size(); ++i)
                m_byKey.insert(m_keys[i], i);
        }
        const int row = m_byKey.value(key, -1);
        if (row >= 0)
            m_next = row + 1;
        return row;
    }

  private:
    const QVector<qint64> &m_keys;
    int m_next = 0;
    QHash<qint64, int> m_byKey;
};

} // namespace

RowScanner::RowScanner(Dataset &dataset) : m_d(dataset) {}

void RowScanner::forEachRow(const std::function<void(int, const QVector<QVariant> &)> &fn)
{
    if (!m_d.isOpen())
        return;
    m_d.readRest();
    const std::vector<Dataset::Lookup> &lookups = m_d.m_lookups;
    const int columns = int(m_d.m_columns.size());
    const int fields = columns + int(lookups.size());
    QVector<QVariant> values(fields);
    // Display fields repeat the same few codes over many rows: each code is looked up once.
    std::vector<QHash<QString, QVariant>> memo(lookups.size());
    const auto withLookups = [&](int row) {
        for (int i = columns; i < fields; ++i) {
            const Dataset::Lookup &l = lookups[i - columns];
            const QVariant key = l.keyColumn >= 0 ? values[l.keyColumn] : QVariant();
            if (!l.source || key.isNull()) {
                values[i] = QVariant();
                continue;
            }
            const QString k = key.toString();
            auto &known = memo[i - columns];
            auto it = known.constFind(k);
            if (it == known.constEnd())
                it = known.insert(k, k.isEmpty()
                                         ? QVariant()
                                         : l.source->lookup(l.sourceKey, l.resultColumn, key));
            values[i] = it.value();
        }
        fn(row, values);
    };
    if (!m_d.m_lazy) {
        for (int r = 0; r < int(m_d.m_rows.size()); ++r) {
            for (int i = 0; i < columns; ++i)
                values[i] = m_d.m_rows[r].values[i];
            withLookups(r);
        }
        return;
    }
    // The rows the dataset holds, read from the store in its order as they are now: a row
    // another seat added since is passed over, one it deleted is simply not there. The row
    // being edited gives what is typed into it.
    const QVector<qint64> &keys = m_d.m_keys;
    const QVector<QVariant> &typed = m_d.m_editor->row().values;
    const int editing = m_d.m_state == Dataset::State::Edit ? m_d.m_current : -1;
    const int keyCount = int(keys.size());
    if (!m_d.m_db.sqliteHandle() || !m_d.m_keyReader->streamsInOrder()) {
        // On the server a statement still being read is lost when another one runs on the
        // connection, as a look-up does: the rows are read by key, a page at a time.
        QHash<qint64, Dataset::Row> page;
        for (int start = 0; start < keyCount; start += PageCache::PageSize) {
            page.clear();
            m_d.m_pages->readPage(start, page);
            for (int row = start; row < qMin(start + PageCache::PageSize, keyCount); ++row) {
                const auto it = page.constFind(keys[row]);
                if (it == page.constEnd())
                    continue;
                for (int i = 0; i < columns; ++i)
                    values[i] = row == editing ? typed.value(i) : it->values.value(i);
                withLookups(row);
            }
        }
    } else {
        RowPlaces places(keys);
        QVariantMap bound;
        const QString where = m_d.m_keyReader->where(bound);
        RowReader rows(
            m_d.m_db,
            QStringLiteral("SELECT %1 FROM %2").arg(m_d.m_pages->selectList(), m_d.m_table->name) +
                where + m_d.m_keyReader->orderBy(bound),
            bound);
        while (rows.next()) {
            const int row = places.of(rows.int64(0));
            if (row < 0)
                continue;
            for (int i = 0; i < columns; ++i)
                values[i] = row == editing ? typed.value(i) : rows.value(i + 2, m_d.m_types[i]);
            withLookups(row);
        }
    }
    if (m_d.m_state == Dataset::State::Insert) {
        for (int i = 0; i < columns; ++i)
            values[i] = typed.value(i);
        withLookups(int(keys.size()));
    }
}

double RowScanner::sum(const QString &field)
{
    const int f = m_d.fieldIndex(field);
    if (f < 0 || !m_d.isOpen())
        return 0;
    // A large set is summed by the store (exactly on both engines), unless a row is being
    // typed in that the store does not hold yet: its keys need not have been read.
    if (m_d.m_lazy && f < m_d.m_columns.size() && !m_d.isEditing()) {
        m_d.completeQuery();
        Connection &db = m_d.m_db;
        QVariantMap bound;
        QSqlQuery q = db.execNamed(QStringLiteral("SELECT sum(%1) FROM %2")
                                           .arg(db.ident(m_d.m_columns[f]), m_d.m_table->name) +
                                       m_d.m_keyReader->where(bound),
                                   bound);
        return q.next() ? q.value(0).toDouble() : 0;
    }
    m_d.readRest();
    Money::Total total;
    for (int r = 0; r < m_d.rowCount(); ++r)
        total.add(m_d.value(r, f).toDouble());
    return total.value();
}

QVector<QVariant> RowScanner::columnValues(const QString &field)
{
    QVector<QVariant> out;
    const int f = m_d.fieldIndex(field);
    if (f < 0 || !m_d.isOpen())
        return out;
    m_d.readRest();
    const QVector<qint64> &keys = m_d.m_keys;
    if (m_d.m_lazy && f < m_d.m_columns.size() && m_d.m_state != Dataset::State::Insert &&
        m_d.m_keyReader->streamsInOrder()) {
        Connection &db = m_d.m_db;
        QVariantMap bound;
        const QString where = m_d.m_keyReader->where(bound);
        RowReader q(db,
                    QStringLiteral("SELECT %1, %2 FROM %3")
                            .arg(db.ident(m_d.m_table->keyColumn()), db.ident(m_d.m_columns[f]),
                                 m_d.m_table->name) +
                        where + m_d.m_keyReader->orderBy(bound),
                    bound);
        // Rows another seat deleted since stay empty; rows it added are passed over.
        out.resize(keys.size());
        RowPlaces places(keys);
        while (q.next()) {
            const int row = places.of(q.int64(0));
            if (row >= 0)
                out[row] = q.value(1, m_d.m_types[f]);
        }
        if (m_d.isEditing() && m_d.m_current >= 0)
            out[m_d.m_current] = m_d.m_editor->row().values[f];
        return out;
    }
    out.reserve(m_d.rowCount());
    for (int r = 0; r < m_d.rowCount(); ++r)
        out.append(m_d.value(r, f));
    return out;
}

} // namespace store
