// tessaly-bench-import: 导入... on the agent list as a seat meets it, through the real main
// window and wizard (offscreen): an XLSX file of new agents (written by the program's own
// export) read, checked and previewed; then stored in one transaction, each agent with its
// document folder, and the list shown again; with the growth of the process's memory.
//
//   tessaly-bench-import LOCATION [--runs N] [--agents N]
//
// It writes to the store: every run imports agents with the codes IMP0000001... and removes
// them afterwards (also any a stopped run left behind).
// Figures are printed with their targets; a missed target is reported, never a failure.
#include "agents.h"
#include "agentswindow.h"
#include "exportwriter.h"
#include "filedialog.h"
#include "modulesupport.h"
#include "recordfolders.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <ctime>

namespace
{

using bench::Figure;

int agentCount = 100000;
const QString Prefix = QStringLiteral("IMP");

// New agents with the fields a user fills, dictionaries by name as the list shows them.
void writeFile(const QString &path, int count)
{
    using T = store::ColumnType;
    auto writer = ExportWriter::create(ExportWriter::Format::Xlsx, path);
    writer->begin({{QStringLiteral("代理编号"), T::Text},
                   {QStringLiteral("商务代理名称"), T::Text},
                   {QStringLiteral("主要联系人"), T::Text},
                   {QStringLiteral("地址"), T::Text},
                   {QStringLiteral("行业类型"), T::Text},
                   {QStringLiteral("商务代理级别"), T::Text},
                   {QStringLiteral("商务代理来源"), T::Text},
                   {QStringLiteral("联络状态"), T::Text},
                   {QStringLiteral("城市"), T::Text},
                   {QStringLiteral("联系电话"), T::Text},
                   {QStringLiteral("Email邮箱"), T::Text},
                   {QStringLiteral("建档日期"), T::Date}});
    const QStringList trades{QStringLiteral("制造业"), QStringLiteral("批发零售"),
                             QStringLiteral("信息技术")};
    const QStringList levels{QStringLiteral("一级代理"), QStringLiteral("二级代理"),
                             QStringLiteral("三级代理")};
    const QStringList origins{QStringLiteral("网络推广"), QStringLiteral("展会"),
                              QStringLiteral("朋友介绍")};
    const QStringList cities{QStringLiteral("北京"), QStringLiteral("上海"), QStringLiteral("广州"),
                             QStringLiteral("成都")};
    QVector<QVariant> row(12);
    for (int i = 1; i <= count; ++i) {
        row[0] = QString(Prefix + QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0')));
        row[1] = QStringLiteral("导入测试贸易有限公司%1").arg(i);
        row[2] = QStringLiteral("联系人%1").arg(i % 977);
        row[3] = QStringLiteral("%1市开发区创业路%2号").arg(cities[i % 4]).arg(i % 300);
        row[4] = trades[i % 3];
        row[5] = levels[i % 3];
        row[6] = origins[i % 3];
        row[7] = QStringLiteral("01");
        row[8] = cities[i % 4];
        row[9] = QStringLiteral("0%1-%2").arg(10 + i % 90).arg(60000000 + i);
        row[10] = QStringLiteral("import%1@example.cn").arg(i);
        row[11] = QDate(2020, 1, 1).addDays(i % 1500);
        writer->writeRow(row);
    }
    writer->finish();
}

// What an earlier run stored: its rows go; its folders are moved aside in one step (removing
// 100,000 folders one by one would take longer than the import), so that the next run makes
// them anew. They go with the program directory at the end.
void removeImported(store::DataModule &dm, int run)
{
    dm.connection().exec(QStringLiteral("DELETE FROM tblCustomers WHERE CustId LIKE ?"),
                         {QString(Prefix + QLatin1Char('%'))});
    const QString root = RecordFolders::root();
    if (!QDir(root).entryList({Prefix + QLatin1Char('*')}, QDir::Dirs).isEmpty()) {
        QDir().rename(root, root.chopped(1) + QStringLiteral(".run%1").arg(run));
        QDir().mkpath(root);
    }
}

// This process's processor time, in ms: on a busy machine the wall clock mostly measures the
// wait for a core.
double cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Run {
    double check = 0, store = 0, checkCpu = 0, storeCpu = 0;
    qint64 growthKb = 0;
    QString outcome;
};

// One 导入...: the wizard is driven as its buttons are pressed, timed page by page.
Run importOnce(QAction *command, const QString &file)
{
    Run run;
    const qint64 before = bench::statusKb("VmRSS");
    qint64 peak = before;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&peak] { peak = std::max(peak, bench::statusKb("VmRSS")); });
    sampler.start(20);
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget *d = QApplication::activeModalWidget();
        if (!d || d->objectName() != QLatin1String("dlgImport"))
            return;
        driver.stop();
        const auto button = [d](const char *name) {
            return d->findChild<QPushButton *>(QLatin1String(name));
        };
        // The check page with its preview, painted.
        double cpu = cpuNow();
        run.check = bench::timed([&] {
            button("btnNext")->click();
            QApplication::processEvents();
            d->repaint();
        });
        run.checkCpu = cpuNow() - cpu;
        cpu = cpuNow();
        run.store = bench::timed([&] { button("btnImport")->click(); });
        run.storeCpu = cpuNow() - cpu;
        run.outcome = d->findChild<QLabel *>(QStringLiteral("lblReport"))->text();
        d->close();
    });
    driver.start(5);
    FileDialog::setNextFileName(file);
    command->trigger();
    peak = std::max(peak, bench::statusKb("VmRSS"));
    run.growthKb = peak - before;
    return run;
}

