// The shared cursor: states, moves, filters, order, master and detail, display fields,
// refusals and the lost-update guard, on every engine.
#include "connection.h"
#include "dataset.h"
#include "session.h"
#include "storeerror.h"
#include "teststore.h"

#include <QSignalSpy>
#include <QTest>

using namespace store;

class TestDataset : public QObject
{
    Q_OBJECT

    static void addAgent(Connection &db, const QString &id, const QString &name, const QString &owner = QStringLiteral("Admin"))
    {
        db.exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES (?, ?, ?)"), {id, name, owner});
    }
    static int count(Connection &db, const QString &sql, const QVariantList &v = {})
    {
        return db.scalar(sql, v).toInt();
    }

private Q_SLOTS:
    void init() { session().CurrentUserID = QStringLiteral("Admin"); }

    void editingFollowsTheCursorRules_data() { testsupport::addEngineRows(); }
    void editingFollowsTheCursorRules()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        Dataset levels(*db, QStringLiteral("tblCustLevel"));
        levels.setTable(QStringLiteral("tblCustLevel"));
        QCOMPARE(levels.state(), Dataset::State::Closed);
        levels.open();
        levels.open(); // opening an open set changes nothing
        QCOMPARE(levels.state(), Dataset::State::Browse);
        QCOMPARE(levels.rowCount(), 4);
        QCOMPARE(levels.currentRow(), 0);

        // Typing into a shown row starts editing; moving away stores it.
        levels.setValue(QStringLiteral("levelname"), QStringLiteral("总代理"));
        QCOMPARE(levels.state(), Dataset::State::Edit);
        QCOMPARE(levels.value(QStringLiteral("LEVELNAME")).toString(), QStringLiteral("总代理"));
        levels.next();
        QCOMPARE(levels.state(), Dataset::State::Browse);
        QCOMPARE(levels.currentRow(), 1);
        QCOMPARE(db->scalar(QStringLiteral("SELECT LevelName FROM tblCustLevel WHERE LevelID = 'A'")).toString(),
                 QStringLiteral("总代理"));

        // A new row nothing was typed into is dropped, by a move or by post.
        levels.append();
        QCOMPARE(levels.state(), Dataset::State::Insert);
        QCOMPARE(levels.rowCount(), 5);
        levels.first();
        QCOMPARE(levels.rowCount(), 4);
        QCOMPARE(levels.currentRow(), 0);
        levels.append();
        levels.post();
        QCOMPARE(levels.rowCount(), 4);
        QCOMPARE(count(*db, QStringLiteral("SELECT count(*) FROM tblCustLevel")), 4);

        // Cancel of a new row returns to the row that was current before.
        levels.moveTo(2);
        levels.append();
        levels.setValue(QStringLiteral("LevelID"), QStringLiteral("E"));
        levels.cancel();
        QCOMPARE(levels.currentRow(), 2);
        QCOMPARE(levels.rowCount(), 4);

        // A new row is stored with what was typed and stays current.
        levels.append();
        levels.setValue(QStringLiteral("LevelID"), QStringLiteral("E"));
        levels.setValue(QStringLiteral("LevelName"), QStringLiteral("试用代理"));
        levels.setValue(QStringLiteral("Memo"), QStringLiteral("三个月试用"));
        levels.post();
        QCOMPARE(levels.rowCount(), 5);
        QCOMPARE(levels.currentRow(), 4);
        QCOMPARE(levels.text(QStringLiteral("LevelName")), QStringLiteral("试用代理"));
        QCOMPARE(count(*db, QStringLiteral("SELECT count(*) FROM tblCustLevel WHERE LevelID = 'E'")), 1);

        // Edits given up leave the store as it was.
        levels.setValue(QStringLiteral("LevelName"), QStringLiteral("不要了"));
        levels.cancel();
        QCOMPARE(levels.text(QStringLiteral("LevelName")), QStringLiteral("试用代理"));

        // Deleting keeps the cursor at the same place.
        levels.moveTo(1);
        levels.remove();
        QCOMPARE(levels.rowCount(), 4);
        QCOMPARE(levels.currentRow(), 1);
        QCOMPARE(count(*db, QStringLiteral("SELECT count(*) FROM tblCustLevel WHERE LevelID = 'B'")), 0);

