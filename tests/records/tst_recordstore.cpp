// What the record windows rely on below them: exact item amounts, the search by whole days,
// finding a row without moving, the agent list that never copies its source, the rule that
// keeps items with their record, and the record list's index on an older store.
#include "condition.h"
#include "dbpagedlookupcombo.h"
#include "findpopup.h"
#include "money.h"
#include "recordsfixture.h"
#include "schema.h"
#include "storeerror.h"
#include "upgrade.h"

#include <QApplication>
#include <QDate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using store::Condition;
using store::Money::product;

class TestRecordStore : public QObject
{
    Q_OBJECT

    // The codes of the records a condition finds, in code order.
    QStringList found(RecordsFixture &f, const Condition &c)
    {
        store::Dataset &set = f.dm.tblOperates2;
        set.setFilter(c);
        set.setSort(u"OperateID"_s);
        QStringList codes;
        for (int row = 0; row < set.rowCount(); ++row)
            codes << set.value(row, u"OperateID"_s).toString();
        return codes;
    }

  private Q_SLOTS:
    void init() { resetScripts(); }

    // Decimal, not binary: each factor is the decimal it was typed as, only the result rounds.
    void productIsExactDecimal_data()
    {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<double>("c");
        QTest::addColumn<double>("expected");
        // The first three come out one ten-thousandth short in binary doubles.
        QTest::newRow("a half at the fifth decimal") << 1.2345 << 2.5 << 1.0 << 3.0863;
        QTest::newRow("price, amount, rate") << 1.0005 << 7.0 << 7.1 << 49.7249;
        QTest::newRow("a tiny half") << 0.0005 << 0.3 << 1.0 << 0.0002;
        QTest::newRow("tenths add up") << 0.1 << 3.0 << 1.0 << 0.3;
        QTest::newRow("half away from zero, negative") << -1.2345 << 2.5 << 1.0 << -3.0863;
        QTest::newRow("below the last decimal") << 0.0001 << 0.4 << 1.0 << 0.0;
        QTest::newRow("empty counts as 0") << 0.0 << 12.0 << 7.1 << 0.0;
        QTest::newRow("a long rate") << 99999.9999 << 200.0 << 0.048123456789 << 962469.1348;
    }
    void productIsExactDecimal()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(double, c);
        QFETCH(double, expected);
        QCOMPARE(product({a, b, c}), expected);
        if (QTest::currentDataTag() == QByteArray("a half at the fifth decimal"))
            QVERIFY(store::Money::round(a * b * c) != expected); // what binary arithmetic gives
        QCOMPARE(store::Money::text(product({a, b, c})), store::Money::text(expected));
    }

    void productOfNoNumberIsRefusedByTheStore()
    {
        QVERIFY(std::isnan(product({std::nan(""), 2.0})));
        QVERIFY(!store::Money::inRange(product({1e200, 1e200})));
        QCOMPARE(product({}), 1.0);
    }

    // One range over whole days finds exactly the records of those days, whichever end comes
    // first; a value with a time of day is never one of them.
    void wholeDaysFindTheSpan_data() { testsupport::addEngineRows(); }
    void wholeDaysFindTheSpan()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        const auto on = [&f](const QString &code, const QDate &d) {
            f.addRecord(code, u"标题"_s, u"A1"_s, u"Admin"_s,
                        {{u"CreateDate"_s, f.store.isServer() ? QVariant(d) : QVariant(d.toString(Qt::ISODate))}});
        };
        on(u"R1"_s, QDate(2025, 12, 31));
        on(u"R2"_s, QDate(2026, 1, 1));
        on(u"R3"_s, QDate(2026, 1, 15));
        on(u"R4"_s, QDate(2026, 1, 31));
        on(u"R5"_s, QDate(2026, 2, 1));
        f.addRecord(u"R6"_s, u"无日期"_s, u"A1"_s, u"Admin"_s, {{u"CreateDate"_s, QVariant()}});
        if (!f.store.isServer()) {
            // Texts another program may have left: a time of day is not a whole day, midnight is.
            f.addRecord(u"T1"_s, u"带时间"_s, u"A1"_s, u"Admin"_s, {{u"CreateDate"_s, u"2026-01-15 10:30:00"_s}});
            f.addRecord(u"T2"_s, u"带时间"_s, u"A1"_s, u"Admin"_s, {{u"CreateDate"_s, u"2026-01-31T23:59:59"_s}});
            f.addRecord(u"T3"_s, u"午夜"_s, u"A1"_s, u"Admin"_s, {{u"CreateDate"_s, u"2026-01-20 00:00:00"_s}});
        }
        f.openRecordsModule();
        const QStringList january = f.store.isServer() ? QStringList{u"R2"_s, u"R3"_s, u"R4"_s}
                                                       : QStringList{u"R2"_s, u"R3"_s, u"R4"_s, u"T3"_s};
        QCOMPARE(found(f, Condition::wholeDays(u"CreateDate"_s, QDate(2026, 1, 1), QDate(2026, 1, 31))), january);
        QCOMPARE(found(f, Condition::wholeDays(u"CreateDate"_s, QDate(2026, 1, 31), QDate(2026, 1, 1))), january);
        QCOMPARE(found(f, Condition::wholeDays(u"CreateDate"_s, QDate(2026, 1, 15), QDate(2026, 1, 15))),
                 QStringList{u"R3"_s});
        // Ten years are still one range: two bound values, however many days.
        const Condition tenYears = Condition::wholeDays(u"CreateDate"_s, QDate(2020, 1, 1), QDate(2029, 12, 31));
        QVariantMap values;
        int counter = 0;
        tenYears.toSql(f.store.isServer() ? store::Engine::PostgreSQL : store::Engine::SQLite, values, counter);
        QCOMPARE(values.size(), 2);
        QCOMPARE(found(f, tenYears).size(), f.store.isServer() ? 5 : 6);
    }

    // find answers the row locate would move to, and leaves the current row where it is.
    void findDoesNotMove_data() { testsupport::addEngineRows(); }
    void findDoesNotMove()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        for (const auto &code : {u"C1"_s, u"C2"_s, u"C3"_s})
            f.addAgent(code, u"代理"_s + code);
        f.openRecordsModule();
        store::Dataset &agents = f.dm.tblCustomers2;
        QVERIFY(agents.locate(u"CustId"_s, u"C1"_s));
        const int c1 = agents.currentRow();
        const int c3 = agents.find(u"CustId"_s, u"c3"_s); // without letter case
        QVERIFY(c3 >= 0 && c3 != c1);
        QCOMPARE(agents.currentRow(), c1);
        QCOMPARE(agents.value(c3, u"CustId"_s).toString(), u"C3"_s);
        QCOMPARE(agents.find(u"CustId"_s, u"NONE"_s), -1);
        QVERIFY(agents.locate(u"CustId"_s, u"C3"_s));
        QCOMPARE(agents.currentRow(), c3);
    }

    // The agent list reads its source by key: the name shown follows the record, a choice writes
    // the code, Delete empties it, and a source read again keeps the right line.
    void pagedLookupShowsAndWrites_data() { testsupport::addEngineRows(); }
    void pagedLookupShowsAndWrites()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        for (int i = 1; i <= 300; ++i)
            f.addAgent(u"C%1"_s.arg(i, 3, 10, QChar(u'0')), u"代理%1"_s.arg(i));
        f.addRecord(u"R1"_s, u"一"_s, u"C250"_s);
        f.addRecord(u"R2"_s, u"二"_s, u"c007"_s);
        f.openRecordsModule();
        store::Dataset &records = f.dm.tblOperates2;
        DbPagedLookupCombo combo;
        combo.setSource(&f.dm.tblCustomers2, u"CustName"_s, u"CustId"_s);
        combo.bind(&records, u"CustID"_s);
        QCOMPARE(combo.count(), 300);
        QVERIFY(records.locate(u"OperateID"_s, u"R1"_s));
        QCOMPARE(combo.currentText(), u"代理250"_s);
        QVERIFY(records.locate(u"OperateID"_s, u"R2"_s));
        QCOMPARE(combo.currentText(), u"代理7"_s); // codes compare without letter case
        QCOMPARE(combo.currentKey().toString(), u"C007"_s);

        chooseAgent(&combo, u"代理42"_s);
        QCOMPARE(combo.currentText(), u"代理42"_s); // shown at once, not only after a reread
        QCOMPARE(records.state(), store::Dataset::State::Edit);
        QCOMPARE(records.text(u"CustID"_s), u"C042"_s);
        f.dm.tblCustomers2.refresh();
        QCOMPARE(combo.currentText(), u"代理42"_s);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(&combo, &del);
        QCOMPARE(combo.currentIndex(), -1);
        QVERIFY(records.value(u"CustID"_s).isNull());
        records.cancel();
        QCOMPARE(combo.currentText(), u"代理7"_s);
    }

    // Typing into the closed agent list finds agents in the store by code or by name, among
    // the rows the list may show; the arrow keys and Enter take one, Escape leaves the field.
    void typingFindsAgents_data() { testsupport::addEngineRows(); }
    void typingFindsAgents()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        for (int i = 1; i <= 300; ++i)
            f.addAgent(u"C%1"_s.arg(i, 3, 10, QChar(u'0')), u"代理%1"_s.arg(i));
        f.addRecord(u"R1"_s, u"一"_s, u"C250"_s);
        f.openRecordsModule();
        store::Dataset &records = f.dm.tblOperates2;
        store::Dataset &agents = f.dm.tblCustomers2;
        QVERIFY(records.locate(u"OperateID"_s, u"R1"_s));
        DbPagedLookupCombo combo;
        combo.setSource(&agents, u"CustName"_s, u"CustId"_s);
        combo.bind(&records, u"CustID"_s);
        combo.show();
        combo.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&combo));
        combo.setFocus();

        // A code, in small letters: the box opens with the first key, the list follows the
        // rest after the pause.
        QTest::keyClick(&combo, Qt::Key_C);
        FindPopup *find = combo.finder();
        QVERIFY(find && find->isVisible());
        QCOMPARE(find->input()->text(), u"c"_s);
        QCOMPARE(QApplication::focusWidget(), find->input());
        testsupport::typeIntoFocus(u"04"_s);
        QTRY_COMPARE(find->found()->rowCount(), 10); // C040 ... C049
        QTest::keyClick(find->input(), Qt::Key_Down);
        QTest::keyClick(find->input(), Qt::Key_Return);
        QVERIFY(!find->isVisible());
        QCOMPARE(records.text(u"CustID"_s), u"C041"_s);
        QCOMPARE(combo.currentText(), u"代理41"_s);
        QCOMPARE(records.state(), store::Dataset::State::Edit);

        // A name, typed in Chinese (an input method's text), found anywhere in the name; Enter
        // right after typing takes the first row of what was typed.
        QInputMethodEvent ime;
        ime.setCommitString(u"代理"_s);
        QApplication::sendEvent(&combo, &ime);
        QVERIFY(find->isVisible());
        QCOMPARE(find->input()->text(), u"代理"_s);
        testsupport::typeIntoFocus(u"25"_s);
        QTest::keyClick(find->input(), Qt::Key_Return);
        QCOMPARE(find->found()->rowCount(), 11); // 代理25, 代理250 ... 代理259
        QCOMPARE(records.text(u"CustID"_s), u"C025"_s);

        // Escape leaves the field as it was.
        QTest::keyClick(&combo, Qt::Key_9);
        QVERIFY(find->isVisible());
        QTest::keyClick(find->input(), Qt::Key_Escape);
        QVERIFY(!find->isVisible());
        QCOMPARE(records.text(u"CustID"_s), u"C025"_s);

        // Only the rows the list holds are found: its filter stays.
        agents.setFilter(store::Condition::ne(u"CustId"_s, u"C042"_s));
        agents.open();
        QTest::keyClick(&combo, Qt::Key_C);
        find->input()->setText(u"C04"_s);
        find->findNow();
        QCOMPARE(find->found()->rowCount(), 9);
        for (int r = 0; r < 9; ++r)
            QVERIFY(find->found()->value(r, u"CustId"_s).toString() != u"C042"_s);
        QTest::keyClick(find->input(), Qt::Key_Escape);
        records.cancel();
    }

    // Items name their record by code: while it has any, the code stays, whichever way the
    // record is posted; without items, or for letter case only, it may change.
    void codeStaysWhileItemsExist_data() { testsupport::addEngineRows(); }
    void codeStaysWhileItemsExist()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s);
        f.addRecord(u"R1"_s, u"有子项"_s, u"A1"_s);
        f.addRecord(u"R2"_s, u"无子项"_s, u"A1"_s);
        f.addItem(u"R1"_s, u"1"_s);
        f.openRecordsModule();
        QVERIFY(f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s)); // the agent's records follow
        for (store::Dataset *set : {&f.dm.tblOperates2, &f.dm.tblOperates}) {
            QVERIFY(set->locate(u"OperateID"_s, u"R1"_s));
            set->setValue(u"OperateID"_s, u"R9"_s);
            try {
                set->next(); // moving away stores the change
                QFAIL("the code of a record with items changed");
            } catch (const store::StoreError &e) {
                QCOMPARE(e.text(), u"对不起，该业务资料包括业务子项信息，不能修改联络代码！"_s);
            }
            set->setValue(u"OperateID"_s, u"r1"_s);
            set->post();
            set->setValue(u"OperateID"_s, u"R1"_s);
            set->post();
        }
        QCOMPARE(f.count(u"tblOperates"_s, u"OperateID = 'R1'"_s), 1);
        QVERIFY(f.dm.tblOperates2.locate(u"OperateID"_s, u"R2"_s));
        f.dm.tblOperates2.setValue(u"OperateID"_s, u"R3"_s);
        f.dm.tblOperates2.post();
        QCOMPARE(f.count(u"tblOperates"_s, u"OperateID = 'R3'"_s), 1);
    }

    // A store made before the record list's index gets it when a seat opens it.
    void olderStoreGetsTheIndex_data() { testsupport::addEngineRows(); }
    void olderStoreGetsTheIndex()
    {
        QFETCH(QString, engine);
        testsupport::TempStore temp(engine);
        const QString listIndexes = temp.isServer()
                                        ? u"SELECT count(*) FROM pg_indexes WHERE indexname = 'i_tbloperates_operatetitle'"_s
                                        : u"SELECT count(*) FROM sqlite_master WHERE name = 'i_tblOperates_OperateTitle'"_s;
        {
            auto db = temp.connect();
            QCOMPARE(db->scalar(listIndexes).toInt(), 1);
            db->exec(u"DROP INDEX i_tblOperates_OperateTitle"_s);
            db->exec(u"UPDATE sysStoreInfo SET Value = '2' WHERE Name = 'version'"_s);
            QCOMPARE(db->scalar(listIndexes).toInt(), 0);
        }
        store::DataModule dm;
        dm.openAtStartup(temp.appDir());
        QCOMPARE(store::Upgrade::storedVersion(dm.connection()), store::Schema::FormatVersion);
        QCOMPARE(dm.connection().scalar(listIndexes).toInt(), 1);
    }
};

QTEST_MAIN(TestRecordStore)
#include "tst_recordstore.moc"
