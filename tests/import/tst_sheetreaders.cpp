// The XLSX and CSV readers against files made by real writers: openpyxl, the parts of a
// workbook as Excel writes them, the program's own export, Python's csv module, and broken,
// encrypted, old, huge and vanishing files.
#include "csvexport.h"
#include "csvreader.h"
#include "importfiles.h"
#include "sheetreader.h"
#include "xlsxexport.h"
#include "xlsxreader.h"

#include <QDate>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using importing::ReadError;
using importing::SheetReader;
using namespace importfiles;

namespace
{

QString readError(const std::function<void()> &read)
{
    try {
        read();
    } catch (const ReadError &e) {
        return e.text;
    }
    return {};
}

// Reads every row of the file; answers the reading error, or an empty text.
QString failureOf(const QString &path)
{
    return readError([&] { readAll(path); });
}

} // namespace

class TestSheetReaders : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void openpyxlWorkbook();
    void sheetsToChoose();
    void dates1904();
    void excelParts();
    void mergedCells();
    void ownExportReadsBack();
    void csvEncodingsAndSeparators_data();
    void csvEncodingsAndSeparators();
    void csvQuotesAndLineEnds();
    void csvQuoteLeftOpen();
    void notTables_data();
    void notTables();
    void encryptedAndOldWorkbooks();
    void millionRows();
    void fileVanishes_data();
    void fileVanishes();
    void buffersReadAsFiles();

  private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestSheetReaders::openpyxlWorkbook()
{
    const auto rows = readAll(make(QStringLiteral("basic"), path(QStringLiteral("basic.xlsx"))));
    QCOMPARE(rows.size(), 4); // the empty row is passed over
    QCOMPARE(texts({rows[0]}).first(),
             (QStringList{"代理编号", "商务代理名称", "建档日期", "数量", "是否", "备注", "时间"}));
    const auto &a = rows[1].cells;
    QCOMPARE(rows[1].number, 2);
    QCOMPARE(a[0], QVariant(QStringLiteral("A001")));
    QCOMPARE(a[2], QVariant(QDate(2024, 5, 1)));
    QCOMPARE(a[3].typeId(), QMetaType::Double);
    QCOMPARE(importing::cellText(a[3]), QStringLiteral("12"));
    QCOMPARE(a[4], QVariant(true));
    QVERIFY(!a[5].isValid());
    QCOMPARE(a[6], QVariant(QDateTime(QDate(2024, 5, 2), QTime(13, 45, 10))));
    const auto &b = rows[2].cells;
    QCOMPARE(b[1], QVariant(QStringLiteral("上海\n公司")));
    QCOMPARE(b[2], QVariant(QDate(1999, 12, 31))); // a custom Chinese date format
    QCOMPARE(b[3].toDouble(), 3.25);
    QCOMPARE(b[4], QVariant(false));
    QCOMPARE(rows[3].number, 5);
    QVERIFY(!rows[3].cells[0].isValid());
    QCOMPARE(rows[3].cells[5], QVariant(QStringLiteral("只有备注")));
}

void TestSheetReaders::sheetsToChoose()
{
    auto reader =
        SheetReader::openFile(make(QStringLiteral("basic"), path(QStringLiteral("s.xlsx"))));
    QCOMPARE(reader->sheetNames(), (QStringList{"说明", "代理", "其他"}));
    QCOMPARE(reader->defaultSheet(), 1); // the first visible sheet
    SheetReader::Row row;
    QVERIFY(reader->next(row));
    QCOMPARE(importing::cellText(row.cells[0]), QStringLiteral("代理编号"));
    reader->selectSheet(2);
    QVERIFY(reader->next(row));
    QCOMPARE(importing::cellText(row.cells[0]), QStringLiteral("第三页"));
    QVERIFY(!reader->next(row));
    reader->selectSheet(0);
    QVERIFY(reader->next(row));
    QCOMPARE(importing::cellText(row.cells[0]), QStringLiteral("这一页不导入"));
    QVERIFY(!readError([&] { reader->selectSheet(3); }).isEmpty());
}

