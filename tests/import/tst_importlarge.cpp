// The largest sheet a workbook holds, 1,048,576 rows written by the program's own export, checked
// on both engines without holding its rows: its last row is found to repeat a code, and a file
// with a problem is stored only as the user chooses, here not at all.
#include "agentimport.h"
#include "connection.h"
#include "exportwriter.h"
#include "importfiles.h"
#include "importrun.h"
#include "mapping.h"
#include "sheetreader.h"
#include "teststore.h"
#include "xlsxexport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestImportLarge : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        auto writer = ExportWriter::create(ExportWriter::Format::Xlsx, file());
        writer->begin({{u"代理编号"_s, store::ColumnType::Text},
                       {u"商务代理名称"_s, store::ColumnType::Text}});
        QVector<QVariant> row(2);
        for (int i = 1; i < XlsxExport::MaxRows - 1; ++i) {
            row[0] = u"C%1"_s.arg(i);
            row[1] = u"代理%1"_s.arg(i);
            writer->writeRow(row);
        }
        writer->writeRow({u"c1"_s, u"最后一行"_s}); // row 1,048,576 repeats the code of row 2
        writer->finish();
    }

    void millionRowsChecked_data() { testsupport::addEngineRows(); }
    void millionRowsChecked()
    {
        QFETCH(QString, engine);
        testsupport::TempStore store(engine);
        auto db = store.connect();
        const importing::ImportList list = agentImportList();
        auto reader = importing::SheetReader::openFile(file());
        importing::Mapping mapping(list, importing::ImportRun::readHeader(*reader));
        mapping.match({});
        importing::ImportRun run(*db, list, u"Admin"_s, true);
        run.setMapping(mapping);

        const qint64 before = importfiles::residentKb();
        qint64 peak = before;
        const importing::CheckResult r = run.check(*reader, 0, [&peak](double) {
            peak = qMax(peak, importfiles::residentKb());
            return true;
        });
        QCOMPARE(r.rows, qint64(XlsxExport::MaxRows - 1));
        QCOMPARE(r.problemRows, 1);
        QCOMPARE(r.problems.size(), 1);
        QCOMPARE(r.problems[0].row, qint64(1048576));
        QCOMPARE(r.problems[0].text, u"代码“c1”与第 2 行重复"_s);
        QCOMPARE(r.preview.size(), importing::CheckResult::PreviewRows);
        QVERIFY2(peak - before < 200 * 1024,
                 qPrintable(u"grew %1 MB"_s.arg((peak - before) / 1024)));

        QVERIFY_THROWS_EXCEPTION(importing::ReadError, run.store({}));
        QCOMPARE(db->scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 0);
    }

  private:
    QString file() const { return m_dir.filePath(u"million.xlsx"_s); }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestImportLarge)
#include "tst_importlarge.moc"
