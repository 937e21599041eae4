// Several datasets of one seat over one table: the seat's own saves are never taken for
// another user's change, while another seat's change is still refused. Closing a master
// drops what its details hold pending, and nothing escapes the data module's destructor.
#include "datamodule.h"
#include "passwords.h"
#include "session.h"
#include "storeerror.h"
#include "teststore.h"

#include <QTest>

using namespace store;

namespace {

const QString Conflict = StoreError::conflictText();

QString errorOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const StoreError &e) {
        return e.text();
    }
    return {};
}

} // namespace

class TestSharedSets : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<DataModule> m_dm;

    void openStore(const QString &engine)
    {
        m_store = std::make_unique<testsupport::TempStore>(engine);
        m_dm = std::make_unique<DataModule>();
        m_dm->openAtStartup(m_store->appDir());
        Connection &db = m_dm->connection();
        db.exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES ('A1', '甲', 'Admin')"));
        db.exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Name, SUser) VALUES ('L1', 'A1', '张', 'Admin')"));
        db.exec(QStringLiteral("INSERT INTO tblOperates (OperateID, CustID, OperateTitle, SUser) VALUES ('R1', 'A1', '首次', 'Admin')"));
    }
    static void openAll(std::initializer_list<Dataset *> sets)
    {
        for (Dataset *d : sets) {
            d->close();
            d->open();
        }
    }
    QVariant stored(const char *sql) { return m_dm->connection().scalar(QString::fromUtf8(sql)); }

    // Saves a field through `first`, then another through `second`, both over the same row.
    void bothSave(Dataset &first, Dataset &second, const QString &field, const QString &other)
    {
        QVERIFY(first.locate(QStringLiteral("SUser"), QStringLiteral("Admin")));
        QVERIFY(second.locate(QStringLiteral("SUser"), QStringLiteral("Admin")));
        first.setValue(field, QStringLiteral("第一"));
        first.post();
        second.setValue(other, QStringLiteral("第二"));
        QCOMPARE(errorOf([&] { second.post(); }), QString());
        QCOMPARE(second.text(field), QStringLiteral("第一")); // the first save is not undone
        QCOMPARE(second.text(other), QStringLiteral("第二"));
    }

