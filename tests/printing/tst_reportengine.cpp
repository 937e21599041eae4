#include "connection.h"
#include "dataset.h"
#include "reportengine.h"
#include "session.h"
#include "teststore.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace
{

// Pages in a PDF file: every page object is typed "/Page" (the page tree is "/Pages").
int pdfPages(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    const QString text = QString::fromLatin1(f.readAll());
    int n = 0;
    for (auto it = page.globalMatch(text); it.hasNext(); it.next())
        ++n;
    return n;
}

QStringList captured(const QString &text, const QString &pattern)
{
    QStringList out;
    const QRegularExpression re(pattern);
    for (auto it = re.globalMatch(text); it.hasNext();)
        out << it.next().captured(1);
    return out;
}

QList<QTextTable *> tables(QTextDocument *doc)
{
    QList<QTextTable *> out;
    for (QTextFrame *f : doc->rootFrame()->childFrames())
        if (auto *t = qobject_cast<QTextTable *>(f))
            out << t;
    return out;
}

} // namespace

// The engine over a real store: which rows it prints, in which order, how fields read, label
// sheets, the sender, and what a missing or broken layout shows.
class TestReportEngine : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void filteredRowsInDatasetOrder();
    void emptyDatasetShowsLayoutWithoutRows();
    void missingOrBrokenLayoutNamesTheFile();
    void fieldsAsPrinted();
    void fieldNamesIgnoreLetterCase();
    void labelGrid();
    void senderBlock();
    void printsPagesAndRanges();

  private:
    QString writeLayout(const QString &name, const QString &text);
    QStringList datasetCodes(store::Dataset &d);

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::Connection> m_db;
    std::unique_ptr<store::Dataset> m_countries;
};

void TestReportEngine::initTestCase()
{
    m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
    store::session().setAppDir(m_store->appDir());
    QVERIFY(QDir().mkpath(m_store->appDir() + QStringLiteral("Data/Report")));
    m_db = m_store->connect();
    // Names chosen so that the name order differs from the code order.
    const QList<QStringList> rows = {{"ZZ1", "Delta", "TestLand"},   {"ZZ2", "Bravo", "Other"},
                                     {"ZZ3", "Alpha", "TestLand"},   {"ZZ4", "Echo", "Other"},
                                     {"ZZ5", "Foxtrot", "TestLand"}, {"ZZ6", "Charlie", "TestLand"},
                                     {"ZZ7", "Golf", "TestLand"}};
    for (const QStringList &r : rows)
        m_db->exec(
            QStringLiteral("INSERT INTO tblCountry (CountryID, CountryName, Continent, Memo) "
                           "VALUES (?, ?, ?, ?)"),
            {r[0], r[1], r[2], QString(QStringLiteral("addr-") + r[0])});
}

void TestReportEngine::init()
{
    m_countries = std::make_unique<store::Dataset>(*m_db, QStringLiteral("tblCountry"));
    m_countries->setTable(QStringLiteral("tblCountry"));
    m_countries->open();
}

void TestReportEngine::cleanup()
{
    m_countries.reset();
}

QString TestReportEngine::writeLayout(const QString &name, const QString &text)
{
    const QString path = m_store->appDir() + QStringLiteral("Data/Report/") + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    f.write(text.toUtf8());
    return path;
}

QStringList TestReportEngine::datasetCodes(store::Dataset &d)
{
    QStringList codes;
    for (int r = 0; r < d.rowCount(); ++r)
        codes << d.value(r, QStringLiteral("CountryID")).toString();
    return codes;
}

