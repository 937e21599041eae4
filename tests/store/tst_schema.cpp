// The store's tables, refusals, letter-case rules, seed and passwords, on every engine.
#include "connection.h"
#include "newstore.h"
#include "passwords.h"
#include "schema.h"
#include "storeerror.h"
#include "teststore.h"

#include <QSet>
#include <QSqlRecord>
#include <QTest>

using namespace store;

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
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
