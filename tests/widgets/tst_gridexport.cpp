// The export of a data grid, read back with real readers (Python's csv module and openpyxl):
// the filter, order and visible columns of the grid, its groups, awkward texts, empty values,
// types in the workbook, a cancel, a failure, and the command on the grid with its log row.
#include "csvexport.h"
#include "datagrid.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "emailexport.h"
#include "filedialog.h"
#include "gridexport.h"
#include "messagebox.h"
#include "session.h"
#include "teststore.h"

#include <QDate>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace
{

// Reads an exported file with Python and answers in JSON: for CSV the raw first bytes and
// the rows as csv.reader gives them; for XLSX every cell with its Python type, the number
// formats, the frozen cell and the column widths.
const char *const Reader = R"PY(
import csv, json, sys, datetime
path = sys.argv[1]
if path.endswith('.csv'):
    raw = open(path, 'rb').read()
    with open(path, newline='', encoding='utf-8-sig') as f:
        rows = list(csv.reader(f))
    print(json.dumps({'bom': raw[:3] == b'\xef\xbb\xbf', 'crlf': b'\r\n' in raw, 'rows': rows}))
else:
    import openpyxl
    wb = openpyxl.load_workbook(path)
    ws = wb.active
    rows, types, formats = [], [], []
    for r in ws.iter_rows():
        rows.append([c.value.isoformat() if isinstance(c.value, (datetime.date, datetime.datetime)) else c.value for c in r])
        types.append([type(c.value).__name__ for c in r])
        formats.append([c.number_format for c in r])
    widths = {k: v.width for k, v in ws.column_dimensions.items()}
    print(json.dumps({'rows': rows, 'types': types, 'formats': formats,
                      'freeze': ws.freeze_panes, 'widths': widths}))
)PY";

QJsonObject readBack(const QString &path)
{
    QProcess p;
    // Debian's own interpreter, the one python3-openpyxl installs into.
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"), QString::fromUtf8(Reader), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("%s", p.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QStringList rowTexts(const QJsonArray &row)
{
    QStringList out;
    for (const QJsonValue &v : row)
        out << (v.isNull() ? QStringLiteral("<none>") : v.toVariant().toString());
    return out;
}

QList<GridColumn> recordColumns()
{
    return {{QStringLiteral("OperateID"), QStringLiteral("业务编号"), 80, true},
            {QStringLiteral("OperateTitle"), QStringLiteral("业务主题"), 160, true},
            {QStringLiteral("CustID"), QStringLiteral("代理编号"), 80, true},
            {QStringLiteral("CreateDate"), QStringLiteral("联络日期"), 80, true},
            {QStringLiteral("CompactAmount"), QStringLiteral("合同金额"), 80, true},
            {QStringLiteral("Rate"), QStringLiteral("汇率"), 60, true},
            {QStringLiteral("Link"), QStringLiteral("关联"), 40, true},
            {QStringLiteral("InOrOut"), QStringLiteral("收付"), 40, false}};
}

// Texts a CSV or a workbook could get wrong.
const QString Quoted = QStringLiteral("他说\"好\"，然后走了");
const QString Comma = QStringLiteral("北京,上海");
const QString Lines = QStringLiteral("第一行\r\n第二行\n第三行");

} // namespace