void TestSheetReaders::dates1904()
{
    const auto rows = readAll(make(QStringLiteral("dates1904"), path(QStringLiteral("d.xlsx"))));
    QCOMPARE(rows[1].cells[0], QVariant(QDate(2024, 5, 1)));
}

// Formulas give their cached results; shared strings with rich text runs and phonetic guides,
// escapes, inline strings, prefixed element names, rows and cells without references,
// relationship targets written relative and absolute.
void TestSheetReaders::excelParts()
{
    const auto rows = readAll(make(QStringLiteral("handmade"), path(QStringLiteral("h.xlsx"))));
    QCOMPARE(rows.size(), 4); // the merged area's second cell holds nothing, so neither does row 6
    QCOMPARE(texts({rows[0]}).first(),
             (QStringList{"数值", "名称", "合计", "标签", "错误", "日期", "真假"}));
    const auto &r3 = rows[1].cells;
    QCOMPARE(rows[1].number, 3);
    QCOMPARE(r3[0].toDouble(), 42.0);
    QCOMPARE(r3[1], QVariant(QStringLiteral("東京"))); // without its reading aid
    QCOMPARE(r3[2].toDouble(), 84.0);
    QCOMPARE(r3[3], QVariant(QStringLiteral("东京x")));
    QCOMPARE(r3[4], QVariant(QStringLiteral("#DIV/0!")));
    QCOMPARE(r3[5], QVariant(QDate(2024, 2, 29)));
    QCOMPARE(r3[6], QVariant(true));
    const auto &r4 = rows[2].cells;
    QCOMPARE(rows[2].number, 4);
    QCOMPARE(r4[0].toDouble(), 7.0);
    QCOMPARE(r4[1], QVariant(QStringLiteral("第一行\r第二行")));
    QCOMPARE(r4[3], QVariant(QStringLiteral("富文本 ")));
    QCOMPARE(r4[5], QVariant(QDateTime(QDate(2024, 2, 29), QTime(18, 0))));
    QCOMPARE(r4.size(), 6); // a formula without a cached result is an empty cell
    QCOMPARE(rows[3].cells[0], QVariant(QStringLiteral("合并")));
    QCOMPARE(rows[3].number, 5);
}

void TestSheetReaders::mergedCells()
{
    const auto rows =
        texts(readAll(make(QStringLiteral("merged"), path(QStringLiteral("m.xlsx")))));
    QCOMPARE(rows, (QList<QStringList>{
                       {"地区", "代理编号"}, {"华北", "A001"}, {"", "A002"}, {"华东", "A003"}}));
}

void TestSheetReaders::ownExportReadsBack()
{
    using T = store::ColumnType;
    const QList<ExportWriter::Column> columns{{QStringLiteral("代理编号"), T::Text},
                                              {QStringLiteral("建档日期"), T::Date},
                                              {QStringLiteral("金额"), T::Currency},
                                              {QStringLiteral("是否主要联系人"), T::Bool},
                                              {QStringLiteral("备注"), T::Memo}};
    const QList<QVector<QVariant>> rows{
        {QStringLiteral("0012"), QDate(2023, 1, 31), 1234.5, true,
         QStringLiteral("逗号,引号\"换行\n")},
        {QStringLiteral("=1+1"), QVariant(), 0.0, false, QVariant()}};
    // Texts a spreadsheet would take for formulas, and texts that begin with the apostrophe the
    // CSV export puts before those, come back as they were stored.
    const QStringList formulaLike{QStringLiteral("+86 21 5555"), QStringLiteral("-2+3"),
                                  QStringLiteral("@SUM(A1)"),    QStringLiteral("\t=1"),
                                  QStringLiteral("\r=1"),        QStringLiteral("'=x"),
                                  QStringLiteral("''-y"),        QStringLiteral("'普通")};
    QList<QVector<QVariant>> all = rows;
    for (const QString &t : formulaLike)
        all.append({t, QVariant(), 0.0, false, t});
    for (const auto format : {ExportWriter::Format::Xlsx, ExportWriter::Format::Csv}) {
        const QString file = path(format == ExportWriter::Format::Csv ? QStringLiteral("own.csv")
                                                                      : QStringLiteral("own.xlsx"));
        auto writer = ExportWriter::create(format, file);
        writer->begin(columns);
        for (const auto &r : all)
            writer->writeRow(r);
        writer->finish();
        const auto read = readAll(file);
        QCOMPARE(read.size(), 3 + formulaLike.size());
        QCOMPARE(texts({read[0]}).first(),
                 (QStringList{"代理编号", "建档日期", "金额", "是否主要联系人", "备注"}));
        const auto &a = read[1].cells;
        QCOMPARE(a[0], QVariant(QStringLiteral("0012")));
        QCOMPARE(importing::cellText(a[1]), QStringLiteral("2023-01-31"));
        QCOMPARE(importing::cellText(a[4]), QStringLiteral("逗号,引号\"换行\n"));
        QCOMPARE(read[2].cells[0], QVariant(QStringLiteral("=1+1")));
        QVERIFY(!read[2].cells.value(1).isValid());
        for (int i = 0; i < formulaLike.size(); ++i) {
            QCOMPARE(importing::cellText(read[3 + i].cells.value(0)), formulaLike[i]);
            QCOMPARE(importing::cellText(read[3 + i].cells.value(4)), formulaLike[i]);
        }
        if (format == ExportWriter::Format::Xlsx) {
            QCOMPARE(a[1], QVariant(QDate(2023, 1, 31)));
            QCOMPARE(a[2].toDouble(), 1234.5);
            QCOMPARE(a[3], QVariant(true));
        } else {
            QCOMPARE(a[2], QVariant(QStringLiteral("1234.50")));
            QCOMPARE(a[3], QVariant(QStringLiteral("是")));
        }
    }
}

