// tessaly-bench: how fast the shared cursors are on a generated store (see tessaly-gen), each
// figure printed beside a raw baseline measured in the same run on the same connection.
//
//   tessaly-bench LOCATION [--runs N] [--moves N] [--logs N] [--scroll] [--only TEXT]
//
// On SQLite the baseline is the SQLite C API stepping through the same rows and reading every
// column; on PostgreSQL it is a forward-only QSqlQuery doing the same. The figures are printed
// with their targets; a missed target is reported, never a failure.
//
//   --runs N    runs of each timed figure, the median printed (7)
//   --moves N   moves of the agent list (200);  --logs N  log rows written (200)
//   --scroll    also read every field of every record, as a grid scrolled end to end
//   --only TEXT run only the figures whose name holds TEXT (for profiling)
#include "benchsupport.h"
#include "connection.h"
#include "datamodule.h"
#include "operationlog.h"
#include "schema.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <vector>

using store::Connection;
using store::DataModule;
using store::Dataset;
using store::StoreError;
using bench::loadAverage;
using bench::median;
using bench::statusKb;
using bench::timed;

namespace
{

// ---------------------------------------------------------------- measuring

// Every value read goes in here, so no read can be left out by the optimiser.
quint64 g_sink = 0;
void consume(const QVariant &v)
{
    g_sink += quint64(v.typeId()) + quint64(v.isNull());
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return std::nan("");
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// ---------------------------------------------------------------- raw baselines

class Raw
{
  public:
    virtual ~Raw() = default;
    virtual const char *name() const = 0;
    // Steps through every row of the statement and reads every column; returns the rows.
    virtual qint64 read(const QString &sql, const QVariantList &values = {}) = 0;
    // Runs one statement on its own (committed by itself).
    virtual void write(const QString &sql, const QVariantList &values) = 0;
};

// The SQLite C API on the connection the data module uses: its statements prepared once.
class RawSqlite : public Raw
{
  public:
    explicit RawSqlite(sqlite3 *db) : m_db(db) {}
    ~RawSqlite() override
    {
        // Before the data module closes the handle, which refuses while statements live.
        for (sqlite3_stmt *s : std::as_const(m_statements))
            sqlite3_finalize(s);
    }
    const char *name() const override { return "SQLite C API"; }

    qint64 read(const QString &sql, const QVariantList &values) override
    {
        sqlite3_stmt *s = prepared(sql, values);
        const int columns = sqlite3_column_count(s);
        qint64 rows = 0;
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(s, c)) {
                case SQLITE_INTEGER:
                    g_sink += quint64(sqlite3_column_int64(s, c));
                    break;
                case SQLITE_FLOAT:
                    g_sink += quint64(sqlite3_column_double(s, c));
                    break;
                case SQLITE_NULL:
                    ++g_sink;
                    break;
                default: {
                    const unsigned char *text = sqlite3_column_text(s, c);
                    g_sink += quint64(sqlite3_column_bytes(s, c)) + (text ? text[0] : 0);
                }
                }
            }
            ++rows;
        }
        finish(s, rc);
        return rows;
    }

    void write(const QString &sql, const QVariantList &values) override
    {
        sqlite3_stmt *s = prepared(sql, values);
        finish(s, sqlite3_step(s));
    }

  private:
    sqlite3_stmt *prepared(const QString &sql, const QVariantList &values)
    {
        sqlite3_stmt *&s = m_statements[sql];
        if (!s) {
            const QByteArray text = sql.toUtf8();
            if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &s, nullptr) !=
                SQLITE_OK)
                throw StoreError(QString::fromUtf8(sqlite3_errmsg(m_db)));
        }
        m_bound.clear();
        for (int i = 0; i < int(values.size()); ++i) {
            const QVariant &v = values[i];
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::Bool:
                sqlite3_bind_int64(s, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
                sqlite3_bind_double(s, i + 1, v.toDouble());
                break;
            default:
                if (v.isNull()) {
                    sqlite3_bind_null(s, i + 1);
                } else {
                    m_bound.push_back(v.toString().toUtf8());
                    sqlite3_bind_text(s, i + 1, m_bound.back().constData(),
                                      int(m_bound.back().size()), SQLITE_STATIC);
                }
            }
        }
        return s;
    }

    void finish(sqlite3_stmt *s, int rc)
    {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        if (rc != SQLITE_DONE)
            throw StoreError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }

    sqlite3 *m_db;
    QHash<QString, sqlite3_stmt *> m_statements;
    std::vector<QByteArray> m_bound;
};

