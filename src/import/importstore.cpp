// The store of a checked file: every row in one transaction, or none; then the report.
#include "connection.h"
#include "importrunprivate.h"
#include "rowupdates.h"
#include "searchindex.h"
#include "sheetreader.h"
#include "storeerror.h"

#include <QDataStream>
#include <QDate>
#include <QDir>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>

namespace importing
{

namespace
{

constexpr int ReportEvery = 256;
constexpr int KeptLines = 1000; // report lines the window can show

struct Cancelled {
};

QString placeholders(int columns, int rows)
{
    const QString one = QLatin1Char('(') +
                        QStringList(columns, QStringLiteral("?")).join(QLatin1Char(',')) +
                        QLatin1Char(')');
    return QStringList(rows, one).join(QLatin1Char(','));
}

void run(QSqlQuery &q)
{
    if (!q.exec())
        throw store::StoreError::fromSql(q.lastError());
}

} // namespace

QVariant bindable(const QVariant &value, store::ColumnType type, bool sqlite)
{
    using T = store::ColumnType;
    if (!value.isValid()) {
        switch (type) {
        case T::Bool:
            return false; // the column is never null
        case T::Date:
            return sqlite ? QVariant(QMetaType::fromType<QString>())
                          : QVariant(QMetaType::fromType<QDate>());
        case T::Number:
        case T::Currency:
        case T::Integer:
        case T::AutoNumber:
            return QVariant(QMetaType::fromType<double>());
        default:
            return QVariant(QMetaType::fromType<QString>());
        }
    }
    if (type == T::Date && sqlite)
        return value.toDate().toString(Qt::ISODate);
    return value;
}

QByteArray csvField(const QString &text)
{
    QByteArray f = text.toUtf8();
    if (f.contains('"') || f.contains(',') || f.contains('\n') || f.contains('\r')) {
        f.replace("\"", "\"\"");
        f = '"' + f + '"';
    }
    return f;
}

namespace
{

// The insert of one store's new rows, prepared once and run for every batch. Rows go to a
// server several to a statement (one round trip each); SQLite, in the same process, takes them
// one by one as fast, and names its parameters less slowly so.
class Statements
{
  public:
    Statements(store::Connection &db, const std::vector<ImportRun::Target> &targets,
               const QString &table, const QString &owner)
        : m_targets(targets), m_owner(owner), m_sqlite(db.engine() == store::Engine::SQLite),
          m_insert(db.database()), m_rest(db.database())
    {
        QStringList cols;
        for (const ImportRun::Target &t : targets)
            cols << db.ident(t.name);
        if (!owner.isEmpty())
            cols << db.ident(QStringLiteral("SUser"));
        m_columns = int(cols.size());
        m_batch = m_sqlite ? 1 : qMax(1, ParametersPerStatement / m_columns);
        m_head =
            QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(table, cols.join(QLatin1Char(',')));
        prepareStatement(m_insert, m_head + placeholders(m_columns, m_batch));
    }

    void add(const QVector<QVariant> &values)
    {
        for (size_t i = 0; i < m_targets.size(); ++i)
            m_pending << bindable(values[qsizetype(i)], m_targets[i].type, m_sqlite);
        if (!m_owner.isEmpty())
            m_pending << m_owner;
        if (m_pending.size() >= m_columns * m_batch)
            flush();
    }

    void flush()
    {
        if (m_pending.isEmpty())
            return;
        const int rows = int(m_pending.size()) / m_columns;
        QSqlQuery &q = rows == m_batch ? m_insert : m_rest;
        if (rows != m_batch)
            prepareStatement(m_rest, m_head + placeholders(m_columns, rows));
        for (int i = 0; i < m_pending.size(); ++i)
            q.bindValue(i, m_pending[i]);
        run(q);
        m_pending.clear();
    }

  private:
    const std::vector<ImportRun::Target> &m_targets;
    QString m_owner;
    bool m_sqlite;
    int m_columns = 0, m_batch = 1;
    QString m_head;
    QSqlQuery m_insert, m_rest; // m_rest: the last, shorter batch
    QVariantList m_pending;
};

// What becomes of each checked row: added, updated, or left out with why (in the report).
class RowStore
{
  public:
    RowStore(ImportRun::Private &d, const StoreChoices &choices, Statements &sql,
             RowUpdates &updates)
        : m_d(d), m_choices(choices), m_sql(sql), m_updates(updates)
    {
    }

    void take(qint64 row, const QString &code, const QString &why, const QVector<QVariant> &values)
    {
        const StoredRows::Existing *existing = m_d.stored->existing(code);
        if (!why.isEmpty() || (existing && existing->foreign)) {
            leaveOut(row, code, QStringLiteral("有问题"),
                     why.isEmpty() ? QStringLiteral("代码已被其他用户的记录使用") : why);
        } else if (existing) {
            if (!m_choices.updateExisting || !m_updates.possible()) {
                leaveOut(row, code, QStringLiteral("代码已存在"),
                         QStringLiteral("代码已存在，按选择略过"));
            } else {
                m_updates.add(row, code, values);
                settle();
            }
        } else if (!m_choices.keepPossibleDuplicates && m_d.possibleDuplicates.contains(row)) {
            leaveOut(row, code, QStringLiteral("疑似重复"),
                     QStringLiteral("疑似与已有记录重复，按选择略过"));
        } else {
            m_sql.add(values);
            ++outcome.added;
            outcome.addedCodes << code;
        }
    }

