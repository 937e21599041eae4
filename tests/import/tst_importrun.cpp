// The import engine on both engines: columns matched to fields, every row checked before
// anything is stored, codes already stored skipped or updated, possible duplicates, the
// ownership rule, one transaction (cancel, failure, a file gone), and the report.
#include "agentimport.h"
#include "connection.h"
#include "contactimport.h"
#include "importfiles.h"
#include "importrun.h"
#include "mapping.h"
#include "referrerimport.h"
#include "sheetreader.h"
#include "storeerror.h"
#include "teststore.h"
#include "testusers.h"

#include <QDate>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using importing::CheckResult;
using importing::ImportRun;

namespace
{

QByteArray csvLine(const QStringList &fields)
{
    QStringList out;
    for (QString f : fields) {
        if (f.contains(u',') || f.contains(u'"') || f.contains(u'\n')) {
            f.replace(u"\""_s, u"\"\""_s);
            f = u'"' + f + u'"';
        }
        out << f;
    }
    return out.join(u',').toUtf8() + "\r\n";
}

// A store, the connection an import works on, and files in a folder of their own.
struct Seat {
    explicit Seat(const QString &engine) : store(engine), db(store.connect()) {}
    testsupport::TempStore store;
    std::unique_ptr<store::Connection> db;
    QTemporaryDir dir;

    QString csv(const QString &name, const QList<QStringList> &rows)
    {
        QByteArray bytes = "\xEF\xBB\xBF";
        for (const QStringList &r : rows)
            bytes += csvLine(r);
        const QString path = dir.filePath(name);
        importfiles::writeBytes(path, bytes);
        return path;
    }
    void exec(const QString &sql, const QVariantList &values = {}) { db->exec(sql, values); }
    QVariant scalar(const QString &sql, const QVariantList &values = {})
    {
        return db->scalar(sql, values);
    }
    void addAgent(const QString &code, const QString &name, const QString &owner = u"Admin"_s,
                  const QString &phone = {}, const QString &email = {})
    {
        exec(
            u"INSERT INTO tblCustomers (CustId, CustName, SUser, Telephone, Email) VALUES (?,?,?,?,?)"_s,
            {code, name, owner, phone.isEmpty() ? QVariant() : phone,
             email.isEmpty() ? QVariant() : email});
    }
    QString agent(const QString &code, const QString &column)
    {
        return scalar(u"SELECT %1 FROM tblCustomers WHERE CustId = ?"_s.arg(db->ident(column)),
                      {code})
            .toString();
    }
    int count(const QString &table) { return scalar(u"SELECT COUNT(*) FROM "_s + table).toInt(); }
};

// Reads the file's header, maps its columns as the wizard does first, and checks it.
CheckResult check(ImportRun &run, const importing::ImportList &list, const QString &file,
                  const importing::Progress &progress = {})
{
    auto reader = importing::SheetReader::openFile(file);
    importing::Mapping mapping(list, ImportRun::readHeader(*reader));
    mapping.match({});
    run.setMapping(mapping);
    return run.check(*reader, reader->defaultSheet(), progress);
}

QString problemAt(const CheckResult &r, qint64 row)
{
    QStringList texts;
    for (const auto &p : r.problems)
        if (p.row == row)
            texts << p.text;
    return texts.join(u" | "_s);
}

} // namespace

class TestImportRun : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void columnsMatchCaptionsThenNames();
    void mappingsRememberedPerUserAndList();
    void everyRowChecked_data() { testsupport::addEngineRows(); }
    void everyRowChecked();
    void storedCodesSkippedOrUpdated_data() { testsupport::addEngineRows(); }
    void storedCodesSkippedOrUpdated();
    void manyStoredCodesUpdated_data() { testsupport::addEngineRows(); }
    void manyStoredCodesUpdated();
    void possibleDuplicates_data() { testsupport::addEngineRows(); }
    void possibleDuplicates();
    void ownershipRule_data() { testsupport::addEngineRows(); }
    void ownershipRule();
    void referrersAndContacts_data() { testsupport::addEngineRows(); }
    void referrersAndContacts();
    void allOrNothing_data() { testsupport::addEngineRows(); }
    void allOrNothing();
    void reportAsCsv_data() { testsupport::addEngineRows(); }
    void reportAsCsv();
};