// PostgreSQL: a forward-only QSqlQuery per statement, prepared once, reading every column.
class RawQuery : public Raw
{
  public:
    explicit RawQuery(const QSqlDatabase &db) : m_db(db) {}
    const char *name() const override { return "forward-only QSqlQuery"; }

    qint64 read(const QString &sql, const QVariantList &values) override
    {
        QSqlQuery &q = run(sql, values);
        const int columns = q.record().count();
        qint64 rows = 0;
        while (q.next()) {
            for (int c = 0; c < columns; ++c)
                consume(q.value(c));
            ++rows;
        }
        q.finish();
        return rows;
    }

    void write(const QString &sql, const QVariantList &values) override
    {
        run(sql, values).finish();
    }

  private:
    QSqlQuery &run(const QString &sql, const QVariantList &values)
    {
        std::unique_ptr<QSqlQuery> &q = m_queries[sql];
        if (!q) {
            q = std::make_unique<QSqlQuery>(m_db);
            q->setForwardOnly(true);
            q->setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
            if (!q->prepare(sql))
                throw StoreError::fromSql(q->lastError());
        }
        for (int i = 0; i < int(values.size()); ++i)
            q->bindValue(i, values[i]);
        if (!q->exec())
            throw StoreError::fromSql(q->lastError());
        return *q;
    }

    QSqlDatabase m_db;
    std::map<QString, std::unique_ptr<QSqlQuery>> m_queries;
};

// ---------------------------------------------------------------- the report

struct Figure {
    QString name;
    double measured = 0; // ms, or MB for memory
    double baseline = std::nan("");
    QString unit = QStringLiteral("ms");
    enum class Target { None, AtMost, TimesBaseline } target = Target::None;
    double limit = 0;
    QString note;

    bool hasTarget() const { return target != Target::None; }
    double bound() const { return target == Target::TimesBaseline ? limit * baseline : limit; }
    bool met() const { return measured <= bound(); }
};

QString amount(double v, const QString &unit)
{
    if (std::isnan(v))
        return QStringLiteral("n/a");
    const int decimals = v < 10 ? 2 : v < 1000 ? 1 : 0;
    return QString::number(v, 'f', decimals) + QLatin1Char(' ') + unit;
}

void print(const std::vector<Figure> &figures)
{
    std::printf("\n%-3s %-56s %12s %12s %-24s %s\n", "#", "figure", "measured", "baseline",
                "target", "result");
    std::printf("%s\n", QByteArray(124, '-').constData());
    int n = 0;
    for (const Figure &f : figures) {
        QString target = QStringLiteral("-"), result = QStringLiteral("-");
        if (f.target == Figure::Target::AtMost) {
            target = QStringLiteral("<= ") + amount(f.limit, f.unit);
            result = f.met() ? QStringLiteral("met") : QStringLiteral("MISSED");
        } else if (f.target == Figure::Target::TimesBaseline) {
            target = QStringLiteral("<= %1 x baseline").arg(f.limit);
            if (std::isnan(f.baseline)) {
                result = QStringLiteral("n/a");
            } else {
                result = QStringLiteral("%1 (%2 x)")
                             .arg(f.met() ? QStringLiteral("met") : QStringLiteral("MISSED"))
                             .arg(f.measured / f.baseline, 0, 'f', 2);
            }
        }
        std::printf("%-3d %-56s %12s %12s %-24s %s\n", ++n, qPrintable(f.name),
                    qPrintable(amount(f.measured, f.unit)), qPrintable(amount(f.baseline, f.unit)),
                    qPrintable(target), qPrintable(result));
    }
    std::printf("\n");
    n = 0;
    for (const Figure &f : figures) {
        ++n;
        if (!f.note.isEmpty())
            std::printf("[%d] %s\n", n, qPrintable(f.note));
    }
}

// ---------------------------------------------------------------- the runs

struct Options {
    QString location;
    int runs = 7;
    int moves = 200;
    int logs = 200;
    bool scroll = false;
    QString only; // runs only the figures whose name holds this text (for profiling)
};

class Bench
{
  public:
    Bench(DataModule &dm, Raw &raw, const Options &o)
        : m_dm(dm), m_db(dm.connection()), m_raw(raw), m_o(o)
    {
    }