    // Counts the updates run so far; a code without a row (of the user) is left out.
    void settle()
    {
        for (const RowUpdates::Done &d : m_updates.take()) {
            if (d.found) {
                ++outcome.updated;
                updated.push_back({d.key, d.version});
            } else {
                leaveOut(d.row, d.code, QStringLiteral("代码已存在"),
                         QStringLiteral("已有的记录已被删除或属于其他用户"));
            }
        }
    }

    StoreOutcome outcome;
    std::vector<std::pair<qint64, qint64>> updated; // key and new version of each updated row

  private:
    void leaveOut(qint64 row, const QString &code, const QString &kind, const QString &why)
    {
        ++outcome.leftOut;
        ++outcome.leftOutBy[kind];
        if (m_d.lines.size() < KeptLines)
            m_d.lines.append({row, code, why});
        m_d.report->write(csvField(QString::number(row)) + ',' + csvField(code) + ',' +
                          csvField(why) + "\r\n");
    }

    ImportRun::Private &m_d;
    const StoreChoices &m_choices;
    Statements &m_sql;
    RowUpdates &m_updates;
};

} // namespace

StoreOutcome ImportRun::store(const StoreChoices &choices, const Progress &progress)
{
    if (!d->checked || !d->spool)
        throw ReadError{QStringLiteral("请先检查文件，再导入。")};
    if (d->problemRows > 0 && !choices.leaveOutProblems)
        throw ReadError{QStringLiteral("文件中还有有问题的行，没有导入任何数据。")};
    d->lines.clear();
    d->report = std::make_unique<QTemporaryFile>();
    if (!d->report->open())
        throw ReadError{QStringLiteral("无法建立临时文件：%1").arg(d->report->errorString())};
    const qint64 total = qMax<qint64>(1, d->spool->size());
    // Prepared outside the transaction, so that they are let go only after a failed one is
    // rolled back (a server frees no statement inside an aborted transaction).
    const QString owner = d->ownerColumn() ? d->user : QString();
    Statements sql(d->db, d->targets, d->list.table, owner);
    RowUpdates updates(d->db, d->targets, d->keyTarget, d->list.table, d->list.key, owner,
                       d->list.ownership && !d->administrator);
    RowStore rows(*d, choices, sql, updates);
    try {
        d->db.transaction([&] {
            d->spool->seek(0);
            QDataStream in(d->spool.get());
            qint64 done = 0;
            while (!in.atEnd()) {
                qint64 row = 0;
                QString code, why;
                QVector<QVariant> values;
                in >> row >> code >> why >> values;
                if (in.status() != QDataStream::Ok)
                    throw ReadError{QStringLiteral("临时文件读取失败，没有导入任何数据。")};
                rows.take(row, code, why, values);
                if (++done % ReportEvery == 0 && progress &&
                    !progress(double(d->spool->pos()) / double(total)))
                    throw Cancelled{};
            }
            sql.flush();
            updates.flush();
            rows.settle();
            // The new and changed rows come with their search texts, not at the next search.
            store::SearchIndex::fill(d->db, *d->table);
        });
    } catch (const Cancelled &) {
        StoreOutcome cancelled;
        cancelled.cancelled = true;
        d->lines.clear();
        return cancelled;
    }
    if (!d->report->flush())
        throw ReadError{QStringLiteral("临时文件写入失败：%1").arg(d->report->errorString())};
    for (const auto &[key, version] : rows.updated)
        d->db.announceStored(d->table->name, key, version);
    if (progress)
        progress(1.0);
    return rows.outcome;
}

QList<ImportRun::ReportLine> ImportRun::reportLines(int limit) const
{
    return d->lines.mid(0, limit);
}

void ImportRun::saveReport(const QString &path, const StoreOutcome &outcome) const
{
    QSaveFile file(path);
    const auto fail = [&] {
        throw ReadError{QStringLiteral("文件“%1”无法写入：%2")
                            .arg(QDir::toNativeSeparators(path), file.errorString())};
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    QByteArray head = QByteArrayLiteral("\xEF\xBB\xBF");
    const auto line = [&head](const QString &a, const QString &b) {
        head += csvField(a) + ',' + csvField(b) + "\r\n";
    };
    line(QStringLiteral("结果"), QStringLiteral("行数"));
    line(QStringLiteral("新增"), QString::number(outcome.added));
    line(QStringLiteral("更新"), QString::number(outcome.updated));
    line(QStringLiteral("略过"), QString::number(outcome.leftOut));
    for (auto it = outcome.leftOutBy.cbegin(); it != outcome.leftOutBy.cend(); ++it)
        line(QStringLiteral("略过：") + it.key(), QString::number(it.value()));
    if (!outcome.folderFailures.isEmpty())
        line(QStringLiteral("文档文件夹未能建立"), QString::number(outcome.folderFailures.size()));
    head += "\r\n" + csvField(QStringLiteral("行号")) + ',' + csvField(QStringLiteral("代码")) +
            ',' + csvField(QStringLiteral("略过的原因")) + "\r\n";
    file.write(head);
    if (d->report) {
        d->report->seek(0);
        while (!d->report->atEnd())
            file.write(d->report->read(1 << 16));
    }
    if (!outcome.folderFailures.isEmpty()) {
        QByteArray folders = "\r\n" + csvField(QStringLiteral("代码")) + ',' +
                             csvField(QStringLiteral("文档文件夹未能建立的原因")) + "\r\n";
        for (const FolderFailure &f : outcome.folderFailures)
            folders += csvField(f.code) + ',' + csvField(f.why) + "\r\n";
        file.write(folders);
    }
    if (!file.commit())
        fail();
}

} // namespace importing