void TestImportRun::columnsMatchCaptionsThenNames()
{
    const importing::ImportList list = agentImportList();
    importing::Mapping m(list, {u"代理编号"_s, u" 代理 名称："_s, u"EMAIL邮箱"_s, u"telephone"_s,
                                u"VocationName"_s, u"无关的列"_s, u"代理编号"_s, QString()});
    m.match({});
    const auto field = [&](int column) {
        const int f = m.fieldOf(column);
        return f < 0 ? QString() : list.fields[f].field;
    };
    QCOMPARE(field(0), u"CustId"_s);
    QCOMPARE(field(1), u"CustName"_s);   // the editor's label, blanks and colon aside
    QCOMPARE(field(2), u"Email"_s);      // letter case aside
    QCOMPARE(field(3), u"Telephone"_s);  // the column's own name
    QCOMPARE(field(4), u"VocationID"_s); // the display field's name
    QCOMPARE(field(5), QString());
    QCOMPARE(field(6), QString()); // a field is filled by one column only
    QCOMPARE(field(7), QString());
    QVERIFY(m.missingRequired().isEmpty());
    m.set(6, m.fieldOf(0)); // the user moves the code to the second code column
    QCOMPARE(field(0), QString());
    QCOMPARE(field(6), u"CustId"_s);
    m.set(6, -1);
    QCOMPARE(m.missingRequired(), QStringList{u"代理编号"_s});
    // A choice remembered for a header wins over the caption, for every column so headed.
    m.match({{importing::Mapping::normalise(u"代理编号"_s), QString()},
             {importing::Mapping::normalise(u"无关的列"_s), u"Memo"_s}});
    QCOMPARE(field(0), QString());
    QCOMPARE(field(5), u"Memo"_s);
    QCOMPARE(field(6), QString());
    QCOMPARE(field(1), u"CustName"_s);
}

void TestImportRun::mappingsRememberedPerUserAndList()
{
    QTemporaryDir dir;
    importing::MappingMemory memory(dir.filePath(u"m.ini"_s));
    memory.save(u"Admin"_s, u"商务代理资料"_s,
                {{u"编号/代码"_s, u"CustId"_s}, {u"x"_s, QString()}});
    memory.save(u"Admin"_s, u"商务代理资料"_s, {{u"y"_s, u"Memo"_s}});
    memory.save(u"user1"_s, u"联系人资料"_s, {{u"编号/代码"_s, u"LinkmanID"_s}});
    const QHash<QString, QString> admin = memory.load(u"admin"_s, u"商务代理资料"_s);
    QCOMPARE(admin.value(u"编号/代码"_s), u"CustId"_s);
    QVERIFY(admin.contains(u"x"_s) && admin.value(u"x"_s).isEmpty());
    QCOMPARE(admin.value(u"y"_s), u"Memo"_s);
    QVERIFY(memory.load(u"user1"_s, u"商务代理资料"_s).isEmpty());
    QCOMPARE(memory.load(u"user1"_s, u"联系人资料"_s).value(u"编号/代码"_s), u"LinkmanID"_s);
}

