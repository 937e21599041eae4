// tessaly-bench-modules: the module commands as a seat meets them, through the real main
// window (offscreen): from the command to its list painted with the first screen of rows.
//
//   tessaly-bench-modules LOCATION [--runs N] [--shot FILE.png]
//
// --shot saves pictures of the main window with the agent module's list and detail pages
// (FILE.png and FILE-detail.png) instead of measuring: the pictures of the README.
//
// Figures are printed with their targets; a missed target is reported, never a failure.
#include "agents.h"
#include "agentswindow.h"
#include "condition.h"
#include "datagrid.h"
#include "modulesupport.h"

#include <QTreeView>

namespace
{

using bench::Figure;
using bench::median;
using bench::timed;

void paint(AgentsWindow *w)
{
    bench::paint(w->grid()->view());
}

struct Seat : bench::Seat {
    Seat(const QString &appDir, const QString &user) : bench::Seat(appDir, user, installAgents) {}

    AgentsWindow *openAgents()
    {
        auto *w = qobject_cast<AgentsWindow *>(run("Act_Customers"));
        if (!w)
            throw store::StoreError(QStringLiteral("the agents module is not shown"));
        paint(w);
        return w;
    }
};

std::vector<Figure> measure(const QString &appDir, const QString &user, int runs)
{
    std::vector<Figure> out;
    Seat seat(appDir, user);
    store::Dataset &agents = seat.dm.tblCustomers;
    const bool admin = seat.dm.isAdministrator(user);
    const QString who = admin ? QStringLiteral("administrator") : QStringLiteral("user ") + user;

    std::vector<double> open;
    AgentsWindow *w = nullptr;
    for (int i = 0; i < runs; ++i) {
        agents.close(); // an administrator's list would otherwise stay open from the last time
        open.push_back(timed([&] { w = seat.openAgents(); }));
    }
    out.push_back({QStringLiteral("Act_Customers (%1): list shown, first screen painted").arg(who),
                   median(open), 100, QStringLiteral("%1 agents listed").arg(agents.rowCount())});

    std::vector<double> refresh;
    for (int i = 0; i < runs; ++i)
        refresh.push_back(timed([&] {
            w->action(QStringLiteral("spBtnRefresh"))->trigger();
            paint(w);
        }));
    out.push_back({QStringLiteral("刷新 (%1): five sets reopened, first screen painted").arg(who),
                   median(refresh),
                   100,
                   {}});

    // The list query by name, as its dialog builds the filter.
    std::vector<double> query;
    int found = 0;
    for (int i = 0; i < runs; ++i) {
        agents.clearFilter();
        query.push_back(timed([&] {
            store::Condition c =
                store::Condition::like(QStringLiteral("CustName"), QStringLiteral("贸易")) &&
                !store::Condition::isEmpty(QStringLiteral("CustName"));
            if (!admin)
                c = c && seat.dm.ownershipCondition();
            agents.setFilter(c);
            paint(w);
        }));
        found = agents.rowCount();
    }
    out.push_back(
        {QStringLiteral("查询 by name (%1): filter applied, first screen painted").arg(who),
         median(query), 300, QStringLiteral("%1 agents found").arg(found)});

    std::vector<double> sort;
    for (int i = 0; i < runs; ++i) {
        agents.clearSort();
        sort.push_back(timed([&] {
            w->grid()->sortBy(QStringLiteral("CustName"));
            paint(w);
        }));
    }
    out.push_back(
        {QStringLiteral("header click on 商务代理名称 (%1), first screen painted").arg(who),
         median(sort),
         300,
         {}});
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QString shot;
    return bench::runModuleBench(
        argc, argv, "tessaly-bench-modules",
        [&shot](const QString &appDir, int runs) {
            std::vector<Figure> figures;
            if (!shot.isEmpty()) {
                Seat seat(appDir, QStringLiteral("Admin"));
                AgentsWindow *w = seat.openAgents();
                seat.main->grab().save(shot);
                w->pages()->setCurrentWidget(w->detailPage());
                QApplication::processEvents();
                seat.main->grab().save(QString(shot).replace(QLatin1String(".png"), QLatin1String("-detail.png")));
                return figures;
            }
            for (const QString &user : {QStringLiteral("Admin"), QStringLiteral("user1")})
                for (Figure &f : measure(appDir, user, runs))
                    figures.push_back(f);
            return figures;
        },
        [&shot](const QStringList &args, int at) {
            if (args[at] != QLatin1String("--shot") || at + 1 >= args.size())
                return 0;
            shot = args[at + 1];
            return 2;
        });
}