void TestSheetReaders::csvEncodingsAndSeparators_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("代理编号%1名称%1备注\r\nA1%1北京%1\"含%1分隔\"\r\n");
    const auto encode = [](const char *encoding, const QString &s) {
        QStringEncoder e(encoding);
        return QByteArray(e.encode(s));
    };
    QTest::newRow("UTF-8 with BOM, commas") << "\xEF\xBB\xBF" + text.arg(QLatin1Char(',')).toUtf8();
    QTest::newRow("UTF-8, semicolons") << text.arg(QLatin1Char(';')).toUtf8();
    QTest::newRow("GB18030, tabs") << encode("GB18030", text.arg(QLatin1Char('\t')));
    QTest::newRow("GB18030, commas") << encode("GB18030", text.arg(QLatin1Char(',')));
    QTest::newRow("UTF-16 with BOM, tabs")
        << "\xFF\xFE" + encode("UTF-16LE", text.arg(QLatin1Char('\t')));
}

void TestSheetReaders::csvEncodingsAndSeparators()
{
    QFETCH(QByteArray, bytes);
    writeBytes(path(QStringLiteral("e.csv")), bytes);
    const auto rows = readAll(path(QStringLiteral("e.csv")));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(texts(rows)[0], (QStringList{"代理编号", "名称", "备注"}));
    const QString separator = texts(rows)[1][2].mid(1, 1);
    QCOMPARE(texts(rows)[1],
             (QStringList{"A1", "北京", QStringLiteral("含%1分隔").arg(separator)}));
}

void TestSheetReaders::csvQuotesAndLineEnds()
{
    const QString file = path(QStringLiteral("q.csv"));
    writeBytes(file,
               "a,b,c\r\n1,\"x, \"\"y\"\"\",z\n\n2,\"line\r\nbreak\",5\"\r3,,\"\"\r\n,,\n4,end");
    const auto rows = readAll(file);
    QCOMPARE(texts(rows), (QList<QStringList>{{"a", "b", "c"},
                                              {"1", "x, \"y\"", "z"},
                                              {"2", "line\r\nbreak", "5\""},
                                              {"3", "", ""},
                                              {"4", "end"}}));
    // Records are numbered as a spreadsheet program shows them, blank ones counted.
    QCOMPARE(rows[2].number, 4);
    QCOMPARE(rows[4].number, 7);
    // Python's csv module reads the same file alike.
    const QByteArray py = python(
        QStringLiteral("import csv,sys,json\n"
                       "rows=[r for r in csv.reader(open(sys.argv[1],newline='',encoding='utf-8')) "
                       "if any(r)]\n"
                       "print(json.dumps(rows))"),
        {file});
    QCOMPARE(
        py.trimmed(),
        QByteArray(
            R"([["a", "b", "c"], ["1", "x, \"y\"", "z"], ["2", "line\r\nbreak", "5\""], ["3", "", ""], ["4", "end"]])"));
}

