// tessaly-bench-analysis: the chart analyses and the ledgers as a seat meets them, through the
// real main window (offscreen).
//
//   tessaly-bench-analysis LOCATION [--runs N] [--only charts|ledgers] [--shot FILE.png]
//
// --shot saves a picture of the main window with the level analysis instead of measuring.
//
// 刷新 of every analysis and choice until its chart is painted; Ctrl+Alt+M / Ctrl+Alt+N until
// the ledger's first screen is painted; a one-month 查询 of due dates. Figures are printed
// with their targets; a missed target is reported, never a failure.
#include "analysis.h"
#include "analysispanel.h"
#include "datagrid.h"
#include "ledgerquery.h"
#include "ledgerwindow.h"
#include "modulesupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPieSeries>
#include <QTreeView>

namespace
{

using bench::Figure;
using bench::median;
using bench::timed;

AnalysisPanel *openPanel(bench::Seat &seat, const AnalysisMember &m)
{
    auto *panel = qobject_cast<AnalysisPanel *>(seat.run(qPrintable(m.command)));
    if (!panel)
        throw store::StoreError(QStringLiteral("%1 is not shown").arg(m.objectName));
    return panel;
}

double refreshPainted(AnalysisPanel *panel, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(timed([panel] {
            panel->refresh();
            QApplication::processEvents();
            panel->repaint();
        }));
    return median(times);
}

void measureAnalyses(bench::Seat &seat, int runs, std::vector<Figure> &out)
{
    for (const AnalysisMember &m : AnalysisMember::all()) {
        AnalysisPanel *panel = openPanel(seat, m);
        const auto figure = [&](const QString &what, double ms) {
            out.push_back({QStringLiteral("%1 刷新 %2: chart painted").arg(m.objectName, what), ms, 300,
                           QStringLiteral("%1 slices").arg(panel->series()->count())});
        };
        if (m.kind == AnalysisMember::Kind::Period) {
            figure(QStringLiteral("(last 30 days)"), refreshPainted(panel, runs));
            panel->from()->setDate(QDate::currentDate().addYears(-10));
            figure(QStringLiteral("(ten years)"), refreshPainted(panel, runs));
            continue;
        }
        for (int choice = 0; choice < panel->selector()->count(); ++choice) {
            panel->selector()->setCurrentIndex(choice);
            figure(panel->selector()->itemText(choice), refreshPainted(panel, runs));
        }
    }
}

void measureLedgers(bench::Seat &seat, int runs, std::vector<Figure> &out)
{
    for (const bool receivables : {true, false}) {
        const char *command = receivables ? "Act_Gathering" : "Act_Payment";
        LedgerWindow *w = nullptr;
        std::vector<double> open;
        for (int i = 0; i < runs; ++i)
            open.push_back(timed([&] {
                w = qobject_cast<LedgerWindow *>(seat.run(command));
                if (!w)
                    throw store::StoreError(QStringLiteral("the ledger is not shown"));
                bench::paint(w->grid()->view());
            }));
        const QString shortcut = QLatin1String(receivables ? "Ctrl+Alt+M" : "Ctrl+Alt+N");
        out.push_back({QStringLiteral("%1 (%2): first screen painted").arg(shortcut, seat.who()), median(open), 2000,
                       QStringLiteral("%1 contracts listed at once").arg(w->ledger().rowCount())});
        // The rest is read while the window waits for input; here at once, to its sums.
        const double rest = timed([&] {
            w->ledger().readRest();
            bench::paint(w->grid()->view());
        });
        out.push_back({QStringLiteral("%1 (%2): the rest read on, sums shown").arg(shortcut, seat.who()), rest, 0,
                       QStringLiteral("%1 contracts: %2").arg(w->ledger().rowCount()).arg(w->totals()->text())});

        // 查询 as its dialog's 确定 runs it: the month up to today.
        std::vector<double> query;
        for (int i = 0; i < runs; ++i)
            query.push_back(timed([&] {
                LedgerQuery::open(w->ledger(), receivables, QDate::currentDate().addDays(-30), QDate::currentDate());
                bench::paint(w->grid()->view());
            }));
        out.push_back({QStringLiteral("查询 one month of due dates (%1), first screen painted").arg(seat.who()),
                       median(query), 500, QStringLiteral("%1 contracts at once").arg(w->ledger().rowCount())});
        const double month = timed([&] {
            w->ledger().readRest();
            bench::paint(w->grid()->view());
        });
        out.push_back({QStringLiteral("查询 one month: the rest read on, sums shown"), month, 0,
                       QStringLiteral("%1 contracts").arg(w->ledger().rowCount())});
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QString only; // "charts" or "ledgers"
    QString shot;
    return bench::runModuleBench(
        argc, argv, "tessaly-bench-analysis",
        [&only, &shot](const QString &appDir, int runs) {
            std::vector<Figure> figures;
            // No ownership filter here: an ordinary user's figures are the administrator's.
            bench::Seat seat(appDir, QStringLiteral("user1"), installAnalysis);
            if (!shot.isEmpty()) {
                AnalysisPanel *panel = openPanel(seat, AnalysisMember::all().at(1));
                panel->refresh();
                QApplication::processEvents();
                seat.main->grab().save(shot);
                return figures;
            }
            if (only != QLatin1String("ledgers"))
                measureAnalyses(seat, runs, figures);
            if (only != QLatin1String("charts"))
                measureLedgers(seat, runs, figures);
            return figures;
        },
        [&only, &shot](const QStringList &args, int at) {
            if (at + 1 >= args.size())
                return 0;
            if (args[at] == QLatin1String("--only"))
                only = args[at + 1];
            else if (args[at] == QLatin1String("--shot"))
                shot = args[at + 1];
            else
                return 0;
            return 2;
        });
}
