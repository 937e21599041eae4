// A seat that dies in the middle of its work (SIGKILL: no clean-up of any kind) while another
// seat goes on: the store stays sound, holds every row the dead seat had reported, holds no
// row in halves (no record item without its record), and the other seat is not held up by
// anything the dead one left behind. An assignment killed half-way is absent as a whole.
#include "connection.h"
#include "seatprocess.h"
#include "storecontents.h"
#include "teststore.h"
#include "testusers.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestCrash : public QObject
{
    Q_OBJECT

    // Waits, bounded, until the seat has printed at least `lines` lines.
    static bool waitForLines(const SeatProcess &p, int lines, int msecs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < msecs && p.isRunning()) {
            if (p.lines().size() >= lines)
                return true;
            QTest::qWait(20);
        }
        return p.lines().size() >= lines;
    }

    static void requireSound(testsupport::TempStore &s, store::Connection &db)
    {
        if (!s.isServer()) {
            QSqlQuery q = db.exec(QStringLiteral("PRAGMA integrity_check"));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("ok"));
            QVERIFY(!q.next());
        }
    }

    // Owners of the agents and of the contacts, each as owner -> how many rows.
    static QHash<QString, int> owners(store::Connection &db, const char *table)
    {
        QHash<QString, int> out;
        QSqlQuery q = db.exec(QStringLiteral("SELECT SUser, count(*) FROM %1 GROUP BY SUser")
                                  .arg(QLatin1String(table)));
        while (q.next())
            out.insert(q.value(0).toString(), q.value(1).toInt());
        return out;
    }

