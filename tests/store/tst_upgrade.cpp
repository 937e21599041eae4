// Stores made by the first release of the program are brought up to date when a seat opens
// them: their rows kept, the new rules in force, a store that cannot follow left untouched.
#include "datamodule.h"
#include "money.h"
#include "schema.h"
#include "searchindex.h"
#include "seed.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"
#include "teststore.h"
#include "upgrade.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace store;

namespace {

// The tables as the first release made them: codes could be empty, SUser and the agent of an
// agent-contact entry were 20 wide, only tblOperates.RMB held exact money, and the ledgers and
// the chart analyses had no indexes of their own.
// The statements of a store of the fifth format: no search text and no index of it.
QStringList fifthFormatStatements(Engine e)
{
    QStringList search = SearchIndex::functionStatements(e);
    for (const Table &t : Schema::tables())
        search << SearchIndex::tableStatements(t, e);
    QStringList out;
    for (QString sql : Schema::createStatements(e)) {
        if (search.contains(sql))
            continue;
        sql.remove(QStringLiteral(", ") + Schema::searchColumn(e));
        out << sql;
    }
    return out;
}

QStringList firstReleaseStatements(Engine e)
{
    const bool pg = e == Engine::PostgreSQL;
    QStringList out;
    for (QString sql : fifthFormatStatements(e)) {
        static const QRegularExpression laterIndex(QStringLiteral(
            "INDEX "
            "(i_tblOperates_Due|i_tblOperateDetail_Settled|i_tblCustomers_(Level|Origin|Region|"
            "Created)|i_tbl(Linkmans|Operates)_\\w+_Sort|i_tbl(Customers|Operates)_SUser_\\w+|i_"
            "tblOperates_OperateTitle|i_tblOperaters_Order|i_tblCustomers_OperaterID|i_tblOperates_"
            "OperaterID) "));
        if (sql.contains(laterIndex))
            continue;
        if (Schema::recordCountStatements(e).contains(sql))
            continue; // the records counted per agent came with the fourth format
        sql.replace(QStringLiteral(" NOT NULL,"), QStringLiteral(","));
        static const QRegularExpression codeRule(QStringLiteral(",\\n  CONSTRAINT m_\\w+_(?!Memo\\b)\\w+ CHECK \\([^\\n]*\\)"));
        static const QRegularExpression moneyRule(QStringLiteral(",\\n  CONSTRAINT r_\\w+ CHECK \\([^\\n]*\\)"));
        sql.remove(codeRule);
        sql.remove(moneyRule);
        static const QRegularExpression narrow(
            QStringLiteral("(CONSTRAINT w_(\\w+_SUser|tblCustomerState_CustID) CHECK \\([^\\n]*<= )30\\)"));
        sql.replace(narrow, QStringLiteral("\\1 20)"));
        const QString real = pg ? QStringLiteral("double precision") : QStringLiteral("REAL");
        const QString exact = Schema::columnType({QStringLiteral("x"), ColumnType::Currency, 0}, e);
        const auto number = [&](const char *column) {
            const QString name = Schema::identifier(QLatin1String(column), e);
            sql.replace(name + QLatin1Char(' ') + exact, name + QLatin1Char(' ') + real);
        };
        if (sql.startsWith(QLatin1String("CREATE TABLE tblOperates "))) {
            number("CompactAmount");
            number("Profit");
        } else if (sql.startsWith(QLatin1String("CREATE TABLE tblOperateDetail "))) {
            for (const char *c : {"Price", "DTotal", "RMB"})
                number(c);
        } else if (sql.startsWith(QLatin1String("CREATE TABLE tblCustomerState "))) {
            number("Charge");
        }
        out << sql;
    }
    return out;
}

// A store of the first release at `location` (an empty file or an empty server database).
void makeFirstReleaseStore(const QString &location)
{
    if (!Connection::isServerLocation(location)) {
        QFile f(location);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    Connection db;
    db.openUnchecked(location);
    db.transaction([&] {
        for (const QString &sql : firstReleaseStatements(db.engine()))
            db.exec(sql);
        db.exec(QStringLiteral("INSERT INTO %1 (Name, Value) VALUES ('format', 'tessaly'), ('version', '1')")
                    .arg(QLatin1String(Schema::InfoTable)));
        Seed::fill(db);
    });
}

QString refusalOf(const std::function<void()> &work, StoreError::Kind *kind = nullptr)
{
    try {
        work();
    } catch (const StoreError &e) {
        if (kind)
            *kind = e.kind();
        return e.text();
    }
    return {};
}

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<testsupport::TempStore> m_server; // lends a server and drops its databases

    // A program directory whose "Server.txt" names a first-release store.
    QString oldStore(const QString &engine)
    {
        const QString appDir = m_dir.path() + QLatin1Char('/') + engine + QLatin1Char('/');
        QDir().mkpath(appDir + QStringLiteral("Data"));
        QString location = appDir + QStringLiteral("Data/KTA30.wdb");
        QFile::remove(location);
        if (engine == QLatin1String("postgresql")) {
            m_server = std::make_unique<testsupport::TempStore>(engine);
            location = m_server->spareServerLocation();
        }
        makeFirstReleaseStore(location);
        ServerFile::write(appDir, location);
        return appDir;
    }

private Q_SLOTS:
    void init() { session().CurrentUserID = QStringLiteral("Admin"); }
    void cleanup() { m_server.reset(); }

    void firstReleaseStoreIsBroughtUpToDate_data() { testsupport::addEngineRows(); }
    void firstReleaseStoreIsBroughtUpToDate()
    {
        QFETCH(QString, engine);
        const QString appDir = oldStore(engine);
        {
            Connection db;
            db.open(ServerFile::readFirstLine(appDir));
            QCOMPARE(Upgrade::storedVersion(db), 1);
            db.exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES ('A1', '甲', ?)"),
                    {QString(20, QLatin1Char('u'))});
            db.exec(QStringLiteral("INSERT INTO tblOperateDetail (OperateID, DetailNo, RMB, Price) VALUES ('R1', '1', ?, ?)"),
                    {0.1 + 0.2, 1.23456});
            db.exec(QStringLiteral("INSERT INTO tblOperateDetail (OperateID, DetailNo, RMB) VALUES ('R1', '2', 0.7)"));
            for (const char *record : {"R1", "R2", "R3"})
                db.exec(QStringLiteral("INSERT INTO tblOperates (OperateID, CustID) VALUES (?, ?)"),
                        {QLatin1String(record), QLatin1String(record[1] == '3' ? "GONE" : "A1")});
            db.exec(QStringLiteral("INSERT INTO tblOperates (OperateID) VALUES ('R4')")); // no agent
            for (int i = 0; i < 3; ++i)
                db.exec(QStringLiteral("INSERT INTO tblLog (UserID, Operate) VALUES ('Admin', '旧')"));
            db.exec(QStringLiteral("DELETE FROM tblLog WHERE LogID = (SELECT max(LogID) FROM tblLog)"));
            // An old seat could store a code of nothing but a longer owner was refused.
            QVERIFY(!refusalOf([&] {
                        db.exec(QStringLiteral("INSERT INTO tblCustomers (CustId, SUser) VALUES ('A2', ?)"),
                                {QString(30, QLatin1Char('v'))});
                    }).isEmpty());
        }

        DataModule dm;
        QList<QPair<int, int>> told;
        dm.setUpgradeProgress([&told](int done, int total) { told.append({done, total}); });
        dm.openAtStartup(appDir);
        Connection &db = dm.connection();
        QCOMPARE(Upgrade::storedVersion(db), Schema::FormatVersion);
        // Told table by table, and for each of the five searched tables as its search text is
        // computed, up to all of them.
        const int tables = int(Schema::tables().size()) + 5;
        QCOMPARE(told.size(), tables + 1);
        QCOMPARE(told.first(), qMakePair(0, tables));
        QCOMPARE(told.last(), qMakePair(tables, tables));
        QCOMPARE(db.scalar(QStringLiteral("SELECT CustName FROM tblCustomers WHERE CustId = 'A1'")).toString(),
                 QStringLiteral("甲"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblUser")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblCustDist")).toInt(), 34);
        QCOMPARE(db.scalar(QStringLiteral("SELECT RMB FROM tblOperateDetail WHERE DetailNo = '1'")).toDouble(), 0.3);
        QCOMPARE(db.scalar(QStringLiteral("SELECT Price FROM tblOperateDetail WHERE DetailNo = '1'")).toDouble(), 1.2346);
        QCOMPARE(db.scalar(QStringLiteral("SELECT sum(RMB) FROM tblOperateDetail")).toDouble(), 1.0);

