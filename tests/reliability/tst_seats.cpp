// Many seats on one store at once, each in its own process, for a stretch of time, while an
// administrator hands agents between their users and backs the store up: every row a seat
// reports as stored is in the store exactly once, as that seat last wrote it, every contact
// is with its agent's owner, every backup is a sound store, and no seat meets an error (a
// writer that finds the store busy waits for its turn; a save that another user's change
// made stale is refused with the lost-update message and counted).
//
// TESSALY_SOAK_SECONDS makes it the long form ("make soak"); TESSALY_SEATS changes the count.
#include "connection.h"
#include "seatprocess.h"
#include "storecopy.h"
#include "storeerror.h"
#include "storecontents.h"
#include "teststore.h"
#include "testusers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestSeats : public QObject
{
    Q_OBJECT

    static int envInt(const char *name, int fallback)
    {
        bool ok = false;
        const int v = qEnvironmentVariableIntValue(name, &ok);
        return ok && v > 0 ? v : fallback;
    }

private Q_SLOTS:
    void seatsWritingAtOnceLoseNothing_data() { testsupport::addEngineRows(); }
    void seatsWritingAtOnceLoseNothing()
    {
        QFETCH(QString, engine);
        const int seats = envInt("TESSALY_SEATS", 8);
        const int seconds = envInt("TESSALY_SOAK_SECONDS", 20);
        testsupport::TempStore s(engine);
        {
            auto db = s.connect();
            for (int i = 1; i <= seats; ++i)
                testsupport::addUser(*db, QStringLiteral("seat%1").arg(i),
                                     QStringLiteral("pw%1").arg(i), false,
                                     testsupport::allRights());
            testsupport::addUser(*db, QStringLiteral("chief"), QStringLiteral("pw0"), true,
                                 testsupport::allRights());
            StoreContents::addCounter(*db);
        }

        QTemporaryDir out;
        QVERIFY(out.isValid());
        std::vector<std::unique_ptr<SeatProcess>> procs;
        QStringList users;
        for (int i = 1; i <= seats; ++i)
            users << QStringLiteral("seat%1").arg(i);
        SeatProcess admin(s.location(), QStringLiteral("chief"), QStringLiteral("pw0"),
                          QStringLiteral("A0"), seconds);
        admin.setMode(QStringLiteral("--admin=") + users.join(QLatin1Char(',')));
        QElapsedTimer clock;
        clock.start();
        admin.start(out.path());
        for (int i = 1; i <= seats; ++i) {
            procs.push_back(std::make_unique<SeatProcess>(
                s.location(), QStringLiteral("seat%1").arg(i), QStringLiteral("pw%1").arg(i),
                QStringLiteral("S%1").arg(i), seconds));
            procs.back()->start(out.path());
        }
        // Every seat stops on its own after `seconds`; a seat still running long after that is
        // stuck on a lock, which is a failure of its own.
        for (auto &p : procs)
            QVERIFY2(p->waitForFinished((seconds + 120) * 1000),
                     qPrintable(p->tag() + QStringLiteral(" did not stop")));
        QVERIFY2(admin.waitForFinished((seconds + 120) * 1000), "the administrator did not stop");
        const double elapsed = clock.elapsed() / 1000.0;

        auto db = s.connect();
        StoreContents store(*db);
        const SeatReport chief = admin.report();
        for (const auto &[agent, owner] : chief.moves)
            store.movedTo.insert(agent, owner);
        int written = chief.rowsWritten(), verified = 0, errors = int(chief.errors.size()), conflicts = 0,
            refused = 0;
        QStringList problems;
        if (!chief.done || admin.exitCode() != 0)
            problems << QStringLiteral("the administrator ended with status %1: %2 %3")
                            .arg(admin.exitCode())
                            .arg(chief.errors.mid(0, 5).join(QLatin1Char('|')), admin.standardError().left(500));
        // Every hand-over the administrator reported stands, unless a later one moved the
        // agent again; the agents' owners are checked with the seats' rows below.
        for (const auto &[agent, owner] : chief.moves)
            if (store.agents.value(agent).owner.compare(store.movedTo.value(agent), Qt::CaseInsensitive) == 0)
                ++verified;
            else
                problems << QStringLiteral("agent %1 handed to %2 is owned by '%3'")
                                .arg(agent, owner, store.agents.value(agent).owner);
        problems << store.contactsAwayFromTheirAgents();
        problems << StoreContents::recordCountsOff(*db);
        // Every backup opens as a store and passes its check; then it goes.
        for (const QString &copy : chief.backups) {
            try {
                if (s.isServer())
                    StoreCopy().checkArchive(copy);
                else
                    StoreCopy::checkFile(copy);
            } catch (const store::StoreError &e) {
                problems << QStringLiteral("backup %1: %2").arg(copy, e.text());
            }
        }
        if (!chief.backups.isEmpty())
            QDir(QFileInfo(chief.backups.first()).path()).removeRecursively();
        QList<SeatReport> reports;
        for (auto &p : procs) {
            const SeatReport r = p->report();
            reports << r;
            conflicts += r.conflicts;
            refused += r.refused;
            written += r.rowsWritten();
            errors += int(r.errors.size());
            for (const QString &e : r.errors.mid(0, 5))
                problems << r.tag + QStringLiteral(" saw: ") + e;
            if (!r.done || p->crashed() || p->exitCode() != 0)
                problems << QStringLiteral("%1 ended with status %2 (done: %3) %4")
                                .arg(r.tag)
                                .arg(p->exitCode())
                                .arg(r.done)
                                .arg(p->standardError().left(500));
            // A read that failed while a grid painted is only a warning on stderr: count it too.
            if (!p->standardError().trimmed().isEmpty())
                problems << r.tag + QStringLiteral(" warned: ") + p->standardError().left(500);
            problems << store.check(r, false, verified);
        }
        problems << store.checkCounter(reports, 0, verified);
        problems << store.halfWrittenRows().mid(0, 10);
        if (store.distinctLogIds != store.logRows)
            problems << QStringLiteral("%1 log rows share %2 LogIDs")
                            .arg(store.logRows)
                            .arg(store.distinctLogIds);

        qInfo().noquote()
            << QStringLiteral(
                   "summary %1: seats %2 and an administrator, seconds %3, rows written %4, "
                   "rows verified %5, conflicts %6 (counter raises retried %7, saves refused "
                   "%8), agents handed over %9, backups %10, errors %11")
                   .arg(engine)
                   .arg(seats)
                   .arg(elapsed, 0, 'f', 1)
                   .arg(written)
                   .arg(verified)
                   .arg(conflicts + refused)
                   .arg(conflicts)
                   .arg(refused)
                   .arg(chief.moves.size())
                   .arg(chief.backups.size())
                   .arg(errors);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        // Every seat got work done; a seat that stored nothing would make the checks hollow.
        for (auto &p : procs)
            QVERIFY2(p->report().agents.size() > 0 && !p->report().rows.value(QStringLiteral("contact")).isEmpty(),
                     qPrintable(p->tag() + QStringLiteral(" stored no agent or no contact")));
        QVERIFY2(!chief.moves.isEmpty(), "the administrator handed no agent over");
        QVERIFY2(!chief.backups.isEmpty(), "the administrator made no backup");
        QCOMPARE(verified, written);
    }
};

int main(int argc, char *argv[])
{
    // The long form runs one test function for longer than Qt Test's watchdog allows by default;
    // the watchdog times the function over all its engines together.
    const int soak = qEnvironmentVariableIntValue("TESSALY_SOAK_SECONDS");
    if (soak > 0 && !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT",
                QByteArray::number((qint64(soak) + 300) * testsupport::engines().size() * 1000));
    QCoreApplication app(argc, argv);
    TestSeats test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_seats.moc"
