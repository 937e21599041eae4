// tessaly-bench-records: the contact-record module as a seat meets it, through the real main
// window (offscreen): from F5 to the list painted with its first screen, 刷新, header clicks, the
// record search by a span of a year and by title, moving from record to record with the
// details tab in view, and the memory of the whole program with the module open.
//
//   tessaly-bench-records LOCATION [--runs N] [--moves N]
//
// Figures are printed with their targets; a missed target is reported, never a failure.
#include "agents.h"
#include "condition.h"
#include "datagrid.h"
#include "modulesupport.h"
#include "recordquerydialog.h"
#include "records.h"
#include "recordswindow.h"
#include "recorditemspage.h"

#include <QDate>
#include <QTabWidget>
#include <QTreeView>

namespace
{

using bench::Figure;
using bench::median;
using bench::timed;

struct Seat : bench::Seat {
    Seat(const QString &appDir, const QString &user)
        : bench::Seat(appDir, user, [](Workspace &ws) {
              installAgents(ws);
              installRecords(ws);
          })
    {
    }

    RecordsWindow *openRecords()
    {
        auto *w = qobject_cast<RecordsWindow *>(run("Act_OperatesInfo"));
        if (!w)
            throw store::StoreError(QStringLiteral("the record module is not shown"));
        bench::paint(w->grid()->view());
        return w;
    }
};

std::vector<double> repeat(int runs, const std::function<void()> &before, const std::function<void()> &work)
{
    std::vector<double> out;
    for (int i = 0; i < runs; ++i) {
        if (before)
            before();
        out.push_back(timed(work));
    }
    return out;
}

// The list's figures for one user: F5, 刷新, header clicks and the two searches.
void measureList(Seat &seat, int runs, std::vector<Figure> &out)
{
    store::Dataset &records = seat.dm.tblOperates2;
    const QString who = seat.who();
    const bool admin = seat.dm.isAdministrator(store::session().CurrentUserID);
    const QString user = store::session().CurrentUserID;
    RecordsWindow *w = nullptr;
    const auto paint = [&w] { bench::paint(w->grid()->view()); };

    // An administrator's list would otherwise stay open from the time before.
    const auto open = repeat(runs, [&] { records.close(); }, [&] { w = seat.openRecords(); });
    out.push_back({QStringLiteral("F5 (%1): list shown sorted by 联络事宜, first screen painted").arg(who),
                   median(open), admin ? 150.0 : 300.0,
                   QStringLiteral("%1 records listed").arg(records.rowCount())});

    const auto refresh = repeat(runs, {}, [&] {
        w->action(QStringLiteral("spBtnRefresh"))->trigger();
        paint();
    });
    out.push_back({QStringLiteral("刷新 (%1): list and items reopened, first screen painted").arg(who),
                   median(refresh), 300, {}});

    for (const auto &[field, caption] : {std::pair{"OperateID", "联络代码"}, std::pair{"CreateDate", "发证日期"}}) {
        const auto sort = repeat(runs, [&] { records.setSort(QStringLiteral("OperateTitle")); }, [&] {
            w->grid()->sortBy(QLatin1String(field));
            paint();
        });
        out.push_back({QStringLiteral("header click on %1 (%2), first screen painted")
                           .arg(QString::fromUtf8(caption), who),
                       median(sort), 300, {}});
    }
    records.setSort(QStringLiteral("OperateTitle"));

    // The search dialog's own filters, as its 确定 puts them on the list.
    const QDate today = QDate::currentDate();
    int found = 0;
    const auto span = repeat(runs, [&] { records.clearFilter(); }, [&] {
        records.setFilter(RecordQueryDialog::filterForSpan(today.addYears(-1), today, admin, user));
        paint();
        found = records.rowCount();
    });
    out.push_back({QStringLiteral("查询, a span of one year (%1), first screen painted").arg(who),
                   median(span), 300, QStringLiteral("%1 records found").arg(found)});
    const auto title = repeat(runs, [&] { records.clearFilter(); }, [&] {
        records.setFilter(RecordQueryDialog::filterFor(RecordQueryDialog::Choice::Title,
                                                       QStringLiteral("协议"), admin, user));
        paint();
        found = records.rowCount();
    });
    out.push_back({QStringLiteral("查询, 业务标题 \"协议\" (%1), first screen painted").arg(who),
                   median(title), 300, QStringLiteral("%1 records found").arg(found)});
    records.setFilter(seat.dm.ownershipCondition());
}

// Record after record on the details tab: the record's fields, its agent and its items shown.
void measureMoves(Seat &seat, int moves, std::vector<Figure> &out)
{
    RecordsWindow *w = seat.openRecords();
    w->pages()->setCurrentWidget(w->detailPage());
    QApplication::processEvents();
    store::Dataset &records = seat.dm.tblOperates2;
    QTreeView *items = w->itemsPage()->grid()->view();
    records.moveTo(records.rowCount() / 2);
    std::vector<double> times;
    int shown = 0;
    for (int i = 0; i < moves; ++i) {
        times.push_back(timed([&] {
            records.next();
            bench::paint(items);
        }));
        shown += seat.dm.tblOperateDetail.rowCount();
    }
    out.push_back({QStringLiteral("next record on the details tab (%1): its items painted").arg(seat.who()),
                   median(times), 5, QStringLiteral("%1 items shown in %2 moves").arg(shown).arg(moves)});
}

} // namespace

int main(int argc, char *argv[])
{
    int moves = 200;
    return bench::runModuleBench(
        argc, argv, "tessaly-bench-records",
        [&moves](const QString &appDir, int runs) {
            std::vector<Figure> figures;
            for (const QString &user : {QStringLiteral("Admin"), QStringLiteral("user1")}) {
                Seat seat(appDir, user);
                measureList(seat, runs, figures);
                measureMoves(seat, moves, figures);
                if (user == QLatin1String("Admin"))
                    figures.push_back({QStringLiteral("peak memory of the program, record module open (administrator)"),
                                       double(bench::statusKb("VmHWM")) / 1024.0, 400, {}, QStringLiteral("MB")});
            }
            return figures;
        },
        [&moves](const QStringList &args, int at) {
            if (args[at] != QLatin1String("--moves") || at + 1 >= args.size())
                return 0;
            moves = std::max(1, args[at + 1].toInt());
            return 2;
        });
}
