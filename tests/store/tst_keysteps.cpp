// A table list read in steps: its first screen at once, the rest appended in order while the
// program waits, with the current row, orders by looked-up names, other seats' changes, this
// seat's own rows, and filters and orders changed while the rest is still being read.
#include "connection.h"
#include "dataset.h"
#include "session.h"
#include "teststore.h"

#include <QSet>
#include <QTest>

using namespace store;

namespace
{

constexpr int Total = 2600;
constexpr int FirstScreen = 500;

QString code(int i)
{
    return QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0'));
}

// Agents P00000.. whose names run the other way round, owned by wang and li in turn.
void addAgents(Connection &db, int from, int to)
{
    db.transaction([&] {
        for (int i = from; i < to; ++i)
            db.exec(QStringLiteral(
                        "INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES (?, ?, ?)"),
                    {code(i), QStringLiteral("名%1").arg(99999 - i, 5, 10, QLatin1Char('0')),
                     i % 2 ? QStringLiteral("li") : QStringLiteral("wang")});
    });
}

QString at(const Dataset &d, int row, const QString &field = QStringLiteral("CustId"))
{
    return d.value(row, field).toString();
}

// Every row listed once, by its `id`, and the list in the order of `field` (ascending or not),
// from the row `from` on.
bool listedOnceInOrder(const Dataset &d, const QString &field, bool ascending,
                       const QString &idField = QStringLiteral("CustId"), int from = 0)
{
    QSet<QString> seen;
    for (int r = from; r < d.rowCount(); ++r) {
        const QString id = at(d, r, idField);
        if (seen.contains(id)) {
            qWarning("%s listed twice", qPrintable(id));
            return false;
        }
        seen.insert(id);
        if (r == from)
            continue;
        const QString before = at(d, r - 1, field), here = at(d, r, field);
        if (ascending ? before > here : before < here) {
            qWarning("rows %d and %d out of order", r - 1, r);
            return false;
        }
    }
    return true;
}

} // namespace