    // What Dataset reads for a row: key, row version, then the visible columns.
    QString selectList(const char *table) const
    {
        const store::Table *t = store::Schema::find(QLatin1String(table));
        QStringList cols{m_db.ident(t->keyColumn()), m_db.ident(QLatin1String(store::RowVersion))};
        for (const QString &c : t->columnNames())
            cols << m_db.ident(c);
        return cols.join(QStringLiteral(", "));
    }
    QString id(const char *name) const { return m_db.ident(QLatin1String(name)); }

    // What a commit waits for, as the store says: it bounds the log figure.
    QString durability()
    {
        if (m_db.engine() == store::Engine::SQLite)
            return QStringLiteral("journal_mode=%1, synchronous=%2 (2 = FULL: every commit synced)")
                .arg(m_db.scalar(QStringLiteral("PRAGMA journal_mode")).toString(),
                     m_db.scalar(QStringLiteral("PRAGMA synchronous")).toString());
        return QStringLiteral("server fsync=%1, synchronous_commit=%2")
            .arg(m_db.scalar(QStringLiteral("SHOW fsync")).toString(),
                 m_db.scalar(QStringLiteral("SHOW synchronous_commit")).toString());
    }

    static void readRows(Dataset &d, int rows)
    {
        const int fields = int(d.fieldNames().size());
        for (int r = 0; r < std::min(rows, d.rowCount()); ++r)
            for (int f = 0; f < fields; ++f)
                consume(d.value(r, f));
    }

    // Runs measured and baseline alternately, so both see the same caches; medians of each.
    Figure pair(const QString &name, int runs, const std::function<void()> &setUp,
                const std::function<void()> &measured, const std::function<void()> &baseline)
    {
        std::vector<double> m, b;
        for (int i = 0; i < runs; ++i) {
            if (setUp)
                setUp();
            m.push_back(timed(measured));
            b.push_back(timed(baseline));
        }
        Figure f;
        f.name = name;
        f.measured = median(m);
        f.baseline = median(b);
        f.note = QStringLiteral("runs %1, first %2 ms, fastest %3 ms")
                     .arg(runs)
                     .arg(m.front(), 0, 'f', 1)
                     .arg(*std::min_element(m.begin(), m.end()), 0, 'f', 1);
        return f;
    }