void TestImportRun::everyRowChecked()
{
    QFETCH(QString, engine);
    Seat s(engine);
    s.addAgent(u"A001"_s, u"已有代理"_s);
    s.exec(
        u"INSERT INTO tblOperaters (OperaterID, Name) VALUES ('R1', '王五'), ('R2', '张三'), ('R3', '张三')"_s);
    const QString file =
        s.csv(u"a.csv"_s,
              {
                  {u"代理编号"_s, u"商务代理名称"_s, u"行业类型"_s, u"建档日期"_s, u"邮政编码"_s,
                   u"推荐人/单位"_s},
                  {u"N001"_s, u"新代理"_s, u"制造业"_s, u"2024-05-01"_s, u""_s, u"王五"_s}, // 2
                  {u"N002"_s, u"第二"_s, u"03"_s, u"2024/5/2"_s, u""_s, u"r2"_s},           // 3
                  {u""_s, u"无编号"_s},                                                     // 4
                  {u"N004"_s, u""_s},                                                       // 5
                  {u"N005"_s, u"名称"_s, u"不存在的行业"_s},                                // 6
                  {u"N006"_s, u"名称"_s, u""_s, u"2024-13-45"_s},                           // 7
                  {u"N007"_s, u"名称"_s, u""_s, u""_s, u"123456789012345678901"_s},         // 8
                  {u"n002"_s, u"重复"_s},                                                   // 9
                  {u"a001"_s, u"已有"_s},                                                   // 10
                  {u"a/b"_s, u"斜杠"_s},                                                    // 11
                  {u"N010"_s, u"名称"_s, u""_s, u""_s, u""_s, u"张三"_s},                   // 12
              });
    ImportRun run(*s.db, agentImportList(), u"Admin"_s, true);
    const CheckResult r = check(run, agentImportList(), file);
    QCOMPARE(r.rows, 11);
    QCOMPARE(r.problemRows, 8);
    QCOMPARE(r.existingRows, 1);
    QVERIFY(problemAt(r, 2).isEmpty());
    QVERIFY(problemAt(r, 3).isEmpty());
    QCOMPARE(problemAt(r, 4), u"代理编号不能为空"_s);
    QCOMPARE(problemAt(r, 5), u"商务代理名称不能为空"_s);
    QVERIFY2(problemAt(r, 6).startsWith(u"行业类型“不存在的行业”找不到"_s),
             qPrintable(problemAt(r, 6)));
    QVERIFY(problemAt(r, 7).startsWith(u"建档日期“2024-13-45”不是可识别的日期"_s));
    QCOMPARE(problemAt(r, 8), u"邮政编码太长：最多 20 个字，这里有 21 个字"_s);
    QCOMPARE(problemAt(r, 9), u"代码“n002”与第 3 行重复"_s);
    QVERIFY(problemAt(r, 10).isEmpty());
    QVERIFY(problemAt(r, 11).contains(u"不能用作文件夹名称"_s));
    QVERIFY(problemAt(r, 12).contains(u"对应多个同名条目"_s));
    // Each problem names its column of the file.
    for (const auto &p : r.problems)
        if (p.row == 7)
            QCOMPARE(p.column, 3);
    // The preview shows the rows as they will be stored: codes for names.
    QCOMPARE(r.preview.size(), 11);
    QCOMPARE(r.preview[0].values,
             (QVector<QVariant>{u"N001"_s, u"新代理"_s, u"01"_s, QDate(2024, 5, 1), {}, u"R1"_s}));
    QCOMPARE(r.preview[1].values[2], QVariant(u"03"_s));
    QCOMPARE(r.preview[1].values[5], QVariant(u"R2"_s));
    QVERIFY(r.preview[8].existing && !r.preview[8].problem);

    // With problems, nothing is stored unless the rows with problems are left out.
    QVERIFY_THROWS_EXCEPTION(importing::ReadError, run.store({}));
    QCOMPARE(s.count(u"tblCustomers"_s), 1);
    importing::StoreChoices leaveOut;
    leaveOut.leaveOutProblems = true;
    const importing::StoreOutcome o = run.store(leaveOut);
    QCOMPARE(o.added, 2);
    QCOMPARE(o.updated, 0);
    QCOMPARE(o.leftOut, 9);
    QCOMPARE(o.leftOutBy.value(u"有问题"_s), 8);
    QCOMPARE(o.leftOutBy.value(u"代码已存在"_s), 1);
    QCOMPARE(o.addedCodes, (QStringList{u"N001"_s, u"N002"_s}));
    QCOMPARE(s.count(u"tblCustomers"_s), 3);
    QCOMPARE(s.agent(u"N001"_s, u"VocationID"_s), u"01"_s);
    QCOMPARE(s.agent(u"N001"_s, u"OperaterID"_s), u"R1"_s);
    QCOMPARE(s.agent(u"N001"_s, u"SUser"_s), u"Admin"_s);
    QCOMPARE(s.agent(u"N001"_s, u"CreateDate"_s).left(10), u"2024-05-01"_s);
    QCOMPARE(s.agent(u"N002"_s, u"CreateDate"_s).left(10), u"2024-05-02"_s);
    QVERIFY(s.scalar(u"SELECT PostCode FROM tblCustomers WHERE CustId = 'N001'"_s).isNull());
    QCOMPARE(s.agent(u"A001"_s, u"CustName"_s), u"已有代理"_s);
}