        // The new rules hold.
        db.exec(QStringLiteral("INSERT INTO tblCustomers (CustId, SUser) VALUES ('A2', ?)"), {QString(30, QLatin1Char('v'))});
        StoreError::Kind kind{};
        QVERIFY(!refusalOf([&] { db.exec(QStringLiteral("INSERT INTO tblCustomers (CustName) VALUES ('无代码')")); }, &kind)
                     .isEmpty());
        QCOMPARE(kind, StoreError::Kind::Required);
        QVERIFY(!refusalOf([&] { db.exec(QStringLiteral("INSERT INTO tblCustomers (CustId) VALUES ('A1')")); }, &kind)
                     .isEmpty());
        QCOMPARE(kind, StoreError::Kind::Duplicate); // the old keys are still there
        db.exec(QStringLiteral("INSERT INTO tblCustomerState (CustID) VALUES (?)"), {QString(30, QLatin1Char('k'))});
        // Autonumbers go on past the deleted last row.
        db.exec(QStringLiteral("INSERT INTO tblLog (UserID, Operate) VALUES ('Admin', '新')"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT LogID FROM tblLog WHERE Operate = '新'")).toInt(), 4);
        // Indexes are back, and the new ones are there.
        const QString indexes = db.engine() == Engine::SQLite
                                    ? QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = ?")
                                    : QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexname = lower(?)");
        for (const char *index : {"i_tblCustomers_CustName", "i_tblOperates_Due", "i_tblOperateDetail_Settled", "i_tblCustomers_Level",
                                  "i_tblCustomers_Origin", "i_tblCustomers_Region", "i_tblCustomers_Created"})
            QVERIFY2(db.scalar(indexes, {QLatin1String(index)}).toInt() == 1, index);
        // The records are counted per agent (also for an agent that is gone), and the count
        // follows the records from now on.
        const auto counts = [&db] {
            QStringList out;
            QSqlQuery q = db.exec(QStringLiteral("SELECT CustID, Records FROM tblRecordCounts ORDER BY CustID"));
            while (q.next())
                out << q.value(0).toString() + QLatin1Char('=') + q.value(1).toString();
            return out;
        };
        QCOMPARE(counts(), QStringList({QStringLiteral("A1=2"), QStringLiteral("GONE=1")}));
        db.exec(QStringLiteral("INSERT INTO tblOperates (OperateID, CustID) VALUES ('R5', 'a1')"));
        db.exec(QStringLiteral("DELETE FROM tblOperates WHERE OperateID = 'R3'"));
        QCOMPARE(counts(), QStringList({QStringLiteral("A1=3"), QStringLiteral("GONE=0")}));
        // A code given as nothing at all is refused as missing, like an empty one.
        QVERIFY(!refusalOf([&] { db.exec(QStringLiteral("INSERT INTO tblCountry (CountryID, Memo) VALUES (NULL, '无')")); }, &kind)
                     .isEmpty());
        QCOMPARE(kind, StoreError::Kind::Required);

        // Opening again finds nothing to do; a reconnect too.
        told.clear();
        dm.reconnect(db.location());
        QVERIFY(told.isEmpty());
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toInt(), 2);
    }