private Q_SLOTS:
    void init() { session().CurrentUserID = QStringLiteral("Admin"); }
    void cleanup()
    {
        m_dm.reset();
        m_store.reset();
    }

    void ownSavesThroughEverySetOfOneTable_data() { testsupport::addEngineRows(); }
    void ownSavesThroughEverySetOfOneTable()
    {
        QFETCH(QString, engine);
        openStore(engine);
        DataModule &dm = *m_dm;
        openAll({&dm.tblCustomers, &dm.tblCustomers2, &dm.tblLinkmans, &dm.tblLinkmans2, &dm.qryLinkmans1,
                 &dm.tblOperates, &dm.tblOperates2});

        bothSave(dm.tblCustomers, dm.tblCustomers2, QStringLiteral("City"), QStringLiteral("Fax"));
        bothSave(dm.tblOperates, dm.tblOperates2, QStringLiteral("OperateTitle"), QStringLiteral("FilePath"));
        bothSave(dm.tblLinkmans, dm.tblLinkmans2, QStringLiteral("Duty"), QStringLiteral("Fax"));
        bothSave(dm.tblLinkmans2, dm.qryLinkmans1, QStringLiteral("Mobile"), QStringLiteral("Enjoy"));
        QCOMPARE(stored("SELECT City || '/' || Fax FROM tblCustomers"), QVariant(QStringLiteral("第一/第二")));
        QCOMPARE(stored("SELECT Mobile || '/' || Enjoy || '/' || Duty FROM tblLinkmans"),
                 QVariant(QStringLiteral("第一/第二/第一")));

        // An edit already under way in the second set when the first saves: what was typed
        // stays, the rest shows the first save, and both end up stored.
        dm.tblCustomers2.setValue(QStringLiteral("Telephone"), QStringLiteral("123"));
        dm.tblCustomers.setValue(QStringLiteral("Address"), QStringLiteral("北京路"));
        dm.tblCustomers.post();
        QCOMPARE(dm.tblCustomers2.text(QStringLiteral("Address")), QStringLiteral("北京路"));
        QCOMPARE(errorOf([&] { dm.tblCustomers2.post(); }), QString());
        QCOMPARE(stored("SELECT Address || '/' || Telephone FROM tblCustomers"), QVariant(QStringLiteral("北京路/123")));

        // The user row after this seat changed the password.
        openAll({&dm.tblUser});
        QVERIFY(Passwords::set(dm.connection(), QStringLiteral("Admin"), QStringLiteral("neu")));
        dm.tblUser.setValue(QStringLiteral("Duty"), QStringLiteral("经理"));
        QCOMPARE(errorOf([&] { dm.tblUser.post(); }), QString());
        QVERIFY(Passwords::verify(dm.connection(), QStringLiteral("Admin"), QStringLiteral("neu")));
    }

    void anotherSeatsChangeIsStillRefused_data() { testsupport::addEngineRows(); }
    void anotherSeatsChangeIsStillRefused()
    {
        QFETCH(QString, engine);
        openStore(engine);
        DataModule &dm = *m_dm;
        openAll({&dm.tblCustomers, &dm.tblCustomers2, &dm.tblUser});
        auto other = m_store->connect();

        other->exec(QStringLiteral("UPDATE tblCustomers SET City = '别处', RowVer = RowVer + 1"));
        dm.tblCustomers2.setValue(QStringLiteral("Fax"), QStringLiteral("1"));
        QCOMPARE(errorOf([&] { dm.tblCustomers2.post(); }), Conflict);
        dm.tblCustomers2.cancel();

        // The second set's edit is under way when this seat saves through the first set and
        // another seat then changes the row: the edit is refused, the other seat's change stays.
        openAll({&dm.tblCustomers, &dm.tblCustomers2});
        dm.tblCustomers2.setValue(QStringLiteral("Telephone"), QStringLiteral("2"));
        dm.tblCustomers.setValue(QStringLiteral("Address"), QStringLiteral("本座席"));
        dm.tblCustomers.post();
        other->exec(QStringLiteral("UPDATE tblCustomers SET City = '又改', RowVer = RowVer + 1"));
        QCOMPARE(errorOf([&] { dm.tblCustomers2.post(); }), Conflict);
        QCOMPARE(stored("SELECT City FROM tblCustomers"), QVariant(QStringLiteral("又改")));

        // A password changed by another seat makes the user row this seat has read stale.
        QCOMPARE(dm.tblUser.text(QStringLiteral("UserID")), QStringLiteral("Admin"));
        QVERIFY(Passwords::set(*other, QStringLiteral("Admin"), QStringLiteral("x")));
        dm.tblUser.setValue(QStringLiteral("Duty"), QStringLiteral("经理"));
        QCOMPARE(errorOf([&] { dm.tblUser.post(); }), Conflict);
    }

    // While a master row is new, its details show the rows of the key typed so far; an
    // existing master keeps showing its own rows whatever is typed into its key.
    void aNewMasterShowsTheDetailsOfItsKeyAsTyped_data() { testsupport::addEngineRows(); }
    void aNewMasterShowsTheDetailsOfItsKeyAsTyped()
    {
        QFETCH(QString, engine);
        openStore(engine);
        DataModule &dm = *m_dm;
        openAll({&dm.tblCustomers, &dm.tblLinkmans, &dm.tblOperates});
        QCOMPARE(dm.tblLinkmans.rowCount(), 1);
        dm.tblCustomers.append();
        QCOMPARE(dm.tblLinkmans.rowCount(), 0);
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("A"));
        QCOMPARE(dm.tblLinkmans.rowCount(), 0);
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("a1")); // letter case aside
        QCOMPARE(dm.tblLinkmans.rowCount(), 1);
        QCOMPARE(dm.tblOperates.rowCount(), 1);
        dm.tblCustomers.setValue(QStringLiteral("CustName"), QStringLiteral("新"));
        QCOMPARE(dm.tblLinkmans.rowCount(), 1);
        dm.tblCustomers.cancel();

        QVERIFY(dm.tblCustomers.locate(QStringLiteral("CustId"), QStringLiteral("A1")));
        dm.tblCustomers.setValue(QStringLiteral("CustId"), QStringLiteral("A2"));
        QCOMPARE(dm.tblLinkmans.rowCount(), 1);
        dm.tblCustomers.cancel();
    }

    void closingAMasterDropsWhatItsDetailsHoldPending_data() { testsupport::addEngineRows(); }
    void closingAMasterDropsWhatItsDetailsHoldPending()
    {
        QFETCH(QString, engine);
        openStore(engine);
        DataModule &dm = *m_dm;
        openAll({&dm.tblCustomers, &dm.tblLinkmans, &dm.tblOperates});
        dm.tblLinkmans.append();
        dm.tblLinkmans.setValue(QStringLiteral("LinkmanID"), QStringLiteral("L2"));
        dm.tblOperates.setValue(QStringLiteral("OperateTitle"), QStringLiteral("未保存"));
        dm.tblCustomers.close();
        QCOMPARE(dm.tblLinkmans.state(), Dataset::State::Browse);
        QCOMPARE(dm.tblOperates.state(), Dataset::State::Browse);
        QCOMPARE(stored("SELECT count(*) FROM tblLinkmans").toInt(), 1);
        QCOMPARE(stored("SELECT OperateTitle FROM tblOperates"), QVariant(QStringLiteral("首次")));

        // The same at a reconnect.
        openAll({&dm.tblCustomers, &dm.tblLinkmans});
        dm.tblLinkmans.append();
        dm.tblLinkmans.setValue(QStringLiteral("LinkmanID"), QStringLiteral("L3"));
        dm.reconnect(m_store->location());
        QCOMPARE(stored("SELECT count(*) FROM tblLinkmans").toInt(), 1);
    }

    // A pending detail row whose storing would fail (a duplicate code): the program ends
    // with the data module, without storing it and without aborting.
    void shutdownWithAPendingDetailThatCannotBeStored_data() { testsupport::addEngineRows(); }
    void shutdownWithAPendingDetailThatCannotBeStored()
    {
        QFETCH(QString, engine);
        openStore(engine);
        DataModule &dm = *m_dm;
        openAll({&dm.tblCustomers, &dm.tblLinkmans});
        dm.tblLinkmans.append();
        dm.tblLinkmans.setValue(QStringLiteral("LinkmanID"), QStringLiteral("L1")); // taken
        m_dm.reset();
        auto db = m_store->connect();
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblLinkmans")).toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSharedSets)
#include "tst_sharedsets.moc"
