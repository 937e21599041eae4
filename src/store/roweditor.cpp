#include "roweditor.h"

#include "connection.h"
#include "keysteps.h"
#include "money.h"
#include "pagecache.h"
#include "storeerror.h"

#include <QDateTime>
#include <utility>

namespace store {

RowEditor::RowEditor(Dataset &dataset) : m_d(dataset) {}

void RowEditor::discard()
{
    m_unsettled = {};
    m_edit = Dataset::Row();
    m_touched = false;
}

void RowEditor::setValue(int i, const QVariant &v)
{
    m_d.requireTable("修改");
    if (m_d.m_state == Dataset::State::Browse)
        edit();
    m_edit.values[i] = v.isValid() ? m_d.fromStore(i, toStore(i, v)) : QVariant();
    m_changed[i] = true;
    m_touched = true;
    Q_EMIT m_d.rowChanged(m_d.m_current);
    // A new master row shows, in its details, the rows of the key typed so far.
    if (m_d.m_state == Dataset::State::Insert) {
        for (const auto &d : std::as_const(m_d.m_details))
            if (d && d->isOpen() &&
                d->m_masterColumns.contains(m_d.m_columns[i], Qt::CaseInsensitive))
                d->followMaster();
    }
}

bool RowEditor::isChanged(int i) const
{
    return m_d.isEditing() && i >= 0 && i < m_changed.size() && m_changed[i];
}

QVariant RowEditor::storedValue(int i) const
{
    if (m_d.m_state == Dataset::State::Insert)
        return {};
    if (m_d.m_state != Dataset::State::Edit || !m_d.m_table)
        return m_d.value(m_d.m_current, i);
    Connection &db = m_d.m_db;
    QSqlQuery q = m_d.run(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :key")
            .arg(db.ident(m_d.m_columns[i]), m_d.m_table->name, db.ident(m_d.m_table->keyColumn())),
        {{QStringLiteral("key"), m_edit.key}});
    return q.next() ? m_d.fromStore(i, q.value(0)) : QVariant();
}

QVariant RowEditor::toStore(int column, const QVariant &v) const
{
    const Engine engine = m_d.m_db.engine();
    const QString &name = m_d.m_columns[column];
    const ColumnType t = m_d.m_types[column];
    const bool blank =
        !v.isValid() || v.isNull() ||
        (v.metaType().id() == QMetaType::QString && v.toString().trimmed().isEmpty());
    switch (t) {
    case ColumnType::Bool:
        return v.toBool();
    case ColumnType::Date: {
        if (blank)
            return QVariant(engine == Engine::SQLite ? QMetaType::fromType<QString>()
                                                     : QMetaType::fromType<QDate>());
        QDate d;
        if (v.metaType().id() == QMetaType::QDateTime)
            d = v.toDateTime().date();
        else if (v.metaType().id() == QMetaType::QDate)
            d = v.toDate();
        else
            d = QDate::fromString(v.toString().trimmed().left(10), Qt::ISODate);
        if (!d.isValid())
            throw StoreError(QStringLiteral("字段 %1 的日期“%2”无效。").arg(name, v.toString()));
        return engine == Engine::SQLite ? QVariant(d.toString(Qt::ISODate)) : QVariant(d);
    }
    case ColumnType::Integer:
    case ColumnType::AutoNumber:
    case ColumnType::Number:
    case ColumnType::Currency: {
        if (blank)
            return QVariant(QMetaType::fromType<double>());
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            throw StoreError(
                QStringLiteral("字段 %1 的值“%2”不是有效的数字。").arg(name, v.toString()));
        if (t == ColumnType::Integer || t == ColumnType::AutoNumber)
            return qint64(d);
        if (t == ColumnType::Currency) {
            if (!Money::inRange(d))
                throw StoreError::outOfRange(m_d.m_table ? m_d.m_table->name : m_d.name(), name);
            return Money::round(d);
        }
        return d;
    }
    default: {
        if (!v.isValid() || v.isNull())
            return QVariant(QMetaType::fromType<QString>());
        const QString text = v.toString();
        // A NUL would end the text early for the store's width rule (SQLite) or its driver
        // (PostgreSQL): refused, never stored cut short.
        if (text.contains(QChar(0)))
            throw StoreError(
                QStringLiteral("字段 %1 的内容含有不能保存的空字符（NUL）。").arg(name),
                StoreError::Kind::Other, m_d.m_table ? m_d.m_table->name : QString(), name);
        return text;
    }
    }
}

// ---------------------------------------------------------------- editing

void RowEditor::edit()
{
    m_d.requireTable("修改");
    if (m_d.isEditing())
        return;
    const Dataset::Row *r = m_d.rowAt(m_d.m_current);
    if (!r)
        throw StoreError(QStringLiteral("没有可以修改的记录。"));
    m_edit = *r;
    m_changed = QVector<bool>(m_d.m_columns.size(), false);
    m_touched = false;
    m_d.setState(Dataset::State::Edit);
}

void RowEditor::append()
{
    m_d.requireTable("新增");
    if (m_d.isEditing())
        post();
    const QStringList &columns = m_d.m_columns;
    m_beforeInsert = m_d.m_current;
    m_edit = Dataset::Row();
    m_edit.values.resize(columns.size());
    m_changed = QVector<bool>(columns.size(), false);
    for (int i = 0; i < columns.size(); ++i)
        if (m_d.m_types[i] == ColumnType::Bool)
            m_edit.values[i] = false;
    if (m_d.m_master) {
        // A new detail row belongs to the master's current row.
        const QVariantList mv = m_d.masterValues();
        for (int i = 0; i < m_d.m_detailColumns.size() && i < mv.size(); ++i) {
            const int f = m_d.fieldIndex(m_d.m_detailColumns[i]);
            if (f >= 0 && f < columns.size()) {
                m_edit.values[f] = mv[i];
                m_changed[f] = true;
            }
        }
    }
    m_touched = false;
    m_d.m_state = Dataset::State::Insert;
    const int row = m_d.rowCount() - 1;
    Q_EMIT m_d.rowInserted(row);
    Q_EMIT m_d.stateChanged(m_d.m_state);
    m_d.setCurrent(row, true);
}

void RowEditor::dropNewRow()
{
    const int row = m_d.rowCount() - 1;
    m_edit = Dataset::Row();
    m_touched = false;
    m_d.m_state = Dataset::State::Browse;
    Q_EMIT m_d.rowRemoved(row);
    Q_EMIT m_d.stateChanged(m_d.m_state);
    const int n = m_d.rowCount();
    m_d.setCurrent(n == 0 ? -1 : qBound(0, m_beforeInsert, n - 1), true);
}

void RowEditor::post()
{
    if (!m_d.isEditing())
        return;
    settleUnsettled();
    if (m_d.m_state == Dataset::State::Insert && !m_touched) {
        dropNewRow(); // nothing was typed into the new row
        return;
    }
    for (const auto &hook : m_beforePost) {
        if (hook(m_d) == Dataset::PostAction::Discard) {
            if (m_d.m_state == Dataset::State::Insert)
                dropNewRow();
            else
                cancel();
            return;
        }
    }

    Connection &db = m_d.m_db;
    const Table *table = m_d.m_table;
    QStringList cols, marks, sets;
    QVariantMap values;
    for (int i = 0; i < m_d.m_columns.size(); ++i) {
        if (!m_changed[i] || m_d.m_types[i] == ColumnType::AutoNumber)
            continue;
        const QString mark = QStringLiteral("v%1").arg(i);
        values.insert(mark, toStore(i, m_edit.values[i]));
        cols << db.ident(m_d.m_columns[i]);
        marks << QLatin1Char(':') + mark;
        sets << db.ident(m_d.m_columns[i]) + QStringLiteral(" = :") + mark;
    }
    const QString key = db.ident(table->keyColumn());
    const QString ver = db.ident(QLatin1String(RowVersion));

    // The guards' checks and the statement are one transaction. A save whose outcome the
    // server could not tell before the connection broke is remembered, to be settled first
    // when the row is saved again.
    const auto guarded = [this, &db](const std::function<void()> &statement, const qint64 &key) {
        try {
            db.transaction([&] {
                for (const auto &guard : m_storeGuards)
                    guard(m_d);
                statement();
            });
        } catch (const StoreError &e) {
            if (e.unsettledCommit())
                m_unsettled = {e.unsettledCommit(), key};
            throw;
        }
    };
    if (m_d.m_state == Dataset::State::Insert) {
        const QString sql =
            cols.isEmpty()
                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING %2").arg(table->name, key)
                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                      .arg(table->name, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')),
                           key);
        qint64 newKey = 0;
        guarded([&] {
            QSqlQuery q = m_d.run(sql, values); // a refusal throws; the row stays in insert state
            newKey = q.next() ? q.value(0).toLongLong() : 0;
            q.finish();
        }, newKey);
        // The new row stays where it was typed in, also while the keys are still being read.
        m_d.m_keys.append(newKey);
        m_d.m_steps->place(newKey);
        m_d.m_state = Dataset::State::Browse;
        m_edit = Dataset::Row();
        m_touched = false;
        rereadStored(int(m_d.m_keys.size()) - 1);
    } else {
        if (!sets.isEmpty()) {
            values.insert(QStringLiteral("key"), m_edit.key);
            values.insert(QStringLiteral("ver"), m_edit.version);
            guarded([&] {
                QSqlQuery q = m_d.run(
                    QStringLiteral("UPDATE %1 SET %2, %3 = %3 + 1 WHERE %4 = :key AND %3 = :ver")
                        .arg(table->name, sets.join(QStringLiteral(", ")), ver, key),
                    values);
                if (q.numRowsAffected() == 0)
                    throw StoreError(StoreError::conflictText(), StoreError::Kind::Conflict,
                                     table->name);
            }, m_edit.key);
            db.announceStored(table->name, m_edit.key, m_edit.version + 1, &m_d);
        }
        m_d.m_state = Dataset::State::Browse;
        m_edit = Dataset::Row();
        m_touched = false;
        rereadStored(m_d.m_current);
        m_d.m_steps->place(m_d.rowKey(m_d.m_current)); // listed where it is, whatever its order now
    }
    m_d.invalidateLookups();
    Q_EMIT m_d.rowChanged(m_d.m_current);
    Q_EMIT m_d.stateChanged(m_d.m_state);
    try {
        m_d.followDetails(); // a new master row now has its key
    } catch (const StoreError &e) {
        if (!e.isConnectionLoss()) // the details follow once the server is back
            throw;
    }
}

// The row just stored, read back as the store holds it. The save itself is done: should the
// server go away right now, the row is read when it is next shown, and the save still
// counts as done (reporting it failed would have it saved twice).
void RowEditor::rereadStored(int row)
{
    try {
        m_d.m_pages->reloadRow(row);
    } catch (const StoreError &e) {
        if (!e.isConnectionLoss())
            throw;
        if (row >= 0 && row < int(m_d.m_keys.size()))
            m_d.m_pages->remove(m_d.m_keys[row]);
    }
}

// A save whose COMMIT went out as the connection broke: once the server answers, it is
// asked whether the store has it. If not, the row is saved as usual; if so, the row is the
// stored one now, and what is in the editor goes on as a change of it, so nothing is stored
// twice. While the server is away the error stands and the row stays in editing.
void RowEditor::settleUnsettled()
{
    if (!m_unsettled.transaction)
        return;
    Connection &db = m_d.m_db;
    const bool stored = db.isCommitted(m_unsettled.transaction);
    const qint64 key = std::exchange(m_unsettled, {}).key;
    if (!stored)
        return;
    const QVariant version = db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                           .arg(db.ident(QLatin1String(RowVersion)), m_d.m_table->name,
                                                db.ident(m_d.m_table->keyColumn())),
                                       {key});
    if (m_d.m_state == Dataset::State::Insert) {
        m_d.m_keys.append(key); // the new row, now the last of the shown ones
        m_d.m_state = Dataset::State::Edit;
    }
    m_edit.key = key;
    if (!version.isValid()) // deleted by another seat since
        throw StoreError(StoreError::conflictText(), StoreError::Kind::Conflict, m_d.m_table->name);
    m_edit.version = version.toLongLong();
}