    void storeThatCannotFollowIsLeftAsItWas_data() { testsupport::addEngineRows(); }
    void storeThatCannotFollowIsLeftAsItWas()
    {
        QFETCH(QString, engine);
        const QString appDir = oldStore(engine);
        const QString location = ServerFile::readFirstLine(appDir);
        {
            Connection db;
            db.open(location);
            db.exec(QStringLiteral("INSERT INTO tblCustomers (CustName) VALUES ('没有代码')"));
        }
        DataModule dm;
        StoreError::Kind kind{};
        const QString text = refusalOf([&] { dm.openAtStartup(appDir); }, &kind);
        QVERIFY2(text.contains(QStringLiteral("CustId")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("升级")), qPrintable(text));
        QCOMPARE(kind, StoreError::Kind::Required);
        QVERIFY(!dm.connection().isOpen());
        QCOMPARE(ServerFile::readFirstLine(appDir), location); // the store is still the one named

        Connection db;
        db.open(location);
        QCOMPARE(Upgrade::storedVersion(db), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT CustName FROM tblCustomers")).toString(), QStringLiteral("没有代码"));
    }

    // A store of the second format lacks the referrer indexes only (by referrer, and the
    // referrer list's order): they are made, the rows stay, and the version moves on.
    void secondFormatStoreGetsTheReferrerIndexes_data() { testsupport::addEngineRows(); }
    void secondFormatStoreGetsTheReferrerIndexes()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        const auto indexCount = [&](Connection &db) {
            return db.engine() == Engine::SQLite
                       ? db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND "
                                                  "name IN ('i_tblOperates_OperaterID', 'i_tblCustomers_OperaterID', "
                                                  "'i_tblOperaters_Order')"))
                             .toInt()
                       : db.scalar(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE schemaname = current_schema() "
                                                  "AND indexname IN ('i_tbloperates_operaterid', 'i_tblcustomers_operaterid', "
                                                  "'i_tbloperaters_order')"))
                             .toInt();
        };
        {
            auto db = s.connect();
            QCOMPARE(indexCount(*db), 3); // a new store has them from the start
            db->exec(QStringLiteral("DROP INDEX i_tblOperates_OperaterID"));
            db->exec(QStringLiteral("DROP INDEX i_tblCustomers_OperaterID"));
            db->exec(QStringLiteral("DROP INDEX i_tblOperaters_Order"));
            db->exec(QStringLiteral("UPDATE %1 SET Value = '2' WHERE Name = 'version'").arg(QLatin1String(Schema::InfoTable)));
            db->exec(QStringLiteral("INSERT INTO tblOperates (OperateID, OperaterID) VALUES ('R1', 'P1')"));
            QCOMPARE(indexCount(*db), 0);
        }
        DataModule dm;
        dm.openAtStartup(s.appDir());
        Connection &db = dm.connection();
        QCOMPARE(Upgrade::storedVersion(db), Schema::FormatVersion);
        QCOMPARE(indexCount(db), 3);
        QCOMPARE(db.scalar(QStringLiteral("SELECT OperaterID FROM tblOperates WHERE OperateID = 'R1'")).toString(),
                 QStringLiteral("P1"));
    }

    // A store of the fourth format lacks the indexes of the record list's sorts and of a
    // user's own lists: they are made, and the lists read by them.
    void fourthFormatStoreGetsTheListIndexes_data() { testsupport::addEngineRows(); }
    void fourthFormatStoreGetsTheListIndexes()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        const QStringList names{QStringLiteral("i_tblOperates_OperateID_Sort"),
                                QStringLiteral("i_tblOperates_CreateDate_Sort"),
                                QStringLiteral("i_tblOperates_WriteDate_Sort"),
                                QStringLiteral("i_tblOperates_EndDate_Sort"),
                                QStringLiteral("i_tblOperates_OperateStateID_Sort"),
                                QStringLiteral("i_tblOperates_SUser_OperateTitle"),
                                QStringLiteral("i_tblCustomers_SUser_CustName")};
        const auto indexCount = [&](Connection &db) {
            int n = 0;
            for (const QString &name : names)
                n += db.scalar(db.engine() == Engine::SQLite
                                   ? QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type "
                                                    "= 'index' AND name = ?")
                                   : QStringLiteral("SELECT count(*) FROM pg_indexes WHERE "
                                                    "schemaname = current_schema() "
                                                    "AND indexname = lower(?)"),
                               {name})
                         .toInt();
            return n;
        };
        {
            auto db = s.connect();
            QCOMPARE(indexCount(*db), int(names.size())); // a new store has them from the start
            for (const QString &name : names)
                db->exec(QStringLiteral("DROP INDEX %1").arg(name));
            db->exec(QStringLiteral("UPDATE %1 SET Value = '4' WHERE Name = 'version'")
                         .arg(QLatin1String(Schema::InfoTable)));
            db->exec(QStringLiteral(
                "INSERT INTO tblOperates (OperateID, SUser) VALUES ('R1', 'user1')"));
            QCOMPARE(indexCount(*db), 0);
        }
        DataModule dm;
        dm.openAtStartup(s.appDir());
        Connection &db = dm.connection();
        QCOMPARE(Upgrade::storedVersion(db), Schema::FormatVersion);
        QCOMPARE(indexCount(db), int(names.size()));
        QCOMPARE(db.scalar(QStringLiteral("SELECT SUser FROM tblOperates WHERE OperateID = 'R1'"))
                     .toString(),
                 QStringLiteral("user1"));
    }

    void fifthFormatStoreFindsItsRowsAfterTheUpgrade_data() { testsupport::addEngineRows(); }
    void fifthFormatStoreFindsItsRowsAfterTheUpgrade()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        const QString location =
            s.isServer() ? s.spareServerLocation() : s.appDir() + QStringLiteral("Data/Old.wdb");
        if (!s.isServer()) {
            QFile f(location);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        {
            Connection db;
            db.openUnchecked(location);
            db.transaction([&] {
                for (const QString &sql : fifthFormatStatements(db.engine()))
                    db.exec(sql);
                db.exec(QStringLiteral("INSERT INTO %1 (Name, Value) VALUES ('format', 'tessaly'), "
                                       "('version', '5')")
                            .arg(QLatin1String(Schema::InfoTable)));
                Seed::fill(db);
                db.exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES "
                                       "('A1', '王芳', 'Admin'), ('A2', '李明', 'Admin')"));
                db.exec(QStringLiteral(
                    "INSERT INTO tblOperates (OperateID, OperateTitle, CustID) VALUES "
                    "('R1', '合同', 'A2')"));
            });
        }
        ServerFile::write(s.appDir(), location);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        Connection &db = dm.connection();
        QCOMPARE(Upgrade::storedVersion(db), Schema::FormatVersion);
        // Every row has its search text, computed during the upgrade.
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT count(*) FROM tblCustomers WHERE SearchText IS NULL"))
                .toInt(),
            0);
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT count(*) FROM tblOperates WHERE SearchText IS NULL"))
                .toInt(),
            0);
        if (!s.isServer()) {
            // The column was added as a new store has it: the table was not built anew.
            const Table *agents = Schema::find(QStringLiteral("tblCustomers"));
            QCOMPARE(db.scalar(QStringLiteral(
                                   "SELECT sql FROM sqlite_master WHERE name = 'tblCustomers'"))
                         .toString(),
                     Schema::createTable(*agents, Engine::SQLite));
        }
        dm.tblCustomers.open();
        dm.tblCustomers.setSearch(QStringLiteral("WF"), {QStringLiteral("CustName")});
        dm.tblCustomers.readRest();
        QCOMPARE(dm.tblCustomers.rowCount(), 1);
        QCOMPARE(dm.tblCustomers.value(0, QStringLiteral("CustId")).toString(),
                 QStringLiteral("A1"));
        dm.tblOperates2.setSearch(QStringLiteral("liming"), {QStringLiteral("CustName")});
        dm.tblOperates2.readRest();
        QCOMPARE(dm.tblOperates2.rowCount(), 1);
    }

    void storeOfANewerFormatIsRefused()
    {
        testsupport::TempStore s(QStringLiteral("sqlite"));
        {
            auto db = s.connect();
            db->exec(QStringLiteral("UPDATE %1 SET Value = '99' WHERE Name = 'version'").arg(QLatin1String(Schema::InfoTable)));
        }
        Connection db;
        StoreError::Kind kind{};
        const QString text = refusalOf([&] { db.open(s.location()); }, &kind);
        QCOMPARE(kind, StoreError::Kind::NotAStore);
        QVERIFY2(text.contains(QStringLiteral("更新版本")), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
