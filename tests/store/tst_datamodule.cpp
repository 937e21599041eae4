// The data module: its named sets, after-connect step, masters, display fields and the
// posting rules that stamp owners and drop rows without their code.
#include "datamodule.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"
#include "teststore.h"

#include <QTest>

using namespace store;

class TestDataModule : public QObject
{
    Q_OBJECT

    static void exec(Connection &db, const char *sql) { db.exec(QString::fromUtf8(sql)); }

private Q_SLOTS:
    void init() { session().CurrentUserID = QStringLiteral("Admin"); }

    void afterConnectOpensTheSharedSets_data() { testsupport::addEngineRows(); }
    void afterConnectOpensTheSharedSets()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        QCOMPARE(dm.objectName(), QStringLiteral("TdmMain"));
        dm.openAtStartup(s.appDir());
        for (const char *n : {"tblCountry", "tblCustDist", "tblCustLevel", "tblCustState", "tblCustOrigin",
                              "tblVocation", "tblFinanceOrgan", "tblCurrencyRate", "tblOperateType",
                              "tblOperateOrigin", "tblOperateState", "tblBoard", "tblLinkmans2", "qryCustomers1",
                              "tblOperates2", "tblCustomers2", "tblOperaters"})
            QVERIFY2(dm.dataset(QLatin1String(n))->isOpen(), n);
        QVERIFY(!dm.tblCustomers.isOpen());
        QVERIFY(!dm.qryPlan.isOpen());
        QCOMPARE(dm.dataset(QStringLiteral("TBLCOUNTRY")), &dm.tblCountry);
        QCOMPARE(dm.tblCustDist.rowCount(), 34);