private Q_SLOTS:
    // An administrator's seat killed in the middle of handing thousands of agents over (its
    // transaction open, several steps done) leaves every agent and contact with the old owner;
    // the next hand-over runs whole.
    void killedAssignmentIsWholeOrAbsent_data() { testsupport::addEngineRows(); }
    void killedAssignmentIsWholeOrAbsent()
    {
        QFETCH(QString, engine);
        const int agents = 6000;
        testsupport::TempStore s(engine);
        {
            auto db = s.connect();
            testsupport::addUser(*db, QStringLiteral("chief"), QStringLiteral("pw"), true,
                                 testsupport::allRights());
            const QString numbers = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                                                   "SELECT i + 1 FROM n WHERE i < %1) ")
                                        .arg(agents);
            db->exec(numbers + QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, SUser) "
                                              "SELECT 'G' || i, 'Agent ' || i, 'giver' FROM n"));
            for (const char *suffix : {"a", "b"})
                db->exec(numbers + QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Name, SUser) "
                                                  "SELECT 'G' || i || '%1', 'G' || i, 'Contact', 'giver' FROM n")
                                       .arg(QLatin1String(suffix)));
        }
        QTemporaryDir out;
        QVERIFY(out.isValid());
        const QHash<QString, int> before{{QStringLiteral("giver"), agents}};

        qputenv("RELSEAT_STEP_PAUSE_MS", "150");
        SeatProcess victim(s.location(), QStringLiteral("chief"), QStringLiteral("pw"),
                           QStringLiteral("G1"), 60);
        victim.setMode(QStringLiteral("--assign=giver,taker"));
        victim.start(out.path());
        // Somewhere after the first step and before the last.
        const int steps = 2 + int(QRandomGenerator::global()->bounded(8));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000 && victim.isRunning() && victim.report().progress < steps * 400)
            QTest::qWait(20);
        const SeatReport partial = victim.report();
        victim.kill();
        qunsetenv("RELSEAT_STEP_PAUSE_MS");
        QVERIFY2(partial.progress >= steps * 400 && partial.assigned < 0,
                 qPrintable(victim.lines().join(QLatin1Char('|')).left(400) + victim.standardError()));
        {
            auto db = s.connect();
            requireSound(s, *db);
            QCOMPARE(owners(*db, "tblCustomers"), before);
            QCOMPARE(owners(*db, "tblLinkmans"), (QHash<QString, int>{{QStringLiteral("giver"), 2 * agents}}));
        }

        // Nothing the dead seat held is in the way of the next one.
        SeatProcess again(s.location(), QStringLiteral("chief"), QStringLiteral("pw"),
                          QStringLiteral("G2"), 60);
        again.setMode(QStringLiteral("--assign=giver,taker"));
        again.start(out.path());
        QVERIFY2(again.waitForFinished(60000), "the second hand-over is stuck");
        QCOMPARE(again.exitCode(), 0);
        QCOMPARE(again.report().assigned, agents);
        auto db = s.connect();
        requireSound(s, *db);
        QCOMPARE(owners(*db, "tblCustomers"), (QHash<QString, int>{{QStringLiteral("taker"), agents}}));
        QCOMPARE(owners(*db, "tblLinkmans"), (QHash<QString, int>{{QStringLiteral("taker"), 2 * agents}}));
        qInfo().noquote() << QStringLiteral("summary %1: hand-over of %2 agents killed after %3 of them; "
                                            "store sound, none moved; the next one moved all")
                                 .arg(engine)
                                 .arg(agents)
                                 .arg(partial.progress);
    }

    void killedSeatLeavesASoundStore_data() { testsupport::addEngineRows(); }
    void killedSeatLeavesASoundStore()
    {
        QFETCH(QString, engine);
        const int victims = 3;
        testsupport::TempStore s(engine);
        {
            auto db = s.connect();
            testsupport::addUser(*db, QStringLiteral("steady"), QStringLiteral("pw"), false,
                                 testsupport::allRights());
            for (int i = 1; i <= victims + 1; ++i)
                testsupport::addUser(*db, QStringLiteral("victim%1").arg(i), QStringLiteral("pw"),
                                     false, testsupport::allRights());
            StoreContents::addCounter(*db);
        }
        QTemporaryDir out;
        QVERIFY(out.isValid());
        QElapsedTimer clock;
        clock.start();

        // One seat works through the whole test; the victims are killed one after the other.
        SeatProcess steady(s.location(), QStringLiteral("steady"), QStringLiteral("pw"),
                           QStringLiteral("K0"), 8);
        steady.start(out.path());
        std::vector<std::unique_ptr<SeatProcess>> killed;
        for (int i = 1; i <= victims; ++i) {
            auto v = std::make_unique<SeatProcess>(s.location(), QStringLiteral("victim%1").arg(i),
                                                   QStringLiteral("pw"),
                                                   QStringLiteral("K%1").arg(i), 60);
            v->start(out.path());
            // Somewhere in its stream of writes, not at a fixed point.
            const int lines = 20 + int(QRandomGenerator::global()->bounded(60));
            QVERIFY2(waitForLines(*v, lines, 30000),
                     qPrintable(QStringLiteral("K%1 printed %2 lines: %3")
                                    .arg(i)
                                    .arg(v->lines().size())
                                    .arg(v->lines().join(QLatin1Char('|')).left(400) +
                                         v->standardError())));
            v->kill();
            QVERIFY(v->crashed());
            killed.push_back(std::move(v));
        }
        QVERIFY2(steady.waitForFinished(120000), "the surviving seat is stuck");

        // A new seat starts on the store the dead ones left and works normally.
        SeatProcess after(s.location(), QStringLiteral("victim4"), QStringLiteral("pw"),
                          QStringLiteral("K9"), 2);
        after.start(out.path());
        QVERIFY(after.waitForFinished(60000));
        const double elapsed = clock.elapsed() / 1000.0;

        auto db = s.connect();
        requireSound(s, *db);
        if (s.isServer()) {
            // The server went on serving: every table answers a count.
            for (const char *t : {"tblCustomers", "tblOperates", "tblLog"})
                QVERIFY(db->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(t)))
                            .toLongLong() > 0);
        }
        const StoreContents store(*db);
        int written = 0, verified = 0, errors = 0;
        QStringList problems;
        QList<SeatReport> reports;
        for (const SeatProcess *p : {&steady, &after}) {
            const SeatReport r = p->report();
            reports << r;
            written += r.rowsWritten();
            errors += int(r.errors.size());
            if (!r.done || p->exitCode() != 0 || !r.errors.isEmpty())
                problems << QStringLiteral("%1 ended with status %2: %3 %4")
                                .arg(r.tag)
                                .arg(p->exitCode())
                                .arg(r.errors.mid(0, 3).join(QLatin1Char('|')),
                                     p->standardError().left(300));
            if (!p->standardError().trimmed().isEmpty())
                problems << r.tag + QStringLiteral(" warned: ") + p->standardError().left(500);
            problems << store.check(r, false, verified);
        }
        for (const auto &p : killed) {
            const SeatReport r = p->report();
            reports << r;
            written += r.rowsWritten();
            errors += int(r.errors.size());
            problems << r.errors.mid(0, 3);
            problems << store.check(r, true, verified);
        }
        problems << store.checkCounter(reports, int(killed.size()), verified);
        problems << store.halfWrittenRows().mid(0, 10);
        problems << StoreContents::recordCountsOff(*db); // counted with the records or not at all
        if (store.distinctLogIds != store.logRows)
            problems << QStringLiteral("%1 log rows share %2 LogIDs")
                            .arg(store.logRows)
                            .arg(store.distinctLogIds);

        qInfo().noquote() << QStringLiteral(
                                 "summary %1: seats %2 (%3 killed), seconds %4, rows written %5, "
                                 "rows verified %6, errors seen %7")
                                 .arg(engine)
                                 .arg(victims + 2)
                                 .arg(victims)
                                 .arg(elapsed, 0, 'f', 1)
                                 .arg(written)
                                 .arg(verified)
                                 .arg(errors);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY(!after.report().agents.isEmpty());
        QCOMPARE(verified, written);
    }
};

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