void TestSheetReaders::csvQuoteLeftOpen()
{
    const QString file = path(QStringLiteral("open.csv"));
    writeBytes(file, "a,b\n1,2\n3,\"never closed\n4,5\n");
    const QString why = failureOf(file);
    QVERIFY2(why.contains(QStringLiteral("第 3 行的引号没有闭合")), qPrintable(why));
}

void TestSheetReaders::notTables_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");
    QTest::newRow("text named .xlsx")
        << "t.xlsx" << QByteArray("a,b\n1,2\n") << "不是有效的 Excel 工作簿";
    QByteArray zip;
    {
        const QString z = path(QStringLiteral("plain.zip"));
        python(QStringLiteral(
                   "import zipfile,sys\nzipfile.ZipFile(sys.argv[1],'w').writestr('a.txt','x')"),
               {z});
        QFile f(z);
        f.open(QIODevice::ReadOnly);
        zip = f.readAll();
    }
    QTest::newRow("a zip without a workbook") << "z.xlsx" << zip << "不是 Excel 工作簿";
    QTest::newRow("binary named .csv")
        << "b.csv" << QByteArray("%PDF-1.4\n\0\0\x01\x02", 14) << "也不是 CSV 文件";
    QTest::newRow("empty") << "e.csv" << QByteArray() << "是空的";
    QByteArray cut;
    {
        QFile f(make(QStringLiteral("basic"), path(QStringLiteral("whole.xlsx"))));
        f.open(QIODevice::ReadOnly);
        cut = f.readAll();
        cut.truncate(cut.size() / 2);
    }
    QTest::newRow("half a workbook") << "half.xlsx" << cut << "不是有效的 Excel 工作簿";
    QTest::newRow("a doctype in a part") << "dtd.xlsx" << QByteArray() << "已损坏";
}

void TestSheetReaders::notTables()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    const QString file = path(name);
    if (name == QLatin1String("dtd.xlsx")) // entities of the file are never expanded
        python(QStringLiteral("import zipfile,sys\n"
                              "z=zipfile.ZipFile(sys.argv[1],'w')\n"
                              "z.writestr('xl/workbook.xml','<?xml version=\"1.0\"?><!DOCTYPE w "
                              "[<!ENTITY a \"aaaa\">]>"
                              "<workbook><sheets><sheet name=\"&a;\"/></sheets></workbook>')"),
               {file});
    else
        writeBytes(file, bytes);
    const QString why = failureOf(file);
    QVERIFY2(why.contains(says), qPrintable(why));
    QVERIFY2(why.contains(name) || why.contains(QStringLiteral("数据")), qPrintable(why));
}

// A workbook saved with an opening password (a real one: msoffcrypto decrypts it with the
// password) and an Excel 97-2003 workbook are Office compound files, each told for what it is.
void TestSheetReaders::encryptedAndOldWorkbooks()
{
    const QString plain = make(QStringLiteral("basic"), path(QStringLiteral("plain.xlsx")));
    const QString locked = make(QStringLiteral("encrypted"), path(QStringLiteral("locked.xlsx")),
                                {QStringLiteral("密码123"), plain});
    python(QStringLiteral("import msoffcrypto,sys,io\n"
                          "f=msoffcrypto.OfficeFile(open(sys.argv[1],'rb'))\n"
                          "f.load_key(password=sys.argv[2],verify_password=True)\n"
                          "o=io.BytesIO(); f.decrypt(o)\n"
                          "assert o.getvalue()==open(sys.argv[3],'rb').read()"),
           {locked, QStringLiteral("密码123"), plain});
    QString why = failureOf(locked);
    QVERIFY2(why.contains(QStringLiteral("设有打开密码")), qPrintable(why));
    // The same container under a text name is still recognised by its content.
    QFile::copy(locked, path(QStringLiteral("locked.csv")));
    QVERIFY(failureOf(path(QStringLiteral("locked.csv"))).contains(QStringLiteral("设有打开密码")));
    why = failureOf(make(QStringLiteral("legacy"), path(QStringLiteral("old.xls"))));
    QVERIFY2(why.contains(QStringLiteral("Excel 97-2003")), qPrintable(why));
}