        // Filters set on the shared sets stay across a reconnect.
        dm.tblCustomers2.setFilter(Condition::eq(QStringLiteral("SUser"), QStringLiteral("Admin")));
        dm.reconnect(s.location());
        QVERIFY(dm.tblCustomers2.isOpen());
        QVERIFY(dm.tblCustomers2.isFiltered());
        QVERIFY_THROWS_EXCEPTION(StoreError, dm.reconnect(s.appDir() + QStringLiteral("nothing.wdb")));
    }

    void postingRulesStampOwnersAndDropRowsWithoutCode_data() { testsupport::addEngineRows(); }
    void postingRulesStampOwnersAndDropRowsWithoutCode()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        session().CurrentUserID = QStringLiteral("wang");
        Connection &db = dm.connection();

        dm.tblCustomers.open();
        dm.tblCustomers.append();
        dm.tblCustomers.setValue(QStringLiteral("CustName"), QStringLiteral("没有代码"));
        dm.tblCustomers.post(); // no code: nothing stored, no error
        QCOMPARE(dm.tblCustomers.state(), Dataset::State::Browse);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toInt(), 0);

        dm.tblCustomers.append();
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("W1"));
        dm.tblCustomers.post();
        dm.tblCustomers.append();
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("W2"));
        dm.tblCustomers.setValue(QStringLiteral("SUser"), QStringLiteral("li")); // already owned
        dm.tblCustomers.post();
        QCOMPARE(db.scalar(QStringLiteral("SELECT SUser FROM tblCustomers WHERE CustId = 'W1'")).toString(), QStringLiteral("wang"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT SUser FROM tblCustomers WHERE CustId = 'W2'")).toString(), QStringLiteral("li"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblCustomers WHERE SDate IS NOT NULL")).toInt(), 0);

        dm.tblOperates2.append();
        dm.tblOperates2.setValue(QStringLiteral("OperateTitle"), QStringLiteral("无编号"));
        dm.tblOperates2.post();
        dm.tblOperates2.append();
        dm.tblOperates2.setValue(QStringLiteral("OperateID"), QStringLiteral("R1"));
        dm.tblOperates2.post();
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblOperates")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT SUser FROM tblOperates")).toString(), QStringLiteral("wang"));

        // The contact query stamps the owner; a row without its code is kept for the store,
        // which refuses it, naming the column.
        dm.qryLinkmans1.open();
        dm.qryLinkmans1.append();
        dm.qryLinkmans1.setValue(QStringLiteral("Name"), QStringLiteral("张三"));
        try {
            dm.qryLinkmans1.post();
            QFAIL("a contact without its code was stored");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::Required);
            QCOMPARE(e.column(), QStringLiteral("LinkmanID"));
        }
        QCOMPARE(dm.qryLinkmans1.state(), Dataset::State::Insert);
        dm.qryLinkmans1.setValue(QStringLiteral("LinkmanID"), QStringLiteral("L1"));
        dm.qryLinkmans1.post();
        QCOMPARE(db.scalar(QStringLiteral("SELECT SUser FROM tblLinkmans WHERE Name = '张三'")).toString(), QStringLiteral("wang"));

        // Other sets get no stamp from the module.
        dm.tblLinkmans2.append();
        dm.tblLinkmans2.setValue(QStringLiteral("LinkmanID"), QStringLiteral("L2"));
        dm.tblLinkmans2.setValue(QStringLiteral("Name"), QStringLiteral("李四"));
        dm.tblLinkmans2.post();
        QVERIFY(db.scalar(QStringLiteral("SELECT SUser FROM tblLinkmans WHERE Name = '李四'")).toString().isEmpty());
    }

    void movingTheAgentMovesItsPages_data() { testsupport::addEngineRows(); }
    void movingTheAgentMovesItsPages()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        Connection &db = dm.connection();
        exec(db, "INSERT INTO tblCustomers (CustId, CustName, CountryID, DistID, StateId, LevelID, SUser) VALUES "
                 "('A1', '甲公司', 'China', 'BJ', '01', 'A', 'Admin'), ('A2', '乙公司', 'nowhere', NULL, NULL, NULL, 'Admin')");
        exec(db, "INSERT INTO tblLinkmans (LinkmanID, CustID, Name) VALUES ('P1', 'A1', '张'), ('P2', 'A2', '李'), ('P3', 'A2', '赵')");
        exec(db, "INSERT INTO tblCustomerState (CustID, LinkType) VALUES ('A1', '电话联系')");
        exec(db, "INSERT INTO tblCustomerAddInfo (CustID, BankID) VALUES ('A2', 'ICBC')");
        exec(db, "INSERT INTO tblOperates (OperateID, CustID, LinkmanID, LinkCustID, CurrID) VALUES "
                 "('R1', 'A1', 'P1', 'A2', 'USD'), ('R2', 'A2', 'P2', NULL, NULL)");
        dm.tblCustomers2.refresh();
        for (Dataset *d : {&dm.tblCustomers, &dm.tblLinkmans, &dm.tblCustomerState, &dm.tblCustomerAddInfo, &dm.tblOperates})
            d->open();
        const auto counts = [&] {
            return QList<int>{dm.tblLinkmans.rowCount(), dm.tblCustomerState.rowCount(),
                              dm.tblCustomerAddInfo.rowCount(), dm.tblOperates.rowCount()};
        };
        QCOMPARE(counts(), (QList<int>{1, 1, 0, 1}));
        QCOMPARE(dm.tblCustomers.text(QStringLiteral("CountryName")), QStringLiteral("中国"));
        QCOMPARE(dm.tblCustomers.text(QStringLiteral("DistName")), QStringLiteral("北京市"));
        QCOMPARE(dm.tblCustomers.text(QStringLiteral("State")), QStringLiteral("初次接触"));
        QCOMPARE(dm.tblCustomers2.text(QStringLiteral("StateName")), QStringLiteral("初次接触"));
        QCOMPARE(dm.tblCustomers.text(QStringLiteral("LevelName")), QStringLiteral("一级代理"));
        QCOMPARE(dm.tblOperates.text(QStringLiteral("LinkmanName")), QStringLiteral("张"));
        QCOMPARE(dm.tblOperates.text(QStringLiteral("LinkCustName")), QStringLiteral("乙公司"));
        QCOMPARE(dm.tblOperates.text(QStringLiteral("CurrName")), QStringLiteral("美元"));

        dm.tblCustomers.next();
        QCOMPARE(counts(), (QList<int>{2, 0, 1, 1}));
        // Codes that match nothing still load, with empty display fields.
        QVERIFY(dm.tblCustomers.text(QStringLiteral("CountryName")).isEmpty());
        QVERIFY(dm.tblCustomers.text(QStringLiteral("DistName")).isEmpty());
        // The contact name of a record comes from the contacts of the current agent only.
        QCOMPARE(dm.tblOperates.text(QStringLiteral("LinkmanName")), QStringLiteral("李"));
        // The second record set looks its contact up among the contacts of tblCustomers2's agent.
        dm.tblOperates2.refresh();
        QVERIFY(dm.tblOperates2.locate(QStringLiteral("OperateID"), QStringLiteral("R1")));
        QVERIFY(dm.tblCustomers2.locate(QStringLiteral("CustId"), QStringLiteral("A2")));
        QVERIFY(dm.tblOperates2.text(QStringLiteral("LinkmanName")).isEmpty());
        QVERIFY(dm.tblCustomers2.locate(QStringLiteral("CustId"), QStringLiteral("A1")));
        QCOMPARE(dm.tblOperates2.text(QStringLiteral("LinkmanName")), QStringLiteral("张"));
    }

    // A contact that a contact record names keeps its code through every contact set, posted
    // by a window or by moving away; a letter-case change, or a contact no record names, may.
    void contactsNamedByRecordsKeepTheirCode_data() { testsupport::addEngineRows(); }
    void contactsNamedByRecordsKeepTheirCode()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        Connection &db = dm.connection();
        exec(db, "INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES ('A1', '甲', 'Admin')");
        exec(db, "INSERT INTO tblLinkmans (LinkmanID, CustID, Name, SUser) VALUES ('L1', 'A1', '张', 'Admin'), ('L2', 'A1', '李', 'Admin')");
        exec(db, "INSERT INTO tblOperates (OperateID, CustID, LinkmanID, SUser) VALUES ('R1', 'B9', 'l1', 'other')");
        dm.tblCustomers.open();
        dm.tblLinkmans.open();
        dm.tblCustomers2.refresh();
        dm.tblLinkmans2.refresh();
        dm.qryLinkmans1.open();
        dm.qryLinkmans3.open();
        for (Dataset *set : {&dm.tblLinkmans, &dm.tblLinkmans2, &dm.qryLinkmans1, &dm.qryLinkmans3}) {
            QVERIFY2(set->locate(QStringLiteral("LinkmanID"), QStringLiteral("L1")), qPrintable(set->name()));
            set->setValue(QStringLiteral("LinkmanID"), QStringLiteral("L9"));
            QVERIFY_THROWS_EXCEPTION(StoreError, set->post());
            QVERIFY_THROWS_EXCEPTION(StoreError, set->next()); // moving away posts too
            QCOMPARE(set->state(), Dataset::State::Edit);
            set->setValue(QStringLiteral("LinkmanID"), QStringLiteral("l1"));
            set->post();
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT LinkmanID FROM tblLinkmans WHERE Name = ?"), {QStringLiteral("张")}).toString(),
                 QStringLiteral("l1"));
        QVERIFY(dm.qryLinkmans1.locate(QStringLiteral("LinkmanID"), QStringLiteral("L2")));
        dm.qryLinkmans1.setValue(QStringLiteral("LinkmanID"), QStringLiteral("L3"));
        dm.qryLinkmans1.post();
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM tblLinkmans WHERE LinkmanID = 'L3'")).toInt(), 1);
    }

    // A row of an agent's page, or an item of a record, is stored only under a key its master
    // holds in the store: not while the master is new or its code is being changed, and not for
    // a code no master has; once the master is stored, the same row goes in.
    void detailRowsWaitForTheirMaster_data() { testsupport::addEngineRows(); }
    void detailRowsWaitForTheirMaster()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        Connection &db = dm.connection();
        exec(db, "INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES ('A1', '甲', 'Admin'), "
                 "('B1', '乙', 'Admin')");
        dm.tblCustomers.open();
        for (Dataset *d :
             {&dm.tblLinkmans, &dm.tblCustomerState, &dm.tblCustomerAddInfo, &dm.tblOperates})
            d->open();
        const auto rows = [&db](const char *table) {
            return db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)))
                .toInt();
        };
        const auto addContact = [&dm](const QString &code) {
            dm.tblLinkmans.append();
            dm.tblLinkmans.setValue(QStringLiteral("LinkmanID"), code);
            dm.tblLinkmans.post();
        };

        // A new agent: its code is only typed so far.
        dm.tblCustomers.append();
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("N1"));
        QVERIFY_THROWS_EXCEPTION(StoreError, addContact(QStringLiteral("L1")));
        QCOMPARE(dm.tblLinkmans.state(), Dataset::State::Insert);
        QCOMPARE(dm.tblLinkmans.text(QStringLiteral("CustID")), QStringLiteral("N1"));
        dm.tblLinkmans.cancel();
        for (const auto &[d, column] :
             {std::pair{&dm.tblCustomerState, "Memo"}, std::pair{&dm.tblCustomerAddInfo, "Account"},
              std::pair{&dm.tblOperates, "OperateID"}}) {
            d->append();
            d->setValue(QLatin1String(column), QStringLiteral("X1"));
            QVERIFY_THROWS_EXCEPTION(StoreError, d->post());
            d->cancel();
        }
        dm.tblCustomers.cancel();
        QCOMPARE(rows("tblLinkmans") + rows("tblCustomerState") + rows("tblCustomerAddInfo") +
                     rows("tblOperates"),
                 0);

        // A stored agent whose code is being typed over, here with another agent's code.
        QVERIFY(dm.tblCustomers.locate(QStringLiteral("CustId"), QStringLiteral("A1")));
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("b1"));
        QVERIFY_THROWS_EXCEPTION(StoreError, addContact(QStringLiteral("L1")));
        dm.tblLinkmans.cancel();
        QCOMPARE(rows("tblLinkmans"), 0);
        // Once stored under its new code, the agent takes rows again.
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("A2"));
        dm.tblCustomers.post();
        addContact(QStringLiteral("L1"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT CustID FROM tblLinkmans WHERE LinkmanID = 'L1'"))
                     .toString(),
                 QStringLiteral("A2"));
        // An agent being changed in another field holds its code: rows go in at once.
        dm.tblCustomers.setValue(QStringLiteral("CustName"), QStringLiteral("甲二"));
        addContact(QStringLiteral("L2"));
        QCOMPARE(rows("tblLinkmans"), 2);
        dm.tblCustomers.cancel();

        // An item of a record that is only typed so far, or of a code no record has.
        dm.tblOperates2.append();
        dm.tblOperates2.setValue(QStringLiteral("OperateID"), QStringLiteral("R1"));
        dm.tblOperateDetail.open();
        dm.tblOperateDetail.append();
        dm.tblOperateDetail.setValue(QStringLiteral("DetailNo"), QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(StoreError, dm.tblOperateDetail.post());
        dm.tblOperateDetail.setValue(QStringLiteral("OperateID"), QStringLiteral("R9"));
        QVERIFY_THROWS_EXCEPTION(StoreError, dm.tblOperateDetail.post());
        dm.tblOperateDetail.cancel();
        dm.tblOperates2.post();
        dm.tblOperateDetail.append();
        dm.tblOperateDetail.setValue(QStringLiteral("DetailNo"), QStringLiteral("1"));
        dm.tblOperateDetail.post();
        QCOMPARE(db.scalar(QStringLiteral("SELECT OperateID FROM tblOperateDetail")).toString(),
                 QStringLiteral("R1"));
    }

    void nonAdministratorSeesNoNameOfAnotherUsersAgent_data() { testsupport::addEngineRows(); }
    void nonAdministratorSeesNoNameOfAnotherUsersAgent()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        exec(dm.connection(), "INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES ('O1', '自己的', 'wang'), ('O2', '别人的', 'li')");
        exec(dm.connection(), "INSERT INTO tblPlan (CustID) VALUES ('O1'), ('O2')");
        session().CurrentUserID = QStringLiteral("wang");
        dm.tblCustomers2.close();
        dm.tblCustomers2.setFilter(Condition::eq(QStringLiteral("sUser"), session().CurrentUserID));
        dm.tblCustomers2.open();
        dm.qryPlan.open();
        QCOMPARE(dm.qryPlan.rowCount(), 2);
        QCOMPARE(dm.qryPlan.value(0, QStringLiteral("CustName")).toString(), QStringLiteral("自己的"));
        QVERIFY(dm.qryPlan.value(1, QStringLiteral("CustName")).toString().isEmpty());
        QVERIFY(!dm.isAdministrator(QStringLiteral("wang")));
        QVERIFY(dm.isAdministrator(QStringLiteral("admin")));
    }
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "tst_datamodule.moc"