void TestImportRun::storedCodesSkippedOrUpdated()
{
    QFETCH(QString, engine);
    for (const bool update : {false, true}) {
        Seat s(engine);
        s.addAgent(u"A001"_s, u"旧名"_s, u"user9"_s, u"010-1"_s);
        s.exec(u"UPDATE tblCustomers SET Address = '旧址', MainLinkman = '老王'"_s);
        const QString file =
            s.csv(u"u.csv"_s, {{u"代理编号"_s, u"商务代理名称"_s, u"联系电话"_s, u"主要联系人"_s},
                               {u"a001"_s, u"新名"_s, u"020-2"_s, u""_s},
                               {u"B001"_s, u"新代理"_s, u""_s, u""_s}});
        ImportRun run(*s.db, agentImportList(), u"Admin"_s, true);
        const CheckResult r = check(run, agentImportList(), file);
        QCOMPARE(r.existingRows, 1);
        importing::StoreChoices choices;
        choices.updateExisting = update;
        const importing::StoreOutcome o = run.store(choices);
        QCOMPARE(o.added, 1);
        QCOMPARE(o.updated, update ? 1 : 0);
        QCOMPARE(o.leftOut, update ? 0 : 1);
        QCOMPARE(s.agent(u"A001"_s, u"CustName"_s), update ? u"新名"_s : u"旧名"_s);
        QCOMPARE(s.agent(u"A001"_s, u"Telephone"_s), update ? u"020-2"_s : u"010-1"_s);
        // The listed fields are updated, an empty cell included; the others stay; so does the
        // owner.
        QCOMPARE(s.agent(u"A001"_s, u"MainLinkman"_s), update ? QString() : u"老王"_s);
        QCOMPARE(s.agent(u"A001"_s, u"Address"_s), u"旧址"_s);
        QCOMPARE(s.agent(u"A001"_s, u"SUser"_s), u"user9"_s);
        QCOMPARE(s.agent(u"A001"_s, u"RowVer"_s).toInt(), update ? 1 : 0);
        QCOMPARE(s.count(u"tblCustomers"_s), 2);
        // Added and updated rows come with their search texts, the new name in them.
        QCOMPARE(s.scalar(u"SELECT count(*) FROM tblCustomers WHERE SearchText IS NULL"_s).toInt(),
                 0);
        QVERIFY(s.agent(u"A001"_s, u"SearchText"_s).startsWith(update ? u"新名"_s : u"旧名"_s));
    }
}

// Stored codes updated many to a statement: every row of its code, letter case aside, with
// empty cells stored as empty, each row's version raised once; codes whose row went away between
// the check and the store are left out and named, wherever they fall among the rows.
void TestImportRun::manyStoredCodesUpdated()
{
    QFETCH(QString, engine);
    Seat s(engine);
    constexpr int Count = 6000; // codes looked up, and rows updated, over several statements
    s.exec(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
           "INSERT INTO tblCustomers (CustId, CustName, Telephone, CreateDate, SUser) "
           "SELECT 'A' || (10000 + i), '旧名', '010', ?, 'Admin' FROM n"_s.arg(Count),
           {QDate(2020, 1, 1)});
    QList<QStringList> rows{{u"代理编号"_s, u"商务代理名称"_s, u"联系电话"_s, u"建档日期"_s}};
    for (int i = 1; i <= Count; ++i)
        rows.append({(i == 2 ? u"a%1"_s : u"A%1"_s).arg(10000 + i), u"新名%1"_s.arg(i),
                     i % 2 ? u""_s : u"020-%1"_s.arg(i), i == 7 ? u"2024-05-06"_s : u""_s});
    const QString file = s.csv(u"many.csv"_s, rows);
    ImportRun run(*s.db, agentImportList(), u"Admin"_s, true);
    const CheckResult r = check(run, agentImportList(), file);
    QCOMPARE(r.problemCount, 0);
    QCOMPARE(r.existingRows, Count);
    const QStringList gone{u"A10001"_s, u"A15001"_s, u"A16000"_s};
    for (const QString &code : gone)
        s.exec(u"DELETE FROM tblCustomers WHERE CustId = ?"_s, {code});
    importing::StoreChoices choices;
    choices.updateExisting = true;
    const importing::StoreOutcome o = run.store(choices);
    QCOMPARE(o.updated, Count - 3);
    QCOMPARE(o.added, 0);
    QCOMPARE(o.leftOut, 3);
    QCOMPARE(s.count(u"tblCustomers"_s), Count - 3);
    const auto lines = run.reportLines(10);
    QCOMPARE(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(lines[i].code, gone[i]);
        QCOMPARE(lines[i].reason, u"已有的记录已被删除或属于其他用户"_s);
    }
    QCOMPARE(lines[1].row, 5002);
    QCOMPARE(s.scalar(u"SELECT COUNT(*) FROM tblCustomers WHERE RowVer = 1"_s).toInt(), Count - 3);
    QCOMPARE(s.scalar(u"SELECT COUNT(*) FROM tblCustomers WHERE CustName = '旧名'"_s).toInt(), 0);
    QCOMPARE(s.agent(u"A10002"_s, u"CustName"_s), u"新名2"_s);
    QCOMPARE(s.agent(u"A10002"_s, u"Telephone"_s), u"020-2"_s);
    QCOMPARE(s.agent(u"A15999"_s, u"CustName"_s), u"新名5999"_s);
    QCOMPARE(s.agent(u"A15999"_s, u"Telephone"_s), QString());
    QCOMPARE(s.scalar(u"SELECT CreateDate FROM tblCustomers WHERE CustId = 'A10007'"_s).toDate(),
             QDate(2024, 5, 6));
    QCOMPARE(s.scalar(u"SELECT COUNT(*) FROM tblCustomers WHERE CreateDate IS NULL"_s).toInt(),
             Count - 4);
}