    std::vector<Figure> run()
    {
        std::vector<Figure> out;
        Dataset &agents = m_dm.tblCustomers;
        const QString agentRows = selectList("tblCustomers");
        const QString cno = id("CNo");
        agents.open(); // open already when the first figure is left out

        // ---- open the agent list and show its first screen
        if (want("open tblCustomers")) {
            Figure f = pair(
                QStringLiteral("open tblCustomers + first 50 rows, every field"), m_o.runs,
                [&] { agents.close(); },
                [&] {
                    agents.open();
                    readRows(agents, 50);
                },
                [&] {
                    m_raw.read(QStringLiteral("SELECT %1 FROM tblCustomers ORDER BY %1").arg(cno));
                    m_raw.read(QStringLiteral("SELECT %1 FROM tblCustomers ORDER BY %2 LIMIT 50")
                                   .arg(agentRows, cno));
                });
            f.target = Figure::Target::AtMost;
            f.limit = 100;
            f.note += QStringLiteral("; %1 fields incl. %2 display fields; baseline: every key in "
                                     "order + 50 full rows")
                          .arg(agents.fieldNames().size())
                          .arg(agents.fieldNames().size() -
                               store::Schema::find(QStringLiteral("tblCustomers"))->columns.size());
            out.push_back(f);
        }

        // ---- every row: the grid's summaries and grouping
        if (want("forEachRow")) {
            qint64 rows = 0;
            Figure f = pair(
                QStringLiteral("forEachRow tblCustomers, every field"), m_o.runs, {},
                [&] {
                    rows = 0;
                    agents.forEachRow([&](int, const QVector<QVariant> &values) {
                        for (const QVariant &v : values)
                            consume(v);
                        ++rows;
                    });
                },
                [&] {
                    m_raw.read(QStringLiteral("SELECT %1 FROM tblCustomers ORDER BY %2")
                                   .arg(agentRows, cno));
                });
            f.target = Figure::Target::TimesBaseline;
            f.limit = 2.5;
            f.note +=
                QStringLiteral("; %1 rows; baseline: the same rows, every table column").arg(rows);
            if (m_db.engine() == store::Engine::SQLite) {
                // Where the time goes: the same rows through Qt's driver alone.
                RawQuery qt(m_db.database());
                std::vector<double> q;
                for (int i = 0; i < m_o.runs; ++i)
                    q.push_back(timed([&] {
                        qt.read(QStringLiteral("SELECT %1 FROM tblCustomers ORDER BY %2")
                                    .arg(agentRows, cno),
                                {});
                    }));
                f.note += QStringLiteral("; the same rows through a forward-only QSqlQuery: %1 ms")
                              .arg(median(q), 0, 'f', 1);
            }
            out.push_back(f);
        }
        if (want("columnValues")) {
            qint64 rows = 0;
            Figure f = pair(
                QStringLiteral("columnValues(\"CustName\") of tblCustomers"), m_o.runs, {},
                [&] { rows = agents.columnValues(QStringLiteral("CustName")).size(); },
                [&] {
                    m_raw.read(QStringLiteral("SELECT %1, %2 FROM tblCustomers ORDER BY %1")
                                   .arg(cno, id("CustName")));
                });
            f.target = Figure::Target::TimesBaseline;
            f.limit = 2.5;
            f.note += QStringLiteral("; %1 values; baseline: key and CustName of the same rows")
                          .arg(rows);
            out.push_back(f);
        }

        // ---- sort by name and show the first screen
        if (want("setSort")) {
            const QString byName = QStringLiteral(" ORDER BY %1 ASC NULLS FIRST, %2")
                                       .arg(id("CustName"), cno); // as Dataset orders
            Figure f = pair(
                QStringLiteral("setSort(\"CustName\") + first 50 rows, every field"), m_o.runs,
                [&] { agents.clearSort(); },
                [&] {
                    agents.setSort(QStringLiteral("CustName"));
                    readRows(agents, 50);
                },
                [&] {
                    m_raw.read(QStringLiteral("SELECT %1 FROM tblCustomers").arg(cno) + byName);
                    m_raw.read(QStringLiteral("SELECT %1 FROM tblCustomers").arg(agentRows) +
                               byName + QStringLiteral(" LIMIT 50"));
                });
            agents.clearSort();
            f.target = Figure::Target::AtMost;
            f.limit = 300;
            f.note += QStringLiteral("; baseline: every key in name order + 50 full rows");
            out.push_back(f);
        }

        // ---- move the agent list; contacts and records follow
        if (want("move")) {
            Dataset &contacts = m_dm.tblLinkmans, &records = m_dm.tblOperates;
            contacts.open(); // the records' LinkmanName is looked up in the agent's contacts
            records.open();
            std::mt19937 rng(7);
            std::uniform_int_distribution<int> anyRow(0, agents.rowCount() - 1);
            const QString recordRows =
                QStringLiteral("SELECT %1 FROM tblOperates WHERE %2 = ? ORDER BY %3")
                    .arg(selectList("tblOperates"), id("CustID"), id(store::RowKey));
            const QString contactRows =
                QStringLiteral("SELECT %1 FROM tblLinkmans WHERE %2 = ? ORDER BY %3")
                    .arg(selectList("tblLinkmans"), id("CustID"), id("LNo"));
            const int recordFields = int(records.fieldNames().size());
            std::vector<double> m, b;
            qint64 detailRows = 0;
            for (int i = 0; i < m_o.moves; ++i) {
                const int row = anyRow(rng);
                m.push_back(timed([&] {
                    agents.moveTo(row);
                    for (int r = 0; r < records.rowCount(); ++r)
                        for (int f = 0; f < recordFields; ++f)
                            consume(records.value(r, f));
                }));
                detailRows += records.rowCount();
                const QVariant custId = agents.value(row, QStringLiteral("CustId"));
                b.push_back(timed([&] {
                    m_raw.read(recordRows, {custId});
                    m_raw.read(contactRows, {custId});
                }));
            }
            Figure f;
            f.name = QStringLiteral("move tblCustomers, tblOperates follows, read its rows");
            f.measured = median(m);
            f.baseline = median(b);
            f.target = Figure::Target::AtMost;
            f.limit = 5;
            f.note = QStringLiteral(
                         "%1 random moves over %2 agents, %3 records in the table, %4 detail rows "
                         "per move on average; p90 %5 ms, max %6 ms; details open: tblLinkmans, "
                         "tblOperates; baseline: that agent's records and contacts, every column")
                         .arg(m_o.moves)
                         .arg(agents.rowCount())
                         .arg(m_dm.tblOperates2.rowCount())
                         .arg(double(detailRows) / std::max(1, m_o.moves), 0, 'f', 1)
                         .arg(percentile(m, 0.9), 0, 'f', 2)
                         .arg(*std::max_element(m.begin(), m.end()), 0, 'f', 2);
            out.push_back(f);
        }

        // ---- the operation log, one durable row per command
        if (want("writeLog")) {
            const QString text = QString::fromUtf8("性能测试"),
                          rawText = QString::fromUtf8("性能测试（基准）");
            const QString insert = QStringLiteral(
                "INSERT INTO tblLog (LogDateTime, UserID, Operate) VALUES (?, ?, ?)");
            std::vector<double> m, b;
            for (int i = 0; i < m_o.logs; ++i) {
                m.push_back(timed([&] { m_dm.writeLog(text); }));
                b.push_back(timed([&] {
                    m_raw.write(insert, {store::OperationLog::dateTimeText(),
                                         store::session().CurrentUserID, rawText});
                }));
            }
            // The benchmark's own rows go again, so every run meets the same store.
            m_db.exec(QStringLiteral("DELETE FROM tblLog WHERE Operate IN (?, ?)"),
                      {text, rawText});
            Figure f;
            f.name = QStringLiteral("writeLog (one durable insert into tblLog)");
            f.measured = median(m);
            f.baseline = median(b);
            f.target = Figure::Target::AtMost;
            f.limit = 5;
            f.note = QStringLiteral(
                         "%1 calls, p90 %2 ms; %3; baseline: the same insert through the raw API")
                         .arg(m_o.logs)
                         .arg(percentile(m, 0.9), 0, 'f', 2)
                         .arg(durability());
            out.push_back(f);
        }

        // ---- the shared sets a seat keeps open
        {
            Dataset &customers2 = m_dm.tblCustomers2, &records2 = m_dm.tblOperates2;
            customers2.open();
            records2.open();
            readRows(customers2, 50);
            readRows(records2, 50);
            QString scrolled;
            if (m_o.scroll) {
                // A grid scrolled from the first record to the last: every field of every row.
                const double ms = timed([&] { readRows(records2, records2.rowCount()); });
                scrolled =
                    QStringLiteral(
                        "; tblOperates2 scrolled end to end (every field of %1 rows) in %2 s")
                        .arg(records2.rowCount())
                        .arg(ms / 1000.0, 0, 'f', 1);
            }
            Figure f;
            f.name = QStringLiteral("peak memory (VmHWM), agent and record sets open");
            f.unit = QStringLiteral("MB");
            f.measured = double(statusKb("VmHWM")) / 1024.0;
            f.baseline = m_startHwm / 1024.0;
            f.target = Figure::Target::AtMost;
            f.limit = 300;
            f.note =
                QStringLiteral("open: tblCustomers %1 rows, tblCustomers2 %2, tblOperates2 %3 "
                               "(+ the start-up sets); VmRSS now %4 MB; baseline: VmHWM before the "
                               "store was opened%5")
                    .arg(agents.rowCount())
                    .arg(customers2.rowCount())
                    .arg(records2.rowCount())
                    .arg(double(statusKb("VmRSS")) / 1024.0, 0, 'f', 1)
                    .arg(scrolled);
            out.push_back(f);
        }
        return out;
    }

