#include "connection.h"
#include "dataset.h"
#include "reportengine.h"
#include "reportoutput.h"
#include "session.h"
#include "teststore.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// A real PDF reader's view of a file: its page count, and the text of a page.
int pdfPages(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return -1;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

QString pdfText(const QString &path, int page)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                          QString::number(page), QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("(pdftotext failed)");
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

// The engine over a real store: which rows it prints and in which order, how it cuts them into
// pages, groups, sums, label sheets, the sender, PDF and printing, and what a missing or
// broken layout shows.
class TestReportEngine : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void filteredAndSortedRowsInDatasetOrder();
    void pagesHoldEveryRowOnceAndAreFull();
    void groupsAndSums();
    void longTextsWrapInsideTheirCell();
    void bandTallerThanAPageIsCutOverPages();
    void labelGridAcrossSheets();
    void senderLines();
    void badLayoutsNameTheFileAndTheFault();
    void valuesAsPrinted();
    void pdfReadBackByAPdfReader();
    void printsPagesRangesAndCopies();

  private:
    QString writeLayout(const QString &name, const QString &text);
    Report render(const QString &name, const QString &layout, store::Dataset *d);
    void addCountries(int n);

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::Connection> m_db;
    std::unique_ptr<store::Dataset> m_countries;
    QTemporaryDir m_out;
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
        m_db->exec(QStringLiteral("INSERT INTO tblCountry (CountryID, CountryName, Continent, CountryColor, Memo) "
                                  "VALUES (?, ?, ?, ?, ?)"),
                   {r[0], r[1], r[2], r[0].right(1).toInt(), QString(QStringLiteral("addr-") + r[0])});
}

