// The filter box's search in the store: rows found by their listed texts and by the names their
// display fields show, without letter case or full-width forms, by pinyin and initials, within
// the list's own condition, whoever wrote the rows.
#include "datamodule.h"
#include "searchindex.h"
#include "session.h"
#include "teststore.h"

#include <QTest>

using namespace store;

namespace
{

QStringList codes(Dataset &set, const QString &column)
{
    set.readRest();
    QStringList out;
    for (int r = 0; r < set.rowCount(); ++r)
        out << set.value(r, column).toString();
    out.sort();
    return out;
}

const QStringList AgentFields{QStringLiteral("CustId"),      QStringLiteral("CustName"),
                              QStringLiteral("MainLinkman"), QStringLiteral("Address"),
                              QStringLiteral("LevelName"),   QStringLiteral("Operater")};
const QStringList RecordFields{QStringLiteral("OperateID"), QStringLiteral("OperateTitle"),
                               QStringLiteral("CustName"), QStringLiteral("OperateStateName")};

// Agents written by plain statements (as an import writes them), so that no program path
// computes their search text beforehand.
void addAgents(Connection &db)
{
    const char *rows[][5] = {
        {"A1", "王芳贸易", "Admin", "北京路 1 号", "L1"},
        {"A2", "ＡＢＣ Trading", "Admin", "Queen's Road 50%_off", ""},
        {"A3", "李明", "user1", "上海", "L2"},
        {"A4", "王芳分公司", "user1", "", ""},
    };
    for (const auto &r : rows)
        db.exec(
            QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, SUser, Address, LevelID) "
                           "VALUES (?, ?, ?, ?, ?)"),
            {QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2]),
             QString::fromUtf8(r[3]), QString::fromUtf8(r[4])});
    db.exec(QStringLiteral("INSERT INTO tblCustLevel (LevelID, LevelName, Memo) VALUES "
                           "('L1', '重点客户', 'x'), ('L2', '普通', 'x')"));
}

