// tessaly-bench-schedule: the schedule, the notice board and the work assignment as a seat meets
// them, through the real main window (offscreen): F6 to the list's first screen, a two-week
// 查询, the board opened on every notice, and 确认分配 of a user's agents with their contacts.
//
//   tessaly-bench-schedule LOCATION [--runs N] [--fill]
//
// --fill first adds what the board and the assignment are measured on, once: 10,000 notices,
// the users benchsrc and benchdst, and 10,000 agents of benchsrc (codes BA00001...) with three
// contacts each. It writes to the store, so give it a copy of the benchmark store. Each run of
// the assignment moves the agents to the other of the two users, so the store ends with them
// on one or the other. The schedule entries are the generator's (tessaly-gen --plans N).
//
// Figures are printed with their targets; a missed target is reported, never a failure.
#include "schedule.h"
#include "assignwindow.h"
#include "boardwindow.h"
#include "datagrid.h"
#include "modulesupport.h"
#include "planquerydialog.h"
#include "schedulepanel.h"

#include <QComboBox>
#include <QDate>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>

namespace
{

using bench::Figure;
using bench::median;
using bench::timed;

constexpr int Notices = 10000;
constexpr int Agents = 10000;
constexpr int ContactsEach = 3;
const QString Source = QStringLiteral("benchsrc");
const QString Target = QStringLiteral("benchdst");

void fill(const QString &location)
{
    store::Connection db;
    db.open(location);
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM tblCustomers WHERE CustID = 'BA00001'"))
            .toInt() > 0) {
        std::printf("store already filled for the schedule benchmark\n");
        return;
    }
    db.transaction([&] {
        for (int i = 1; i <= Notices; ++i)
            db.exec(QStringLiteral(
                        "INSERT INTO tblBoard (BTitle, BDate, Man, Memo) VALUES (?, ?, ?, ?)"),
                    {QStringLiteral("公告%1").arg(i),
                     QDate(2020, 1, 1).addDays(i % 2000).toString(Qt::ISODate),
                     QStringLiteral("行政部"),
                     QStringLiteral("第%1号通知：请各部门按时参加例会。").arg(i)});
        for (const QString &user : {Source, Target})
            db.exec(
                QStringLiteral(
                    "INSERT INTO tblUser (UserID, UserName, State, Sys) VALUES (?, ?, 'Yes', ?)"),
                {user, user, false});
        for (int i = 1; i <= Agents; ++i) {
            const QString code = QStringLiteral("BA%1").arg(i, 5, 10, QLatin1Char('0'));
            db.exec(QStringLiteral(
                        "INSERT INTO tblCustomers (CustID, CustName, SUser) VALUES (?, ?, ?)"),
                    {code, QStringLiteral("分配代理%1").arg(i), Source});
            for (int c = 1; c <= ContactsEach; ++c)
                db.exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Name, SUser) "
                                       "VALUES (?, ?, ?, ?)"),
                        {QStringLiteral("%1-%2").arg(code).arg(c), code,
                         QStringLiteral("联系人%1").arg(c), Source});
        }
    });
    for (const char *table : {"tblBoard", "tblCustomers", "tblLinkmans", "tblUser"})
        db.exec(QStringLiteral("ANALYZE %1").arg(QLatin1String(table)));
    std::printf("store filled: %d notices, %d agents of %s with %d contacts each\n", Notices,
                Agents, qPrintable(Source), ContactsEach);
}

struct Seat : bench::Seat {
    Seat(const QString &appDir) : bench::Seat(appDir, QStringLiteral("Admin"), installSchedule) {}
};

// A span of two weeks in the middle of the schedule's dates.
std::pair<QDate, QDate> twoWeeks(store::Connection &db)
{
    const QDate from = db.scalar(QStringLiteral("SELECT MIN(PlanDate) FROM tblPlan")).toDate();
    const QDate to = db.scalar(QStringLiteral("SELECT MAX(PlanDate) FROM tblPlan")).toDate();
    const QDate middle =
        from.isValid() && to.isValid() ? from.addDays(from.daysTo(to) / 2) : QDate::currentDate();
    return {middle, middle.addDays(13)};
}

