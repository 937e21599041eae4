// Files made to break the import's readers, found by fuzzing and reading them: row numbers past the
// last row of a sheet, one cell far out to the right before many narrow rows, a workbook part whose
// bytes fail their checksum, and a CSV file cut inside its last character. Each is refused in
// words or read as it is, with nothing more kept than the rows need (the sanitizer build also
// checks that a refusal leaks nothing).
#include "importfiles.h"
#include "sheetreader.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using importing::ReadError;
using importing::SheetReader;
using namespace importfiles;

namespace
{

// A workbook of one sheet holding `sheetData`, written by Python's zipfile.
QString workbook(const QString &file, const QString &sheetData)
{
    python(QStringLiteral("import runpy,sys\nsys.argv=sys.argv[1:]\nrunpy.run_path(sys.argv[0])"),
           {QStringLiteral(TESSALY_HOSTILE_BOOK), file, sheetData});
    return file;
}

QString readError(const QString &file, QList<SheetReader::Row> *rows = nullptr)
{
    try {
        const QList<SheetReader::Row> read = readAll(file);
        if (rows)
            *rows = read;
    } catch (const ReadError &e) {
        return e.text;
    }
    return {};
}

} // namespace

class TestHostileSheets : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void rowNumbersPastTheLastRow_data();
    void rowNumbersPastTheLastRow();
    void narrowRowsAfterAWideOne();
    void partFailingItsChecksum();
    void csvCutInsideACharacter_data();
    void csvCutInsideACharacter();

  private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestHostileSheets::rowNumbersPastTheLastRow_data()
{
    QTest::addColumn<QString>("sheetData");
    QTest::addColumn<bool>("readable");
    const QString cell = QStringLiteral("<c><v>1</v></c>");
    // Counting on from the largest number there is overflowed.
    QTest::newRow("largest number, then a row without one")
        << QStringLiteral("<row r=\"9223372036854775807\">%1</row><row>%1</row>").arg(cell)
        << false;
    QTest::newRow("one past the last row")
        << QStringLiteral("<row r=\"1048577\">%1</row>").arg(cell) << false;
    QTest::newRow("the last row, then one more without a number")
        << QStringLiteral("<row r=\"1048576\">%1</row><row>%1</row>").arg(cell) << false;
    QTest::newRow("the last row") << QStringLiteral("<row r=\"1048576\">%1</row>").arg(cell)
                                  << true;
}

void TestHostileSheets::rowNumbersPastTheLastRow()
{
    QFETCH(QString, sheetData);
    QFETCH(bool, readable);
    QList<SheetReader::Row> rows;
    const QString why = readError(workbook(path(QStringLiteral("rows.xlsx")), sheetData), &rows);
    if (readable) {
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].number, qint64(1048576));
    } else {
        QVERIFY2(why.contains(QStringLiteral("已损坏")) && why.contains(QStringLiteral("1048576")),
                 qPrintable(why));
    }
}

// A stray cell in the last column made every later row keep room for a whole sheet's width:
// a few kilobytes of file became gigabytes of memory and minutes of reading.
void TestHostileSheets::narrowRowsAfterAWideOne()
{
    QString data =
        QStringLiteral("<row r=\"1\"><c r=\"XFD1\" t=\"inlineStr\"><is><t>远</t></is></c></row>");
    for (int i = 0; i < 1000; ++i)
        data += QStringLiteral("<row><c><v>%1</v></c></row>").arg(i);
    QList<SheetReader::Row> rows;
    const QString why = readError(workbook(path(QStringLiteral("wide.xlsx")), data), &rows);
    QVERIFY2(why.isEmpty(), qPrintable(why));
    QCOMPARE(rows.size(), 1001);
    QCOMPARE(rows[0].cells.size(), 16384);
    QCOMPARE(rows[0].cells.last(), QVariant(QStringLiteral("远")));
    qsizetype room = 0;
    for (qsizetype i = 1; i < rows.size(); ++i) {
        QCOMPARE(rows[i].number, i + 1);
        QCOMPARE(rows[i].cells, QVector<QVariant>{double(i - 1)});
        room += rows[i].cells.capacity();
    }
    QVERIFY2(room < 1000 * 64, qPrintable(QStringLiteral("room for %1 cells").arg(room)));
}

// A part whose bytes were changed after it was written fails its checksum when read.
void TestHostileSheets::partFailingItsChecksum()
{
    const QString file = workbook(path(QStringLiteral("crc.xlsx")),
                                  QStringLiteral("<row><c><v>12345</v></c></row>"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const qsizetype at = bytes.indexOf("<v>12345</v>");
    QVERIFY(at > 0);
    bytes[at + 3] = '9'; // still well-formed, still a number
    QVERIFY(f.seek(0) && f.write(bytes) == bytes.size());
    f.close();
    for (int i = 0; i < 3; ++i) {
        const QString why = readError(file);
        QVERIFY2(why.contains(QStringLiteral("已损坏")), qPrintable(why));
    }
}

void TestHostileSheets::csvCutInsideACharacter_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("代理编号,名称\nA1,北京");
    const QByteArray utf8 = text.toUtf8();
    QTest::newRow("UTF-8") << utf8.left(utf8.size() - 1);
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QTest::newRow("UTF-16") << utf16.left(utf16.size() - 1);
    QByteArray gb = QStringEncoder("GB18030").encode(text);
    QTest::newRow("GB18030") << gb.left(gb.size() - 1);
    // Large enough that the cut falls in the reader's second block.
    QByteArray long8 = QStringLiteral("代理编号,名称\n").toUtf8();
    while (long8.size() < 100000)
        long8 += QStringLiteral("A1,北京\n").toUtf8();
    long8 += QStringLiteral("A2,上海").toUtf8();
    QTest::newRow("UTF-8, second block") << long8.left(long8.size() - 2);
}

// The last character's bytes cut off were dropped without a word, and the row read without it.
void TestHostileSheets::csvCutInsideACharacter()
{
    QFETCH(QByteArray, bytes);
    const QString file = path(QStringLiteral("cut.csv"));
    writeBytes(file, bytes);
    const QString why = readError(file);
    QVERIFY2(why.contains(QStringLiteral("不完整")), qPrintable(why));
}

QTEST_GUILESS_MAIN(TestHostileSheets)
#include "tst_hostilesheets.moc"
