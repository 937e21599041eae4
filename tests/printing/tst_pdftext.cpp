#include "connection.h"
#include "dataset.h"
#include "reportengine.h"
#include "reportoutput.h"
#include "session.h"
#include "teststore.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// What pdftotext reads from a page, as it is: nothing folded.
QString pdfText(const QString &path, int page)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("(pdftotext failed)");
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The radicals (Kangxi and supplement) a text holds.
QString radicals(const QString &text)
{
    QString out;
    for (const QChar c : text)
        if (c.unicode() >= 0x2E80 && c.unicode() <= 0x2FDF)
            out += c;
    return out;
}

} // namespace

// A PDF file of a report, read back by a real PDF reader, says what the page shows.
class TestPdfText : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void exportedFileReadsAsDrawn();
    void printedFileReadsAsDrawn();
    void radicalsInTheDataStayRadicals();
    void fileThatCannotBeWrittenIsAFailureWithItsReason();

  private:
    Report render(const QString &layout, const QString &filter);

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::Connection> m_db;
    std::unique_ptr<store::Dataset> m_countries;
    QTemporaryDir m_out;
};

// The characters that came out as radicals, in every part of a page: the page header, an HTML
// band, the cells and the page footer.
static const QString Words = QStringLiteral("人大一页长");

void TestPdfText::initTestCase()
{
    m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
    store::session().setAppDir(m_store->appDir());
    QVERIFY(QDir().mkpath(m_store->appDir() + QStringLiteral("Data/Report")));
    m_db = m_store->connect();
    m_db->transaction([&] {
        for (int i = 0; i < 40; ++i)
            m_db->exec(
                QStringLiteral("INSERT INTO tblCountry (CountryID, CountryName, Continent, Memo) "
                               "VALUES (?, ?, ?, 'x')"),
                {QStringLiteral("PT%1").arg(i, 2, 10, QLatin1Char('0')),
                 QString(Words + QString::number(i)), QStringLiteral("长江大桥一号")});
        m_db->exec(
            QStringLiteral("INSERT INTO tblCountry (CountryID, CountryName, Continent, Memo) "
                           "VALUES ('RAD', ?, '', 'x')"),
            QVariantList{QStringLiteral("部首⼈⼤")});
    });
    QFile layout(m_store->appDir() + QStringLiteral("Data/Report/words.frf"));
    QVERIFY(layout.open(QIODevice::WriteOnly));
    layout.write(
        QStringLiteral("title: 人大一页长报表\npage: A6\npage-header: yes\n---\n"
                       "[report-header]\n<p>表头：人大一页长</p>\n"
                       "[columns]\n代码 | 25% | | {{CountryID}}\n名称 | | | {{CountryName}}\n"
                       "洲 | | | {{Continent}}\n")
            .toUtf8());
}

Report TestPdfText::render(const QString &layout, const QString &filter)
{
    m_countries = std::make_unique<store::Dataset>(*m_db, QStringLiteral("tblCountry"));
    m_countries->setTable(QStringLiteral("tblCountry"));
    m_countries->setFilter(store::Condition::startsWith(QStringLiteral("CountryID"), filter));
    m_countries->setSort(QStringLiteral("CountryID"));
    m_countries->open();
    ReportEngine engine;
    engine.setPrintDate(QDate(2024, 5, 6));
    Report report = engine.render(layout, m_countries.get());
    report.paginate();
    return report;
}

void TestPdfText::exportedFileReadsAsDrawn()
{
    Report report = render(QStringLiteral("words.frf"), QStringLiteral("PT"));
    const int pages = report.pageCount();
    QVERIFY(pages >= 2);
    const QString path = m_out.filePath(QStringLiteral("words.pdf"));
    QCOMPARE(ReportOutput::writePdf(report, path), ReportOutput::Result::Done);
    for (int page = 1; page <= pages; ++page) {
        const QString text = pdfText(path, page);
        QVERIFY2(radicals(text).isEmpty(), qPrintable(radicals(text) + QLatin1Char('\n') + text));
        QVERIFY2(text.contains(QStringLiteral("人大一页长报表")), qPrintable(text)); // page header
        QVERIFY2(text.contains(QStringLiteral("第 %1 页 / 共 %2 页").arg(page).arg(pages)),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("长江大桥一号")), qPrintable(text));
    }
    const QString first = pdfText(path, 1);
    QVERIFY2(first.contains(QStringLiteral("表头：人大一页长")), qPrintable(first));
    QVERIFY2(first.contains(QRegularExpression(QStringLiteral("PT00\\s+人大一页长0\\s"))),
             qPrintable(first));
}

void TestPdfText::printedFileReadsAsDrawn()
{
    Report report = render(QStringLiteral("words.frf"), QStringLiteral("PT"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString path = m_out.filePath(QStringLiteral("printed.pdf"));
    printer.setOutputFileName(path);
    printer.setFullPage(true);
    QCOMPARE(ReportOutput::print(report, &printer), ReportOutput::Result::Done);
    const QString text = pdfText(path, 1);
    QVERIFY2(radicals(text).isEmpty(), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("第 1 页 / 共 %1 页").arg(report.pageCount())),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("人大一页长1")), qPrintable(text));
}

// A radical the data really holds is read back as that radical, not as its ideograph.
void TestPdfText::radicalsInTheDataStayRadicals()
{
    Report report = render(QStringLiteral("words.frf"), QStringLiteral("RAD"));
    const QString path = m_out.filePath(QStringLiteral("radical.pdf"));
    QCOMPARE(ReportOutput::writePdf(report, path), ReportOutput::Result::Done);
    const QString text = pdfText(path, 1);
    QVERIFY2(text.contains(QStringLiteral("部首⼈⼤")), qPrintable(text));
}

void TestPdfText::fileThatCannotBeWrittenIsAFailureWithItsReason()
{
    Report report = render(QStringLiteral("words.frf"), QStringLiteral("PT"));
    const QString folder = m_out.filePath(QStringLiteral("missing"));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QPainter::begin")));
    QString error;
    QCOMPARE(ReportOutput::writePdf(report, folder + QStringLiteral("/x.pdf"), {}, &error),
             ReportOutput::Result::Failed);
    QVERIFY2(
        error.contains(QStringLiteral("文件夹“%1”不存在").arg(QDir::toNativeSeparators(folder))),
        qPrintable(error));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder + QStringLiteral("/printed.pdf"));
    error.clear();
    QCOMPARE(ReportOutput::print(report, &printer, {}, &error), ReportOutput::Result::Failed);
    QVERIFY2(error.contains(QStringLiteral("printed.pdf")) &&
                 error.contains(QStringLiteral("不存在")),
             qPrintable(error));
    QVERIFY(!QFileInfo::exists(folder));
}

QTEST_MAIN(TestPdfText)
#include "tst_pdftext.moc"
