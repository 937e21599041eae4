// tessaly-bench-referrers: the referrers module as a seat meets it, through the real main
// window (offscreen): F4 to the list's first screen, 修改 on a busy referrer to its record grid,
// 刷新, a search by name, the delete check of a referrer with records and the e-mail export.
//
//   tessaly-bench-referrers LOCATION [--runs N] [--fill N]
//
// --fill N first brings the store to N referrers (codes BR00001...) and makes BR00001 the
// referrer of 5,000 contact records; it writes to the store, so give it a copy of the
// benchmark store. Without it the store is only read.
//
// Figures are printed with their targets; a missed target is reported, never a failure.
#include "referrers.h"
#include "condition.h"
#include "datagrid.h"
#include "filedialog.h"
#include "modulesupport.h"
#include "referrerform.h"
#include "referrerswindow.h"

#include <QTabWidget>
#include <QTreeView>
#include <ctime>

namespace
{

using bench::Figure;
using bench::median;
using bench::timed;

const QString Busy = QStringLiteral("BR00001");

// This process's processor time, in ms. On a busy machine the wall clock mostly measures the
// wait for a core; this tells what the seat itself spent.
double cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The wall time of `work`, with the processor time it took added to `cpu`.
double timedWithCpu(const std::function<void()> &work, std::vector<double> &cpu)
{
    const double before = cpuNow();
    const double wall = timed(work);
    cpu.push_back(cpuNow() - before);
    return wall;
}
constexpr int BusyRecords = 5000;

// Adds referrers up to `count` and points the first BusyRecords contact records at Busy.
void fill(const QString &location, int count)
{
    store::Connection db;
    db.open(location);
    const int have = db.scalar(QStringLiteral("SELECT COUNT(*) FROM tblOperaters")).toInt();
    const int missing = count - have;
    db.transaction([&] {
        for (int i = 1; i <= missing; ++i) {
            const QString code = QStringLiteral("BR%1").arg(i, 5, 10, QLatin1Char('0'));
            const QString duty = i % 5 ? QStringLiteral("业务经理") : QStringLiteral("区域经理");
            const QString email = code.toLower() + QStringLiteral("@tessaly.cn");
            db.exec(QStringLiteral(
                        "INSERT INTO tblOperaters (OperaterID, Name, NickName, DepartmentID, "
                        "Duty, Native, Email, SUser) VALUES (?, ?, ?, ?, ?, ?, ?, 'Admin')"),
                    {code, QStringLiteral("推荐单位%1").arg(i),
                     QStringLiteral("联系人%1").arg(i % 977), QStringLiteral("0%1").arg(2 + i % 2),
                     duty, QStringLiteral("城市%1").arg(i % 300), email});
        }
        const QString key = db.ident(QStringLiteral("RowKey"));
        db.exec(QStringLiteral("UPDATE tblOperates SET OperaterID = ? WHERE %1 IN "
                               "(SELECT %1 FROM tblOperates ORDER BY %1 LIMIT %2)")
                    .arg(key)
                    .arg(BusyRecords),
                {Busy});
    });
    // As a store in use would be: the planner knows how many referrers there are now.
    db.exec(QStringLiteral("ANALYZE tblOperaters"));
    std::printf(
        "store filled: %d referrers (%d added), %s named by %d records\n", qMax(have, count),
        qMax(missing, 0), qPrintable(Busy),
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM tblOperates WHERE OperaterID = ?"), {Busy})
            .toInt());
}

struct Seat : bench::Seat {
    Seat(const QString &appDir, const QString &user) : bench::Seat(appDir, user, installReferrers)
    {
    }

