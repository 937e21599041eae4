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
#include "benchsupport.h"
#include "agentswindow.h"
#include "commandenabler.h"
#include "condition.h"
#include "datagrid.h"
#include "datamodule.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{

using bench::loadAverage;
using bench::median;
using bench::timed;

struct Figure {
    QString name;
    double measured = 0;
    double target = 0;
    QString note;
};

// The grid painted now, as the screen would show it: the visible rows and their display
// fields are read for it.
void paint(AgentsWindow *w)
{
    QApplication::processEvents();
    w->grid()->view()->viewport()->repaint();
}

// One seat signed in as `user`, with the main window built and shown as after the login.
struct Seat {
    explicit Seat(const QString &appDir, const QString &user)
    {
        store::session().setAppDir(appDir);
        store::session().CurrentUserID = user;
        dm.openAtStartup(appDir);
        main = std::make_unique<MainWindow>(dm);
        installAgents(main->workspace());
        main->resize(1280, 800);
        main->show();
        QApplication::processEvents(); // the window's first-show step: rights, schedule, file panel
        main->enabler().update();
    }
    store::DataModule dm;
    std::unique_ptr<MainWindow> main;

    AgentsWindow *openAgents()
    {
        main->action(QStringLiteral("Act_Customers"))->trigger();
        auto *w = qobject_cast<AgentsWindow *>(main->currentContent());
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBox::setScripted(true);
    const QStringList args = app.arguments();
    QString location, shot;
    int runs = 5;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--shot") && i + 1 < args.size())
            shot = args[++i];
        else if (location.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            location = store::Connection::normalise(args[i]);
    }
    if (location.isEmpty()) {
        std::fprintf(stderr,
                     "usage: tessaly-bench-modules LOCATION [--runs N] [--shot FILE.png]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString appDir = dir.path() + QLatin1Char('/');
    try {
        store::ServerFile::write(appDir, location);
        // The main window looks for the default data file before it opens; the store measured
        // is the one "Server.txt" names.
        QDir().mkpath(appDir + QStringLiteral("Data"));
        QFile(appDir + QStringLiteral("Data/KTA30.wdb")).open(QIODevice::WriteOnly);

        if (!shot.isEmpty()) {
            Seat seat(appDir, QStringLiteral("Admin"));
            AgentsWindow *w = seat.openAgents();
            seat.main->grab().save(shot);
            w->pages()->setCurrentWidget(w->detailPage());
            QApplication::processEvents();
            seat.main->grab().save(
                QString(shot).replace(QLatin1String(".png"), QLatin1String("-detail.png")));
            return 0;
        }
        std::vector<Figure> figures;
        for (const QString &user : {QStringLiteral("Admin"), QStringLiteral("user1")})
            for (Figure &f : measure(appDir, user, runs))
                figures.push_back(f);

        std::printf("tessaly-bench-modules: %s, %d runs each (median), load average %s\n",
                    qPrintable(location.startsWith(QLatin1String("postgresql:"))
                                   ? QStringLiteral("PostgreSQL")
                                   : QStringLiteral("SQLite")),
                    runs, qPrintable(loadAverage()));
        std::printf("%-72s %12s %12s  %s\n", "figure", "measured", "target", "result");
        for (const Figure &f : figures) {
            std::printf("%-72s %9.1f ms %9.0f ms  %s%s\n", qPrintable(f.name), f.measured, f.target,
                        f.measured <= f.target ? "met" : "MISSED",
                        f.note.isEmpty()
                            ? ""
                            : qPrintable(QStringLiteral("  (") + f.note + QLatin1Char(')')));
        }
    } catch (const store::StoreError &e) {
        std::fprintf(stderr, "tessaly-bench-modules: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
