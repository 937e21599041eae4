#pragma once

// What the module benchmarks share: a seat with the real main window on an offscreen
// display, the table of figures, and the program's frame (arguments, program directory).
#include "benchsupport.h"
#include "commandenabler.h"
#include "connection.h"
#include "datamodule.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace bench
{

struct Figure {
    QString name;
    double measured = 0; // in `unit`
    double target = 0;   // at most
    QString note;
    QString unit = QStringLiteral("ms");
};

// A list painted now, as the screen would show it: the visible rows and their display fields
// are read for it.
inline void paint(QAbstractItemView *view)
{
    QApplication::processEvents();
    view->viewport()->repaint();
}

// One seat signed in as `user`, with the main window built and shown as after the login and
// the modules installed by `install`.
struct Seat {
    Seat(const QString &appDir, const QString &user, const std::function<void(Workspace &)> &install)
    {
        store::session().setAppDir(appDir);
        store::session().CurrentUserID = user;
        dm.openAtStartup(appDir);
        main = std::make_unique<MainWindow>(dm);
        install(main->workspace());
        main->resize(1280, 800);
        main->show();
        QApplication::processEvents(); // the window's first-show step: rights, schedule, file panel
        main->enabler().update();
    }
    store::DataModule dm;
    std::unique_ptr<MainWindow> main;

    // Runs a main-window command and answers the module it shows.
    QWidget *run(const char *command)
    {
        QAction *a = main->action(QLatin1String(command));
        if (!a)
            throw store::StoreError(QStringLiteral("no command %1").arg(QLatin1String(command)));
        a->trigger();
        return main->currentContent();
    }
    QString who() { return dm.isAdministrator(store::session().CurrentUserID) ? QStringLiteral("administrator")
                                                                              : QStringLiteral("user ") + store::session().CurrentUserID; }
};

inline void printFigures(const char *program, const QString &location, int runs, const std::vector<Figure> &figures)
{
    std::printf("%s: %s, %d runs each (median), load average %s\n", program,
                location.startsWith(QLatin1String("postgresql:")) ? "PostgreSQL" : "SQLite", runs,
                qPrintable(loadAverage()));
    std::printf("%-72s %12s %12s  %s\n", "figure", "measured", "target", "result");
    // A figure without a target (0) is only reported.
    for (const Figure &f : figures)
        std::printf("%-72s %9.1f %-2s %9s %-2s  %s%s\n", qPrintable(f.name), f.measured, qPrintable(f.unit),
                    f.target > 0 ? qPrintable(QString::number(f.target, 'f', 0)) : "-", qPrintable(f.unit),
                    f.target <= 0 ? "noted" : f.measured <= f.target ? "met" : "MISSED",
                    f.note.isEmpty() ? "" : qPrintable(QStringLiteral("  (") + f.note + QLatin1Char(')')));
}

// The frame of a module benchmark: "PROGRAM LOCATION [--runs N] [more options]", a program
// directory whose "Server.txt" names the store, the measuring, the table. `option` may take
// further arguments (it answers how many it used, or 0 for none it knows).
inline int runModuleBench(int argc, char *argv[], const char *program,
                          const std::function<std::vector<Figure>(const QString &appDir, int runs)> &measure,
                          const std::function<int(const QStringList &args, int at)> &option = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBox::setScripted(true);
    const QStringList args = app.arguments();
    QString location;
    int runs = 5;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (const int used = option ? option(args, i) : 0)
            i += used - 1;
        else if (location.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            location = store::Connection::normalise(args[i]);
    }
    if (location.isEmpty()) {
        std::fprintf(stderr, "usage: %s LOCATION [--runs N]\n", program);
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
        const std::vector<Figure> figures = measure(appDir, runs);
        if (!figures.empty())
            printFigures(program, location, runs, figures);
    } catch (const store::StoreError &e) {
        std::fprintf(stderr, "%s: %s\n", program, qPrintable(e.text()));
        return 1;
    }
    return 0;
}

} // namespace bench