void TestImportRun::possibleDuplicates()
{
    QFETCH(QString, engine);
    for (const bool keep : {true, false}) {
        Seat s(engine);
        s.addAgent(u"B1"_s, u"华光"_s, u"Admin"_s, u"010-1"_s, u"x@y.cn"_s);
        const QString file =
            s.csv(u"d.csv"_s, {{u"代理编号"_s, u"商务代理名称"_s, u"联系电话"_s, u"Email邮箱"_s},
                               {u"N1"_s, u"华光"_s, u"010-1"_s, u""_s},
                               {u"N2"_s, u"别名"_s, u""_s, u"X@Y.CN"_s},
                               {u"N3"_s, u"华光"_s, u"999"_s, u"other@y.cn"_s},
                               {u"B1"_s, u"华光"_s, u"010-1"_s, u"x@y.cn"_s}});
        ImportRun run(*s.db, agentImportList(), u"Admin"_s, true);
        const CheckResult r = check(run, agentImportList(), file);
        QCOMPARE(r.duplicates.size(), 2); // the stored code itself is no new row
        QCOMPARE(r.duplicates[0].row, 2);
        QCOMPARE(r.duplicates[0].existing, u"B1"_s);
        QCOMPARE(r.duplicates[0].reason, u"名称和电话与已有记录相同"_s);
        QCOMPARE(r.duplicates[1].row, 3);
        QCOMPARE(r.duplicates[1].reason, u"Email 与已有记录相同"_s);
        importing::StoreChoices choices;
        choices.keepPossibleDuplicates = keep;
        const importing::StoreOutcome o = run.store(choices);
        QCOMPARE(o.added, keep ? 3 : 1);
        QCOMPARE(o.leftOutBy.value(u"疑似重复"_s), keep ? 0 : 2);
        QCOMPARE(s.count(u"tblCustomers"_s), keep ? 4 : 2);
    }
}

