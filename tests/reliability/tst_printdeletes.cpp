// Printing and exporting the contact-record list while another seat deletes its rows: before
// the rows are read, between the pages read, and after the pages were laid out. The PDF (read
// back by pdftotext) and the CSV and XLSX files (read back by Python and openpyxl) hold every
// row still there once, in order, and nothing for a row that is gone; no partial file is left
// under the chosen name.
#include "datagrid.h"
#include "datamodule.h"
#include "datasetmodel.h"
#include "gridcolumn.h"
#include "gridexport.h"
#include "printing.h"
#include "reportengine.h"
#include "reportoutput.h"
#include "session.h"
#include "teststore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

constexpr int Records = 600; // more than four pages of the list's lazy reading

QString code(int n)
{
    return u"R%1"_s.arg(n, 4, 10, QLatin1Char('0'));
}

// A title with quotes, a percent sign and an emoji, so that a row printed is easy to tell
// from one left blank.
QString title(int n)
{
    return u"业务 %1 'q' 100% 😀"_s.arg(code(n));
}

// The record list's report: the running number, the code and the title, the count below.
const QString Layout = u"title: 联络记录\npage: A5\nmargins: 10\nfont-size: 8\n---\n"
                       "[columns]\n序号 | 15% | | #{{rowNo}}\n编号 | 25% | | {{OperateID}}\n"
                       "主题 | | | {{OperateTitle}}\n"
                       "[summary]\n<p>共 {{rowCount}} 条</p>\n"_s;

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return u"(pdftotext failed)"_s;
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList matches(const QString &text, const QString &pattern)
{
    QStringList out;
    auto it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        out << it.next().captured(1);
    return out;
}

// The rows of an exported file as Python's csv module or openpyxl reads them.
QJsonArray exportedRows(const QString &path)
{
    static const char *const reader = R"PY(
import csv, json, sys
path = sys.argv[1]
if path.endswith('.csv'):
    with open(path, newline='', encoding='utf-8-sig') as f:
        rows = list(csv.reader(f))
else:
    import openpyxl
    ws = openpyxl.load_workbook(path, read_only=True).active
    rows = [[c if c is None else str(c) for c in r] for r in ws.iter_rows(values_only=True)]
print(json.dumps(rows))
)PY";
    QProcess p;
    p.start(u"/usr/bin/python3"_s, {u"-c"_s, QString::fromUtf8(reader), path});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning("%s", p.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

} // namespace

