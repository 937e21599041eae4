// The store's tables, refusals, letter-case rules, seed and passwords, on every engine.
#include "connection.h"
#include "dataset.h"
#include "money.h"
#include "newstore.h"
#include "passwords.h"
#include "schema.h"
#include "storeerror.h"
#include "teststore.h"

#include <QSet>
#include <QSqlRecord>
#include <QTest>
#include <sqlite3.h>

using namespace store;

// True when the first rows of `table` (narrowed by `where`) in a list's order by `column`
// (empty values first, the row `key` last) are read from `index` without sorting the table.
static bool readsIndexInOrder(Connection &db, const QString &table, const QString &where,
                              const QString &column, const QString &key, const QString &index)
{
    const bool pg = db.engine() == Engine::PostgreSQL;
    if (pg)
        db.exec(
            QStringLiteral("SET enable_sort = off")); // an empty table is sorted cheaply otherwise
    QSqlQuery q = db.exec(
        QStringLiteral("EXPLAIN %1SELECT * FROM %2%3 ORDER BY %4 ASC NULLS FIRST, %5 LIMIT 40")
            .arg(pg ? QString() : QStringLiteral("QUERY PLAN "), table, where, db.ident(column),
                 db.ident(key)));
    QString plan;
    while (q.next())
        plan += q.value(pg ? 0 : 3).toString() + QLatin1Char('\n');
    if (plan.contains(index, Qt::CaseInsensitive) && !plan.contains(QStringLiteral("TEMP B-TREE")))
        return true;
    qWarning("%s", qPrintable(plan));
    return false;
}

class TestSchema : public QObject
{
    Q_OBJECT