// A user who is not an administrator changes only his own rows and names only agents he sees.
void TestImportRun::ownershipRule()
{
    QFETCH(QString, engine);
    Seat s(engine);
    testsupport::addUser(*s.db, u"user1"_s, u"pw"_s, false, testsupport::allRights());
    s.addAgent(u"A1"_s, u"管理员的代理"_s, u"Admin"_s);
    s.addAgent(u"U1"_s, u"自己的代理"_s, u"user1"_s);
    const QString agents = s.csv(u"a.csv"_s, {{u"代理编号"_s, u"商务代理名称"_s},
                                              {u"A1"_s, u"改名"_s},
                                              {u"U1"_s, u"改名"_s},
                                              {u"U2"_s, u"新的"_s}});
    ImportRun run(*s.db, agentImportList(), u"user1"_s, false);
    const CheckResult r = check(run, agentImportList(), agents);
    QCOMPARE(problemAt(r, 2), u"代码“A1”已被其他用户的记录使用，不能导入或更新"_s);
    QCOMPARE(r.problemRows, 1);
    QCOMPARE(r.existingRows, 1);
    QVERIFY(r.preview[0].problem);
    importing::StoreChoices choices;
    choices.leaveOutProblems = choices.updateExisting = true;
    const importing::StoreOutcome o = run.store(choices);
    QCOMPARE(o.added, 1);
    QCOMPARE(o.updated, 1);
    QCOMPARE(s.agent(u"A1"_s, u"CustName"_s), u"管理员的代理"_s);
    QCOMPARE(s.agent(u"U1"_s, u"CustName"_s), u"改名"_s);
    QCOMPARE(s.agent(u"U2"_s, u"SUser"_s), u"user1"_s);

    const QString contacts = s.csv(u"c.csv"_s, {{u"联系人代码"_s, u"姓名"_s, u"客户名称"_s},
                                                {u"L1"_s, u"甲"_s, u"新的"_s},
                                                {u"L2"_s, u"乙"_s, u"A1"_s},
                                                {u"L3"_s, u"丙"_s, u"管理员的代理"_s}});
    ImportRun contactRun(*s.db, contactImportList(), u"user1"_s, false);
    const CheckResult c = check(contactRun, contactImportList(), contacts);
    QVERIFY2(problemAt(c, 2).isEmpty(), qPrintable(problemAt(c, 2)));
    QVERIFY(problemAt(c, 3).startsWith(u"客户名称“A1”找不到"_s));
    QVERIFY(problemAt(c, 4).startsWith(u"客户名称“管理员的代理”找不到"_s));
    QCOMPARE(c.preview[0].values[2], QVariant(u"U2"_s));
}

void TestImportRun::referrersAndContacts()
{
    QFETCH(QString, engine);
    Seat s(engine);
    s.addAgent(u"A1"_s, u"代理一"_s);
    const QString referrers =
        s.csv(u"r.csv"_s,
              {{u"推荐人代码"_s, u"名称"_s, u"性别"_s, u"学历"_s, u"出生年月"_s, u"在职状态"_s},
               {u"R1"_s, u"甲"_s, u"男"_s, u"本科"_s, u"1980年3月4日"_s, u"在职"_s},
               {u"R2"_s, u"乙"_s, u"男性"_s, u"博士"_s, u"19800304"_s, u"退休"_s}});
    ImportRun run(*s.db, referrerImportList(), u"Admin"_s, true);
    const CheckResult r = check(run, referrerImportList(), referrers);
    QVERIFY(problemAt(r, 2).isEmpty());
    QCOMPARE(
        problemAt(r, 3),
        u"性别“男性”不是可选的值（男、女） | 学历“博士”不是可选的值（专科、本科、硕士、中专、高中、初中） | 在职状态“退休”不是可选的值（在职、离职）"_s);
    QCOMPARE(r.preview[1].values[4], QVariant(QDate(1980, 3, 4)));
    importing::StoreChoices choices;
    choices.leaveOutProblems = true;
    QCOMPARE(run.store(choices).added, 1);
    QCOMPARE(s.scalar(u"SELECT SUser FROM tblOperaters WHERE OperaterID = 'R1'"_s).toString(),
             u"Admin"_s);
    QCOMPARE(
        s.scalar(u"SELECT Birth FROM tblOperaters WHERE OperaterID = 'R1'"_s).toString().left(10),
        u"1980-03-04"_s);

    const QString contacts =
        s.csv(u"c.csv"_s,
              {{u"联系人代码"_s, u"姓名"_s, u"客户名称"_s, u"是否主要联系人"_s, u"特殊纪念日"_s},
               {u"L1"_s, u"甲"_s, u"代理一"_s, u"是"_s, u"2020-02-29"_s},
               {u"L2"_s, u"乙"_s, u"a1"_s, u"否"_s, u""_s},
               {u"L3"_s, u"丙"_s, u""_s, u"也许"_s, u"2021-02-29"_s}});
    ImportRun contactRun(*s.db, contactImportList(), u"Admin"_s, true);
    const CheckResult c = check(contactRun, contactImportList(), contacts);
    QCOMPARE(
        problemAt(c, 4),
        u"是否主要联系人“也许”不是“是”或“否” | 特殊纪念日“2021-02-29”不是可识别的日期（请写成 2024-05-01 这样） | 客户名称不能为空"_s);
    QCOMPARE(contactRun.store(choices).added, 2);
    QCOMPARE(s.scalar(u"SELECT CustID FROM tblLinkmans WHERE LinkmanID = 'L2'"_s).toString(),
             u"A1"_s);
    QCOMPARE(s.scalar(u"SELECT Main FROM tblLinkmans WHERE LinkmanID = 'L1'"_s).toBool(), true);
    QCOMPARE(s.scalar(u"SELECT Main FROM tblLinkmans WHERE LinkmanID = 'L2'"_s).toBool(), false);
}