        QVERIFY_THROWS_EXCEPTION(StoreError, levels.setValue(QStringLiteral("NoSuchField"), 1));
    }

    void refusedPostKeepsTheRowInEditing_data() { testsupport::addEngineRows(); }
    void refusedPostKeepsTheRowInEditing()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        Dataset levels(*db, QStringLiteral("tblCustLevel"));
        levels.setTable(QStringLiteral("tblCustLevel"));
        levels.open();
        levels.append();
        levels.setValue(QStringLiteral("LevelID"), QStringLiteral("a")); // 'A' exists
        levels.setValue(QStringLiteral("Memo"), QStringLiteral("说明"));
        try {
            levels.post();
            QFAIL("duplicate code stored");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::Duplicate);
        }
        QCOMPARE(levels.state(), Dataset::State::Insert);
        QCOMPARE(levels.text(QStringLiteral("LevelID")), QStringLiteral("a"));
        // A move does not get past a refused row either.
        QVERIFY_THROWS_EXCEPTION(StoreError, levels.first());
        QCOMPARE(levels.state(), Dataset::State::Insert);

        levels.setValue(QStringLiteral("LevelID"), QStringLiteral("F"));
        levels.setValue(QStringLiteral("Memo"), QString());
        try {
            levels.post();
            QFAIL("empty description stored");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::Required);
        }
        levels.setValue(QStringLiteral("Memo"), QStringLiteral("说明"));
        levels.post();
        QCOMPARE(levels.state(), Dataset::State::Browse);

        // Values that do not fit their column are refused, not cut.
        levels.setValue(QStringLiteral("LevelName"), QString(51, QLatin1Char('x')));
        QVERIFY_THROWS_EXCEPTION(StoreError, levels.post());
        QCOMPARE(levels.state(), Dataset::State::Edit);
        levels.cancel();
    }

    void filtersMatchAwkwardValuesLiterally_data() { testsupport::addEngineRows(); }
    void filtersMatchAwkwardValuesLiterally()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        const QStringList names{QStringLiteral("O'Brien & Sons"), QStringLiteral("50% 折扣"), QStringLiteral("a_b"),
                                QStringLiteral("axb"), QStringLiteral("back\\slash"), QStringLiteral("Müller \"GmbH\""),
                                QStringLiteral("Ωμέγα"), QStringLiteral("x'; DROP TABLE tblCustomers; --"),
                                QStringLiteral("tab\there")};
        for (int i = 0; i < names.size(); ++i)
            addAgent(*db, QStringLiteral("C%1").arg(i), names[i]);

        Dataset agents(*db, QStringLiteral("tblCustomers"));
        agents.setTable(QStringLiteral("tblCustomers"));
        agents.open();
        QCOMPARE(agents.rowCount(), names.size());
        const auto matches = [&](const Condition &c) {
            agents.setFilter(c);
            QStringList found;
            for (int r = 0; r < agents.rowCount(); ++r)
                found << agents.value(r, QStringLiteral("CustName")).toString();
            return found;
        };
        QCOMPARE(matches(Condition::like(QStringLiteral("CustName"), QStringLiteral("%"))), QStringList{names[1]});
        QCOMPARE(matches(Condition::like(QStringLiteral("CustName"), QStringLiteral("_"))), QStringList{names[2]});
        QCOMPARE(matches(Condition::like(QStringLiteral("CustName"), QStringLiteral("\\"))), QStringList{names[4]});
        QCOMPARE(matches(Condition::eq(QStringLiteral("CustName"), names[0])), QStringList{names[0]});
        QCOMPARE(matches(Condition::eq(QStringLiteral("CustName"), names[7])), QStringList{names[7]});
        QCOMPARE(matches(Condition::like(QStringLiteral("custname"), QStringLiteral("μέγ"))), QStringList{names[6]});
        QCOMPARE(matches(Condition::like(QStringLiteral("CustName"), QStringLiteral("o'brien"))), QStringList{names[0]});
        QCOMPARE(matches(Condition::like(QStringLiteral("CustName"), QStringLiteral("\"GmbH\""))), QStringList{names[5]});
        QCOMPARE(matches(Condition::eq(QStringLiteral("CustId"), QStringLiteral("C3")) ||
                         (Condition::like(QStringLiteral("CustName"), QStringLiteral("a")) &&
                          Condition::like(QStringLiteral("CustName"), QStringLiteral("_")))).size(), 2);
        QCOMPARE(count(*db, QStringLiteral("SELECT count(*) FROM tblCustomers")), names.size());

        // A filter stays through close and open until it is replaced or cleared.
        agents.setFilter(Condition::like(QStringLiteral("CustName"), QStringLiteral("%")));
        agents.close();
        agents.open();
        QCOMPARE(agents.rowCount(), 1);
        agents.clearFilter();
        QCOMPARE(agents.rowCount(), names.size());
        QVERIFY_THROWS_EXCEPTION(StoreError, agents.setFilter(Condition::eq(QStringLiteral("1=1 --"), 1)));
    }

    void sortingAndRefreshKeepTheCurrentRow_data() { testsupport::addEngineRows(); }
    void sortingAndRefreshKeepTheCurrentRow()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        addAgent(*db, QStringLiteral("K1"), QStringLiteral("b"));
        addAgent(*db, QStringLiteral("K2"), QStringLiteral("C"));
        addAgent(*db, QStringLiteral("K3"), QStringLiteral("a"));
        Dataset agents(*db, QStringLiteral("tblCustomers"));
        agents.setTable(QStringLiteral("tblCustomers"));
        agents.open();
        QVERIFY(agents.locate(QStringLiteral("custid"), QStringLiteral("k2")));
        agents.setSort(QStringLiteral("CustName"));
        QCOMPARE(agents.columnValues(QStringLiteral("CustName")),
                 (QVector<QVariant>{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("C")}));
        QCOMPARE(agents.text(QStringLiteral("CustId")), QStringLiteral("K2"));
        agents.setSort(QStringLiteral("CustName"), Qt::DescendingOrder);
        QCOMPARE(agents.value(0, QStringLiteral("CustName")).toString(), QStringLiteral("C"));

        // Another seat's rows appear on refresh; the current row stays.
        auto other = s.connect();
        addAgent(*other, QStringLiteral("K4"), QStringLiteral("d"));
        QCOMPARE(agents.rowCount(), 3);
        agents.refresh();
        QCOMPARE(agents.rowCount(), 4);
        QCOMPARE(agents.text(QStringLiteral("CustId")), QStringLiteral("K2"));

        // Whole-column reads and row streaming agree with row reads.
        QVector<QVariant> streamed;
        agents.forEachRow([&](int row, const QVector<QVariant> &v) {
            QCOMPARE(v[agents.fieldIndex(QStringLiteral("CustId"))], agents.value(row, QStringLiteral("CustId")));
            streamed << v[agents.fieldIndex(QStringLiteral("CustName"))];
        });
        QCOMPARE(streamed, agents.columnValues(QStringLiteral("CustName")));
    }

    // Streaming every row while display fields are looked up (a small source read whole, a
    // large one asked by key) passes every row with its looked-up values: a look-up running
    // in the middle of the stream loses no rows, on either engine.
    void streamingWithLookupsPassesEveryRow_data() { testsupport::addEngineRows(); }
    void streamingWithLookupsPassesEveryRow()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        constexpr int Agents = 300, Referrers = 2100; // past a page of rows, past a small source
        db->transaction([&] {
            db->exec(QStringLiteral("INSERT INTO tblCustState (StateID, StateName, Memo) VALUES ('S1', '正常', '在用')"));
            for (int i = 0; i < Referrers; ++i)
                db->exec(QStringLiteral("INSERT INTO tblOperaters (OperaterID, Name) VALUES (?, ?)"),
                         {QStringLiteral("R%1").arg(i), QStringLiteral("推荐%1").arg(i)});
            for (int i = 0; i < Agents; ++i)
                db->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, OperaterID, StateId, SUser) "
                                        "VALUES (?, ?, ?, 'S1', 'Admin')"),
                         {QStringLiteral("A%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("代理%1").arg(i),
                          QStringLiteral("R%1").arg(i * 7)});
        });
        Dataset states(*db, QStringLiteral("tblCustState"));
        states.setTable(QStringLiteral("tblCustState"));
        Dataset referrers(*db, QStringLiteral("tblOperaters"));
        referrers.setTable(QStringLiteral("tblOperaters"));
        Dataset agents(*db, QStringLiteral("tblCustomers"));
        agents.setTable(QStringLiteral("tblCustomers"));
        agents.addLookup(QStringLiteral("StateName"), &states, QStringLiteral("StateId"), QStringLiteral("StateID"),
                         QStringLiteral("StateName"));
        agents.addLookup(QStringLiteral("Operater"), &referrers, QStringLiteral("OperaterID"),
                         QStringLiteral("OperaterID"), QStringLiteral("Name"));
        states.open();
        referrers.open();
        agents.open();
        agents.setSort(QStringLiteral("CustId"));
        const int state = agents.fieldIndex(QStringLiteral("StateName"));
        const int operater = agents.fieldIndex(QStringLiteral("Operater"));
        const int id = agents.fieldIndex(QStringLiteral("CustId"));
        int seen = 0;
        agents.forEachRow([&](int row, const QVector<QVariant> &v) {
            QCOMPARE(row, seen);
            QCOMPARE(v[id].toString(), QStringLiteral("A%1").arg(row, 3, 10, QLatin1Char('0')));
            QCOMPARE(v[state].toString(), QStringLiteral("正常"));
            QCOMPARE(v[operater].toString(), QStringLiteral("推荐%1").arg(row * 7));
            ++seen;
        });
        QCOMPARE(seen, Agents);
    }

    void largeTablesArePagedByKey()
    {
        testsupport::TempStore s(QStringLiteral("sqlite"));
        auto db = s.connect();
        db->transaction([&] {
            for (int i = 0; i < 3000; ++i)
                addAgent(*db, QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("代理%1").arg(i));
        });
        Dataset agents(*db, QStringLiteral("tblCustomers"));
        agents.setTable(QStringLiteral("tblCustomers"));
        agents.open();
        agents.readRest();
        QCOMPARE(agents.rowCount(), 3000);
        QCOMPARE(agents.value(2999, QStringLiteral("CustId")).toString(), QStringLiteral("P02999"));
        QCOMPARE(agents.value(1500, QStringLiteral("CustName")).toString(), QStringLiteral("代理1500"));
        QCOMPARE(agents.value(0, QStringLiteral("CustId")).toString(), QStringLiteral("P00000"));
        agents.setFilter(Condition::startsWith(QStringLiteral("CustId"), QStringLiteral("P01")));
        agents.readRest();
        QCOMPARE(agents.rowCount(), 1000);
        QCOMPARE(agents.value(999, QStringLiteral("CustId")).toString(), QStringLiteral("P01999"));
    }

    void anotherSeatsChangeIsNeverOverwritten_data() { testsupport::addEngineRows(); }
    void anotherSeatsChangeIsNeverOverwritten()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto a = s.connect(), b = s.connect();
        addAgent(*a, QStringLiteral("L1"), QStringLiteral("原名"));
        addAgent(*a, QStringLiteral("L2"), QStringLiteral("二号"));
        Dataset seatA(*a, QStringLiteral("tblCustomers")), seatB(*b, QStringLiteral("tblCustomers"));
        for (Dataset *d : {&seatA, &seatB}) {
            d->setTable(QStringLiteral("tblCustomers"));
            d->open();
        }
        QCOMPARE(seatB.text(QStringLiteral("CustName")), QStringLiteral("原名")); // B has read it
        seatA.setValue(QStringLiteral("CustName"), QStringLiteral("甲改"));
        seatA.post();
        seatB.setValue(QStringLiteral("City"), QStringLiteral("乙改"));
        try {
            seatB.post();
            QFAIL("stale row overwritten");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::Conflict);
            QCOMPARE(e.text(), QStringLiteral("对不起，该记录已被其他用户修改或删除，请刷新后重试！"));
        }
        QCOMPARE(seatB.state(), Dataset::State::Edit);
        seatB.cancel();
        QCOMPARE(a->scalar(QStringLiteral("SELECT CustName FROM tblCustomers WHERE CustId = 'L1'")).toString(), QStringLiteral("甲改"));
        QVERIFY(a->scalar(QStringLiteral("SELECT City FROM tblCustomers WHERE CustId = 'L1'")).toString().isEmpty());

        // Deleting a row someone changed meanwhile is refused too; after refresh it works.
        QVERIFY_THROWS_EXCEPTION(StoreError, seatB.remove());
        seatB.refresh();
        QCOMPARE(seatB.text(QStringLiteral("CustName")), QStringLiteral("甲改"));
        seatB.setValue(QStringLiteral("City"), QStringLiteral("乙改"));
        seatB.post();
        // A row deleted by another seat cannot be changed.
        seatA.moveTo(1);
        seatB.moveTo(1);
        seatA.remove();
        seatB.setValue(QStringLiteral("City"), QStringLiteral("晚了"));
        QVERIFY_THROWS_EXCEPTION(StoreError, seatB.post());
        QCOMPARE(a->scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toInt(), 1);
    }

    void queriesTakeNamedParameters_data() { testsupport::addEngineRows(); }
    void queriesTakeNamedParameters()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        addAgent(*db, QStringLiteral("Q1"), QStringLiteral("甲"), QStringLiteral("wang"));
        addAgent(*db, QStringLiteral("Q2"), QStringLiteral("乙"), QStringLiteral("li"));
        addAgent(*db, QStringLiteral("Q3"), QStringLiteral("丙"), QStringLiteral("Wang"));

        Dataset own(*db, QStringLiteral("qryOwn"));
        own.setSql(QStringList{QStringLiteral("select * from tblCustomers "), QStringLiteral("where SUser=:SUser")});
        own.setParam(QStringLiteral("SUser"), QStringLiteral("WANG"));
        own.open();
        QCOMPARE(own.rowCount(), 2);
        QVERIFY(!own.isReadOnly()); // a single-table query can still be edited
        own.setValue(QStringLiteral("City"), QStringLiteral("北京"));
        own.post();
        QCOMPARE(db->scalar(QStringLiteral("SELECT City FROM tblCustomers WHERE CustId = 'Q1'")).toString(), QStringLiteral("北京"));

        // Its fields are known before it opens, so the order can be set first; a new
        // statement keeps it.
        Dataset ordered(*db, QStringLiteral("qryOrdered"));
        ordered.setSql(QStringLiteral("select * from tblCustomers"));
        QVERIFY(ordered.hasField(QStringLiteral("custname")));
        ordered.setSort(QStringLiteral("CustName"), Qt::DescendingOrder);
        ordered.setSql(QStringList{QStringLiteral("select * from tblCustomers "), QStringLiteral("where SUser=:SUser")});
        ordered.setParam(QStringLiteral("SUser"), QStringLiteral("wang"));
        ordered.open();
        QCOMPARE(ordered.rowCount(), 2);
        QCOMPARE(ordered.text(QStringLiteral("CustName")), QStringLiteral("甲")); // 甲 (U+7532) after 丙 (U+4E19)
        QCOMPARE(ordered.sortColumn(), QStringLiteral("CustName"));

        Dataset summary(*db, QStringLiteral("qrySummary"));
        summary.setSql(QStringLiteral("select SUser, count(*) as Total from tblCustomers group by SUser order by Total desc"));
        summary.open();
        QCOMPARE(summary.rowCount(), 2);
        QCOMPARE(summary.value(0, QStringLiteral("total")).toInt(), 2);
        QVERIFY(summary.isReadOnly());
        QVERIFY_THROWS_EXCEPTION(StoreError, summary.append());

        Dataset clear(*db, QStringLiteral("qryDel"));
        clear.setSql(QStringList{QStringLiteral("delete * from tblCustomers "), QStringLiteral("where SUser=:who")});
        clear.setParam(QStringLiteral("who"), QStringLiteral("li"));
        QCOMPARE(clear.execute(), 1);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toInt(), 2);
    }

    void detailsFollowTheirMasterAndTakeItsKey_data() { testsupport::addEngineRows(); }
    void detailsFollowTheirMasterAndTakeItsKey()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        addAgent(*db, QStringLiteral("M1"), QStringLiteral("一"));
        addAgent(*db, QStringLiteral("M2"), QStringLiteral("二"));
        for (const char *c : {"m1", "M1", "M2"}) // codes match without letter case
            db->exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Name) VALUES (?, ?, ?)"),
                     {QStringLiteral("L-%1-%2").arg(QLatin1String(c)).arg(db->scalar(QStringLiteral("SELECT count(*) FROM tblLinkmans")).toInt()), QLatin1String(c), QStringLiteral("联系人")});
        Dataset agents(*db, QStringLiteral("tblCustomers")), contacts(*db, QStringLiteral("tblLinkmans"));
        agents.setTable(QStringLiteral("tblCustomers"));
        contacts.setTable(QStringLiteral("tblLinkmans"));
        contacts.setMaster(&agents, QStringLiteral("CustID"), QStringLiteral("CustId"));
        agents.open();
        contacts.open();
        QCOMPARE(contacts.rowCount(), 2);
        agents.next();
        QCOMPARE(contacts.rowCount(), 1);

        contacts.append();
        QCOMPARE(contacts.text(QStringLiteral("CustID")), QStringLiteral("M2"));
        contacts.setValue(QStringLiteral("LinkmanID"), QStringLiteral("NEW"));
        agents.first(); // the detail stores its row before the master moves
        QCOMPARE(db->scalar(QStringLiteral("SELECT CustID FROM tblLinkmans WHERE LinkmanID = 'NEW'")).toString(),
                 QStringLiteral("M2"));
        QCOMPARE(contacts.rowCount(), 2);

        // A master row being inserted has no details until it is stored with its key.
        agents.append();
        QCOMPARE(contacts.rowCount(), 0);
        agents.setValue(QStringLiteral("CustId"), QStringLiteral("M3"));
        agents.post();
        QCOMPARE(contacts.rowCount(), 0);
        contacts.append();
        QCOMPARE(contacts.text(QStringLiteral("CustID")), QStringLiteral("M3"));
        contacts.cancel();

        agents.close();
        QCOMPARE(contacts.rowCount(), 0);
    }

    void displayFieldsLookUpTheSourceAsFilteredNow_data() { testsupport::addEngineRows(); }
    void displayFieldsLookUpTheSourceAsFilteredNow()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        addAgent(*db, QStringLiteral("D1"), QStringLiteral("王的"), QStringLiteral("wang"));
        addAgent(*db, QStringLiteral("D2"), QStringLiteral("李的"), QStringLiteral("li"));
        db->exec(QStringLiteral("INSERT INTO tblPlan (CustID, PlanTime) VALUES ('d1', '09:30:00'), ('D2', '10:00:00'), ('gone', NULL)"));
        Dataset agents(*db, QStringLiteral("tblCustomers2")), plan(*db, QStringLiteral("qryPlan"));
        agents.setTable(QStringLiteral("tblCustomers"));
        plan.setSql(QStringLiteral("select * from tblPlan"));
        plan.addLookup(QStringLiteral("CustName"), &agents, QStringLiteral("CustID"), QStringLiteral("CustId"),
                       QStringLiteral("CustName"));
        agents.open();
        plan.open();
        QCOMPARE(plan.value(0, QStringLiteral("custname")).toString(), QStringLiteral("王的"));
        QCOMPARE(plan.value(1, QStringLiteral("CustName")).toString(), QStringLiteral("李的"));
        QVERIFY(plan.value(2, QStringLiteral("CustName")).isNull()); // code with no agent
        QCOMPARE(plan.value(0, QStringLiteral("PlanTime")).toString(), QStringLiteral("09:30:00"));

        QSignalSpy changed(&plan, &Dataset::lookupsChanged);
        agents.setFilter(Condition::eq(QStringLiteral("SUser"), QStringLiteral("wang")));
        QVERIFY(changed.count() > 0);
        QCOMPARE(plan.value(0, QStringLiteral("CustName")).toString(), QStringLiteral("王的"));
        QVERIFY(plan.value(1, QStringLiteral("CustName")).isNull()); // another user's agent
        QVERIFY(plan.isLookupField(plan.fieldIndex(QStringLiteral("CustName"))));
        QVERIFY_THROWS_EXCEPTION(StoreError, plan.setValue(QStringLiteral("CustName"), QStringLiteral("x")));

        // A display field sorts by the names it shows; descending is the same order backwards,
        // the rows without a name last.
        plan.setSort(QStringLiteral("CustName"), Qt::DescendingOrder);
        QCOMPARE(plan.value(0, QStringLiteral("CustID")).toString(), QStringLiteral("d1"));
        QCOMPARE(plan.value(1, QStringLiteral("CustID")).toString(), QStringLiteral("gone"));
        QCOMPARE(plan.value(2, QStringLiteral("CustID")).toString(), QStringLiteral("D2"));
        plan.clearSort();

        // A renamed agent shows at once.
        agents.clearFilter();
        agents.locate(QStringLiteral("CustId"), QStringLiteral("D2"));
        agents.setValue(QStringLiteral("CustName"), QStringLiteral("李改"));
        agents.post();
        QCOMPARE(plan.value(1, QStringLiteral("CustName")).toString(), QStringLiteral("李改"));
    }

    // A large source answers by key; several display fields by the same key come right, for
    // keys found and not found, and as the source is filtered now.
    void displayFieldsFromALargeSource_data() { testsupport::addEngineRows(); }
    void displayFieldsFromALargeSource()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        db->transaction([&] {
            for (int i = 0; i < 2500; ++i)
                db->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, PostCode, Address, SUser) VALUES (?, ?, ?, ?, ?)"),
                         {QStringLiteral("K%1").arg(i), QStringLiteral("名%1").arg(i), QStringLiteral("%1").arg(100000 + i),
                          QStringLiteral("路%1号").arg(i), i % 2 ? QStringLiteral("li") : QStringLiteral("wang")});
            db->exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID) VALUES ('L1', 'K7'), ('L2', 'k8'), ('L3', 'none'), ('L4', 'K7')"));
        });
        Dataset agents(*db, QStringLiteral("tblCustomers2")), contacts(*db, QStringLiteral("qryLinkmans3"));
        agents.setTable(QStringLiteral("tblCustomers"));
        contacts.setSql(QStringLiteral("select * from tblLinkmans"));
        for (const char *f : {"CustName", "PostCode", "Address"})
            contacts.addLookup(QLatin1String(f), &agents, QStringLiteral("CustID"), QStringLiteral("CustId"), QLatin1String(f));
        agents.open();
        contacts.open();
        const auto shown = [&](int row) {
            QStringList out;
            for (const char *f : {"CustName", "PostCode", "Address"})
                out << contacts.value(row, QLatin1String(f)).toString();
            return out.join(QLatin1Char('/'));
        };
        QCOMPARE(shown(0), QStringLiteral("名7/100007/路7号"));
        QCOMPARE(shown(1), QStringLiteral("名8/100008/路8号")); // the key in other letter case
        QCOMPARE(shown(2), QStringLiteral("//"));
        QCOMPARE(shown(3), QStringLiteral("名7/100007/路7号"));
        agents.setFilter(Condition::eq(QStringLiteral("SUser"), QStringLiteral("wang")));
        QCOMPARE(shown(0), QStringLiteral("//")); // K7 belongs to li
        QCOMPARE(shown(1), QStringLiteral("名8/100008/路8号"));
    }

    // A large query result held as a temporary table: read a page at a time in the query's
    // order, only shown, run again by refresh, and gone with close.
    void materializedQueriesAreReadLikeTables_data() { testsupport::addEngineRows(); }
    void materializedQueriesAreReadLikeTables()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        db->transaction([&] {
            for (int i = 0; i < 1200; ++i)
                db->exec(QStringLiteral("INSERT INTO tblOperateDetail (OperateID, DetailNo, RMB) VALUES (?, ?, ?)"),
                         {QStringLiteral("R%1").arg(i % 600, 4, 10, QLatin1Char('0')), QString::number(i / 600), 1.25});
        });
        Dataset sums(*db, QStringLiteral("qryGathering"));
        sums.setMaterialized(true);
        sums.setSql(QStringList{QStringLiteral("select OperateID, sum(RMB) as sumRMB, count(*) as n from tblOperateDetail"),
                                QStringLiteral(" group by OperateID order by OperateID desc")});
        sums.open();
        sums.readRest();
        QCOMPARE(sums.rowCount(), 600);
        QVERIFY(sums.isReadOnly());
        QCOMPARE(sums.fieldNames().join(QLatin1Char(',')).toLower(), QStringLiteral("operateid,sumrmb,n"));
        QCOMPARE(sums.value(0, QStringLiteral("OperateID")).toString(), QStringLiteral("R0599"));
        QCOMPARE(sums.value(599, QStringLiteral("OperateID")).toString(), QStringLiteral("R0000"));
        QCOMPARE(sums.value(300, QStringLiteral("sumRMB")).toDouble(), 2.5);
        QVERIFY_THROWS_EXCEPTION(StoreError, sums.edit());

        // A header click orders the copy; refresh runs the query again.
        sums.setSort(QStringLiteral("OperateID"));
        QCOMPARE(sums.value(0, QStringLiteral("OperateID")).toString(), QStringLiteral("R0000"));
        db->exec(QStringLiteral("INSERT INTO tblOperateDetail (OperateID, DetailNo, RMB) VALUES ('R9999', '1', 4)"));
        QCOMPARE(sums.rowCount(), 600);
        sums.refresh();
        sums.readRest();
        QCOMPARE(sums.rowCount(), 601);
        QCOMPARE(sums.value(600, QStringLiteral("OperateID")).toString(), QStringLiteral("R9999"));
        QCOMPARE(sums.sum(QStringLiteral("sumRMB")), 1504.0);

        // With values: on SQLite held the same way, on PostgreSQL read whole; the same rows.
        sums.close();
        sums.setSql(QStringList{QStringLiteral("select OperateID, sum(RMB) as sumRMB from tblOperateDetail"),
                                QStringLiteral(" where OperateID between :a and :b group by OperateID")});
        sums.setParam(QStringLiteral("a"), QStringLiteral("R0010"));
        sums.setParam(QStringLiteral("b"), QStringLiteral("R0019"));
        sums.open();
        QCOMPARE(sums.rowCount(), 10);
        QCOMPARE(sums.value(9, QStringLiteral("sumRMB")).toDouble(), 2.5);
        QCOMPARE(sums.sum(QStringLiteral("SUMRMB")), 25.0);
        QCOMPARE(sums.sum(QStringLiteral("nothing")), 0.0);
        sums.close();
        const QString temps = engine == QLatin1String("sqlite")
                                  ? QStringLiteral("SELECT count(*) FROM sqlite_temp_master WHERE name = 'tmp_qrygathering'")
                                  : QStringLiteral("SELECT count(*) FROM pg_tables WHERE tablename = 'tmp_qrygathering'");
        QCOMPARE(count(*db, temps), 0);
    }

    // A query read in steps of its key: the first screen at once, the rest while the program
    // waits, appended in order; whatever needs every row reads the rest first, and a step
    // queued for an earlier opening does nothing.
    void steppedQueriesShowTheFirstScreenAndReadOnLater_data() { testsupport::addEngineRows(); }
    void steppedQueriesShowTheFirstScreenAndReadOnLater()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        const int total = 1234;
        db->transaction([&] {
            for (int i = 1; i <= total; ++i)
                db->exec(QStringLiteral("INSERT INTO tblOperateDetail (OperateID, DetailNo, RMB) VALUES (?, ?, ?)"),
                         {QStringLiteral("R%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("1"), double(i)});
        });
        Dataset d(*db, QStringLiteral("qryGathering"));
        d.setMaterialized(true);
        d.setSteppedBy(QStringLiteral("OperateID"));
        d.setSql(QStringList{QStringLiteral("select OperateID, sum(RMB) as sumRMB from tblOperateDetail"),
                             QStringLiteral(" where OperateID > :after group by OperateID order by OperateID limit :step")});
        int appended = 0, finished = 0;
        connect(&d, &Dataset::rowsAppended, this, [&](int first, int n) {
            QCOMPARE(first + n, d.rowCount()); // at the end, in order
            appended += n;
        });
        connect(&d, &Dataset::readingFinished, this, [&] { ++finished; });
        const auto code = [&d](int row) { return d.value(row, QStringLiteral("OperateID")).toString(); };

        d.open();
        QCOMPARE(d.rowCount(), 500);
        QVERIFY(!d.isComplete());
        QCOMPARE(code(499), QStringLiteral("R00500"));
        QTRY_VERIFY(d.isComplete());
        QCOMPARE(appended, total - 500);
        QCOMPARE(finished, 1);
        QCOMPARE(d.rowCount(), total);
        for (int row : {0, 500, 501, total - 1})
            QCOMPARE(code(row), QStringLiteral("R%1").arg(row + 1, 5, 10, QLatin1Char('0')));
        QCOMPARE(d.value(total - 1, QStringLiteral("sumRMB")).toDouble(), double(total));

        // Sums, another order and a search read the rest at once.
        d.refresh();
        QCOMPARE(d.rowCount(), 500);
        QCOMPARE(d.sum(QStringLiteral("sumRMB")), double(total) * (total + 1) / 2);
        QVERIFY(d.isComplete());
        QCOMPARE(d.rowCount(), total);
        d.close();
        d.open();
        d.setSort(QStringLiteral("OperateID"), Qt::DescendingOrder);
        QCOMPARE(d.rowCount(), total);
        QCOMPARE(code(0), QStringLiteral("R01234"));
        d.close();
        d.clearSort();
        d.open();
        QCOMPARE(d.find(QStringLiteral("OperateID"), QStringLiteral("R01200")), 1199);

        // Closed while reading: what was queued is dropped, and the next opening starts over.
        d.close();
        d.open();
        d.close();
        QTest::qWait(50);
        QVERIFY(!d.isOpen());
        QCOMPARE(d.rowCount(), 0);
        d.open();
        QCOMPARE(d.rowCount(), 500);
        QTRY_COMPARE(d.rowCount(), total);

        // A set no longer than the first step is whole at once.
        d.close();
        db->exec(QStringLiteral("DELETE FROM tblOperateDetail WHERE OperateID > 'R00300'"));
        d.open();
        QVERIFY(d.isComplete());
        QCOMPARE(d.rowCount(), 300);
    }

    void datesAndTimesKeepTheirForm_data() { testsupport::addEngineRows(); }
    void datesAndTimesKeepTheirForm()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        Dataset plan(*db, QStringLiteral("tblPlan"));
        plan.setTable(QStringLiteral("tblPlan"));
        plan.open();
        plan.append();
        plan.setValue(QStringLiteral("PlanDate"), QDate(2026, 2, 28));
        plan.setValue(QStringLiteral("PlanTime"), QStringLiteral("08:05:00"));
        plan.post();
        plan.append();
        plan.setValue(QStringLiteral("PlanDate"), QStringLiteral("2026-03-01"));
        plan.post();
        plan.append();
        plan.setValue(QStringLiteral("Memo"), QStringLiteral("无日期"));
        plan.post();
        QCOMPARE(plan.rowCount(), 3);
        QCOMPARE(plan.value(0, QStringLiteral("PlanDate")).toDate(), QDate(2026, 2, 28));
        QCOMPARE(plan.value(0, QStringLiteral("PlanTime")).toString(), QStringLiteral("08:05:00"));
        QVERIFY(plan.value(2, QStringLiteral("PlanDate")).isNull());
        QVERIFY(plan.value(0, QStringLiteral("PlanID")).toLongLong() > 0);

        plan.setFilter(Condition::dateEq(QStringLiteral("PlanDate"), QDate(2026, 3, 1)));
        QCOMPARE(plan.rowCount(), 1);
        plan.setFilter(Condition::dateBetween(QStringLiteral("PlanDate"), QDate(2026, 1, 1), QDate(2026, 12, 31)));
        QCOMPARE(plan.rowCount(), 2);
        plan.clearFilter();
        plan.first();
        QVERIFY_THROWS_EXCEPTION(StoreError, plan.setValue(QStringLiteral("PlanDate"), QStringLiteral("2026-02-30")));
        QVERIFY_THROWS_EXCEPTION(StoreError, plan.setValue(QStringLiteral("PlanID"), QStringLiteral("abc")));
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblPlan WHERE year(PlanDate) = 2026 AND month(PlanDate) = 3")).toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDataset)
#include "tst_dataset.moc"