class TestPrintDeletes : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::DataModule> m_dm;
    std::unique_ptr<store::Connection> m_other; // the other seat
    QStringList m_held;                         // codes the store still holds, in list order

    void openList(const QString &engine)
    {
        m_store = std::make_unique<testsupport::TempStore>(engine);
        store::session().setAppDir(m_store->appDir());
        store::session().CurrentUserID = u"Admin"_s;
        QVERIFY(QDir().mkpath(m_store->appDir() + u"Data/Report"_s));
        QFile layout(m_store->appDir() + u"Data/Report/deletes.frf"_s);
        QVERIFY(layout.open(QIODevice::WriteOnly));
        layout.write(Layout.toUtf8());
        layout.close();
        m_other = m_store->connect();
        m_other->transaction([&] {
            for (int n = 1; n <= Records; ++n)
                m_other->exec(u"INSERT INTO tblOperates (OperateID, OperateTitle, CustID, SUser) "
                              "VALUES (?, ?, 'C1', 'Admin')"_s,
                              {code(n), title(n)});
        });
        m_dm = std::make_unique<store::DataModule>();
        m_dm->openAtStartup(m_store->appDir());
        store::Dataset &list = m_dm->tblOperates2;
        list.setSort(u"OperateID"_s);
        list.open();
        list.readRest(); // the seat holds every row before the other one deletes
        QCOMPARE(list.rowCount(), Records);
        m_held.clear();
        for (int n = 1; n <= Records; ++n)
            m_held << code(n);
    }

    // The other seat deletes records by number.
    void deleteRecords(const QList<int> &numbers)
    {
        for (const int n : numbers) {
            QSqlQuery q =
                m_other->exec(u"DELETE FROM tblOperates WHERE OperateID = ?"_s, {code(n)});
            QCOMPARE(q.numRowsAffected(), 1);
            m_held.removeAll(code(n));
        }
    }

    // A printed report holds the rows still there, once each and in order, numbered without a
    // gap, every number beside its code and title, and counts them below.
    void checkPrinted(const QString &text, const QStringList &expected)
    {
        QStringList codes;
        int number = 0;
        auto it = QRegularExpression(u"#(\\d+)\\s+(R\\d{4})"_s).globalMatch(text);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            QCOMPARE(m.captured(1).toInt(), ++number);
            codes << m.captured(2);
        }
        QCOMPARE(codes.size(), expected.size());
        QVERIFY(codes == expected);
        // Nothing numbered stands apart from a code, and every title printed is one of a row
        // still there.
        QCOMPARE(matches(text, u"#(\\d+)"_s).size(), expected.size());
        QCOMPARE(matches(text, u"业务 (R\\d{4})"_s), expected);
        QVERIFY2(text.contains(u"共 %1 条"_s.arg(expected.size())), qPrintable(text.right(300)));
    }

    QStringList filesIn(const QString &folder)
    {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

  private Q_SLOTS:
    void cleanup()
    {
        m_dm.reset();
        m_other.reset();
        m_store.reset();
    }

    // Rows deleted after the list read its keys and while the report reads its pages are
    // passed over: the PDF holds the rest, numbered and counted as printed.
    void pdfOfRowsDeletedBeforeAndWhileRead_data() { testsupport::addEngineRows(); }
    void pdfOfRowsDeletedBeforeAndWhileRead()
    {
        QFETCH(QString, engine);
        openList(engine);
        deleteRecords({3, 10, 1}); // in the list's first page, before anything is printed
        ReportEngine reports;
        Report report = reports.render(u"deletes.frf"_s, &m_dm->tblOperates2);
        QVERIFY(report.isValid());
        QVERIFY(!report.paginate(0)); // the first page only: the list's first page of rows read
        QVERIFY(report.pageCount() >= 1);
        deleteRecords({200, 201, 202, 250, 451, 599, 600}); // pages of the list not read yet
        const QString out = m_store->appDir() + u"out"_s;
        QVERIFY(QDir().mkpath(out));
        const QString path = out + u"/联络记录 'x'.pdf"_s;
        QString error;
        QCOMPARE(ReportOutput::writePdf(report, path, {}, &error), ReportOutput::Result::Done);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(filesIn(out), QStringList{u"联络记录 'x'.pdf"_s});
        QCOMPARE(report.rowsPrinted(), Records - 10);
        checkPrinted(pdfText(path), m_held);
        qInfo().noquote() << engine << report.pageCount() << "pages," << report.rowsPrinted()
                          << "rows printed of" << Records;
    }

    // A row this seat deletes in another list after the pages were laid out over it (the
    // printed list's copy of it is dropped): the report is laid out again and the PDF written
    // anew, without the row; the scripted preview does the same.
    void rowDeletedAfterLayoutLaysTheReportOutAgain_data() { testsupport::addEngineRows(); }
    void rowDeletedAfterLayoutLaysTheReportOutAgain()
    {
        QFETCH(QString, engine);
        openList(engine);
        ReportEngine reports;
        Report report = reports.render(u"deletes.frf"_s, &m_dm->tblOperates2);
        QVERIFY(report.paginate());
        const int pagesBefore = report.pageCount();
        // The other list of this seat over the same table deletes the fifth record.
        store::Dataset records(m_dm->connection(), u"otherList"_s);
        records.setTable(u"tblOperates"_s);
        records.open();
        QVERIFY(records.locate(u"OperateID"_s, code(5)));
        records.remove();
        m_held.removeAll(code(5));
        QVERIFY(m_dm->tblOperates2.isGone(4));
        QVERIFY(!report.isStale());
        const QString path = m_store->appDir() + u"again.pdf"_s;
        QString error;
        QCOMPARE(ReportOutput::writePdf(report, path, {}, &error), ReportOutput::Result::Done);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!report.isStale());
        QVERIFY(report.pageCount() <= pagesBefore);
        checkPrinted(pdfText(path), m_held);

        // The print flow's preview over the same list after another deletion.
        QVERIFY(records.locate(u"OperateID"_s, code(6)));
        records.remove();
        m_held.removeAll(code(6));
        Printing::setScripted(true);
        Printing::clearHistory();
        Printing::preview(nullptr, u"deletes.frf"_s, &m_dm->tblOperates2);
        const Printing::Shown shown = Printing::last();
        QVERIFY(shown.layoutFound);
        QCOMPARE(shown.rowCount, Records - 2);
        QVERIFY(shown.text.contains(code(7)));
        QVERIFY(!shown.text.contains(code(6)));
        QVERIFY2(shown.text.contains(u"#5\tR0007\t"_s), qPrintable(shown.text.left(400)));
    }

    // The CSV and XLSX of the list while the other seat deletes rows before the export reads
    // them and in the middle of the reading. On the server the rows are read a page at a time,
    // so those deleted further on are passed over; SQLite reads the list in one statement, which
    // sees the store as it was when it began, so they are either all there or all gone.
    void exportsOfRowsDeletedBeforeAndWhileRead_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("grouped");
        for (const QString &e : testsupport::engines()) {
            for (const auto &[name, format] : {std::pair{"csv", ExportWriter::Format::Csv},
                                               std::pair{"xlsx", ExportWriter::Format::Xlsx}}) {
                QTest::addRow("%s-%s", qPrintable(e), name) << e << int(format) << false;
                QTest::addRow("%s-%s-grouped", qPrintable(e), name) << e << int(format) << true;
            }
        }
    }
    void exportsOfRowsDeletedBeforeAndWhileRead()
    {
        QFETCH(QString, engine);
        QFETCH(int, format);
        QFETCH(bool, grouped);
        openList(engine);
        DataGrid grid;
        grid.setColumns({{u"OperateID"_s, u"业务编号"_s, 80, true},
                         {u"OperateTitle"_s, u"业务主题"_s, 160, true},
                         {u"CustID"_s, u"代理编号"_s, 80, true}});
        grid.setDataset(&m_dm->tblOperates2);
        if (grouped)
            grid.model()->setGroupFields({u"CustID"_s});
        deleteRecords({2, 129}); // after the list read its keys
        const QStringList before = m_held;
        const QList<int> meanwhile{300, 301, 420, 599};
        bool deletedMeanwhile = false;
        const auto progress = [&](qint64 done, qint64) {
            if (done >= 256 && !deletedMeanwhile) {
                deletedMeanwhile = true;
                deleteRecords(meanwhile);
            }
            return true;
        };
        const auto fmt = ExportWriter::Format(format);
        const QString out = m_store->appDir() + u"export 导出"_s;
        QVERIFY(QDir().mkpath(out));
        const QString name =
            fmt == ExportWriter::Format::Csv ? u"记录 \"全部\" 😀.csv"_s : u"记录 \"全部\" 😀.xlsx"_s;
        const GridExport::Result r = GridExport::write(grid, fmt, out + u'/' + name, progress);
        QVERIFY(deletedMeanwhile);
        QVERIFY(!r.cancelled);
        QCOMPARE(filesIn(out), QStringList{name});

        const QJsonArray rows = exportedRows(out + u'/' + name);
        QCOMPARE(rows.size(), int(r.rows) + 1);
        const int codeColumn = grouped ? 1 : 0; // a grouped export leads with the group value
        QStringList codes;
        for (int i = 1; i < rows.size(); ++i) {
            const QJsonArray row = rows[i].toArray();
            const QString c = row[codeColumn].toString();
            QVERIFY2(c.startsWith(u'R'), qPrintable(u"row %1 has no code"_s.arg(i)));
            const int n = c.mid(1).toInt();
            QCOMPARE(row[codeColumn + 1].toString(), title(n)); // never a blank or another row's
            codes << c;
        }
        // The rows left out are rows deleted meanwhile, the rest are there in order. The server
        // passes over those in pages not read yet (the last two surely); SQLite's statement
        // sees all of them or none.
        const QSet<QString> exported(codes.begin(), codes.end());
        QCOMPARE(exported.size(), codes.size()); // no row twice
        QStringList missing;
        for (const QString &c : before)
            if (!exported.contains(c))
                missing << c;
        QStringList deleted;
        for (const int n : meanwhile)
            deleted << code(n);
        for (const QString &c : std::as_const(missing))
            QVERIFY2(deleted.contains(c), qPrintable(c + u" left out"_s));
        QStringList inOrder = before;
        for (const QString &c : std::as_const(missing))
            inOrder.removeAll(c);
        QVERIFY(codes == inOrder);
        if (engine == u"sqlite"_s)
            QVERIFY(missing.isEmpty() || missing == deleted);
        else
            QVERIFY(missing.contains(code(420)) && missing.contains(code(599)));
        qInfo().noquote() << QTest::currentDataTag() << r.rows << "rows exported of" << Records
                          << "after" << Records - before.size() << "deleted before and"
                          << missing.size() << "of" << deleted.size() << "while read";
    }

    // A file name with blanks, quotes, CJK and an emoji is written under that very name; a
    // folder that does not exist or cannot be written to is refused with a message naming the
    // file, and leaves nothing behind.
    void exportFileNames_data() { testsupport::addEngineRows(); }
    void exportFileNames()
    {
        QFETCH(QString, engine);
        openList(engine);
        DataGrid grid;
        grid.setColumns({{u"OperateID"_s, u"业务编号"_s, 80, true}});
        grid.setDataset(&m_dm->tblOperates2);
        const QString out = m_store->appDir() + u"names"_s;
        QVERIFY(QDir().mkpath(out));
        const QStringList names{u"a b  c.csv"_s, u"O'Brien \"x\".xlsx"_s, u"联络记录 😀.csv"_s,
                                u"‏שלום عربي.xlsx"_s, u"tab\tand;semi.csv"_s};
        for (const QString &n : names) {
            const auto fmt = ExportWriter::formatOf(n);
            QCOMPARE(GridExport::write(grid, fmt, out + u'/' + n).rows, qint64(Records));
            const QJsonArray rows = exportedRows(out + u'/' + n);
            QCOMPARE(rows.size(), Records + 1);
            QCOMPARE(rows[Records].toArray()[0].toString(), code(Records));
        }
        QStringList sorted = names;
        sorted.sort();
        QStringList found = filesIn(out);
        found.sort();
        QCOMPARE(found, sorted);

        const QString missing = m_store->appDir() + u"没有的目录/sub"_s;
        const QString locked = m_store->appDir() + u"locked"_s;
        QVERIFY(QDir().mkpath(locked));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool rootCanWrite = QFileInfo(locked).isWritable();
        for (const QString &folder : {missing, locked}) {
            if (folder == locked && rootCanWrite)
                continue; // a user that writes anywhere has no unwritable folder
            for (const QString &n : {u"记录.csv"_s, u"记录.xlsx"_s}) {
                const QString path = folder + u'/' + n;
                QString refusal;
                try {
                    GridExport::write(grid, ExportWriter::formatOf(n), path);
                } catch (const ExportWriter::Failure &f) {
                    refusal = f.text;
                }
                QVERIFY2(refusal.contains(QDir::toNativeSeparators(path)), qPrintable(refusal));
                QVERIFY(!QFileInfo::exists(path));
                if (QFileInfo::exists(folder))
                    QCOMPARE(filesIn(folder), QStringList());
            }
        }
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    }
};

QTEST_MAIN(TestPrintDeletes)
#include "tst_printdeletes.moc"