void measureSchedule(Seat &seat, int runs, std::vector<Figure> &out)
{
    auto *panel = qobject_cast<SchedulePanel *>(seat.main->schedulePanel());
    store::Dataset &plans = seat.dm.qryPlan;
    std::vector<double> open;
    for (int i = 0; i < runs; ++i) {
        plans.close();
        open.push_back(timed([&] {
            seat.run("Act_Plan");
            bench::paint(panel->grid()->view());
        }));
    }
    out.push_back({QStringLiteral("F6: schedule shown, first screen painted"), median(open), 100,
                   QStringLiteral("%1 entries listed").arg(plans.rowCount())});

    const auto [from, to] = twoWeeks(seat.dm.connection());
    std::vector<double> span;
    for (int i = 0; i < runs; ++i) {
        PlanQueryDialog::showAll(plans);
        span.push_back(timed([&] {
            PlanQueryDialog::showSpan(plans, from, to);
            bench::paint(panel->grid()->view());
        }));
    }
    out.push_back({QStringLiteral("查询 of two weeks (%1 to %2): first screen painted")
                       .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate)),
                   median(span), 300, QStringLiteral("%1 entries found").arg(plans.rowCount())});
}

void measureBoard(Seat &seat, int runs, std::vector<Figure> &out)
{
    store::Dataset &board = seat.dm.tblBoard;
    std::vector<double> open;
    int rows = 0;
    for (int i = 0; i < runs; ++i) {
        board.close();
        open.push_back(timed([&] {
            // As 公告板 does before its window: every notice, the board opened.
            board.clearFilter();
            board.open();
            BoardWindow w(seat.main->workspace(), seat.main.get());
            w.show();
            bench::paint(w.grid()->view());
            rows = board.rowCount();
        }));
    }
    out.push_back({QStringLiteral("公告板: window shown on every notice, first screen painted"),
                   median(open), 300, QStringLiteral("%1 notices").arg(rows)});
}

void measureAssignment(Seat &seat, int runs, std::vector<Figure> &out)
{
    store::Connection &db = seat.dm.connection();
    std::vector<double> refresh, assign;
    int moved = 0, contacts = 0;
    for (int i = 0; i < runs; ++i) {
        // The agents go to whichever of the two users does not hold them now.
        const QString from =
            db.scalar(QStringLiteral("SELECT SUser FROM tblCustomers WHERE CustID = 'BA00001'"))
                .toString();
        const QString to = from == Source ? Target : Source;
        AssignWindow w(seat.main->workspace(), seat.main.get());
        w.show();
        w.source()->setCurrentIndex(w.source()->findText(from));
        w.target()->setCurrentIndex(w.target()->findText(to));
        refresh.push_back(timed([&] {
            w.button("BitBtn1")->click();
            w.button("BitBtn3")->click();
        }));
        moved = w.right()->count();
        MessageBox::clearHistory();
        assign.push_back(timed([&] { w.button("BitBtn7")->click(); }));
        if (MessageBox::last().text != QStringLiteral("提醒用户：分配成功！"))
            throw store::StoreError(QStringLiteral("the assignment failed: ") +
                                    MessageBox::last().text);
        contacts =
            db.scalar(QStringLiteral("SELECT COUNT(*) FROM tblLinkmans WHERE SUser = ?"), {to})
                .toInt();
    }
    out.push_back({QStringLiteral("工作分配 刷新 and >>: the source's agents listed and chosen"),
                   median(refresh), 1000,
                   QStringLiteral("%1 agents; no target given, a second is ours").arg(moved)});
    out.push_back({QStringLiteral("确认分配: agents and their contacts moved in one transaction"),
                   median(assign) / 1000.0, 5,
                   QStringLiteral("%1 agents, %2 contacts").arg(moved).arg(contacts),
                   QStringLiteral("s")});
}

std::vector<Figure> measure(const QString &appDir, int runs)
{
    std::vector<Figure> out;
    Seat seat(appDir);
    measureSchedule(seat, runs, out);
    measureBoard(seat, runs, out);
    if (seat.dm.connection()
            .scalar(QStringLiteral("SELECT COUNT(*) FROM tblCustomers WHERE CustID = 'BA00001'"))
            .toInt() == 0)
        std::printf("work assignment not measured: no agents BA00001...; run once with --fill\n");
    else
        measureAssignment(seat, runs, out);
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    bool fillFirst = false;
    return bench::runModuleBench(
        argc, argv, "tessaly-bench-schedule",
        [&fillFirst](const QString &appDir, int runs) {
            if (fillFirst)
                fill(store::ServerFile::readFirstLine(appDir));
            return measure(appDir, runs);
        },
        [&fillFirst](const QStringList &args, int at) {
            if (args[at] != QLatin1String("--fill"))
                return 0;
            fillFirst = true;
            return 1;
        });
}