void RowEditor::cancel()
{
    m_unsettled = {};
    if (m_d.m_state == Dataset::State::Insert) {
        dropNewRow();
    } else if (m_d.m_state == Dataset::State::Edit) {
        m_edit = Dataset::Row();
        m_touched = false;
        m_d.m_state = Dataset::State::Browse;
        Q_EMIT m_d.rowChanged(m_d.m_current);
        Q_EMIT m_d.stateChanged(m_d.m_state);
    }
}

void RowEditor::remove()
{
    m_d.requireTable("删除");
    if (m_d.m_state == Dataset::State::Insert) {
        cancel();
        return;
    }
    if (m_d.m_state == Dataset::State::Edit)
        cancel();
    const Dataset::Row *r = m_d.rowAt(m_d.m_current);
    if (!r)
        return;
    Connection &db = m_d.m_db;
    const Table *table = m_d.m_table;
    const qint64 key = r->key, version = r->version;
    QSqlQuery q = m_d.run(
        QStringLiteral("DELETE FROM %1 WHERE %2 = :key AND %3 = :ver")
            .arg(table->name, db.ident(table->keyColumn()), db.ident(QLatin1String(RowVersion))),
        {{QStringLiteral("key"), key}, {QStringLiteral("ver"), version}});
    if (q.numRowsAffected() == 0)
        throw StoreError(StoreError::conflictText(), StoreError::Kind::Conflict, table->name);
    db.announceStored(table->name, key, -1, &m_d);
    const int row = m_d.m_current;
    m_d.m_keys.removeAt(row);
    m_d.m_steps->removed(row);
    m_d.m_pages->remove(key);
    m_d.invalidateLookups();
    Q_EMIT m_d.rowRemoved(row);
    const int n = m_d.rowCount();
    m_d.setCurrent(n == 0 ? -1 : qMin(row, n - 1), true);
}