void TestReportEngine::filteredRowsInDatasetOrder()
{
    writeLayout(
        QStringLiteral("countries.frf"),
        QStringLiteral("title: 国家列表\n---\n<h1>{{title}}</h1><p>{{printDate}} {{rowCount}}</p>"
                       "{{#rows}}<p>[{{rowNo}}:{{CountryID}}:{{CountryName}}]</p>{{/rows}}"));
    m_countries->setFilter(
        store::Condition::eq(QStringLiteral("Continent"), QStringLiteral("TestLand")));
    m_countries->setSort(QStringLiteral("CountryName"), Qt::DescendingOrder);
    QVERIFY(m_countries->moveTo(2));

    ReportEngine engine;
    QCOMPARE(engine.layoutPath(QStringLiteral("countries.frf")),
             m_store->appDir() + QStringLiteral("Data/Report/countries.frf"));
    engine.setPrintDate(QDate(2024, 5, 6));
    const Report report = engine.render(QStringLiteral("countries.frf"), m_countries.get());
    QVERIFY(report.isValid());
    const QString text = report.toPlainText();

    // Only the rows the filter lets through, in the dataset's order, numbered from 1.
    const QStringList printed = captured(text, QStringLiteral("\\[\\d+:(\\w+):"));
    QCOMPARE(printed, datasetCodes(*m_countries));
    QCOMPARE(printed, (QStringList{"ZZ7", "ZZ5", "ZZ1", "ZZ6", "ZZ3"}));
    QCOMPARE(captured(text, QStringLiteral("\\[(\\d+):")), (QStringList{"1", "2", "3", "4", "5"}));
    QVERIFY(text.contains(QStringLiteral("[1:ZZ7:Golf]")));
    QVERIFY(text.contains(QStringLiteral("国家列表")));
    QVERIFY(text.contains(QStringLiteral("2024-05-06 5")));
    QCOMPARE(report.title(), QStringLiteral("国家列表"));
    // Printing does not move the dataset.
    QCOMPARE(m_countries->currentRow(), 2);
}

void TestReportEngine::emptyDatasetShowsLayoutWithoutRows()
{
    writeLayout(
        QStringLiteral("empty.frf"),
        QStringLiteral("title: 国家列表\n---\n<h1>{{title}}</h1><table><thead><tr><th>代码</th>"
                       "<th>名称</th></tr></thead>{{#rows}}<tr><td>row {{CountryID}}</td>"
                       "</tr>{{/rows}}</table>{{^rows}}<p>（没有记录）</p>{{/rows}}"
                       "<p>共 {{rowCount}} 条</p>"));
    m_countries->setFilter(
        store::Condition::eq(QStringLiteral("CountryID"), QStringLiteral("none")));
    QCOMPARE(m_countries->rowCount(), 0);

    const Report report = ReportEngine().render(QStringLiteral("empty.frf"), m_countries.get());
    QVERIFY(report.isValid());
    const QString text = report.toPlainText();
    for (const char *shown : {"国家列表", "代码", "名称", "（没有记录）", "共 0 条"})
        QVERIFY2(text.contains(QString::fromUtf8(shown)), shown);
    QVERIFY(!text.contains(QStringLiteral("row")));
    QCOMPARE(report.pageCount(), 1);

    // A closed dataset prints as an empty one rather than failing.
    m_countries->close();
    const Report closed = ReportEngine().render(QStringLiteral("empty.frf"), m_countries.get());
    QVERIFY(closed.toPlainText().contains(QStringLiteral("共 0 条")));
}

