// The code proposed for a new row, on both engines: the highest of the pattern plus one, codes
// of other shapes ignored, a run that overflows, and a record's items counted per record.
#include "connection.h"
#include "nextcode.h"
#include "teststore.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

void addAgents(store::Connection &db, const QStringList &codes)
{
    for (const QString &code : codes)
        db.exec(u"INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES (?, ?, 'Admin')"_s,
                {code, code});
}

QString next(store::Connection &db, const QString &model)
{
    return store::nextCode(db, u"tblCustomers"_s, u"CustID"_s, model);
}

} // namespace

class TestNextCode : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void highestOfThePatternPlusOne_data() { testsupport::addEngineRows(); }
    void highestOfThePatternPlusOne()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        // Codes of other shapes sort inside the range of C000000–C999999 or beside it.
        addAgents(*db, {u"C000199"_s, u"C000200"_s, u"C00020A"_s, u"C0002000"_s, u"C12"_s,
                        u"D999999"_s, u"c000900"_s});
        QCOMPARE(next(*db, u"C000001"_s), u"C000201"_s);
        QCOMPARE(next(*db, u"C000200"_s), u"C000201"_s);
        // The pattern is the model's: its width and its leading text, case included.
        QCOMPARE(next(*db, u"C0000001"_s), u"C0002001"_s);
        QCOMPARE(next(*db, u"C10"_s), u"C13"_s);
        QCOMPARE(next(*db, u"C1"_s), u"C1"_s); // no one-digit C code yet
        QCOMPARE(next(*db, u"c000000"_s), u"c000901"_s);
        // A pattern with no stored code yet starts at one; no digits, no proposal.
        QCOMPARE(next(*db, u"R00000000"_s), u"R00000001"_s);
        QCOMPARE(next(*db, u"张三"_s), QString());
        QCOMPARE(next(*db, u"北京-007"_s), u"北京-001"_s);
        addAgents(*db, {u"北京-041"_s});
        QCOMPARE(next(*db, u"北京-007"_s), u"北京-042"_s);
    }

    // "D999999" runs over into seven digits, past the codes of that width already stored.
    void aRunThatOverflowsGrows_data() { testsupport::addEngineRows(); }
    void aRunThatOverflowsGrows()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        addAgents(*db, {u"D99"_s, u"D100"_s, u"D101"_s});
        QCOMPARE(next(*db, u"D10"_s), u"D102"_s); // D100 and D101 are taken
        QCOMPARE(next(*db, u"X9"_s), u"X1"_s);
    }

    // A record's items are numbered within the record.
    void itemsCountWithinTheirRecord_data() { testsupport::addEngineRows(); }
    void itemsCountWithinTheirRecord()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        auto db = s.connect();
        for (const auto &[record, item] :
             {std::pair{u"R1"_s, u"1"_s}, {u"R1"_s, u"2"_s}, {u"R2"_s, u"7"_s}})
            db->exec(u"INSERT INTO tblOperateDetail (OperateID, DetailNo) VALUES (?, ?)"_s,
                     {record, item});
        const auto item = [&](const QString &record) {
            return store::nextCode(*db, u"tblOperateDetail"_s, u"DetailNo"_s, u"1"_s,
                                   u"OperateID"_s, record);
        };
        QCOMPARE(item(u"R1"_s), u"3"_s);
        QCOMPARE(item(u"R2"_s), u"8"_s);
        QCOMPARE(item(u"R3"_s), u"1"_s);
    }
};

QTEST_GUILESS_MAIN(TestNextCode)
#include "tst_nextcode.moc"
