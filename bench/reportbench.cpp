// tessaly-bench-reports: printing as a seat meets it on a large store, through the real
// report engine and preview window (offscreen): 打印 on the agent list (first page on screen,
// page count known, memory while the preview is open), the list as PDF, one page drawn (the
// per-page cost), and envelope labels for every contact as PDF.
//
//   tessaly-bench-reports LOCATION [--out DIR] [--count-only]
//
// --count-only stops after the page count (for profiling the layout pass).
//
// Figures are printed with their targets; a missed target is reported, never a failure.
#include "benchsupport.h"
#include "datamodule.h"
#include "pageview.h"
#include "reportengine.h"
#include "reportoutput.h"
#include "reportpreview.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace
{

using bench::loadAverage;
using bench::timed;

double residentMb()
{
    return double(bench::statusKb("VmRSS")) / 1024.0;
}

struct Figure {
    QString name;
    double measured = 0;
    QString unit;
    double target = 0; // at most; 0 for none
    QString note;
};

void printFigures(const std::vector<Figure> &figures)
{
    std::printf("%-62s %12s %10s  %s\n", "figure", "measured", "target", "result");
    for (const Figure &f : figures) {
        const QString target = f.target > 0 ? QStringLiteral("%1 %2").arg(f.target).arg(f.unit) : QStringLiteral("-");
        const QString result = f.target <= 0 ? QStringLiteral("-") : f.measured <= f.target ? QStringLiteral("met")
                                                                                             : QStringLiteral("MISSED");
        std::printf("%-62s %9.1f %-2s %10s  %s%s\n", qPrintable(f.name), f.measured, qPrintable(f.unit),
                    qPrintable(target), qPrintable(result),
                    f.note.isEmpty() ? "" : qPrintable(QStringLiteral("  (") + f.note + QLatin1Char(')')));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString location, out;
    bool countOnly = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            out = args[++i];
        else if (args[i] == QLatin1String("--count-only"))
            countOnly = true;
        else
            location = args[i];
    }
    if (location.isEmpty()) {
        std::fprintf(stderr, "usage: tessaly-bench-reports LOCATION [--out DIR]\n");
        return 2;
    }
    QTemporaryDir dir;
    if (out.isEmpty())
        out = dir.path();
    else if (!QFileInfo(out).isDir()) {
        std::fprintf(stderr, "tessaly-bench-reports: --out %s: no such folder\n", qPrintable(out));
        return 2;
    }
    const QString appDir = dir.path() + QLatin1Char('/');
    // The layouts the program ships, from the program directory the build made.
    const QString reports = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/Data/Report"))
                                .absolutePath();
    std::vector<Figure> figures;
    try {
        store::ServerFile::write(appDir, location);
        store::session().setAppDir(appDir);
        store::session().CurrentUserID = QStringLiteral("Admin");
        store::DataModule dm;
        dm.openAtStartup(appDir);
        for (store::Dataset *d : {&dm.tblCountry, &dm.tblCustDist, &dm.tblVocation, &dm.tblCustOrigin, &dm.tblCustLevel,
                                  &dm.tblCustState, &dm.tblOperaters, &dm.tblCustomers, &dm.tblCustomers2})
            d->open();
        ReportEngine engine(reports);
        std::printf("tessaly-bench-reports: %s, load average %s\n", qPrintable(dm.connection().engine() ==
                                                                                       store::Engine::SQLite
                                                                                   ? QStringLiteral("SQLite")
                                                                                   : QStringLiteral("PostgreSQL")),
                    qPrintable(loadAverage()));

        // ---- 打印 on the agent list, as the print flow runs it
        const double before = residentMb();
        std::unique_ptr<ReportPreview> preview;
        const double firstPage = timed([&] {
            preview = std::make_unique<ReportPreview>(engine.render(QStringLiteral("frCustomers.frf"), &dm.tblCustomers));
            preview->resize(1280, 900);
            preview->show();
            QApplication::processEvents();
            preview->pageView()->viewport()->repaint();
        });
        figures.push_back({QStringLiteral("打印 on the agent list: preview with its first page"), firstPage,
                           QStringLiteral("ms"), 1000,
                           QStringLiteral("%1 agents").arg(preview->report().source().rowCount())});
        Report &list = preview->report();
        const double counted = firstPage + timed([&] {
                                   while (!list.paginate(40))
                                       QApplication::processEvents();
                               });
        figures.push_back({QStringLiteral("打印 on the agent list: page count known"), counted, QStringLiteral("ms"),
                           5000, QStringLiteral("%1 pages").arg(list.pageCount())});
        if (countOnly) {
            printFigures(figures);
            return 0;
        }
        // Leafing through the report, as a user would: the first pages, the middle, the end.
        for (int page : {1, 2, list.pageCount() / 2, list.pageCount() - 1}) {
            preview->pageView()->setCurrentPage(page);
            preview->pageView()->viewport()->repaint();
        }
        figures.push_back({QStringLiteral("memory while the preview is open, over the list's own"), residentMb() - before,
                           QStringLiteral("MB"), 300,
                           QStringLiteral("%1 pages drawn").arg(preview->pageView()->pagesDrawn())});
        QImage page(list.paperSize().toSize(), QImage::Format_ARGB32_Premultiplied);
        const double onePage = timed([&] {
            page.fill(Qt::white);
            QPainter painter(&page);
            list.paintPage(painter, list.pageCount() / 3);
        });
        figures.push_back({QStringLiteral("one page of the list drawn (the per-page cost)"), onePage, QStringLiteral("ms"),
                           0, {}});
        const QString listPdf = out + QStringLiteral("/agents.pdf");
        QString error;
        ReportOutput::Result written = ReportOutput::Result::Failed;
        const double pdf =
            timed([&] { written = ReportOutput::writePdf(list, listPdf, {}, &error); });
        if (written != ReportOutput::Result::Done)
            throw store::StoreError(QStringLiteral("the agent list as PDF: ") + error);
        figures.push_back({QStringLiteral("the whole agent list as PDF"), pdf / 1000, QStringLiteral("s"), 60,
                           QStringLiteral("%1 pages, %2 MB").arg(list.pageCount()).arg(QFileInfo(listPdf).size() / 1e6, 0, 'f', 1)});
        preview.reset();

        // ---- envelope labels for every contact
        dm.qryLinkmans3.close();
        dm.qryLinkmans3.setSql(QStringLiteral("select * from tblLinkmans"));
        dm.qryLinkmans3.open();
        Report labels = engine.render(QStringLiteral("frEnvelop.frf"), &dm.qryLinkmans3);
        const QString labelPdf = out + QStringLiteral("/labels.pdf");
        const double labelTime =
            timed([&] { written = ReportOutput::writePdf(labels, labelPdf, {}, &error); });
        if (written != ReportOutput::Result::Done)
            throw store::StoreError(QStringLiteral("labels as PDF: ") + error);
        figures.push_back({QStringLiteral("A4 labels for every contact as PDF"), labelTime / 1000, QStringLiteral("s"), 120,
                           QStringLiteral("%1 contacts, %2 sheets, %3 MB")
                               .arg(labels.source().rowCount())
                               .arg(labels.pageCount())
                               .arg(QFileInfo(labelPdf).size() / 1e6, 0, 'f', 1)});
    } catch (const store::StoreError &e) {
        printFigures(figures);
        std::fprintf(stderr, "failed: %s\n", qPrintable(e.text()));
        return 1;
    }
    printFigures(figures);
    std::printf("load average at the end: %s\n", qPrintable(loadAverage()));
    return 0;
}