class TestKeySteps : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { session().CurrentUserID = QStringLiteral("Admin"); }

    void theFirstScreenComesFirstAndTheRestIsAppended_data() { testsupport::addEngineRows(); }
    void theFirstScreenComesFirstAndTheRestIsAppended()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        addAgents(*db, 0, Total);
        Dataset agents(*db, QStringLiteral("tblCustomers"));
        agents.setTable(QStringLiteral("tblCustomers"));
        agents.setSort(QStringLiteral("CustName"), Qt::AscendingOrder);
        int appended = 0, finished = 0;
        connect(&agents, &Dataset::rowsAppended, this, [&](int first, int n) {
            QCOMPARE(first, agents.rowCount() - n); // at the end
            appended += n;
        });
        connect(&agents, &Dataset::readingFinished, this, [&] { ++finished; });

        agents.open();
        QCOMPARE(agents.rowCount(), FirstScreen);
        QVERIFY(!agents.isComplete());
        QCOMPARE(at(agents, 0), code(Total - 1));
        QCOMPARE(at(agents, FirstScreen - 1), code(Total - FirstScreen));
        agents.moveTo(10);
        QVERIFY(!agents.isLast());
        QTRY_VERIFY(agents.isComplete());
        QCOMPARE(agents.rowCount(), Total);
        QCOMPARE(appended, Total - FirstScreen);
        QCOMPARE(finished, 1);
        QCOMPARE(agents.currentRow(), 10);
        QCOMPARE(at(agents, 10, QStringLiteral("CustId")), code(Total - 11));
        QVERIFY(listedOnceInOrder(agents, QStringLiteral("CustName"), true));

        // Read again, the current row far down is read to and stays current.
        agents.moveTo(2000);
        agents.refresh();
        QVERIFY(agents.rowCount() > 2000);
        QCOMPARE(agents.currentRow(), 2000);
        QCOMPARE(at(agents, 2000), code(Total - 2001));
        QTRY_VERIFY(agents.isComplete());

        // A search, a key and the last row are read to; sums and counts read nothing first.
        agents.refresh();
        QCOMPARE(agents.find(QStringLiteral("CustId"), code(7)), Total - 8);
        QVERIFY(agents.moveToKey(agents.rowKey(Total - 8)));
        agents.first();
        agents.refresh();
        QVERIFY(!agents.isComplete());
        QVERIFY(agents.moveToKey(
            db->scalar(QStringLiteral("SELECT CNo FROM tblCustomers WHERE CustId = ?"), {code(3)})
                .toLongLong()));
        QCOMPARE(agents.currentRow(), Total - 4);
        QCOMPARE(agents.find(QStringLiteral("CustId"), QStringLiteral("nobody")), -1);
        agents.refresh();
        agents.last();
        QVERIFY(agents.isComplete());
        QVERIFY(agents.isLast());
        QCOMPARE(at(agents, agents.currentRow()), code(0));

        // Descending is the same order backwards.
        agents.setSort(QStringLiteral("CustName"), Qt::DescendingOrder);
        QCOMPARE(at(agents, 0), code(0));
        agents.readRest();
        QCOMPARE(agents.rowCount(), Total);
        QVERIFY(listedOnceInOrder(agents, QStringLiteral("CustName"), false));
    }

    // A current row far down keeps its place under a new order at once: the store counts the
    // rows before it, and the rows between the first screen and it are read afterwards,
    // while the program waits or when one of them is asked for, in order, each once.
    void aFarCurrentRowKeepsItsPlaceWithoutReadingUpToIt_data() { testsupport::addEngineRows(); }
    void aFarCurrentRowKeepsItsPlaceWithoutReadingUpToIt()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        auto other = s.connect();
        constexpr int Many = 9000;
        addAgents(*db, 0, Many);
        Dataset agents(*db, QStringLiteral("tblCustomers"));
        agents.setTable(QStringLiteral("tblCustomers"));
        agents.open();
        QVERIFY(agents.moveTo(1000)); // by key: P01000, which the names put 7,999th
        int appended = 0, removed = 0, finished = 0;
        connect(&agents, &Dataset::rowsAppended, this, [&](int, int n) { appended += n; });
        connect(&agents, &Dataset::rowRemoved, this, [&] { ++removed; });
        connect(&agents, &Dataset::readingFinished, this, [&] { ++finished; });

        agents.setSort(QStringLiteral("CustName"));
        const int shown = agents.rowCount();
        QCOMPARE(agents.currentRow(), Many - 1 - 1000);
        QCOMPARE(at(agents, agents.currentRow()), code(1000));
        QVERIFY(!agents.isComplete());
        // The rows around it are there; the rest of the list is not read yet.
        QVERIFY(agents.rowCount() < Many);
        QCOMPARE(at(agents, agents.currentRow() - 1), code(1001));
        QCOMPARE(at(agents, agents.currentRow() + 1), code(999));
        QCOMPARE(at(agents, FirstScreen - 1), code(Many - FirstScreen));
        // A row between, asked for before reading has come to it.
        QCOMPARE(at(agents, 3000), code(Many - 3001));

        // Another seat deletes a row read already and two that are not, and adds one in the
        // part still to be read: what was read stays, the others come in their place.
        const qint64 currentKey = agents.currentKey();
        other->exec(QStringLiteral("DELETE FROM tblCustomers WHERE CustId IN (?, ?, ?)"),
                    {code(Many - 101), code(Many - 4001), code(Many - 5001)});
        other->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName) VALUES (?, ?)"),
                    {QStringLiteral("NEW"), QStringLiteral("名%1a").arg(99999 - (Many - 6001))});
        QTRY_VERIFY(agents.isComplete());
        QCOMPARE(finished, 1);
        QCOMPARE(agents.rowCount(), Many - 1); // two deleted rows out, one new row in
        QCOMPARE(agents.currentKey(), currentKey);
        QCOMPARE(at(agents, agents.currentRow()), code(1000));
        QCOMPARE(shown + appended - removed, agents.rowCount()); // every change announced
        QCOMPARE(agents.currentRow(), Many - 1 - 1000 - 1);
        QVERIFY(agents.isGone(100));
        QVERIFY(listedOnceInOrder(agents, QStringLiteral("CustName"), true,
                                  QStringLiteral("CustId"), 101));
        QCOMPARE(agents.find(QStringLiteral("CustId"), QStringLiteral("NEW")),
                 agents.find(QStringLiteral("CustId"), code(Many - 6001)) + 1);

        // Descending: a row far down that way.
        QVERIFY(agents.locate(QStringLiteral("CustId"), code(8000)));
        agents.setSort(QStringLiteral("CustName"), Qt::DescendingOrder);
        QCOMPARE(at(agents, agents.currentRow()), code(8000));
        QVERIFY(agents.currentRow() > 7900);
        QVERIFY(!agents.isComplete());
        QCOMPARE(at(agents, agents.currentRow() - 1), code(7999));
        QCOMPARE(at(agents, agents.currentRow() + 1), code(8001));
        agents.readRest();
        QVERIFY(listedOnceInOrder(agents, QStringLiteral("CustName"), false));
        QCOMPARE(agents.rowCount(), Many - 2);
        QCOMPARE(at(agents, agents.currentRow()), code(8000));
    }

    // A display field sorts by the names it shows: the rows without one first (last when
    // descending), in steps like any other order.
    void aLookedUpColumnSortsInSteps_data() { testsupport::addEngineRows(); }
    void aLookedUpColumnSortsInSteps()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        addAgents(*db, 0, 1000);
        db->transaction([&] {
            // Two contacts per agent, the second under the code in small letters, a few whose
            // agent is gone and one without an agent.
            for (int i = 0; i < 1000; ++i)
                db->exec(QStringLiteral(
                             "INSERT INTO tblLinkmans (LinkmanID, CustID) VALUES (?, ?), (?, ?)"),
                         {QStringLiteral("L%1a").arg(i), code(i), QStringLiteral("L%1b").arg(i),
                          code(i).toLower()});
            for (int i = 0; i < 5; ++i)
                db->exec(QStringLiteral(
                             "INSERT INTO tblLinkmans (LinkmanID, CustID) VALUES (?, 'gone')"),
                         {QStringLiteral("X%1").arg(i)});
            db->exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID) VALUES ('N0')"));
        });
        Dataset agents(*db, QStringLiteral("tblCustomers2")),
            contacts(*db, QStringLiteral("qryLinkmans"));
        agents.setTable(QStringLiteral("tblCustomers"));
        contacts.setSql(QStringLiteral("select * from tblLinkmans"));
        contacts.addLookup(QStringLiteral("CustName"), &agents, QStringLiteral("CustID"),
                           QStringLiteral("CustId"), QStringLiteral("CustName"));
        agents.open();
        // Set before opening: a sort of an open list keeps its current row, read to.
        contacts.setSort(QStringLiteral("CustName"), Qt::AscendingOrder);
        contacts.open();
        QCOMPARE(contacts.rowCount(), FirstScreen);
        QVERIFY(!contacts.isComplete());
        for (int r = 0; r < 6; ++r)
            QVERIFY(contacts.value(r, QStringLiteral("CustName")).isNull());
        QCOMPARE(at(contacts, 6, QStringLiteral("CustName")), QStringLiteral("名99000"));
        QCOMPARE(at(contacts, 7, QStringLiteral("CustName")), QStringLiteral("名99000"));
        contacts.readRest();
        QCOMPARE(contacts.rowCount(), 2006);
        QVERIFY(listedOnceInOrder(contacts, QStringLiteral("CustName"), true,
                                  QStringLiteral("LinkmanID")));

        // As the source is filtered now: another user's agents show no name and sort with
        // the rows without one.
        agents.setFilter(Condition::eq(QStringLiteral("SUser"), QStringLiteral("wang")));
        contacts.close();
        contacts.setSort(QStringLiteral("CustName"), Qt::DescendingOrder);
        contacts.open();
        QVERIFY(!contacts.isComplete());
        QCOMPARE(at(contacts, 0, QStringLiteral("CustName")), QStringLiteral("名99999"));
        contacts.readRest();
        QCOMPARE(contacts.rowCount(), 2006);
        for (int r = 0; r < 1000; ++r)
            QVERIFY(!contacts.value(r, QStringLiteral("CustName")).isNull());
        for (int r = 1000; r < 2006; ++r)
            QVERIFY(contacts.value(r, QStringLiteral("CustName")).isNull());
        QVERIFY(listedOnceInOrder(contacts, QStringLiteral("CustName"), false,
                                  QStringLiteral("LinkmanID")));
    }

    // A far current row under a display field's order is found by a count too. The rows
    // without a name, read with the first screen, are counted once, and the rows between come
    // in later in their places.
    void aFarCurrentRowKeepsItsPlaceUnderALookedUpOrder_data() { testsupport::addEngineRows(); }
    void aFarCurrentRowKeepsItsPlaceUnderALookedUpOrder()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        constexpr int Agents = 5000;
        addAgents(*db, 0, Agents);
        db->transaction([&] {
            for (int i = 0; i < Agents; ++i)
                db->exec(QStringLiteral(
                             "INSERT INTO tblLinkmans (LinkmanID, CustID) VALUES (?, ?), (?, ?)"),
                         {QStringLiteral("L%1a").arg(i), code(i), QStringLiteral("L%1b").arg(i),
                          code(i)});
            for (int i = 0; i < 3; ++i)
                db->exec(QStringLiteral(
                             "INSERT INTO tblLinkmans (LinkmanID, CustID) VALUES (?, 'gone')"),
                         {QStringLiteral("X%1").arg(i)});
        });
        Dataset agents(*db, QStringLiteral("tblCustomers2")),
            contacts(*db, QStringLiteral("qryLinkmans"));
        agents.setTable(QStringLiteral("tblCustomers"));
        contacts.setTable(QStringLiteral("tblLinkmans"));
        contacts.addLookup(QStringLiteral("CustName"), &agents, QStringLiteral("CustID"),
                           QStringLiteral("CustId"), QStringLiteral("CustName"));
        agents.open();
        contacts.open();
        QVERIFY(contacts.locate(QStringLiteral("LinkmanID"), QStringLiteral("L1000a")));

        contacts.setSort(QStringLiteral("CustName"));
        const int place = 3 + 2 * (Agents - 1 - 1000); // after the three without a name
        QVERIFY(!contacts.isComplete());
        QCOMPARE(contacts.currentRow(), place);
        QVERIFY(contacts.rowCount() < 2 * Agents + 3); // the end is not read yet
        QCOMPARE(at(contacts, place, QStringLiteral("LinkmanID")), QStringLiteral("L1000a"));
        QCOMPARE(at(contacts, place - 1, QStringLiteral("LinkmanID")), QStringLiteral("L1001b"));
        QCOMPARE(at(contacts, place + 1, QStringLiteral("LinkmanID")), QStringLiteral("L1000b"));
        for (int r = 0; r < 3; ++r)
            QVERIFY(contacts.value(r, QStringLiteral("CustName")).isNull());
        QCOMPARE(at(contacts, 3, QStringLiteral("LinkmanID")),
                 QStringLiteral("L%1a").arg(Agents - 1));
        contacts.readRest();
        QCOMPARE(contacts.rowCount(), 2 * Agents + 3);
        QCOMPARE(contacts.currentRow(), place);
        QCOMPARE(at(contacts, 1000, QStringLiteral("LinkmanID")),
                 QStringLiteral("L%1b").arg(Agents - 1 - (1000 - 3) / 2));
        QVERIFY(listedOnceInOrder(contacts, QStringLiteral("CustName"), true,
                                  QStringLiteral("LinkmanID"), 3));
    }

    // Rows another seat deletes or adds while this one still reads: what is read stays
    // listed, what is gone is never read, a row added further on comes in its place, and
    // reading again shows every change.
    void anotherSeatsChangesWhileReading_data() { testsupport::addEngineRows(); }
    void anotherSeatsChangesWhileReading()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        auto other = s.connect();
        addAgents(*db, 0, Total);
        Dataset agents(*db, QStringLiteral("tblCustomers"));
        agents.setTable(QStringLiteral("tblCustomers"));
        agents.setSort(QStringLiteral("CustId"), Qt::AscendingOrder);
        agents.open();
        QCOMPARE(at(agents, 100), code(100));
        const qint64 readBefore = agents.rowKey(100);
        other->exec(QStringLiteral("DELETE FROM tblCustomers WHERE CustId IN (?, ?)"),
                    {code(100), code(2000)});
        other->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName) VALUES ('P00100a', "
                                   "'前'), ('P01500a', '后')"));
        QTRY_VERIFY(agents.isComplete());
        QCOMPARE(agents.rowCount(),
                 Total - 1 + 1); // P02000 gone, P01500a added, P00100 still listed
        QCOMPARE(agents.rowKey(100), readBefore);
        QCOMPARE(agents.find(QStringLiteral("CustId"), code(2000)), -1);
        QCOMPARE(at(agents, 1501), QStringLiteral("P01500a"));
        QCOMPARE(agents.find(QStringLiteral("CustId"), QStringLiteral("P00100a")), -1);
        QVERIFY(listedOnceInOrder(agents, QStringLiteral("CustId"), true, QStringLiteral("CustId"),
                                  101));

        agents.refresh();
        agents.readRest();
        QCOMPARE(agents.rowCount(), Total);
        QCOMPARE(at(agents, 99), QStringLiteral("P00099"));
        QCOMPARE(at(agents, 100), QStringLiteral("P00100a"));
        QVERIFY(listedOnceInOrder(agents, QStringLiteral("CustId"), true));
    }

    // A row this seat stores while the keys are still being read is listed once, where it
    // was typed in or edited, and stays current.
    void aRowStoredWhileReadingIsListedOnce_data() { testsupport::addEngineRows(); }
    void aRowStoredWhileReadingIsListedOnce()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        addAgents(*db, 0, Total);
        Dataset agents(*db, QStringLiteral("tblCustomers"));
        agents.setTable(QStringLiteral("tblCustomers"));
        agents.setSort(QStringLiteral("CustId"), Qt::AscendingOrder);
        agents.open();

        // A new row sorting far down, stored while the rest is unread.
        agents.append();
        agents.setValue(QStringLiteral("CustId"), QStringLiteral("P02000a"));
        agents.setValue(QStringLiteral("CustName"), QStringLiteral("新"));
        agents.post();
        QVERIFY(!agents.isComplete());
        QCOMPARE(agents.rowCount(), FirstScreen + 1);
        QCOMPARE(agents.currentRow(), FirstScreen);
        QCOMPARE(at(agents, FirstScreen), QStringLiteral("P02000a"));

        // A row of the first screen edited so that it sorts further on.
        agents.moveTo(3);
        agents.setValue(QStringLiteral("CustId"), QStringLiteral("P01000a"));
        agents.post();
        QCOMPARE(at(agents, 3), QStringLiteral("P01000a"));
        QTRY_VERIFY(agents.isComplete());
        QCOMPARE(agents.rowCount(), Total + 1);
        QCOMPARE(agents.currentRow(), 3);
        QCOMPARE(at(agents, 3), QStringLiteral("P01000a"));
        QCOMPARE(agents.find(QStringLiteral("CustId"), QStringLiteral("P02000a")), FirstScreen);

        QSet<QString> seen;
        for (int r = 0; r < agents.rowCount(); ++r)
            seen.insert(at(agents, r));
        QCOMPARE(seen.size(), Total + 1);

        // A row being typed in while steps come in stays the last row, and current.
        agents.refresh();
        agents.append();
        agents.setValue(QStringLiteral("CustId"), QStringLiteral("P09999"));
        QTest::qWait(200);
        QCOMPARE(agents.currentRow(), agents.rowCount() - 1);
        agents.post();
        QTRY_VERIFY(agents.isComplete());
        QCOMPARE(agents.rowCount(), Total + 2);
        QCOMPARE(agents.find(QStringLiteral("CustId"), QStringLiteral("P09999")),
                 -1 + agents.rowCount());
    }

    // A filter or an order changed while reading: the list is theirs alone, nothing of the
    // reading before comes in behind.
    void aFilterAndAnOrderChangedWhileReading_data() { testsupport::addEngineRows(); }
    void aFilterAndAnOrderChangedWhileReading()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        addAgents(*db, 0, Total);
        Dataset agents(*db, QStringLiteral("tblCustomers"));
        agents.setTable(QStringLiteral("tblCustomers"));
        agents.open();
        QVERIFY(!agents.isComplete());
        agents.setFilter(Condition::eq(QStringLiteral("SUser"), QStringLiteral("li")));
        QCOMPARE(agents.rowCount(), FirstScreen);
        agents.setSort(QStringLiteral("CustName"), Qt::DescendingOrder);
        QCOMPARE(at(agents, 0), code(1));
        QTRY_VERIFY(agents.isComplete());
        QTest::qWait(100); // a step queued for the earlier reading would come now
        QCOMPARE(agents.rowCount(), Total / 2);
        for (int r = 0; r < agents.rowCount(); ++r)
            QCOMPARE(agents.value(r, QStringLiteral("SUser")).toString(), QStringLiteral("li"));
        QVERIFY(listedOnceInOrder(agents, QStringLiteral("CustName"), false));
        QCOMPARE(agents.sum(QStringLiteral("CNo")),
                 db->scalar(QStringLiteral("SELECT sum(CNo) FROM tblCustomers WHERE SUser = 'li'"))
                     .toDouble());

        agents.clearFilter();
        agents.clearSort();
        QCOMPARE(agents.sum(QStringLiteral("CNo")),
                 db->scalar(QStringLiteral("SELECT sum(CNo) FROM tblCustomers")).toDouble());
        QVERIFY(!agents.isComplete()); // a sum asks the store, not the list
        agents.close();
        QTest::qWait(100);
        QCOMPARE(agents.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestKeySteps)
#include "tst_keysteps.moc"