// A cancel, a store failure in the middle, and a file gone while it was read: nothing stored.
void TestImportRun::allOrNothing()
{
    QFETCH(QString, engine);
    Seat s(engine);
    QList<QStringList> rows{{u"代理编号"_s, u"商务代理名称"_s}};
    for (int i = 1; i <= 1500; ++i)
        rows << QStringList{u"C%1"_s.arg(i, 4, 10, QLatin1Char('0')), u"代理%1"_s.arg(i)};
    const QString file = s.csv(u"many.csv"_s, rows);

    ImportRun run(*s.db, agentImportList(), u"Admin"_s, true);
    QCOMPARE(check(run, agentImportList(), file).rows, 1500);
    int calls = 0;
    const importing::StoreOutcome cancelled = run.store({}, [&](double) { return ++calls < 3; });
    QVERIFY(cancelled.cancelled);
    QCOMPARE(cancelled.added, 0);
    QCOMPARE(s.count(u"tblCustomers"_s), 0);

    // Another seat stores one of the codes after the check: the store refuses it, and the rows
    // stored before it in the same transaction go as well.
    auto other = s.store.connect();
    other->exec(u"INSERT INTO tblCustomers (CustId, CustName) VALUES ('C1400', '别人的')"_s);
    QVERIFY_THROWS_EXCEPTION(store::StoreError, run.store({}));
    QCOMPARE(s.count(u"tblCustomers"_s), 1);
    QVERIFY(!s.db->inTransaction());

    // A check interrupted by the file's removal stores nothing and leaves nothing to store.
    bool removed = false;
    QVERIFY_THROWS_EXCEPTION(importing::ReadError, check(run, agentImportList(), file, [&](double) {
                                 removed = removed || QFile::remove(file);
                                 return true;
                             }));
    QVERIFY(removed);
    QVERIFY_THROWS_EXCEPTION(importing::ReadError, run.store({}));
    QCOMPARE(s.count(u"tblCustomers"_s), 1);
}

void TestImportRun::reportAsCsv()
{
    QFETCH(QString, engine);
    Seat s(engine);
    s.addAgent(u"A1"_s, u"已有"_s);
    const QString file = s.csv(u"r.csv"_s, {{u"代理编号"_s, u"商务代理名称"_s},
                                            {u"A1"_s, u"已有"_s},
                                            {u"N1"_s, u""_s},
                                            {u"N2"_s, u"新, \"引号\""_s}});
    ImportRun run(*s.db, agentImportList(), u"Admin"_s, true);
    check(run, agentImportList(), file);
    importing::StoreChoices choices;
    choices.leaveOutProblems = true;
    const importing::StoreOutcome o = run.store(choices);
    QCOMPARE(run.reportLines(10).size(), 2);
    const QString report = s.dir.filePath(u"报告.csv"_s);
    run.saveReport(report, o);
    const QByteArray read = importfiles::python(
        u"import csv,sys\nfor r in csv.reader(open(sys.argv[1],encoding='utf-8-sig',newline='')):\n print('|'.join(r))"_s,
        {report});
    QCOMPARE(QString::fromUtf8(read).split(u'\n', Qt::SkipEmptyParts),
             (QStringList{u"结果|行数"_s, u"新增|1"_s, u"更新|0"_s, u"略过|2"_s,
                          u"略过：代码已存在|1"_s, u"略过：有问题|1"_s, u"行号|代码|略过的原因"_s,
                          u"2|A1|代码已存在，按选择略过"_s, u"3|N1|商务代理名称不能为空"_s}));
    QCOMPARE(s.agent(u"N2"_s, u"CustName"_s), u"新, \"引号\""_s);
}

QTEST_GUILESS_MAIN(TestImportRun)
#include "tst_importrun.moc"
