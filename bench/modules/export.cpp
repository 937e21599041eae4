// tessaly-bench-export: the export of a list as a seat makes it, through the real main window
// (offscreen): the agent list after F2 to XLSX, and the contact-record list after F5 to CSV,
// each the whole list with its display fields, with the growth of the process's memory.
//
//   tessaly-bench-export LOCATION [--runs N]
//
// Only reads the store. Figures are printed with their targets; a missed target is reported,
// never a failure.
#include "agents.h"
#include "contacts.h"
#include "datagrid.h"
#include "gridexport.h"
#include "modulesupport.h"
#include "records.h"
#include "referrers.h"

#include <QFileInfo>
#include <ctime>

namespace
{

using bench::Figure;

// This process's processor time, in ms: on a busy machine the wall clock mostly measures the
// wait for a core.
double cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

DataGrid *shownGrid(QWidget *content)
{
    for (DataGrid *g : content->findChildren<DataGrid *>())
        if (g->isVisible() && g->dataset())
            return g;
    throw store::StoreError(QStringLiteral("no list shown"));
}

Figure exportFigure(bench::Seat &seat, const char *command, ExportWriter::Format format,
                    double targetMs, const QString &what, const QString &path, int runs)
{
    DataGrid *grid = shownGrid(seat.run(command));
    std::vector<double> times, cpu;
    qint64 rows = 0, growth = 0;
    for (int i = 0; i < runs; ++i) {
        const qint64 before = bench::statusKb("VmRSS");
        const double cpuBefore = cpuNow();
        qint64 peak = before;
        times.push_back(bench::timed([&] {
            rows = GridExport::write(*grid, format, path, [&peak](qint64, qint64) {
                       peak = std::max(peak, bench::statusKb("VmRSS"));
                       return true;
                   }).rows;
        }));
        cpu.push_back(cpuNow() - cpuBefore);
        growth = std::max(growth, peak - before);
    }
    return {QStringLiteral("%1: %2 rows").arg(what).arg(rows), bench::median(times), targetMs,
            QStringLiteral("processor %1 ms; memory growth %2 MB (target 200 MB); file %3 MB")
                .arg(bench::median(cpu), 0, 'f', 0)
                .arg(double(growth) / 1024.0, 0, 'f', 1)
                .arg(double(QFileInfo(path).size()) / 1048576.0, 0, 'f', 1)};
}

std::vector<Figure> measure(const QString &appDir, int runs)
{
    bench::Seat seat(appDir, QStringLiteral("Admin"), [](Workspace &ws) {
        installAgents(ws);
        installContacts(ws);
        installRecords(ws);
        installReferrers(ws);
    });
    std::vector<Figure> out;
    out.push_back(exportFigure(seat, "Act_Customers", ExportWriter::Format::Xlsx, 20000,
                               QStringLiteral("F2, 导出 the agent list to XLSX"),
                               appDir + QStringLiteral("agents.xlsx"), runs));
    out.push_back(exportFigure(seat, "Act_OperatesInfo", ExportWriter::Format::Csv, 30000,
                               QStringLiteral("F5, 导出 the contact-record list to CSV"),
                               appDir + QStringLiteral("records.csv"), runs));
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::runModuleBench(argc, argv, "tessaly-bench-export", measure);
}