void TestReportEngine::init()
{
    m_countries = std::make_unique<store::Dataset>(*m_db, QStringLiteral("tblCountry"));
    m_countries->setTable(QStringLiteral("tblCountry"));
    m_countries->setFilter(store::Condition::startsWith(QStringLiteral("CountryID"), QStringLiteral("ZZ")));
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

Report TestReportEngine::render(const QString &name, const QString &layout, store::Dataset *d)
{
    writeLayout(name, layout);
    ReportEngine engine;
    engine.setPrintDate(QDate(2024, 5, 6));
    Report report = engine.render(name, d);
    report.paginate();
    return report;
}

// Countries AA000 ... in code order, for reports of many rows.
void TestReportEngine::addCountries(int n)
{
    m_db->transaction([&] {
        for (int i = 0; i < n; ++i)
            m_db->exec(QStringLiteral("INSERT INTO tblCountry (CountryID, CountryName, Continent, Memo) VALUES (?, ?, ?, ?)"),
                       {QStringLiteral("AA%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("国家%1").arg(i),
                        i % 10 == 0 ? QStringLiteral("第一行\n第二行\n第三行") : QStringLiteral("洲"),
                        QStringLiteral("x")});
    });
}

void TestReportEngine::filteredAndSortedRowsInDatasetOrder()
{
    m_countries->setFilter(store::Condition::eq(QStringLiteral("Continent"), QStringLiteral("TestLand")));
    m_countries->setSort(QStringLiteral("CountryName"), Qt::DescendingOrder);
    m_countries->moveTo(2);
    const Report report = render(QStringLiteral("countries.frf"),
                                 QStringLiteral("title: 国家列表\n---\n[report-header]\n<h1>{{title}}</h1><p>{{printDate}} "
                                                "共 {{rowCount}} 条</p>\n[columns]\n序号 | 10% | | {{rowNo}}\n代码 | | | "
                                                "{{CountryID}}\n名称 | | | {{countryname}}\n"),
                                 m_countries.get());
    QVERIFY(report.isValid());
    QCOMPARE(report.pageCount(), 1);
    const QString text = report.pageText(0);
    QVERIFY2(text.startsWith(QStringLiteral("国家列表\n2024-05-06 共 5 条\n序号\t代码\t名称\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("1\tZZ7\tGolf\n2\tZZ5\tFoxtrot\n3\tZZ1\tDelta\n4\tZZ6\tCharlie\n5\tZZ3\tAlpha")),
             qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("Bravo"))); // filtered out
    QVERIFY(text.endsWith(QStringLiteral("第 1 页 / 共 1 页")));
    QCOMPARE(m_countries->currentRow(), 2); // the dataset stays where it was
}

void TestReportEngine::pagesHoldEveryRowOnceAndAreFull()
{
    addCountries(150);
    m_countries->setFilter(store::Condition::startsWith(QStringLiteral("CountryID"), QStringLiteral("AA")));
    Report report = render(QStringLiteral("pages.frf"),
                           QStringLiteral("title: 分页\npage: A6\nmargins: 8\nfont-size: 8\n---\n"
                                          "[page-header]\n<p>页眉 {{title}}</p>\n[report-header]\n<h2>报表头</h2>\n"
                                          "[columns]\n代码 | 30% | | {{CountryID}}\n洲 | | | {{Continent}}\n"
                                          "[summary]\n<p>共 {{rowCount}} 个国家</p>\n[page-footer]\n<p>页脚</p>\n"),
                           m_countries.get());
    QVERIFY(report.isValid());
    const int pages = report.pageCount();
    QVERIFY2(pages > 3, qPrintable(QString::number(pages)));
    const qreal body = report.bodySize().height();

    QList<int> rows;
    qreal tallest = 0, lowest = 1e9;
    for (int page = 0; page < pages; ++page) {
        const QList<Report::PlacedBand> bands = report.pageBands(page);
        QCOMPARE(bands.first().part, QStringLiteral("page-header"));
        QCOMPARE(bands.last().part, QStringLiteral("page-footer"));
        QCOMPARE(bands.last().top + bands.last().height, body);
        if (page == 0)
            QCOMPARE(bands[1].part, QStringLiteral("report-header"));
        // The captions stand above the first row of every page; nothing overlaps or leaves the body.
        const int firstRow = int(std::find_if(bands.begin(), bands.end(), [](const auto &b) { return b.part == QLatin1String("row"); }) -
                                 bands.begin());
        QVERIFY(firstRow < bands.size() || page == pages - 1);
        if (firstRow < bands.size())
            QCOMPARE(bands[firstRow - 1].part, QStringLiteral("captions"));
        for (int i = 1; i < bands.size(); ++i)
            QVERIFY2(bands[i].top >= bands[i - 1].top + bands[i - 1].height - 0.01, qPrintable(QString::number(page)));
        for (const Report::PlacedBand &b : bands) {
            if (b.part != QLatin1String("row"))
                continue;
            rows << b.row;
            tallest = qMax(tallest, b.height);
            lowest = qMin(lowest, b.height);
        }
        // A page is full: the next page's first row would not have fitted above the footer.
        if (page + 1 < pages) {
            const QList<Report::PlacedBand> next = report.pageBands(page + 1);
            const auto nextRow = std::find_if(next.begin(), next.end(), [](const auto &b) { return b.part == QLatin1String("row"); });
            const qreal used = bands[bands.size() - 2].top + bands[bands.size() - 2].height;
            QVERIFY2(used + nextRow->height > bands.last().top, qPrintable(QString::number(page)));
        }
        // Numbered "第 N 页 / 共 M 页".
        QVERIFY(report.pageText(page).endsWith(QStringLiteral("第 %1 页 / 共 %2 页").arg(page + 1).arg(pages)));
    }
    QList<int> expected;
    for (int i = 0; i < 150; ++i)
        expected << i;
    QCOMPARE(rows, expected); // every row once, in order
    // The rows of three lines are three lines high (the cell padding of 1 mm aside).
    const qreal padding = 2 * Report::unitsPerMm();
    QVERIFY2(qAbs((tallest - padding) - 3 * (lowest - padding)) < 0.01, qPrintable(QStringLiteral("%1 %2").arg(tallest).arg(lowest)));
    QCOMPARE(report.pageBands(pages - 1).at(report.pageBands(pages - 1).size() - 2).part, QStringLiteral("summary"));
    QVERIFY(report.pageText(pages - 1).contains(QStringLiteral("共 150 个国家")));
    QVERIFY(report.pageText(1).startsWith(QStringLiteral("页眉 分页\n代码\t洲\nAA")));
}

void TestReportEngine::groupsAndSums()
{
    m_db->exec(QStringLiteral("INSERT INTO tblOperates (OperateID, CustID, RMB, CompactAmount) VALUES "
                              "('G1', 'A', 0.1, 1), ('G2', 'A', 0.2, 2), ('G3', 'B', 1000.005, 3), ('G4', 'C', -0.004, 4)"));
    store::Dataset records(*m_db, QStringLiteral("tblOperates"));
    records.setTable(QStringLiteral("tblOperates"));
    records.setFilter(store::Condition::like(QStringLiteral("OperateID"), QStringLiteral("G")));
    records.setSort(QStringLiteral("CustID"));
    records.open();
    const Report report = render(QStringLiteral("groups.frf"),
                                 QStringLiteral("group: CustID\n---\n[group-header]\n<p>代理 {{group.value}}</p>\n"
                                                "[columns]\n编码 | | | {{OperateID}}\n金额 | | | {{RMB}}\n"
                                                "[group-footer]\n<p>小计 {{group.count}} 条 {{group.sum.RMB}}</p>\n"
                                                "[summary]\n<p>合计 {{sum.RMB}} / {{sum.CompactAmount}}</p>\n"),
                                 &records);
    QVERIFY(report.isValid());
    const QString text = report.pageText(0);
    QVERIFY2(text.contains(QStringLiteral("代理 A\n编码\t金额\nG1\t0.10\nG2\t0.20\n小计 2 条 0.30\n"
                                          "代理 B\nG3\t1000.01\n小计 1 条 1000.01\n代理 C\nG4\t0.00\n小计 1 条 0.00\n"
                                          "合计 1000.30 / 10.00")),
             qPrintable(text));
}

void TestReportEngine::longTextsWrapInsideTheirCell()
{
    const QString longText = QStringLiteral("这是一段很长的备注文字，").repeated(12);
    m_db->exec(QStringLiteral("UPDATE tblCountry SET Memo = ? WHERE CountryID = 'ZZ2'"), {longText});
    m_countries->refresh();
    const Report report = render(QStringLiteral("wrap.frf"),
                                 QStringLiteral("---\n[columns]\n代码 | 20% | | {{CountryID}}\n描述 | 30% | | {{Memo}}\n名称 | | | "
                                                "{{CountryName}}\n"),
                                 m_countries.get());
    QList<qreal> heights, tops;
    for (const Report::PlacedBand &b : report.pageBands(0)) {
        if (b.part == QLatin1String("row")) {
            heights << b.height;
            tops << b.top;
        }
    }
    QCOMPARE(heights.size(), 7);
    QVERIFY2(heights[1] > 5 * heights[0], qPrintable(QStringLiteral("%1 %2").arg(heights[1]).arg(heights[0])));
    QVERIFY(report.pageText(0).contains(QStringLiteral("ZZ2\t") + longText + QStringLiteral("\tBravo")));

    // Drawn, the text stays inside its column: the next column's cells, right of the border,
    // hold the next column's short name only, so its right part is blank.
    QImage page(report.paperSize().toSize(), QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        report.paintPage(p, 0);
    }
    const qreal u = Report::unitsPerMm();
    const int left = int((15 + 0.5 * report.bodySize().width() / u + 40) * u); // well inside the name column
    const int top = int(15 * u + tops[1] + 4), bottom = int(15 * u + tops[1] + heights[1] - 4);
    int ink = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < int(page.width() - 16 * u); ++x)
            ink += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
    QCOMPARE(ink, 0);
}

void TestReportEngine::bandTallerThanAPageIsCutOverPages()
{
    QString lines;
    for (int i = 1; i <= 120; ++i)
        lines += QStringLiteral("<p style=\"margin: 0\">第 %1 行</p>").arg(i);
    m_countries->setFilter(store::Condition::eq(QStringLiteral("CountryID"), QStringLiteral("ZZ1")));
    const Report report = render(QStringLiteral("tall.frf"),
                                 QStringLiteral("page: A6\n---\n[record]\n<p>{{CountryName}}</p>") + lines +
                                     QStringLiteral("\n[summary]\n<p>完</p>\n"),
                                 m_countries.get());
    QVERIFY(report.isValid());
    const int pages = report.pageCount();
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
    qreal from = 0;
    for (int page = 0; page + 1 < pages; ++page) {
        const QList<Report::PlacedBand> bands = report.pageBands(page);
        QCOMPARE(bands.size(), 1);
        QCOMPARE(bands[0].row, 0);
        QCOMPARE(bands[0].from, from); // each page goes on where the last one stopped
        QVERIFY(bands[0].height > report.bodySize().height() - 1);
        from += bands[0].height;
    }
    QCOMPARE(report.pageBands(pages - 1).first().from, from);
    QCOMPARE(report.pageBands(pages - 1).last().part, QStringLiteral("summary"));
    // Nothing is lost: every line is in the band, once.
    QVERIFY(report.pageText(0).contains(QStringLiteral("第 120 行")));
}

void TestReportEngine::labelGridAcrossSheets()
{
    addCountries(0);
    m_db->transaction([&] {
        for (int i = 0; i < 30; ++i)
            m_db->exec(QStringLiteral("INSERT INTO tblCountry (CountryID, CountryName, Continent, Memo) VALUES (?, ?, ?, 'x')"),
                       {QStringLiteral("LB%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("收件%1").arg(i),
                        i % 2 ? QString() : QStringLiteral("亚洲")});
    });
    m_countries->setFilter(store::Condition::startsWith(QStringLiteral("CountryID"), QStringLiteral("LB")));
    const Report report = render(QStringLiteral("labels.frf"),
                                 QStringLiteral("title: 标签\nlabels: 2 7\nlabel-size: 99 38\nlabel-padding: 3\nmargins: 6 15 6 15\n"
                                                "page-header: yes\n---\n[label]\n{{Continent}} | size=8\n{{CountryName}} 收 | size=13 bold\n"),
                                 m_countries.get());
    QCOMPARE(report.pageCount(), 3);
    for (int page = 0; page < 3; ++page) {
        const QList<Report::PlacedBand> labels = report.pageBands(page);
        QCOMPARE(labels.size(), page < 2 ? 14 : 2);
        QCOMPARE(labels.first().row, page * 14);
        QCOMPARE(labels.last().top, page < 2 ? 6 * 38 * Report::unitsPerMm() : 0.0);
    }
    const QString last = report.pageText(2);
    QVERIFY2(last == QStringLiteral("标签\t打印日期：2024-05-06\n亚洲\n收件28 收\n收件29 收\n第 3 页 / 共 3 页"), qPrintable(last));
}

void TestReportEngine::senderLines()
{
    const QString layout = QStringLiteral("labels: 2 2\n---\n[label]\n{{CountryName}}\n"
                                          "{{#sender}}寄件人：{{sender.UserName}} {{sender.postcode}}{{/sender}} | size=8\n");
    m_countries->setFilter(store::Condition::eq(QStringLiteral("CountryID"), QStringLiteral("ZZ1")));
    writeLayout(QStringLiteral("sender.frf"), layout);
    ReportEngine engine;
    Report plain = engine.render(QStringLiteral("sender.frf"), m_countries.get());
    plain.paginate();
    QVERIFY(!plain.pageText(0).contains(QStringLiteral("寄件人")));
    engine.setSender({{QStringLiteral("UserName"), QStringLiteral("星桥")}, {QStringLiteral("PostCode"), QStringLiteral("200120")}});
    Report with = engine.render(QStringLiteral("sender.frf"), m_countries.get());
    with.paginate();
    QVERIFY2(with.pageText(0).contains(QStringLiteral("Delta\n寄件人：星桥 200120")), qPrintable(with.pageText(0)));
}

void TestReportEngine::badLayoutsNameTheFileAndTheFault()
{
    const struct {
        const char *name, *layout, *fault;
    } cases[] = {{"missing.frf", nullptr, "不存在"},
                 {"syntax.frf", "---\n[columns]\n名称 | | | {{#CountryName}}\n", "报表格式文件有误"},
                 {"band.frf", "---\n[columns]\n名称 | {{CountryName}}\n", "第 3 行"},
                 {"old.frf", "title: x\n---\n<table>{{#rows}}<tr><td>{{CountryID}}</td></tr>{{/rows}}</table>", "旧格式"},
                 {"unknown.frf", "---\n[columns]\n名称 | | | {{CountryNmae}} {{sum.Nope}}\n", "CountryNmae、sum.Nope"}};
    for (const auto &c : cases) {
        ReportEngine engine;
        if (c.layout)
            writeLayout(QLatin1String(c.name), QString::fromUtf8(c.layout));
        Report report = engine.render(QLatin1String(c.name), m_countries.get());
        QVERIFY2(!report.isValid(), c.name);
        QVERIFY(report.paginate());
        QCOMPARE(report.pageCount(), 1);
        const QString text = report.pageText(0);
        QVERIFY2(text.contains(QString::fromUtf8(c.fault)), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(engine.layoutPath(QLatin1String(c.name)))), qPrintable(text));
    }
}

void TestReportEngine::valuesAsPrinted()
{
    using T = store::ColumnType;
    QCOMPARE(ReportSource::printed(QDate(2024, 3, 5), T::Date, false), QStringLiteral("2024-03-05"));
    QCOMPARE(ReportSource::printed(QStringLiteral("2024-03-05T10:20:00"), T::Date, false), QStringLiteral("2024-03-05"));
    QCOMPARE(ReportSource::printed(true, T::Bool, false), QStringLiteral("是"));
    QCOMPARE(ReportSource::printed(false, T::Bool, false), QStringLiteral("否"));
    QCOMPARE(ReportSource::printed(1500, T::Currency, true), QStringLiteral("1500.00"));
    QCOMPARE(ReportSource::printed(0.1 + 0.2, T::Number, true), QStringLiteral("0.30"));
    QCOMPARE(ReportSource::printed(2.675, T::Currency, true), QStringLiteral("2.68")); // halves up, not binary noise
    QCOMPARE(ReportSource::printed(-0.001, T::Currency, true), QStringLiteral("0.00"));
    QCOMPARE(ReportSource::printed(QVariant(), T::Currency, true), QString());
    for (const char *name : {"sumRMB", "gathering", "payment"})
        QVERIFY(ReportSource::isMoneyName(QLatin1String(name)));
    QVERIFY(!ReportSource::isMoneyName(QStringLiteral("Amount")));

    // Money columns of a table and the ledgers' computed sums print as money, and stand right.
    m_db->exec(QStringLiteral("INSERT INTO tblOperates (OperateID, RMB, CompactAmount, Rate) VALUES ('M1', 1500, 2000.256, 1.5)"));
    store::Dataset records(*m_db, QStringLiteral("records"));
    records.setSql(QStringLiteral("SELECT OperateID, RMB, CompactAmount, Rate, RMB - 0.5 AS gathering FROM tblOperates "
                                  "WHERE OperateID = 'M1'"));
    records.open();
    const Report report = render(QStringLiteral("money.frf"),
                                 QStringLiteral("---\n[columns]\n编码 | 30% | | {{OperateID}}\n折人民币 | | | {{RMB}}\n合同 | | | "
                                                "{{CompactAmount}}\n汇率 | | | {{Rate}}\n未收 | | | {{gathering}}\n"),
                                 &records);
    QVERIFY2(report.pageText(0).contains(QStringLiteral("M1\t1500.00\t2000.26\t1.5\t1499.50")), qPrintable(report.pageText(0)));
}

void TestReportEngine::pdfReadBackByAPdfReader()
{
    addCountries(0);
    m_countries->setFilter(store::Condition::startsWith(QStringLiteral("CountryID"), QStringLiteral("AA")));
    if (m_countries->rowCount() == 0) {
        addCountries(150);
        m_countries->refresh();
    }
    Report report = render(QStringLiteral("pdf.frf"),
                           QStringLiteral("title: 国家列表\npage: A6\n---\n[report-header]\n<p>{{title}} 打印日期 {{printDate}}</p>\n"
                                          "[columns]\n代码 | 30% | | {{CountryID}}\n名称 | | | {{CountryName}}\n"
                                          "[summary]\n<p>合计 {{rowCount}} 个</p>\n"),
                           m_countries.get());
    const int pages = report.pageCount();
    QVERIFY(pages > 2);
    const QString path = m_out.filePath(QStringLiteral("国家.pdf"));
    int told = 0;
    QCOMPARE(ReportOutput::writePdf(report, path, [&](int done, int total) {
                 told = done;
                 return total == pages;
             }),
             ReportOutput::Result::Done);
    QCOMPARE(told, pages);
    QCOMPARE(pdfPages(path), pages);
    const QString first = pdfText(path, 1), last = pdfText(path, pages);
    QVERIFY2(first.contains(QStringLiteral("国家列表 打印日期 2024-05-06")), qPrintable(first));
    QVERIFY2(first.contains(QStringLiteral("AA000")) && first.contains(QStringLiteral("国家0")), qPrintable(first));
    QVERIFY2(first.contains(QStringLiteral("第 1 页 / 共 %1 页").arg(pages)), qPrintable(first));
    QVERIFY2(last.contains(QStringLiteral("AA149")) && last.contains(QStringLiteral("合计 150 个")), qPrintable(last));
    QVERIFY2(last.contains(QStringLiteral("第 %1 页 / 共 %1 页").arg(pages)), qPrintable(last));
    QVERIFY(QDir(m_out.path()).entryList({QStringLiteral("*.part-*")}, QDir::Files).isEmpty());
    // The Chinese text is set in the CJK font, embedded in the file.
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {path});
    QVERIFY(fonts.waitForFinished(30000));
    const QString fontList = QString::fromUtf8(fonts.readAllStandardOutput());
    QVERIFY2(fontList.contains(QRegularExpression(QStringLiteral("NotoSansCJK\\S*\\s.*\\byes\\b"))), qPrintable(fontList));

    // Cancelled halfway: the file that was there stays as it was, nothing half-written beside it.
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray kept = before.readAll();
    before.close();
    QCOMPARE(ReportOutput::writePdf(report, path, [](int done, int) { return done < 2; }), ReportOutput::Result::Cancelled);
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), kept);
    const QString fresh = m_out.filePath(QStringLiteral("新.pdf"));
    QCOMPARE(ReportOutput::writePdf(report, fresh, [](int, int) { return false; }), ReportOutput::Result::Cancelled);
    QVERIFY(!QFile::exists(fresh));
    QString error;
    QCOMPARE(ReportOutput::writePdf(report, m_out.filePath(QStringLiteral("no/such/dir/x.pdf")), {}, &error),
             ReportOutput::Result::Failed);
    QVERIFY(error.contains(QStringLiteral("无法写入")));
    QVERIFY(QDir(m_out.path()).entryList({QStringLiteral("*.part-*")}, QDir::Files).isEmpty());
}

