// Many seats on one store at once, each in its own process, for a stretch of time: every row a
// seat reports as stored is in the store exactly once, as that seat last wrote it, and no
// seat meets an error (a writer that finds the store busy waits for its turn).
//
// TESSALY_SOAK_SECONDS makes it the long form ("make soak"); TESSALY_SEATS changes the count.
#include "seatprocess.h"
#include "storecontents.h"
#include "teststore.h"
#include "testusers.h"

#include <QElapsedTimer>
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
            StoreContents::addCounter(*db);
        }

        QTemporaryDir out;
        QVERIFY(out.isValid());
        std::vector<std::unique_ptr<SeatProcess>> procs;
        QElapsedTimer clock;
        clock.start();
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
        const double elapsed = clock.elapsed() / 1000.0;

        auto db = s.connect();
        const StoreContents store(*db);
        int written = 0, verified = 0, errors = 0, conflicts = 0;
        QStringList problems;
        QList<SeatReport> reports;
        for (auto &p : procs) {
            const SeatReport r = p->report();
            reports << r;
            conflicts += r.conflicts;
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
                   "summary %1: seats %2, seconds %3, rows written %4, rows verified %5, "
                   "errors seen %6 (conflicts met and retried %7)")
                   .arg(engine)
                   .arg(seats)
                   .arg(elapsed, 0, 'f', 1)
                   .arg(written)
                   .arg(verified)
                   .arg(errors)
                   .arg(conflicts);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        // Every seat got work done; a seat that stored nothing would make the checks hollow.
        for (auto &p : procs)
            QVERIFY2(p->report().agents.size() > 0,
                     qPrintable(p->tag() + QStringLiteral(" stored no agent")));
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