// A store with the agents above, opened as at start-up, the agent list open.
struct Book {
    explicit Book(const QString &engine) : store(engine)
    {
        dm.openAtStartup(store.appDir());
        addAgents(dm.connection());
        dm.tblCustomers.open();
    }
    testsupport::TempStore store;
    DataModule dm;
};

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { session().CurrentUserID = QStringLiteral("Admin"); }

    void gramsOfTextsAndQueries()
    {
        // Each character and each neighbouring pair within a word, once; a query's words of
        // more than one character by their pairs only.
        QCOMPARE(SearchIndex::grams(u"王芳 ab"),
                 (QStringList{u"王"_qs, u"芳"_qs, u"王芳"_qs, u"a"_qs, u"b"_qs, u"ab"_qs}));
        QCOMPARE(SearchIndex::grams(u"aaa", true), QStringList{u"aa"_qs});
        QCOMPARE(SearchIndex::grams(u"王 芳芳", true), (QStringList{u"王"_qs, u"芳芳"_qs}));
        QCOMPARE(SearchIndex::normalized(u"  ＡＢ\tCd\u0001 "_qs), u"ab cd"_qs);
        QCOMPARE(SearchIndex::normalized(u" \t"_qs), QString());
    }

    void findsRowsByTheirTextsAndPinyin_data() { testsupport::addEngineRows(); }
    void findsRowsByTheirTextsAndPinyin()
    {
        QFETCH(QString, engine);
        Book book(engine);
        Dataset &agents = book.dm.tblCustomers;
        const QString code = QStringLiteral("CustId");
        QCOMPARE(codes(agents, code).size(), 4);

        const auto search = [&](const QString &text) {
            agents.setSearch(text, AgentFields);
            return codes(agents, code);
        };
        QCOMPARE(search(u"王芳"_qs), (QStringList{u"A1"_qs, u"A4"_qs}));
        QCOMPARE(search(u"芳"_qs), (QStringList{u"A1"_qs, u"A4"_qs}));
        QCOMPARE(search(u"wangfang"_qs), (QStringList{u"A1"_qs, u"A4"_qs}));
        QCOMPARE(search(u"WF"_qs), (QStringList{u"A1"_qs, u"A4"_qs}));
        QCOMPARE(search(u"wfm"_qs), QStringList{u"A1"_qs}); // 王芳贸易's initials
        QCOMPARE(search(u"abc"_qs), QStringList{u"A2"_qs}); // full-width ＡＢＣ
        QCOMPARE(search(u"ＴＲＡＤ"_qs), QStringList{u"A2"_qs});
        QCOMPARE(search(u"a3"_qs), QStringList{u"A3"_qs});       // the code
        QCOMPARE(search(u"北京路 1"_qs), QStringList{u"A1"_qs}); // the address, with its blank
        // Quotes, "%" and "_" match themselves.
        QCOMPARE(search(u"queen's"_qs), QStringList{u"A2"_qs});
        QCOMPARE(search(u"50%_"_qs), QStringList{u"A2"_qs});
        QCOMPARE(search(u"%"_qs), QStringList{u"A2"_qs});
        QCOMPARE(search(u"王明"_qs), QStringList{});
        QCOMPARE(agents.countInStore(), 0);
        QCOMPARE(agents.countInStore(false), 4);
        QCOMPARE(search(u"  "_qs).size(), 4); // nothing typed: every row

        // A dictionary's name a row shows is found as shown, not by its code.
        QCOMPARE(search(u"重点"_qs), QStringList{u"A1"_qs});
        QCOMPARE(search(u"kehu"_qs), QStringList{u"A1"_qs});
        QCOMPARE(search(u"l2"_qs), QStringList{}); // LevelID is not listed
    }

    void searchStaysWithinTheListsCondition_data() { testsupport::addEngineRows(); }
    void searchStaysWithinTheListsCondition()
    {
        QFETCH(QString, engine);
        Book book(engine);
        DataModule &dm = book.dm;
        Dataset &agents = dm.tblCustomers;
        // A user who sees only the own rows does not find the others'.
        agents.setFilter(Condition::eq(QStringLiteral("SUser"), QStringLiteral("user1")));
        agents.setSearch(u"wf"_qs, AgentFields);
        QCOMPARE(codes(agents, QStringLiteral("CustId")), QStringList{u"A4"_qs});
        QCOMPARE(agents.countInStore(false), 2);
        // A query's condition and the box narrow each other; the box's text stays when the
        // condition changes, the list is read again or the dataset reopened.
        agents.setFilter(Condition::like(QStringLiteral("CustName"), QStringLiteral("贸易")));
        QCOMPARE(codes(agents, QStringLiteral("CustId")), QStringList{u"A1"_qs});
        agents.close();
        agents.open();
        agents.refresh();
        QCOMPARE(codes(agents, QStringLiteral("CustId")), QStringList{u"A1"_qs});
        QCOMPARE(agents.searchText(), u"wf"_qs);
        // Rows streamed for a print or an export are those the list shows.
        QStringList streamed;
        agents.forEachRow([&](int, const QVector<QVariant> &values) {
            streamed << values[agents.fieldIndex(QStringLiteral("CustId"))].toString();
        });
        QCOMPARE(streamed, QStringList{u"A1"_qs});
        // Another list's display fields over the searched set still show every name.
        dm.tblOperaters.setSearch(u"nobody"_qs, {QStringLiteral("Name")});
        dm.connection().exec(
            QStringLiteral("INSERT INTO tblOperaters (OperaterID, Name) VALUES ('P1', '张三')"));
        dm.connection().exec(
            QStringLiteral("UPDATE tblCustomers SET OperaterID = 'P1' WHERE CustId = 'A1'"));
        dm.tblOperaters.refresh();
        QCOMPARE(dm.tblOperaters.rowCount(), 0);
        agents.refresh();
        QCOMPARE(agents.value(0, QStringLiteral("Operater")).toString(), u"张三"_qs);
        // ... and the agents list finds A1 by its referrer's name.
        agents.clearFilter();
        agents.setSearch(u"zs"_qs, AgentFields);
        QCOMPARE(codes(agents, QStringLiteral("CustId")), QStringList{u"A1"_qs});
    }

    void recordsFoundByTheirAgentsNameAfterARename_data() { testsupport::addEngineRows(); }
    void recordsFoundByTheirAgentsNameAfterARename()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        Connection &db = dm.connection();
        addAgents(db);
        db.exec(QStringLiteral(
            "INSERT INTO tblOperates (OperateID, OperateTitle, CustID, SUser) VALUES "
            "('R1', '年度合同', 'A1', 'Admin'), ('R2', '北京路展会', 'A3', 'Admin'), "
            "('R3', '续约', 'A3', 'Admin')"));
        Dataset &records = dm.tblOperates2;
        records.setSearch(u"lm"_qs, RecordFields); // 李明
        QCOMPARE(codes(records, QStringLiteral("OperateID")), (QStringList{u"R2"_qs, u"R3"_qs}));
        // The agent's address is not a column of the record list: only its name is searched.
        records.setSearch(u"上海"_qs, RecordFields);
        QCOMPARE(codes(records, QStringLiteral("OperateID")), QStringList{});
        records.setSearch(u"北京路"_qs, RecordFields);
        QCOMPARE(codes(records, QStringLiteral("OperateID")), QStringList{u"R2"_qs});

        // The agent renamed through the agents list: its records are found by the new name at
        // once, and no longer by the old one.
        Dataset &agents = dm.tblCustomers;
        agents.open();
        QVERIFY(agents.locate(QStringLiteral("CustId"), QStringLiteral("A3")));
        agents.edit();
        agents.setValue(QStringLiteral("CustName"), QStringLiteral("赵云"));
        agents.post();
        records.setSearch(u"zhaoyun"_qs, RecordFields);
        QCOMPARE(codes(records, QStringLiteral("OperateID")), (QStringList{u"R2"_qs, u"R3"_qs}));
        records.setSearch(u"李明"_qs, RecordFields);
        QCOMPARE(codes(records, QStringLiteral("OperateID")), QStringList{});
        // Renamed by a plain statement as well, and a record retitled, both by another path.
        db.exec(QStringLiteral("UPDATE tblCustomers SET CustName = '孙权' WHERE CustId = 'A3'"));
        db.exec(QStringLiteral(
            "UPDATE tblOperates SET OperateTitle = '新合同' WHERE OperateID = 'R1'"));
        records.setSearch(u"孙"_qs, RecordFields);
        QCOMPARE(codes(records, QStringLiteral("OperateID")), (QStringList{u"R2"_qs, u"R3"_qs}));
        records.setSearch(u"年度"_qs, RecordFields);
        QCOMPARE(codes(records, QStringLiteral("OperateID")), QStringList{});
        records.setSearch(u"新合"_qs, RecordFields);
        QCOMPARE(codes(records, QStringLiteral("OperateID")), QStringList{u"R1"_qs});
        // Deleted rows leave the index with them.
        db.exec(QStringLiteral("DELETE FROM tblOperates WHERE OperateID = 'R1'"));
        records.refresh();
        QCOMPARE(records.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