class TestGridExport : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::Connection> m_db;
    std::unique_ptr<store::Dataset> m_records;
    std::unique_ptr<DataGrid> m_grid;
    QString m_out;

    void addRecord(const QString &id, const QVariant &title, const QString &cust,
                   const QVariant &day, const QVariant &amount, double rate, bool link,
                   const QString &direction = QStringLiteral("收款"))
    {
        m_db->exec(
            QStringLiteral("INSERT INTO tblOperates (OperateID, OperateTitle, CustID, CreateDate, "
                           "CompactAmount, Rate, Link, InOrOut, SUser) VALUES (?, ?, ?, ?, ?, ?, "
                           "?, ?, 'Admin')"),
            {id, title, cust, day, amount, rate, link, direction});
    }

    void openGrid(const QString &engine)
    {
        m_store = std::make_unique<testsupport::TempStore>(engine);
        store::session().setAppDir(m_store->appDir());
        store::session().CurrentUserID = QStringLiteral("Admin");
        m_db = m_store->connect();
        const QVariant noText(QMetaType::fromType<QString>()), noDate(QMetaType::fromType<QDate>()),
            noMoney(QMetaType::fromType<double>());
        addRecord(QStringLiteral("R01"), Quoted, QStringLiteral("C2"), QDate(2024, 3, 5), 1234.5,
                  7.1, true);
        addRecord(QStringLiteral("R02"), Comma, QStringLiteral("C1"), QDate(2023, 12, 31), 0.3333,
                  1, false);
        addRecord(QStringLiteral("R03"), Lines, QStringLiteral("C1"), noDate, noMoney, 1, false);
        addRecord(QStringLiteral("R04"), noText, QStringLiteral("C2"), QDate(2024, 1, 1), 99, 1,
                  false);
        addRecord(QStringLiteral("X05"), QStringLiteral("不在筛选内"), QStringLiteral("C1"),
                  QDate(2024, 1, 2), 5, 1, false);
        m_records = std::make_unique<store::Dataset>(*m_db, QStringLiteral("tblOperates2"));
        m_records->setTable(QStringLiteral("tblOperates"));
        m_records->setFilter(
            store::Condition::startsWith(QStringLiteral("OperateID"), QStringLiteral("R")));
        m_records->setSort(QStringLiteral("OperateID"), Qt::DescendingOrder);
        m_records->open();
        m_grid = std::make_unique<DataGrid>();
        m_grid->setColumns(recordColumns());
        m_grid->setDataset(m_records.get());
        m_out = m_store->appDir() + QStringLiteral("out");
        QVERIFY(QDir().mkpath(m_out));
    }

  private Q_SLOTS:
    void cleanup()
    {
        m_grid.reset();
        m_records.reset();
        m_db.reset();
        m_store.reset();
    }

    void csvHoldsWhatTheGridShows_data() { testsupport::addEngineRows(); }
    void csvHoldsWhatTheGridShows()
    {
        QFETCH(QString, engine);
        openGrid(engine);
        const QString path = m_out + QStringLiteral("/列表.csv");
        const GridExport::Result r = GridExport::write(*m_grid, ExportWriter::Format::Csv, path);
        QCOMPARE(r.rows, qint64(4));
        QVERIFY(!r.cancelled);
        const QJsonObject csv = readBack(path);
        QVERIFY(csv.value(QStringLiteral("bom")).toBool());
        QVERIFY(csv.value(QStringLiteral("crlf")).toBool());
        const QJsonArray rows = csv.value(QStringLiteral("rows")).toArray();
        QCOMPARE(rows.size(),
                 5); // the header and the four filtered rows; the hidden column is left out
        QCOMPARE(rowTexts(rows[0].toArray()),
                 QStringList(
                     {"业务编号", "业务主题", "代理编号", "联络日期", "合同金额", "汇率", "关联"}));
        // In the grid's order (descending codes); a line break inside a field survives as it was.
        QCOMPARE(rowTexts(rows[1].toArray()),
                 QStringList({"R04", "", "C2", "2024-01-01", "99.00", "1", "否"}));
        QCOMPARE(rowTexts(rows[2].toArray()), QStringList({"R03", Lines, "C1", "", "", "1", "否"}));
        QCOMPARE(rowTexts(rows[3].toArray()),
                 QStringList({"R02", Comma, "C1", "2023-12-31", "0.3333", "1", "否"}));
        QCOMPARE(rowTexts(rows[4].toArray()),
                 QStringList({"R01", Quoted, "C2", "2024-03-05", "1234.50", "7.1", "是"}));
        QCOMPARE(CsvExport::field(QStringLiteral("a\"b")), QByteArray("\"a\"\"b\""));
        QCOMPARE(CsvExport::field(QStringLiteral("plain")), QByteArray("plain"));
    }

    void xlsxKeepsTypesAndLayout_data() { testsupport::addEngineRows(); }
    void xlsxKeepsTypesAndLayout()
    {
        QFETCH(QString, engine);
        openGrid(engine);
        m_grid->setColumnVisible(QStringLiteral("Rate"), false);
        m_grid->setColumnVisible(QStringLiteral("InOrOut"), true);
        const QString path = m_out + QStringLiteral("/列表.xlsx");
        QCOMPARE(GridExport::write(*m_grid, ExportWriter::Format::Xlsx, path).rows, qint64(4));
        const QJsonObject x = readBack(path);
        const QJsonArray rows = x.value(QStringLiteral("rows")).toArray();
        const QJsonArray types = x.value(QStringLiteral("types")).toArray();
        const QJsonArray formats = x.value(QStringLiteral("formats")).toArray();
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rowTexts(rows[0].toArray()),
                 QStringList(
                     {"业务编号", "业务主题", "代理编号", "联络日期", "合同金额", "关联", "收付"}));
        QCOMPARE(x.value(QStringLiteral("freeze")).toString(), QStringLiteral("A2"));

        // R01: a date as a date, money as a number shown with two decimals, yes/no as a boolean.
        const QJsonArray r01 = rows[4].toArray();
        QCOMPARE(r01[0].toString(), QStringLiteral("R01"));
        QCOMPARE(r01[1].toString(), Quoted);
        QCOMPARE(types[4].toArray()[3].toString(), QStringLiteral("datetime"));
        QCOMPARE(r01[3].toString(), QStringLiteral("2024-03-05T00:00:00"));
        QCOMPARE(types[4].toArray()[4].toString(), QStringLiteral("float"));
        QCOMPARE(r01[4].toDouble(), 1234.5);
        QCOMPARE(formats[4].toArray()[4].toString(), QStringLiteral("0.00"));
        QCOMPARE(r01[5].toBool(), true);
        QCOMPARE(types[4].toArray()[5].toString(), QStringLiteral("bool"));
        QCOMPARE(r01[6].toString(), QStringLiteral("收款"));
        // Money keeps its four decimals behind the two shown.
        QCOMPARE(rows[3].toArray()[4].toDouble(), 0.3333);
        // Empty values stay empty cells; a text with line breaks stays one cell.
        const QJsonArray r04 = rows[1].toArray(), r03 = rows[2].toArray();
        QVERIFY(r04[1].isNull());
        QVERIFY(r03[3].isNull() && r03[4].isNull());
        QVERIFY(r03[1].toString().startsWith(QStringLiteral("第一行")) &&
                r03[1].toString().endsWith(QStringLiteral("第三行")));
        // Widths fitted: the Chinese subject column is wider than the code column.
        const QJsonObject widths = x.value(QStringLiteral("widths")).toObject();
        QVERIFY2(widths.value(QStringLiteral("B")).toDouble() >
                     widths.value(QStringLiteral("A")).toDouble(),
                 QJsonDocument(widths).toJson().constData());
        QVERIFY(widths.value(QStringLiteral("B")).toDouble() >= ExportWriter::displayWidth(Quoted));
    }

    void groupedGridExportsGroupsInOrder_data() { testsupport::addEngineRows(); }
    void groupedGridExportsGroupsInOrder()
    {
        QFETCH(QString, engine);
        openGrid(engine);
        m_grid->setGroupColumns({QStringLiteral("CustID")});
        for (const auto format : {ExportWriter::Format::Csv, ExportWriter::Format::Xlsx}) {
            const QString path =
                m_out + (format == ExportWriter::Format::Csv ? QStringLiteral("/g.csv")
                                                             : QStringLiteral("/g.xlsx"));
            QCOMPARE(GridExport::write(*m_grid, format, path).rows, qint64(4));
            const QJsonArray rows = readBack(path).value(QStringLiteral("rows")).toArray();
            QCOMPARE(rows.size(), 5);
            // The group column leads; groups in order of their values, rows in the grid's order
            // inside.
            QCOMPARE(rowTexts(rows[0].toArray()).mid(0, 3),
                     QStringList({"代理编号", "业务编号", "业务主题"}));
            QStringList order;
            for (int i = 1; i < rows.size(); ++i)
                order << rowTexts(rows[i].toArray()).mid(0, 2).join(QLatin1Char('/'));
            QCOMPARE(order, QStringList({"C1/R03", "C1/R02", "C2/R04", "C2/R01"}));
            QCOMPARE(rows[4].toArray()[2].toString(), Quoted);
        }
    }

    // A cancel part-way, and a failure, leave nothing under the chosen name; a file already
    // there stays as it was.
    void cancelledOrFailedExportLeavesNoFile_data() { testsupport::addEngineRows(); }
    void cancelledOrFailedExportLeavesNoFile()
    {
        QFETCH(QString, engine);
        openGrid(engine);
        m_db->transaction([&] {
            for (int i = 0; i < 700; ++i)
                addRecord(QStringLiteral("R9%1").arg(i, 4, 10, QLatin1Char('0')),
                          QStringLiteral("批量"), QStringLiteral("C3"), QDate(2024, 5, 1), i, 1,
                          false);
        });
        m_records->refresh();
        for (const bool grouped : {false, true}) {
            m_grid->setGroupColumns(grouped ? QStringList{QStringLiteral("CustID")}
                                            : QStringList());
            for (const auto format : {ExportWriter::Format::Csv, ExportWriter::Format::Xlsx}) {
                const QString path =
                    m_out + (format == ExportWriter::Format::Csv ? QStringLiteral("/c.csv")
                                                                 : QStringLiteral("/c.xlsx"));
                qint64 seen = 0, total = 0;
                const GridExport::Result r =
                    GridExport::write(*m_grid, format, path, [&](qint64 done, qint64 all) {
                        seen = done;
                        total = all;
                        return done < 300;
                    });
                QVERIFY(r.cancelled);
                // A grouped export is cancelled while it still spools, before any row is written.
                QVERIFY2(r.rows < 704 && (grouped || r.rows > 0),
                         qPrintable(QString::number(r.rows)));
                QCOMPARE(total, qint64(grouped ? 2 * 704 : 704));
                QVERIFY(seen >= 300);
                QVERIFY2(!QFile::exists(path), qPrintable(path));

                QFile old(path);
                QVERIFY(old.open(QIODevice::WriteOnly));
                old.write("earlier");
                old.close();
                QVERIFY(GridExport::write(*m_grid, format, path, [](qint64 done, qint64) {
                            return done == 0;
                        }).cancelled);
                QVERIFY(old.open(QIODevice::ReadOnly));
                QCOMPARE(old.readAll(), QByteArray("earlier"));
                old.close();
                QVERIFY(QFile::remove(path));
            }
        }
        QCOMPARE(QDir(m_out).entryList(QDir::Files), QStringList()); // no working file left

        bool failed = false;
        try {
            GridExport::write(*m_grid, ExportWriter::Format::Csv,
                              m_out + QStringLiteral("/missing/x.csv"));
        } catch (const ExportWriter::Failure &f) {
            failed = f.text.startsWith(QStringLiteral("对不起，文件"));
        }
        QVERIFY(failed);
    }

    // Texts a spreadsheet would run as formulas are written so that it shows them as text,
    // and so are texts that begin with apostrophes before such a start; numbers stay numbers,
    // negative ones too.
    void csvCellsNeverRunAsFormulas_data() { testsupport::addEngineRows(); }
    void csvCellsNeverRunAsFormulas()
    {
        QFETCH(QString, engine);
        openGrid(engine);
        const QStringList risky = {QStringLiteral("=HYPERLINK(\"http://x\",\"点\")"),
                                   QStringLiteral("+86 21 5555"),
                                   QStringLiteral("-2+3"),
                                   QStringLiteral("@SUM(A1)"),
                                   QStringLiteral("\t=1"),
                                   QStringLiteral("\r=1"),
                                   QStringLiteral("'=1")}; // its apostrophe stays on reading
        m_db->exec(QStringLiteral("DELETE FROM tblOperates"));
        for (int i = 0; i < risky.size(); ++i)
            addRecord(QStringLiteral("R%1").arg(i), risky[i], QStringLiteral("C1"),
                      QDate(2024, 1, 1), -5 - i, 1, false);
        m_records->refresh();
        const QString path = m_out + QStringLiteral("/公式.csv");
        QCOMPARE(GridExport::write(*m_grid, ExportWriter::Format::Csv, path).rows,
                 qint64(risky.size()));
        const QJsonArray rows = readBack(path).value(QStringLiteral("rows")).toArray();
        QCOMPARE(rows.size(), risky.size() + 1);
        for (int i = 1; i < rows.size(); ++i) {
            const QStringList row = rowTexts(rows[i].toArray());
            const int n = row[0].mid(1).toInt();
            QCOMPARE(row[1], QLatin1Char('\'') + risky[n]);
            QCOMPARE(row[4], QStringLiteral("-%1.00").arg(5 + n)); // money as a number
            QCOMPARE(row[3], QStringLiteral("2024-01-01"));
        }
    }

    // 导出... writes the type chosen in the dialog, with its extension, whatever the name
    // typed; every file it makes gets the permissions of the user's umask.
    void chosenTypeDecidesTheFile()
    {
        openGrid(QStringLiteral("sqlite"));
        MessageBox::setScripted(true);
        const mode_t before = ::umask(027);
        const auto exportAs = [&](const QString &name, const QString &filter) {
            FileDialog::setNextFileName(m_out + QLatin1Char('/') + name, filter);
            GridExport::run(m_grid.get());
        };
        exportAs(QStringLiteral("名单"), QStringLiteral("CSV 文件(*.csv)"));
        exportAs(QStringLiteral("名单"), QString()); // the first type: a workbook
        exportAs(QStringLiteral("清单.xlsx"), QStringLiteral("CSV 文件(*.csv)"));
        ::umask(before);
        QCOMPARE(QDir(m_out).entryList(QDir::Files),
                 QStringList({"名单.csv", "名单.xlsx", "清单.xlsx.csv"}));
        const QJsonObject csv = readBack(m_out + QStringLiteral("/名单.csv"));
        QVERIFY(csv.value(QStringLiteral("bom")).toBool());
        QCOMPARE(csv.value(QStringLiteral("rows")).toArray().size(), 5);
        QCOMPARE(readBack(m_out + QStringLiteral("/名单.xlsx"))
                     .value(QStringLiteral("freeze"))
                     .toString(),
                 QStringLiteral("A2"));
        QCOMPARE(readBack(m_out + QStringLiteral("/清单.xlsx.csv"))
                     .value(QStringLiteral("rows"))
                     .toArray()
                     .size(),
                 5);
        for (const QString &name : QDir(m_out).entryList(QDir::Files))
            QCOMPARE(QFile::permissions(m_out + QLatin1Char('/') + name),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                         QFile::ReadGroup);
    }

    // The e-mail address lists are GBK text, as the programs that read them expect; an address
    // GBK cannot hold (or with the euro sign, which GBK writers disagree on) is written in
    // GB18030.
    void emailListIsGbk()
    {
        openGrid(QStringLiteral("sqlite"));
        MessageBox::setScripted(true);
        const QStringList addresses = {QStringLiteral("a@x.cn"), QStringLiteral("王@例子.cn"),
                                       QStringLiteral("𠀀䶮@x.cn"), QStringLiteral("€@x.cn")};
        for (int i = 0; i < addresses.size(); ++i)
            m_db->exec(
                QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, Name, Email) VALUES (?, ?, ?)"),
                {QStringLiteral("L%1").arg(i), QStringLiteral("人"), addresses[i]});
        store::Dataset contacts(*m_db, QStringLiteral("qryLinkmans1"));
        contacts.setTable(QStringLiteral("tblLinkmans"));
        contacts.setSort(QStringLiteral("LinkmanID"));
        contacts.open();
        const QString path = m_out + QStringLiteral("/Email.txt");
        FileDialog::setNextFileName(path);
        EmailExport::run(nullptr, contacts, QStringLiteral("Email"),
                         QStringLiteral("Email地址列表导出成功！"));
        QCOMPARE(MessageBox::last().text, QStringLiteral("Email地址列表导出成功！"));
        QProcess p;
        p.start(
            QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"),
             QStringLiteral(
                 "import sys, json\nout = []\n"
                 "for line in open(sys.argv[1], 'rb').read().split(b'\\r\\n')[:-1]:\n"
                 "    try: out.append(['gbk', line.decode('gbk')])\n"
                 "    except UnicodeDecodeError: out.append(['gb18030', line.decode('gb18030')])\n"
                 "print(json.dumps(out))"),
             path});
        QVERIFY(p.waitForFinished(30000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        const QJsonArray lines = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
        QCOMPARE(lines.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(lines[i].toArray()[1].toString(), addresses[i]);
            QCOMPARE(lines[i].toArray()[0].toString(),
                     i >= 2 ? QStringLiteral("gb18030") : QStringLiteral("gbk"));
        }
    }

    // The command every grid has: Ctrl+E while the grid has the focus and its context menu,
    // logged under the module of the window the grid is in.
    void commandOnTheGridLogsAndWrites()
    {
        openGrid(QStringLiteral("sqlite"));
        QWidget window;
        GridExport::setLogPrefix(&window, QStringLiteral("客户业务管理-业务资料"));
        auto *layout = new QVBoxLayout(&window);
        m_grid->setParent(&window);
        layout->addWidget(m_grid.get());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        m_grid->setFocus();
        QTRY_VERIFY(m_grid->view()->hasFocus());

        std::unique_ptr<QMenu> menu(m_grid->createContextMenu());
        QVERIFY(menu->actions().contains(m_grid->exportAction()));
        QCOMPARE(m_grid->exportAction()->text(), QStringLiteral("导出..."));

        MessageBox::setScripted(true);
        MessageBox::clearHistory();
        FileDialog::clearHistory();
        const QString path = m_out + QStringLiteral("/快捷键.csv");
        FileDialog::setNextFileName(path, QStringLiteral("CSV 文件(*.csv)"));
        QTest::keyClick(m_grid->view(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(FileDialog::calls().size(), 1);
        QCOMPARE(FileDialog::last().proposedName, QStringLiteral("业务资料"));
        QCOMPARE(FileDialog::last().folder, m_store->appDir() + QStringLiteral("Export"));
        QVERIFY(QFile::exists(path));
        QCOMPARE(readBack(path).value(QStringLiteral("rows")).toArray().size(), 5);
        QVERIFY(MessageBox::last().text.contains(QStringLiteral("共导出 4 行")));

        FileDialog::setNextFileName(QString()); // cancelled in the dialog: logged all the same
        m_grid->exportAction()->trigger();
        QStringList log;
        QSqlQuery q =
            m_db->exec(QStringLiteral("SELECT Operate, UserID FROM tblLog ORDER BY LogID"));
        while (q.next())
            log << q.value(0).toString() + QLatin1Char('/') + q.value(1).toString();
        QCOMPARE(log, QStringList({"客户业务管理-业务资料-导出/Admin",
                                   "客户业务管理-业务资料-导出/Admin"}));
        m_grid->setParent(nullptr);
    }
};

QTEST_MAIN(TestGridExport)
#include "tst_gridexport.moc"