    static StoreError refusal(Connection &db, const QString &sql, const QVariantList &values)
    {
        try {
            db.exec(sql, values);
        } catch (const StoreError &e) {
            return e;
        }
        return StoreError(QStringLiteral("accepted"));
    }

private Q_SLOTS:
    void everyTableAndColumnExists_data() { testsupport::addEngineRows(); }
    void everyTableAndColumnExists()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        for (const Table &t : Schema::tables()) {
            QStringList cols;
            for (const QString &c : t.columnNames())
                cols << db->ident(c);
            QSqlQuery q = db->exec(QStringLiteral("SELECT %1 FROM %2 WHERE 1 = 0").arg(cols.join(QLatin1Char(',')), t.name));
            QCOMPARE(q.record().count(), int(t.columns.size()));
        }
    }

    // Each sortable column of the contact list has an index in the list's order (empty values
    // first, the row key last), so a header click reads its first rows without sorting them all.
    void contactListOrdersFollowAnIndex_data() { testsupport::addEngineRows(); }
    void contactListOrdersFollowAnIndex()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        for (const QString &column :
             {QStringLiteral("LinkmanID"), QStringLiteral("Name"), QStringLiteral("NickName"),
              QStringLiteral("Department"), QStringLiteral("Duty"), QStringLiteral("Main")})
            QVERIFY(readsIndexInOrder(*db, QStringLiteral("tblLinkmans"), {}, column,
                                      QStringLiteral("LNo"),
                                      QStringLiteral("i_tblLinkmans_%1_Sort").arg(column)));
    }

    // The record list sorts by each of its columns from an index, and a user's own records
    // and agents in list order are a range of the owner's index: no sort of the table.
    void recordAndOwnListOrdersFollowAnIndex_data() { testsupport::addEngineRows(); }
    void recordAndOwnListOrdersFollowAnIndex()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        for (const char *column :
             {"OperateID", "CreateDate", "WriteDate", "EndDate", "OperateStateID"})
            QVERIFY(readsIndexInOrder(
                *db, QStringLiteral("tblOperates"), {}, QLatin1String(column),
                QStringLiteral("RowKey"),
                QStringLiteral("i_tblOperates_%1_Sort").arg(QLatin1String(column))));
        // A constant: the server explains no statement with values to bind.
        const QString ownerWhere =
            QStringLiteral(" WHERE %1 = 'user1'").arg(db->ident(QStringLiteral("SUser")));
        for (const char *column :
             {"OperateTitle", "OperateID", "CreateDate", "WriteDate", "EndDate", "OperateStateID"})
            QVERIFY(readsIndexInOrder(
                *db, QStringLiteral("tblOperates"), ownerWhere, QLatin1String(column),
                QStringLiteral("RowKey"),
                QStringLiteral("i_tblOperates_SUser_%1").arg(QLatin1String(column))));
        for (const char *column : {"LinkmanID", "Name", "NickName", "Department", "Duty", "Main"})
            QVERIFY(readsIndexInOrder(
                *db, QStringLiteral("tblLinkmans"), ownerWhere, QLatin1String(column),
                QStringLiteral("LNo"),
                QStringLiteral("i_tblLinkmans_SUser_%1").arg(QLatin1String(column))));
        QVERIFY(readsIndexInOrder(*db, QStringLiteral("tblCustomers"), ownerWhere,
                                  QStringLiteral("CustName"), QStringLiteral("CNo"),
                                  QStringLiteral("i_tblCustomers_SUser_CustName")));
    }

    void refusalsNameTheColumnInChinese_data() { testsupport::addEngineRows(); }
    void refusalsNameTheColumnInChinese()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();

        StoreError e = refusal(*db, QStringLiteral("INSERT INTO tblCustLevel (LevelID, LevelName, Memo) VALUES (?, ?, ?)"),
                               {QStringLiteral("Z"), QStringLiteral("新级别"), QString()});
        QCOMPARE(e.kind(), StoreError::Kind::Required);
        QCOMPARE(e.column(), QStringLiteral("Memo"));
        QVERIFY(e.text().contains(QStringLiteral("不能为空")));

        e = refusal(*db, QStringLiteral("INSERT INTO tblCustLevel (LevelID, LevelName, Memo) VALUES (?, ?, ?)"),
                    {QStringLiteral("Z"), QStringLiteral("新级别"), QStringLiteral("")});
        QCOMPARE(e.kind(), StoreError::Kind::Required);

        // A description of blanks counts as filled.
        db->exec(QStringLiteral("INSERT INTO tblCustLevel (LevelID, LevelName, Memo) VALUES (?, ?, ?)"),
                 {QStringLiteral("Z"), QStringLiteral("新级别"), QStringLiteral("  ")});

        // Codes are unique without regard to letter case.
        e = refusal(*db, QStringLiteral("INSERT INTO tblCustLevel (LevelID, LevelName, Memo) VALUES (?, ?, ?)"),
                    {QStringLiteral("z"), QStringLiteral("重复"), QStringLiteral("说明")});
        QCOMPARE(e.kind(), StoreError::Kind::Duplicate);
        QCOMPARE(e.table(), QStringLiteral("tblCustLevel"));
        QCOMPARE(e.column(), QStringLiteral("LevelID"));
        QVERIFY(e.text().contains(QStringLiteral("已存在")));

        e = refusal(*db, QStringLiteral("INSERT INTO tblCustomers (CustId, CustName) VALUES (?, ?)"),
                    {QStringLiteral("A1"), QString(51, QChar(0x4E2D))});
        QCOMPARE(e.kind(), StoreError::Kind::TooLong);
        QCOMPARE(e.column(), QStringLiteral("CustName"));
        QVERIFY(e.text().contains(QStringLiteral("50")));
        // Exactly the width is fine, in Chinese characters too.
        db->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName) VALUES (?, ?)"),
                 {QStringLiteral("A1"), QString(50, QChar(0x4E2D))});

        // A detail number is unique within its record only.
        const QString item = QStringLiteral("INSERT INTO tblOperateDetail (OperateID, DetailNo, DTitle) VALUES (?, ?, ?)");
        db->exec(item, {QStringLiteral("R1"), QStringLiteral("1"), QStringLiteral("首项")});
        db->exec(item, {QStringLiteral("R2"), QStringLiteral("1"), QStringLiteral("首项")});
        e = refusal(*db, item, {QStringLiteral("R1"), QStringLiteral("1"), QStringLiteral("重复")});
        QCOMPARE(e.kind(), StoreError::Kind::Duplicate);
        QCOMPARE(e.column(), QStringLiteral("DetailNo"));
    }

    void namesAndTextsIgnoreLetterCase_data() { testsupport::addEngineRows(); }
    void namesAndTextsIgnoreLetterCase()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        db->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES (?, ?, ?)"),
                 {QStringLiteral("AbC"), QStringLiteral("甲"), QStringLiteral("Admin")});
        for (const char *sql : {"SELECT CustName FROM tblCustomers WHERE custID = ?",
                                "SELECT custname FROM TBLCUSTOMERS WHERE CUSTID = ?",
                                "SELECT CustName FROM tblCustomers WHERE CustId = ? AND sUser = 'admin'"}) {
            QCOMPARE(db->scalar(QString::fromLatin1(sql), {QStringLiteral("abc")}).toString(), QStringLiteral("甲"));
        }
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblCustomers WHERE CustName LIKE ?"),
                            {QStringLiteral("%甲%")}).toInt(), 1);
    }

    // The store's own case-blind comparison orders as the program's does, in every script: a
    // common start, a difference inside a character of several bytes, a case difference after
    // Chinese or Greek text, and one string the start of the other.
    void storeComparesWithoutLetterCaseAsTheProgramDoes()
    {
        testsupport::TempStore s(QStringLiteral("sqlite"));
        auto db = s.connect();
        const QList<std::pair<const char *, const char *>> pairs{
            {"abc", "ABC"},   {"abc", "abd"},    {"中A", "中a"},       {"中文", "中文字"}, {"中", "丰"},
            {"x中", "X丰"},   {"ab中", "AB中"},  {"Σίσυφος", "ΣΊΣΥΦΟΣ"}, {"ÄB", "äc"},     {"éa", "éB"},
            {"代理7", "代理10"}, {"", "a"},       {"a", ""},            {"甲乙", "甲乙"},   {"é", "e"}};
        const auto sign = [](int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
        for (const auto &[left, right] : pairs) {
            const QString a = QString::fromUtf8(left), b = QString::fromUtf8(right);
            const int stored = db->scalar(QStringLiteral("SELECT CASE WHEN ? < ? COLLATE NOCASE THEN -1 "
                                                         "WHEN ? = ? COLLATE NOCASE THEN 0 ELSE 1 END"),
                                          {a, b, a, b})
                                   .toInt();
            QVERIFY2(stored == sign(a.compare(b, Qt::CaseInsensitive)), qPrintable(a + u" / " + b));
        }
    }

    void newStoreHoldsTheSeed_data() { testsupport::addEngineRows(); }
    void newStoreHoldsTheSeed()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblUser")).toInt(), 1);
        QSqlQuery admin = db->exec(QStringLiteral("SELECT UserID, State, Sys, Password FROM tblUser"));
        QVERIFY(admin.next());
        QCOMPARE(admin.value(0).toString(), QStringLiteral("Admin"));
        QCOMPARE(admin.value(1).toString(), QStringLiteral("Yes"));
        QVERIFY(admin.value(2).toBool());
        QVERIFY(admin.value(3).toString() != QLatin1String(Passwords::Initial));

        // Every right, every flag.
        QSet<QString> rights;
        QSqlQuery r = db->exec(QStringLiteral("SELECT RightID FROM tblUserRight WHERE UserID = 'Admin' AND %1 AND %2 AND %3 AND %4 AND %5")
                                   .arg(db->ident(QStringLiteral("Insert")), db->ident(QStringLiteral("Modify")),
                                        db->ident(QStringLiteral("Delete")), db->ident(QStringLiteral("Query")),
                                        db->ident(QStringLiteral("Print"))));
        while (r.next())
            rights.insert(r.value(0).toString());
        for (const char *code : {"101", "107", "201", "212", "301", "307", "401", "414", "501", "503"})
            QVERIFY2(rights.contains(QLatin1String(code)), code);
        QCOMPARE(rights.size(), 7 + 12 + 7 + 14 + 3);

        QVERIFY(db->scalar(QStringLiteral("SELECT count(DISTINCT ColorID) FROM tblColor")).toInt() >= 16);
        QCOMPARE(db->scalar(QStringLiteral("SELECT CountryName FROM tblCountry WHERE CountryID = 'China'")).toString(),
                 QStringLiteral("中国"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblCustDist WHERE CountryID = 'China'")).toInt(), 34);
        QCOMPARE(db->scalar(QStringLiteral("SELECT Rate FROM tblCurrencyRate WHERE CurrID = 'RMB'")).toDouble(), 1.0);
        QVERIFY(db->scalar(QStringLiteral("SELECT count(*) FROM tblFinanceOrgan")).toInt() >= 5);
        for (const char *t : {"tblCustLevel", "tblCustOrigin", "tblCustState", "tblVocation", "tblOperateType",
                              "tblOperateOrigin", "tblOperateState", "tblDepartment"})
            QVERIFY2(db->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(t))).toInt() >= 2, t);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblUserInfo")).toInt(), 0);
    }

    void newStoreRefusesAnExistingStore_data() { testsupport::addEngineRows(); }
    void newStoreRefusesAnExistingStore()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        {
            auto db = s.connect();
            db->exec(QStringLiteral("INSERT INTO tblLog (LogDateTime, UserID, Operate) VALUES ('x', 'Admin', 'kept')"));
        }
        QVERIFY_THROWS_EXCEPTION(StoreError, NewStore::create(s.location()));
        auto db = s.connect();
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblLog WHERE Operate = 'kept'")).toInt(), 1);
    }

    void passwordsAreHashedAndCompared_data() { testsupport::addEngineRows(); }
    void passwordsAreHashedAndCompared()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        QVERIFY(Passwords::verify(*db, QStringLiteral("Admin"), QStringLiteral("508316")));
        QVERIFY(Passwords::verify(*db, QStringLiteral("aDMIN"), QStringLiteral("508316"))); // ID without case
        QVERIFY(!Passwords::verify(*db, QStringLiteral("Admin"), QStringLiteral("508317")));
        QVERIFY(!Passwords::verify(*db, QStringLiteral("Admin"), QString()));
        QVERIFY(!Passwords::verify(*db, QStringLiteral("nobody"), QStringLiteral("508316")));

        QVERIFY(Passwords::set(*db, QStringLiteral("admin"), QStringLiteral("Geheim密码")));
        QVERIFY(Passwords::verify(*db, QStringLiteral("Admin"), QStringLiteral("Geheim密码")));
        QVERIFY(!Passwords::verify(*db, QStringLiteral("Admin"), QStringLiteral("geheim密码"))); // exact
        QVERIFY(!Passwords::verify(*db, QStringLiteral("Admin"), QStringLiteral("508316")));
        QVERIFY(!Passwords::set(*db, QStringLiteral("nobody"), QStringLiteral("x")));
        const QString stored = db->scalar(QStringLiteral("SELECT Password FROM tblUser")).toString();
        QVERIFY(stored.startsWith(QStringLiteral("$argon2id$")));
        QVERIFY(!stored.contains(QStringLiteral("Geheim")));
    }

    // Every record, dictionary and user code is refused when NULL or empty, naming its column,
    // whichever way the row arrives.
    void codesAreNeverEmpty_data() { testsupport::addEngineRows(); }
    void codesAreNeverEmpty()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        const struct
        {
            const char *table, *column;
        } codes[] = {{"tblCustomers", "CustId"},      {"tblLinkmans", "LinkmanID"},   {"tblOperates", "OperateID"},
                     {"tblOperaters", "OperaterID"},  {"tblUser", "UserID"},          {"tblOperateDetail", "DetailNo"},
                     {"tblCountry", "CountryID"},     {"tblCustDist", "DistID"},      {"tblCustLevel", "LevelID"},
                     {"tblCustOrigin", "OriginID"},   {"tblCustState", "StateID"},    {"tblVocation", "VocationId"},
                     {"tblOperateType", "TypeID"},    {"tblOperateOrigin", "OriginID"},
                     {"tblOperateState", "OperateStateID"}, {"tblDepartment", "DepartmentID"},
                     {"tblFinanceOrgan", "OrganID"},  {"tblCurrencyRate", "CurrID"}};
        for (const auto &c : codes) {
            const Table *t = Schema::find(QLatin1String(c.table));
            // Everything else a row of the table needs, so that only the code can be refused.
            const bool memo = t->column(QStringLiteral("Memo")) && t->column(QStringLiteral("Memo"))->required;
            const QString sql = memo ? QStringLiteral("INSERT INTO %1 (%2, Memo) VALUES (?, '说明')")
                                     : QStringLiteral("INSERT INTO %1 (%2) VALUES (?)");
            for (const QVariant &empty : {QVariant(QMetaType::fromType<QString>()), QVariant(QString())}) {
                const StoreError e = refusal(*db, sql.arg(QLatin1String(c.table), db->ident(QLatin1String(c.column))), {empty});
                QVERIFY2(e.kind() == StoreError::Kind::Required, c.column);
                QCOMPARE(e.column(), QLatin1String(c.column));
                QVERIFY(e.text().contains(QLatin1String(c.column)));
            }
        }
        // A row of blanks is a code like any other.
        db->exec(QStringLiteral("INSERT INTO tblCustomers (CustId) VALUES ('  ')"));
    }

    // A user ID and an agent code fit wherever they are held: SUser, the rights and log rows,
    // the agent-contact entries.
    void userIdsAndAgentCodesFitEverywhere_data() { testsupport::addEngineRows(); }
    void userIdsAndAgentCodesFitEverywhere()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        const QString user(30, QLatin1Char('u')), agent(30, QChar(0x4EE3));
        db->exec(QStringLiteral("INSERT INTO tblUser (UserID, SUser) VALUES (?, ?)"), {user, user});
        db->exec(QStringLiteral("INSERT INTO tblUserRight (UserID, RightID) VALUES (?, '301')"), {user});
        db->exec(QStringLiteral("INSERT INTO tblLog (UserID, Operate) VALUES (?, '登录')"), {user});
        db->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, SUser) VALUES (?, ?)"), {agent, user});
        db->exec(QStringLiteral("INSERT INTO tblCustomerState (CustID) VALUES (?)"), {agent});
        db->exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, SUser) VALUES ('L1', ?, ?)"), {agent, user});
        db->exec(QStringLiteral("INSERT INTO tblOperates (OperateID, CustID, SUser) VALUES ('R1', ?, ?)"), {agent, user});
        db->exec(QStringLiteral("INSERT INTO tblOperaters (OperaterID, SUser) VALUES ('P1', ?)"), {user});
        db->exec(QStringLiteral("INSERT INTO tblPlan (CustID) VALUES (?)"), {agent});
        db->exec(QStringLiteral("INSERT INTO tblCustomerAddInfo (CustID) VALUES (?)"), {agent});
        for (const Table &t : Schema::tables())
            for (const Column &c : t.columns)
                if (c.name == QLatin1String("SUser") || c.name == QLatin1String("UserID") ||
                    c.name.compare(QLatin1String("CustID"), Qt::CaseInsensitive) == 0)
                    QVERIFY2(c.width >= 30, qPrintable(t.name + QLatin1Char('.') + c.name));
        const StoreError e = refusal(*db, QStringLiteral("INSERT INTO tblCustomers (CustId, SUser) VALUES ('Y', ?)"),
                                     {QVariant(user + QLatin1Char('u'))});
        QCOMPARE(e.kind(), StoreError::Kind::TooLong);
    }

    // Money is stored to four decimals and added exactly: a ledger of many small items comes
    // out to the last decimal on both engines, and amounts beyond what is exact are refused.
    void moneyIsExactToFourDecimals_data() { testsupport::addEngineRows(); }
    void moneyIsExactToFourDecimals()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        db->exec(QStringLiteral("INSERT INTO tblOperates (OperateID, RMB, CompactAmount, InOrOut) VALUES ('R1', 1000.3, 0.3, '收款')"));
        Dataset items(*db, QStringLiteral("items"));
        items.setTable(QStringLiteral("tblOperateDetail"));
        items.open();
        for (int i = 1; i <= 3000; ++i) {
            items.append();
            items.setValue(QStringLiteral("OperateID"), QStringLiteral("R1"));
            items.setValue(QStringLiteral("DetailNo"), QString::number(i));
            items.setValue(QStringLiteral("RMB"), i % 3 == 0 ? 0.7 : 0.1); // 1000 × 0.7 + 2000 × 0.1
            items.setValue(QStringLiteral("Price"), 0.1 + 0.2);
            items.post();
        }
        QCOMPARE(db->scalar(QStringLiteral("SELECT sum(RMB) FROM tblOperateDetail")).toDouble(), 900.0);
        QCOMPARE(db->scalar(QStringLiteral("SELECT sum(Price) FROM tblOperateDetail")).toDouble(), 900.0);
        QCOMPARE(db->scalar(QStringLiteral("SELECT tblOperates.RMB - sum(tblOperateDetail.RMB) FROM tblOperates "
                                           "INNER JOIN tblOperateDetail ON tblOperates.OperateID = tblOperateDetail.OperateID "
                                           "GROUP BY tblOperates.OperateID, tblOperates.RMB"))
                     .toDouble(),
                 100.3);
        QCOMPARE(db->scalar(QStringLiteral("SELECT Price FROM tblOperateDetail WHERE DetailNo = '1'")).toDouble(), 0.3);
        // Integers still add up as integers; an empty sum is empty.
        const QVariant whole = db->scalar(QStringLiteral("SELECT sum(x) FROM (SELECT 1 AS x UNION ALL SELECT 2) q"));
        QCOMPARE(whole.toLongLong(), 3);
        QVERIFY(whole.typeId() != QMetaType::Double);
        QVERIFY(db->scalar(QStringLiteral("SELECT sum(RMB) FROM tblOperateDetail WHERE 1 = 0")).isNull());

        items.append();
        items.setValue(QStringLiteral("DetailNo"), QStringLiteral("x"));
        items.setValue(QStringLiteral("RMB"), 12.34567);
        QCOMPARE(items.value(QStringLiteral("RMB")).toDouble(), 12.3457); // to four decimals as typed
        try {
            items.setValue(QStringLiteral("DTotal"), 1e11);
            QFAIL("an amount beyond the money range was taken");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::OutOfRange);
            QCOMPARE(e.column(), QStringLiteral("DTotal"));
        }
        items.post();
        QCOMPARE(db->scalar(QStringLiteral("SELECT RMB FROM tblOperateDetail WHERE DetailNo = 'x'")).toDouble(), 12.3457);
        const StoreError e = refusal(*db, QStringLiteral("UPDATE tblOperates SET RMB = ?"), {-2e11});
        QCOMPARE(e.kind(), StoreError::Kind::OutOfRange);
        QCOMPARE(e.column(), QStringLiteral("RMB"));

        QCOMPARE(Money::text(0.1 + 0.2), QStringLiteral("0.30"));
        QCOMPARE(Money::text(99999999999.9999), QStringLiteral("99999999999.9999"));
        QCOMPARE(Money::text(-0.00004), QStringLiteral("0.00"));
        QCOMPARE(Money::text(7), QStringLiteral("7.00"));
        QCOMPARE(Money::text(1.125), QStringLiteral("1.125"));

        // Sums beyond what a double holds to four decimals stay exact to the cent.
        Money::Total total, naive;
        double plain = 0;
        for (int i = 0; i < 700000; ++i) {
            total.add(12345678.1234 + 0.0001 * (i % 7));
            plain += 12345678.1234 + 0.0001 * (i % 7);
        }
        QCOMPARE(Money::fixed2(total.value()), QStringLiteral("8641974686590.00"));
        QVERIFY(Money::fixed2(plain) != Money::fixed2(total.value()));
        naive.add(qQNaN());
        QCOMPARE(naive.value(), 0.0);
    }

    // SQLite keeps the state of a sum where it likes, in memory aligned to 8 bytes only (here:
    // lookaside slots from an address 8 past a multiple of 16); sums of money and of other
    // reals (a third of an amount, the difference of two amounts) still add up.
    void sumsAddUpInAnyMemorySqliteGives()
    {
        testsupport::TempStore s(QStringLiteral("sqlite"));
        auto db = s.connect();
        alignas(16) static char slots[136 * 64 + 8];
        QCOMPARE(
            sqlite3_db_config(db->sqliteHandle(), SQLITE_DBCONFIG_LOOKASIDE, slots + 8, 136, 64),
            SQLITE_OK);
        const QString sql = QStringLiteral(
            "SELECT sum(a), sum(b / 3), total(a / 3), sum(a - b) FROM (SELECT 0.25 AS a, 1.5 AS b "
            "UNION ALL SELECT 2.5, 0.75 UNION ALL SELECT 1234.56, 1000.12) q");
        for (int run = 0; run < 3; ++run) {
            QSqlQuery q = db->exec(sql);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toDouble(), 1237.31);
            QCOMPARE(q.value(1).toDouble(), 1002.37 / 3);
            QCOMPARE(q.value(2).toDouble(), 1237.31 / 3);
            QCOMPARE(q.value(3).toDouble(), 234.94);
        }
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