void TestReportEngine::missingOrBrokenLayoutNamesTheFile()
{
    ReportEngine engine;
    const QString missing = engine.layoutPath(QStringLiteral("frNowhere.frf"));
    const Report report = engine.render(QStringLiteral("frNowhere.frf"), m_countries.get());
    QVERIFY(!report.isValid());
    QCOMPARE(report.pageCount(), 1);
    QVERIFY2(report.toPlainText().contains(QStringLiteral("报表格式文件不存在：") +
                                           QDir::toNativeSeparators(missing)),
             qPrintable(report.toPlainText()));

    // A folder of that name is no layout either.
    QVERIFY(QDir().mkpath(engine.layoutPath(QStringLiteral("folder.frf"))));
    QVERIFY(engine.render(QStringLiteral("folder.frf"), m_countries.get())
                .toPlainText()
                .contains(QStringLiteral("报表格式文件不存在：")));

    // Names written with Windows separators reach the same folder.
    writeLayout(QStringLiteral("plain.frf"), QStringLiteral("---\n<p>plain {{rowCount}}</p>"));
    QCOMPARE(engine.layoutPath(QStringLiteral("sub\\plain.frf")),
             engine.reportDir() + QStringLiteral("sub/plain.frf"));

    // A template mustache cannot parse names the file and the fault instead of printing.
    const QString broken = writeLayout(QStringLiteral("broken.frf"),
                                       QStringLiteral("---\n{{#rows}}<p>{{CountryID}}</p>"));
    const Report bad = engine.render(QStringLiteral("broken.frf"), m_countries.get());
    QVERIFY(!bad.isValid());
    QVERIFY2(bad.toPlainText().contains(QStringLiteral("报表格式文件有误：") +
                                        QDir::toNativeSeparators(broken)),
             qPrintable(bad.toPlainText()));
    QVERIFY(bad.toPlainText().contains(QStringLiteral("rows")));

    // A file that cannot be read (when the permissions apply to this user).
    const QString locked = writeLayout(QStringLiteral("locked.frf"), QStringLiteral("---\nx"));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    QFile probe(locked);
    if (probe.open(QIODevice::ReadOnly)) {
        probe.close();
    } else {
        QVERIFY(engine.render(QStringLiteral("locked.frf"), m_countries.get())
                    .toPlainText()
                    .contains(QStringLiteral("报表格式文件无法读取：")));
    }
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestReportEngine::fieldsAsPrinted()
{
    // A date kept as text by another program still prints as a date.
    QCOMPARE(
        ReportEngine::fieldText(QStringLiteral("2024-03-05T10:20:00"), store::ColumnType::Date),
        QStringLiteral("2024-03-05"));

    // As the store hands them over, escaped into the HTML.
    m_db->exec(
        QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Main, Name, SpecialDate) "
                       "VALUES (?, ?, ?, ?, ?)"),
        {QStringLiteral("L-1"), QStringLiteral("C-1"), true, QStringLiteral("<b>王</b> & 李"),
         QDate(2023, 12, 31)});
    m_db->exec(QStringLiteral(
                   "INSERT INTO tblLinkmans (LinkmanID, CustID, Main, Name) VALUES (?, ?, ?, ?)"),
               {QStringLiteral("L-2"), QStringLiteral("C-1"), false, QStringLiteral("赵")});
    m_db->exec(QStringLiteral("INSERT INTO tblOperates (OperateID, CustID, RMB, CompactAmount) "
                              "VALUES (?, ?, ?, ?)"),
               {QStringLiteral("OP-1"), QStringLiteral("C-1"), 1500, 2000.25});
    writeLayout(
        QStringLiteral("contacts.frf"),
        QStringLiteral(
            "---\n{{#rows}}<p>[{{LinkmanID}}|{{Main}}|{{Name}}|{{SpecialDate}}]</p>{{/rows}}"));
    writeLayout(
        QStringLiteral("money.frf"),
        QStringLiteral(
            "---\n{{#rows}}<p>[{{OperateID}}|{{RMB}}|{{CompactAmount}}|{{EndDate}}]</p>{{/rows}}"));

    store::Dataset contacts(*m_db, QStringLiteral("tblLinkmans"));
    contacts.setTable(QStringLiteral("tblLinkmans"));
    contacts.setSort(QStringLiteral("LinkmanID"));
    contacts.open();
    const Report report = ReportEngine().render(QStringLiteral("contacts.frf"), &contacts);
    const QString text = report.toPlainText();
    QVERIFY2(text.contains(QStringLiteral("[L-1|是|<b>王</b> & 李|2023-12-31]")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("[L-2|否|赵|]")), qPrintable(text));

    store::Dataset records(*m_db, QStringLiteral("tblOperates"));
    records.setTable(QStringLiteral("tblOperates"));
    records.open();
    const QString money =
        ReportEngine().render(QStringLiteral("money.frf"), &records).toPlainText();
    QVERIFY2(money.contains(QStringLiteral("[OP-1|1500.00|2000.25|]")), qPrintable(money));
}