std::vector<Figure> measure(const QString &appDir, int runs)
{
    bench::Seat seat(appDir, QStringLiteral("Admin"), [](Workspace &ws) { installAgents(ws); });
    QWidget *content = seat.run("Act_Customers");
    auto *agents = qobject_cast<AgentsWindow *>(content);
    if (!agents)
        agents = content->findChild<AgentsWindow *>();
    const QString file = appDir + QStringLiteral("agents-import.xlsx");
    const double written = bench::timed([&] { writeFile(file, agentCount); });
    std::vector<double> checks, stores, checkCpu, storeCpu;
    qint64 growth = 0;
    QString outcome;
    for (int i = 0; i < runs; ++i) {
        removeImported(seat.dm, i);
        const Run r = importOnce(agents->action(QStringLiteral("Act_Import")), file);
        checks.push_back(r.check);
        stores.push_back(r.store);
        checkCpu.push_back(r.checkCpu);
        storeCpu.push_back(r.storeCpu);
        growth = std::max(growth, r.growthKb);
        outcome = r.outcome;
    }
    removeImported(seat.dm, runs);
    const QString n = QString::number(agentCount);
    return {
        {QStringLiteral("导入..., %1 agents from XLSX: read, checked and previewed").arg(n),
         bench::median(checks), 10000,
         QStringLiteral("processor %1 ms; file of %2 MB written by the export in %3 ms")
             .arg(bench::median(checkCpu), 0, 'f', 0)
             .arg(double(QFileInfo(file).size()) / 1048576.0, 0, 'f', 1)
             .arg(written, 0, 'f', 0)},
        {QStringLiteral("导入..., %1 agents stored in one transaction, folders made, list shown")
             .arg(n),
         bench::median(stores), 30000,
         QStringLiteral("processor %1 ms; %2")
             .arg(bench::median(storeCpu), 0, 'f', 0)
             .arg(outcome)},
        {QStringLiteral("导入..., growth of the process's memory (peak, check and store)"),
         double(growth) / 1024.0,
         200,
         {},
         QStringLiteral("MB")},
    };
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::runModuleBench(
        argc, argv, "tessaly-bench-import", measure, [](const QStringList &args, int at) {
            if (args[at] == QLatin1String("--agents") && at + 1 < args.size()) {
                agentCount = std::max(1, args[at + 1].toInt());
                return 2;
            }
            return 0;
        });
}