// The largest sheet there is, written by the program's own export, read to its last row
// without holding the rows.
void TestSheetReaders::millionRows()
{
    const QString file = path(QStringLiteral("million.xlsx"));
    {
        auto writer = ExportWriter::create(ExportWriter::Format::Xlsx, file);
        writer->begin({{QStringLiteral("代理编号"), store::ColumnType::Text},
                       {QStringLiteral("数量"), store::ColumnType::Number}});
        QVector<QVariant> row(2);
        for (int i = 1; i < XlsxExport::MaxRows; ++i) {
            row[0] = QStringLiteral("C%1").arg(i);
            row[1] = double(i);
            writer->writeRow(row);
        }
        writer->finish();
    }
    const qint64 before = residentKb();
    qint64 peak = before, count = 0;
    auto reader = SheetReader::openFile(file);
    SheetReader::Row row;
    while (reader->next(row)) {
        if (++count % 65536 == 0)
            peak = qMax(peak, residentKb());
    }
    QCOMPARE(count, qint64(1048576));
    QCOMPARE(row.number, qint64(1048576));
    QCOMPARE(row.cells[0], QVariant(QStringLiteral("C1048575")));
    QCOMPARE(reader->progress(), 1.0);
    QVERIFY2(peak - before < 64 * 1024,
             qPrintable(QStringLiteral("grew %1 kB").arg(peak - before)));
}

void TestSheetReaders::fileVanishes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removed"); // else cut short
    QTest::newRow("CSV removed") << "v.csv" << true;
    QTest::newRow("CSV cut short") << "v.csv" << false;
    QTest::newRow("XLSX removed") << "v.xlsx" << true;
    QTest::newRow("XLSX cut short") << "v.xlsx" << false;
}

void TestSheetReaders::fileVanishes()
{
    QFETCH(QString, name);
    QFETCH(bool, removed);
    const QString file = path(name);
    auto writer = ExportWriter::create(ExportWriter::formatOf(file), file);
    writer->begin({{QStringLiteral("代理编号"), store::ColumnType::Text}});
    for (int i = 0; i < 200000; ++i)
        writer->writeRow({QStringLiteral("代理%1").arg(i)});
    writer->finish();

    auto reader = SheetReader::openFile(file);
    SheetReader::Row row;
    QVERIFY(reader->next(row));
    if (removed)
        QVERIFY(QFile::remove(file));
    else
        QVERIFY(QFile::resize(file, QFile(file).size() / 3));
    const QString why = readError([&] {
        while (reader->next(row)) {
        }
    });
    QVERIFY2(why.contains(QStringLiteral("被删除或改动")) ||
                 why.contains(QStringLiteral("读取文件")) || why.contains(QStringLiteral("已损坏")),
             qPrintable(why));
}

// The entry points for a file already in memory read what the file entry points read.
void TestSheetReaders::buffersReadAsFiles()
{
    for (const QString &file : {make(QStringLiteral("handmade"), path(QStringLiteral("b.xlsx"))),
                                path(QStringLiteral("b.csv"))}) {
        if (file.endsWith(QLatin1String(".csv")))
            writeBytes(file, "\xEF\xBB\xBF编号;名称\r\n1;\"a;b\"\r\n");
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        auto reader = SheetReader::openBuffer(f.readAll(), file);
        QList<SheetReader::Row> rows;
        SheetReader::Row row;
        while (reader->next(row))
            rows.append(row);
        QCOMPARE(texts(rows), texts(readAll(file)));
    }
    QVERIFY(!readError([] { importing::XlsxReader::fromBuffer("PK\x03\x04junk"); }).isEmpty());
    QCOMPARE(importing::CsvReader::fromBuffer("a\tb\n")->delimiter(), QLatin1Char('\t'));
}

QTEST_GUILESS_MAIN(TestSheetReaders)
#include "tst_sheetreaders.moc"