void TestReportEngine::printsPagesRangesAndCopies()
{
    m_countries->setFilter(store::Condition::startsWith(QStringLiteral("CountryID"), QStringLiteral("AA")));
    if (m_countries->rowCount() == 0) {
        addCountries(150);
        m_countries->refresh();
    }
    Report report = render(QStringLiteral("print.frf"),
                           QStringLiteral("page: A6\n---\n[columns]\n代码 | | | {{CountryID}}\n"), m_countries.get());
    QVERIFY(report.pageCount() >= 3);
    const auto printTo = [&](const QString &name, int from, int to, int copies) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_out.filePath(name));
        printer.setFullPage(true);
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        printer.setCopyCount(copies);
        return ReportOutput::print(report, &printer);
    };
    QCOMPARE(printTo(QStringLiteral("all.pdf"), 0, 0, 1), ReportOutput::Result::Done);
    QCOMPARE(pdfPages(m_out.filePath(QStringLiteral("all.pdf"))), report.pageCount());
    QCOMPARE(printTo(QStringLiteral("range.pdf"), 2, 3, 2), ReportOutput::Result::Done);
    QCOMPARE(pdfPages(m_out.filePath(QStringLiteral("range.pdf"))), 4);
    QVERIFY(pdfText(m_out.filePath(QStringLiteral("range.pdf")), 1).contains(QStringLiteral("第 2 页")));
}

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