    ReferrersWindow *openReferrers()
    {
        auto *w = qobject_cast<ReferrersWindow *>(run("Act_Operaters"));
        if (!w)
            throw store::StoreError(QStringLiteral("the referrers module is not shown"));
        bench::paint(w->grid()->view());
        return w;
    }
};

// The list after F4, for one user; the referrers are read afresh each time.
Figure openFigure(const QString &appDir, const QString &user, int runs, Seat **kept)
{
    auto *seat = new Seat(appDir, user);
    std::vector<double> open, cpu;
    for (int i = 0; i < runs; ++i) {
        seat->dm.tblOperaters.close();
        open.push_back(timedWithCpu([&] { seat->openReferrers(); }, cpu));
    }
    Figure f{QStringLiteral("F4 (%1): list shown, first screen painted").arg(seat->who()),
             median(open), 100,
             QStringLiteral("%1 referrers listed; processor %2 ms")
                 .arg(seat->dm.tblOperaters.rowCount())
                 .arg(median(cpu), 0, 'f', 1)};
    if (kept)
        *kept = seat;
    else
        delete seat;
    return f;
}

std::vector<Figure> measure(const QString &appDir, int runs)
{
    std::vector<Figure> out;
    out.push_back(openFigure(appDir, QStringLiteral("user1"), runs, nullptr));
    Seat *seat = nullptr;
    out.push_back(openFigure(appDir, QStringLiteral("Admin"), runs, &seat));
    std::unique_ptr<Seat> owner(seat);
    ReferrersWindow *w = seat->openReferrers();
    store::Dataset &referrers = seat->dm.tblOperaters;
    store::Dataset &records = seat->dm.tblOperates2;
    QAction *modify = w->action(QStringLiteral("Act_Modify"));

    std::vector<double> edit, editCpu;
    for (int i = 0; i < runs; ++i) {
        referrers.cancel();
        w->pages()->setCurrentWidget(w->listPage());
        if (!referrers.locate(QStringLiteral("OperaterID"), Busy))
            throw store::StoreError(
                QStringLiteral("no referrer %1: run once with --fill 20000").arg(Busy));
        records.close();
        records.clearFilter();
        edit.push_back(timedWithCpu(
            [&] {
                modify->trigger();
                bench::paint(w->form()->recordGrid()->view());
            },
            editCpu));
    }
    out.push_back({QStringLiteral("修改 on %1: details tab, record grid painted").arg(Busy),
                   median(edit), 300,
                   QStringLiteral("%1 records listed; processor %2 ms")
                       .arg(records.rowCount())
                       .arg(median(editCpu), 0, 'f', 1)});
    referrers.cancel();
    w->pages()->setCurrentWidget(w->listPage());

    std::vector<double> refresh;
    for (int i = 0; i < runs; ++i)
        refresh.push_back(timed([&] {
            w->action(QStringLiteral("spBtnRefresh"))->trigger();
            bench::paint(w->grid()->view());
        }));
    out.push_back({QStringLiteral("刷新: referrers read again, first screen painted"),
                   median(refresh),
                   100,
                   {}});

    // The search by name, as its dialog builds the filter.
    std::vector<double> query;
    for (int i = 0; i < runs; ++i) {
        referrers.clearFilter();
        query.push_back(timed([&] {
            const QString name = QStringLiteral("Name");
            referrers.setFilter(store::Condition::like(name, QStringLiteral("单位1")) &&
                                !store::Condition::isEmpty(name));
            bench::paint(w->grid()->view());
        }));
    }
    out.push_back({QStringLiteral("查询 by name: search applied, first screen painted"),
                   median(query), 300,
                   QStringLiteral("%1 referrers found").arg(referrers.rowCount())});
    referrers.clearFilter();

    // 删除 on the busy referrer: its records are counted and the deletion refused.
    std::vector<double> refuse;
    for (int i = 0; i < runs; ++i) {
        referrers.locate(QStringLiteral("OperaterID"), Busy);
        refuse.push_back(timed([&] { w->action(QStringLiteral("Act_Delete"))->trigger(); }));
    }
    out.push_back(
        {QStringLiteral("删除 on %1: records found, refused").arg(Busy), median(refuse), 300, {}});

    std::vector<double> exported;
    for (int i = 0; i < runs; ++i) {
        FileDialog::setNextFileName(appDir + QStringLiteral("Email/bench.txt"));
        exported.push_back(timed([&] { w->action(QStringLiteral("SpeedButton11"))->trigger(); }));
    }
    out.push_back(
        {QStringLiteral("Email地址导出: every referrer's address written"), median(exported), 1000,
         QStringLiteral("%1 rows; no target given, a second is ours").arg(referrers.rowCount())});
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    int fillTo = 0;
    return bench::runModuleBench(
        argc, argv, "tessaly-bench-referrers",
        [&fillTo](const QString &appDir, int runs) {
            if (fillTo > 0)
                fill(store::ServerFile::readFirstLine(appDir), fillTo);
            return measure(appDir, runs);
        },
        [&fillTo](const QStringList &args, int at) {
            if (args[at] != QLatin1String("--fill") || at + 1 >= args.size())
                return 0;
            fillTo = args[at + 1].toInt();
            return 2;
        });
}