    double m_startHwm = 0;

  private:
    bool want(const char *figure) const
    {
        return m_o.only.isEmpty() ||
               QString::fromUtf8(figure).contains(m_o.only, Qt::CaseInsensitive);
    }

    DataModule &m_dm;
    Connection &m_db;
    Raw &m_raw;
    const Options &m_o;
};

int usage()
{
    std::fprintf(
        stderr,
        "usage: tessaly-bench LOCATION [--runs N] [--moves N] [--logs N] [--scroll] [--only TEXT]\n"
        "  LOCATION: a store made by tessaly-gen (a file path or postgresql://...)\n");
    return 2;
}

QString shown(const QString &location)
{
    if (!Connection::isServerLocation(location))
        return QFileInfo(location).absoluteFilePath();
    store::ServerAddress a = store::ServerAddress::parse(location);
    a.password.clear();
    return a.uri();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        int *number = a == QLatin1String("--runs")    ? &o.runs
                      : a == QLatin1String("--moves") ? &o.moves
                      : a == QLatin1String("--logs")  ? &o.logs
                                                      : nullptr;
        if (number) {
            bool ok = false;
            *number = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok || *number < 1)
                return usage();
        } else if (a == QLatin1String("--scroll")) {
            o.scroll = true;
        } else if (a == QLatin1String("--only") && i + 1 < args.size()) {
            o.only = args[++i];
        } else if (o.location.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            o.location = Connection::normalise(a);
        } else {
            return usage();
        }
    }
    if (o.location.isEmpty())
        return usage();

    const double startHwm = double(statusKb("VmHWM"));
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "tessaly-bench: no temporary folder\n");
        return 1;
    }
    const QString appDir = dir.path() + QLatin1Char('/');
    try {
        store::ServerFile::write(appDir, o.location);
        store::session().setAppDir(appDir);
        store::session().CurrentUserID = QStringLiteral("Admin");

        // Start-up: the connection and the sets the after-connect step opens (the records'
        // set holds every record), each run a seat of its own. The first meets a cold store.
        std::vector<double> startups;
        for (int i = 0; i < 3; ++i) {
            DataModule seat;
            startups.push_back(timed([&] { seat.openAtStartup(appDir); }));
        }
        DataModule dm;
        dm.openAtStartup(appDir);
        std::vector<Figure> figures;
        Connection &db = dm.connection();
        const bool sqlite = db.engine() == store::Engine::SQLite;
        std::printf("tessaly-bench: %s store %s\n", sqlite ? "SQLite" : "PostgreSQL",
                    qPrintable(shown(o.location)));
        std::printf(
            "  %s agents, %s records, %s record details, %s schedule entries, %s log rows\n",
            qPrintable(db.scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toString()),
            qPrintable(db.scalar(QStringLiteral("SELECT count(*) FROM tblOperates")).toString()),
            qPrintable(
                db.scalar(QStringLiteral("SELECT count(*) FROM tblOperateDetail")).toString()),
            qPrintable(db.scalar(QStringLiteral("SELECT count(*) FROM tblPlan")).toString()),
            qPrintable(db.scalar(QStringLiteral("SELECT count(*) FROM tblLog")).toString()));

        std::printf(
            "  machine: %d cores, load average %s at the start (figures from a busy machine "
            "vary from run to run)\n",
            QThread::idealThreadCount(), qPrintable(loadAverage()));
        std::unique_ptr<Raw> raw;
        if (sqlite)
            raw = std::make_unique<RawSqlite>(db.sqliteHandle());
        else
            raw = std::make_unique<RawQuery>(db.database());
        std::printf("  baseline: %s on the same connection, the same rows, every column read\n",
                    raw->name());
        std::fflush(stdout);

        {
            Figure f;
            f.name = QStringLiteral("start-up: openAtStartup (connection + shared sets)");
            f.measured = median(startups);
            std::vector<double> b;
            for (int i = 0; i < 3; ++i)
                b.push_back(timed([&] {
                    raw->read(QStringLiteral("SELECT %1 FROM tblOperates ORDER BY %1")
                                  .arg(db.ident(QLatin1String(store::RowKey))));
                    for (int k = 0; k < 2; ++k) // tblCustomers2 and qryCustomers1
                        raw->read(QStringLiteral("SELECT %1 FROM tblCustomers ORDER BY %1")
                                      .arg(db.ident(QStringLiteral("CNo"))));
                }));
            f.baseline = median(b);
            f.note =
                QStringLiteral(
                    "3 runs, first (cold) %1 ms; baseline: the keys of tblOperates once and of "
                    "tblCustomers twice, in order")
                    .arg(startups.front(), 0, 'f', 1);
            figures.push_back(f);
        }
        {
            Dataset &records2 = dm.tblOperates2;
            Figure f =
                Bench(dm, *raw, o)
                    .pair(
                        QStringLiteral("refresh tblOperates2 (reread every record key)"), 3, {},
                        [&] { records2.refresh(); },
                        [&] {
                            raw->read(QStringLiteral("SELECT %1 FROM tblOperates ORDER BY %1")
                                          .arg(db.ident(QLatin1String(store::RowKey))));
                        });
            f.note += QStringLiteral("; %1 keys").arg(records2.rowCount());
            figures.push_back(f);
        }

        Bench bench(dm, *raw, o);
        bench.m_startHwm = startHwm;
        for (Figure &f : bench.run())
            figures.push_back(f);
        raw.reset(); // its statements go before the connection does

        print(figures);
        std::printf("load average at the end: %s\n", qPrintable(loadAverage()));
        std::printf("\n(checksum %llu)\n", static_cast<unsigned long long>(g_sink % 1000));
    } catch (const StoreError &e) {
        std::fprintf(stderr, "tessaly-bench: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