// Another dataset of this seat stored (or deleted, version -1) a row of our table. What we
// hold of it is read again, and an edit of the same row in progress takes the new version,
// keeping what was typed: the seat's own save is never taken for another user's change,
// while a change by another seat since is still caught when this edit is posted.
void RowEditor::storedBySeat(const QString &table, qint64 key, qint64 version, const QObject *by)
{
    if (by == &m_d || !m_d.m_table || !m_d.isOpen() ||
        table.compare(m_d.m_table->name, Qt::CaseInsensitive) != 0)
        return;
    // Only an edit that started from the version this seat just replaced is carried over; one
    // that started earlier may miss another seat's change and is refused when posted.
    if (m_d.m_state == Dataset::State::Edit && m_edit.key == key && version >= 0 &&
        m_edit.version == version - 1) {
        try {
            QSqlQuery q = m_d.run(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :k")
                                      .arg(m_d.m_pages->selectList(), m_d.m_table->name,
                                           m_d.m_db.ident(m_d.m_table->keyColumn())),
                                  {{QStringLiteral("k"), key}});
            if (q.next()) {
                const Dataset::Row fresh = m_d.m_pages->readRow(q, 2);
                for (int i = 0; i < m_d.m_columns.size(); ++i)
                    if (!m_changed[i])
                        m_edit.values[i] = fresh.values[i];
            }
        } catch (const StoreError &e) {
            // The server went away just after the save: only what is typed here is stored
            // by this edit, so the new version is all it needs.
            if (!e.isConnectionLoss())
                throw;
        }
        m_edit.version = version;
    }
    if (!m_d.m_lazy || !m_d.m_pages->contains(key))
        return;
    m_d.m_pages->remove(key);
    m_d.invalidateLookups();
    const int row = int(m_d.m_keys.indexOf(key));
    if (row >= 0)
        Q_EMIT m_d.rowChanged(row);
}

} // namespace store