void TestReportEngine::fieldNamesIgnoreLetterCase()
{
    writeLayout(QStringLiteral("case.frf"),
                QStringLiteral(
                    "---\n{{#rows}}<p>[{{countryid}}|{{COUNTRYNAME}}|{{CountryID}}]</p>{{/rows}}"));
    m_countries->setFilter(
        store::Condition::eq(QStringLiteral("CountryID"), QStringLiteral("ZZ3")));
    const QString text =
        ReportEngine().render(QStringLiteral("case.frf"), m_countries.get()).toPlainText();
    QVERIFY2(text.contains(QStringLiteral("[ZZ3|Alpha|ZZ3]")), qPrintable(text));
}

void TestReportEngine::labelGrid()
{
    writeLayout(
        QStringLiteral("labels.frf"),
        QStringLiteral(
            "labels: 2 3\nlabel-size: 90 40\nlabel-padding: 2\nmargins: 10 15 10 15\n---\n"
            "{{#labelPages}}<table cellspacing=\"0\" cellpadding=\"{{labelPadding}}\""
            "{{^last}} style=\"page-break-after: always\"{{/last}}>{{#labelRows}}<tr>"
            "{{#labels}}<td width=\"{{labelWidth}}\">{{{labelSpacer}}}{{#blank}}(空){{/blank}}"
            "{{^blank}}#{{CountryID}}#{{/blank}}</td>{{/labels}}</tr>{{/labelRows}}"
            "</table>{{/labelPages}}"));
    writeLayout(QStringLiteral("gridrows.frf"),
                QStringLiteral(
                    "labels: 3 2\n---\n{{#labelRows}}<p>[{{#labels}}{{CountryID}},{{/labels}}]</p>"
                    "{{/labelRows}}"));
    m_countries->setFilter(
        store::Condition::eq(QStringLiteral("Continent"), QStringLiteral("TestLand")) ||
        store::Condition::eq(QStringLiteral("Continent"), QStringLiteral("Other")));
    m_countries->setSort(QStringLiteral("CountryID"));
    const QStringList codes = datasetCodes(*m_countries);
    QCOMPARE(codes.size(), 7);

    const Report report = ReportEngine().render(QStringLiteral("labels.frf"), m_countries.get());
    QVERIFY(report.isValid());
    // Seven labels on sheets of six: a full sheet and one with a single label, its row padded.
    QCOMPARE(report.pageCount(), 2);
    const QList<QTextTable *> sheets = tables(report.document());
    QCOMPARE(sheets.size(), 2);
    QCOMPARE(sheets[0]->rows(), 3);
    QCOMPARE(sheets[0]->columns(), 2);
    QCOMPARE(sheets[1]->rows(), 1);
    QString padded = sheets[1]->cellAt(0, 1).firstCursorPosition().block().text();
    padded.remove(QChar::ObjectReplacementCharacter); // the label's spacer picture
    QCOMPARE(padded.trimmed(), QStringLiteral("(空)"));
    QCOMPARE(captured(report.toPlainText(), QStringLiteral("#(\\w+)#")), codes);
    // Every label keeps the height of the label, however little it holds.
    const qreal labelHeight = int(40 * Report::unitsPerMm());
    const QRectF first = report.document()->documentLayout()->frameBoundingRect(sheets[0]);
    QVERIFY2(qAbs(first.height() - 3 * labelHeight) <= 1.0,
             qPrintable(QString::number(first.height())));
    QVERIFY(first.height() <= report.bodySize().height());

    // The grid rows of all sheets together, padded with blank labels (never the row above).
    const QString grid =
        ReportEngine().render(QStringLiteral("gridrows.frf"), m_countries.get()).toPlainText();
    QCOMPARE(captured(grid, QStringLiteral("\\[([^\\]]*)\\]")),
             (QStringList{codes.mid(0, 3).join(QLatin1Char(',')) + QLatin1Char(','),
                          codes.mid(3, 3).join(QLatin1Char(',')) + QLatin1Char(','),
                          codes[6] + QStringLiteral(",,,")}));
}

void TestReportEngine::senderBlock()
{
    writeLayout(QStringLiteral("sender.frf"),
                QStringLiteral(
                    "---\n{{#rows}}<p>[{{LinkmanID}}{{#sender}}|{{sender.UserName}}|{{Telephone}}"
                    "|{{Fax}}{{/sender}}]</p>{{/rows}}"));
    m_db->exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Name, Telephone, Fax) "
                              "VALUES (?, ?, ?, ?, ?)"),
               {QStringLiteral("S-1"), QStringLiteral("C-9"), QStringLiteral("钱"),
                QStringLiteral("row-phone"), QStringLiteral("row-fax")});
    store::Dataset contacts(*m_db, QStringLiteral("tblLinkmans"));
    contacts.setTable(QStringLiteral("tblLinkmans"));
    contacts.setFilter(store::Condition::eq(QStringLiteral("LinkmanID"), QStringLiteral("S-1")));
    contacts.open();

    ReportEngine engine;
    const auto printed = [&] {
        return engine.render(QStringLiteral("sender.frf"), &contacts).toPlainText().trimmed();
    };
    QCOMPARE(printed(), QStringLiteral("[S-1]"));

    // Inside the sender block the sender's columns win over the row's, and a sender column
    // the sender row leaves out prints empty instead of the row's value of that name.
    engine.setSender({{QStringLiteral("UserName"), QStringLiteral("星桥贸易")},
                      {QStringLiteral("telephone"), QStringLiteral("010-8")}});
    QCOMPARE(printed(), QStringLiteral("[S-1|星桥贸易|010-8|]"));

    // The sender is the first row of the organisation data.
    store::Dataset info(*m_db, QStringLiteral("tblUserInfo"));
    info.setTable(QStringLiteral("tblUserInfo"));
    QVERIFY(ReportEngine::senderFrom(info).isEmpty());
    m_db->exec(QStringLiteral("INSERT INTO tblUserInfo (UserName, Telephone) VALUES (?, ?)"),
               {QStringLiteral("第一行"), QStringLiteral("010-1")});
    m_db->exec(QStringLiteral("INSERT INTO tblUserInfo (UserName) VALUES (?)"),
               {QStringLiteral("第二行")});
    info.refresh();
    const QVariantMap sender = ReportEngine::senderFrom(info);
    QCOMPARE(sender.value(QStringLiteral("UserName")).toString(), QStringLiteral("第一行"));
    engine.setSender(sender);
    QCOMPARE(printed(), QStringLiteral("[S-1|第一行|010-1|]"));
}

void TestReportEngine::printsPagesAndRanges()
{
    writeLayout(QStringLiteral("long.frf"),
                QStringLiteral("title: 长报表\n---\n{{#rows}}<p style=\"font-size: "
                               "40pt\">{{CountryName}}</p>{{/rows}}"));
    const Report report = ReportEngine().render(QStringLiteral("long.frf"), m_countries.get());
    const int pages = report.pageCount();
    QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));

    QTemporaryDir dir;
    const QString all = dir.filePath(QStringLiteral("all.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(all);
    printer.setFullPage(true);
    QVERIFY(report.print(&printer));
    QCOMPARE(pdfPages(all), pages);

    const QString second = dir.filePath(QStringLiteral("second.pdf"));
    QPrinter ranged(QPrinter::HighResolution);
    ranged.setOutputFileName(second);
    ranged.setPrintRange(QPrinter::PageRange);
    ranged.setFromTo(2, 2);
    QVERIFY(report.print(&ranged));
    QCOMPARE(pdfPages(second), 1);

    const QString copies = dir.filePath(QStringLiteral("copies.pdf"));
    QPrinter twice(QPrinter::HighResolution);
    twice.setOutputFileName(copies);
    twice.setCopyCount(2);
    QVERIFY(report.print(&twice));
    QCOMPARE(pdfPages(copies), 2 * pages);
}

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
