// 导入... on the agent, contact and referrer lists, as a user meets it with the keyboard: the
// command with its right and log row, the wizard from the file to the report, and the round
// trip of the program's own export into an empty store.
#include "agentimport.h"
#include "agentsfixture.h"
#include "agentswindow.h"
#include "contactimport.h"
#include "contactswindow.h"
#include "datagrid.h"
#include "filedialog.h"
#include "gridexport.h"
#include "importfiles.h"
#include "importrun.h"
#include "mapping.h"
#include "messagebox.h"
#include "referrerimport.h"
#include "referrerswindow.h"
#include "session.h"
#include "sheetreader.h"
#include "testusers.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{

// Presses the tool-bar button of a command with the keyboard, as Tab and Space would.
void press(QWidget *window, QAction *action)
{
    for (QToolBar *bar : window->findChildren<QToolBar *>()) {
        if (QWidget *button = bar->widgetForAction(action)) {
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Space);
            return;
        }
    }
    QFAIL("no button for the command");
}

// A button, check box or radio button reached with Tab and pressed with Space.
void space(QWidget *button)
{
    QVERIFY(button && button->isEnabled());
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
}

void fillBook(AgentsFixture &f)
{
    store::Connection &db = f.dm.connection();
    db.exec(
        u"INSERT INTO tblOperaters (OperaterID, Name, NickName, DepartmentID, Duty, Native) VALUES "
        "('R1', '华东推荐', '李四', 'D01', '经理', '江苏'), ('R2', '王五', NULL, NULL, NULL, '=天津')"_s);
    f.addAgent(u"A001"_s, u"东方贸易"_s, u"Admin"_s,
               {{u"MainLinkman"_s, u"张三"_s},
                {u"Address"_s, u"上海市, \"浦东\"\n一号"_s},
                {u"VocationID"_s, u"01"_s},
                {u"LevelID"_s, u"B"_s},
                {u"OriginID"_s, u"02"_s},
                {u"OperaterID"_s, u"R1"_s}});
    f.addAgent(u"0012"_s, u"数字编号公司"_s, u"Admin"_s,
               {{u"OperaterID"_s, u"R2"_s}, {u"Address"_s, u"-3 号楼"_s}});
    db.exec(u"INSERT INTO tblLinkmans (LinkmanID, CustID, Main, Name, NickName, Department, Duty, "
            u"SUser) VALUES "
            "('L1', 'A001', ?, '赵六', '赵总', '销售部', '总监', 'Admin'), "
            "('L2', '0012', ?, '钱七', '@钱', NULL, '''+副总', 'Admin')"_s,
            {true, false});
}

// The agent list shown, with one stored agent A001.
struct AgentList {
    AgentsFixture f;
    std::unique_ptr<AgentsWindow> window;
    explicit AgentList(const QString &engine, bool mayModify = true) : f(engine)
    {
        f.addAgent(u"A001"_s, u"已有代理"_s);
        f.setRightFlag(u"301"_s, u"Modify"_s, mayModify);
        f.openAgentsModule();
        window = std::make_unique<AgentsWindow>(f.ws);
        window->show();
    }
};

// The rows of a table in the columns a list shows (codes, not names), in code order.
QList<QStringList> rowsOf(store::Connection &db, const QString &table, const QStringList &columns)
{
    QStringList idents;
    for (const QString &c : columns)
        idents << db.ident(c);
    QSqlQuery q =
        db.exec(u"SELECT %1 FROM %2 ORDER BY %3"_s.arg(idents.join(u','), table, idents.first()));
    QList<QStringList> rows;
    while (q.next()) {
        QStringList r;
        for (int i = 0; i < columns.size(); ++i)
            r << q.value(i).toString();
        rows << r;
    }
    return rows;
}

void importFile(store::Connection &db, const importing::ImportList &list, const QString &file)
{
    auto reader = importing::SheetReader::openFile(file);
    importing::Mapping mapping(list, importing::ImportRun::readHeader(*reader));
    mapping.match({});
    importing::ImportRun run(db, list, u"Admin"_s, true);
    run.setMapping(mapping);
    const importing::CheckResult checked = run.check(*reader, reader->defaultSheet());
    QCOMPARE(checked.problemCount, 0);
    QCOMPARE(run.store({}).added, checked.rows);
}

// Imports `file` through the wizard with the keyboard, saves the report to `report`, and
// answers the closing report's text.
QString importByWizard(AgentsWindow &w, const QString &file, const QString &report)
{
    FileDialog::setNextFileName(file);
    QString done;
    testsupport::whenModal(u"dlgImport"_s, [&](QWidget *d) {
        const auto closeAtEnd = qScopeGuard([d] { d->close(); });
        space(d->findChild<QWidget *>(u"btnNext"_s));
        QTRY_VERIFY(d->findChild<QWidget *>(u"pgCheck"_s)->isVisible());
        space(d->findChild<QWidget *>(u"btnImport"_s));
        QTRY_VERIFY(d->findChild<QWidget *>(u"pgReport"_s)->isVisible());
        done = d->findChild<QLabel *>(u"lblReport"_s)->text();
        FileDialog::setNextFileName(report);
        space(d->findChild<QWidget *>(u"btnSaveReport"_s));
    });
    press(&w, w.action(u"Act_Import"_s));
    return done;
}

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestImportWindow : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }
    void commandOnEachList_data() { testsupport::addEngineRows(); }
    void commandOnEachList();
    void wizardByKeyboard_data() { testsupport::addEngineRows(); }
    void wizardByKeyboard();
    void updatingNeedsModifyRight();
    void missingFoldersToldInReport_data() { testsupport::addEngineRows(); }
    void missingFoldersToldInReport();
    void badFilesToldAndNothingStored_data() { testsupport::addEngineRows(); }
    void badFilesToldAndNothingStored();
    void exportedListsComeBack_data();
    void exportedListsComeBack();
};

void TestImportWindow::commandOnEachList()
{
    QFETCH(QString, engine);
    AgentsFixture f(engine);
    f.openAgentsModule();
    AgentsWindow agents(f.ws);
    ContactsWindow contacts(f.ws);
    ReferrersWindow referrers(f.ws);
    const struct {
        QWidget *window;
        QAction *action;
        QString right, log;
    } lists[] = {
        {&agents, agents.action(u"Act_Import"_s), u"301"_s,
         u"商务代理业务管理-商务代理资料-导入"_s},
        {&contacts, contacts.action(u"Act_Import"_s), u"302"_s,
         u"商务代理业务管理-联系人资料-导入"_s},
        {&referrers, referrers.action(u"Act_Import"_s), u"303"_s,
         u"客户业务管理-业务员资料-导入"_s},
    };
    for (const auto &l : lists) {
        QVERIFY(l.action);
        QCOMPARE(l.action->text(), u"导入..."_s);
        l.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(l.window));
        testsupport::untilIdle();
        QVERIFY(l.action->isEnabled());
        f.setRightFlag(l.right, u"Insert"_s, false);
        testsupport::untilIdle();
        QVERIFY(!l.action->isEnabled());
        f.setRightFlag(l.right, u"Insert"_s, true);
        testsupport::untilIdle();
        // The log row comes first; a cancelled file choice ends the command there.
        press(l.window, l.action);
        QCOMPARE(f.logCount(l.log), 1);
        QCOMPARE(FileDialog::last().kind, FileDialog::Kind::Open);
        l.window->hide();
    }
}

void TestImportWindow::wizardByKeyboard()
{
    QFETCH(QString, engine);
    AgentsFixture f(engine);
    f.addAgent(u"A001"_s, u"已有代理"_s);
    f.openAgentsModule();
    AgentsWindow w(f.ws);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTemporaryDir dir;
    const QString file = dir.filePath(u"代理.xlsx"_s);
    importfiles::python(
        u"import openpyxl,sys\n"
        "wb=openpyxl.Workbook(); wb.active.title='说明'; wb.active.append(['请看第二页'])\n"
        "ws=wb.create_sheet('代理')\n"
        "ws.append(['代理编号','代理名称','行业类别','建档日期','附注'])\n"
        "ws.append(['N1','新一','制造业',None,'一'])\n"
        "ws.append(['N2','新二','批发零售',None,'二'])\n"
        "ws.append(['A001','已有代理改',None,None,None])\n"
        "ws.append(['N3','新三','没有这个行业',None,None])\n"
        "wb.save(sys.argv[1])"_s,
        {file});
    FileDialog::setNextFileName(file);
    const QString report = dir.filePath(u"报告.csv"_s);
    bool walked = false;
    testsupport::whenModal(u"dlgImport"_s, [&](QWidget *d) {
        // Whatever happens here, the wizard closes, so the command returns.
        const auto closeAtEnd = qScopeGuard([d] { d->close(); });
        const auto key = [d](const char *name) {
            space(d->findChild<QWidget *>(QLatin1String(name)));
        };
        auto *sheet = d->findChild<QComboBox *>(u"cbSheet"_s);
        QVERIFY(sheet->isVisible());
        // The first sheet has no agents: the user picks the second one.
        sheet->setFocus();
        QTest::keyClick(sheet, Qt::Key_Down);
        QCOMPARE(sheet->currentText(), u"代理"_s);
        const auto column = [d](int c) {
            return d->findChild<QComboBox *>(u"cbColumn%1"_s.arg(c));
        };
        QCOMPARE(column(0)->currentText(), u"代理编号"_s);
        QCOMPARE(column(1)->currentText(), u"商务代理名称"_s);
        QCOMPARE(column(2)->currentText(), u"行业类型"_s);
        QCOMPARE(column(4)->currentText(), u"（不导入）"_s);
        // 附注 goes to 备注, chosen from the keyboard.
        column(4)->setFocus();
        QTest::keyClick(column(4), Qt::Key_End);
        QCOMPARE(column(4)->currentText(), u"备注"_s);
        key("btnNext"); // 下一步: the check
        QTRY_VERIFY(d->findChild<QWidget *>(u"pgCheck"_s)->isVisible());
        const QString summary = d->findChild<QLabel *>(u"lblSummary"_s)->text();
        QVERIFY2(summary.contains(u"文件共有 4 行数据"_s), qPrintable(summary));
        auto *problems = d->findChild<QTableWidget *>(u"twProblems"_s);
        QCOMPARE(problems->rowCount(), 1);
        QCOMPARE(problems->item(0, 0)->text(), u"5"_s);
        QCOMPARE(problems->item(0, 1)->text(), u"C 行业类别"_s);
        QCOMPARE(d->findChild<QTableWidget *>(u"twPreview"_s)->rowCount(), 4);
        key("btnImport"); // 导入 with a row that has a problem: refused
        QVERIFY(MessageBox::last().text.contains(u"有 1 行有问题"_s));
        key("chkLeaveOut"); // 略过有问题的行
        QVERIFY(d->findChild<QCheckBox *>(u"chkLeaveOut"_s)->isChecked());
        key("rbUpdateExisting"); // update the listed fields of stored codes
        key("btnImport");
        QTRY_VERIFY(d->findChild<QWidget *>(u"pgReport"_s)->isVisible());
        const QString done = d->findChild<QLabel *>(u"lblReport"_s)->text();
        QVERIFY2(done.startsWith(u"导入完成：新增 2 行，更新 1 行，略过 1 行"_s), qPrintable(done));
        FileDialog::setNextFileName(report);
        key("btnSaveReport");
        QCOMPARE(MessageBox::last().text,
                 u"导入报告已保存到“%1”。"_s.arg(QDir::toNativeSeparators(report)));
        QTest::keyClick(d, Qt::Key_Escape);
        walked = true;
    });
    press(&w, w.action(u"Act_Import"_s));
    QVERIFY(walked);
    QCOMPARE(f.logCount(u"商务代理业务管理-商务代理资料-导入"_s), 1);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 3);
    QCOMPARE(f.scalar(u"SELECT Memo FROM tblCustomers WHERE CustId = 'N2'"_s).toString(), u"二"_s);
    QCOMPARE(f.scalar(u"SELECT VocationID FROM tblCustomers WHERE CustId = 'N2'"_s).toString(),
             u"02"_s);
    QCOMPARE(f.scalar(u"SELECT CustName FROM tblCustomers WHERE CustId = 'A001'"_s).toString(),
             u"已有代理改"_s);
    QCOMPARE(f.scalar(u"SELECT SUser FROM tblCustomers WHERE CustId = 'N1'"_s).toString(),
             u"Admin"_s);
    for (const QString &code : {u"N1"_s, u"N2"_s})
        QVERIFY(QFileInfo(store::session().FilesDir + code).isDir());
    QVERIFY(!QFileInfo::exists(store::session().FilesDir + u"N3"_s));
    QCOMPARE(w.grid()->dataset()->rowCount(), 3); // the list shows what was stored
    QVERIFY(QFileInfo(report).size() > 0);
    // The columns chosen are offered again for the next file of this list.
    const QHash<QString, QString> remembered =
        importing::MappingMemory(store::session().AppDir + u"Data/ImportMappings.ini"_s)
            .load(u"Admin"_s, u"商务代理资料"_s);
    QCOMPARE(remembered.value(u"附注"_s), u"Memo"_s);
}

// With the Insert right alone, rows whose code is stored can only be left out.
void TestImportWindow::updatingNeedsModifyRight()
{
    AgentList list(u"sqlite"_s, false);
    AgentsFixture &f = list.f;
    AgentsWindow &w = *list.window;
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a.csv"_s);
    importfiles::writeBytes(file, "代理编号,商务代理名称\r\nA001,改名\r\nB001,新的\r\n");
    FileDialog::setNextFileName(file);
    bool seen = false;
    testsupport::whenModal(u"dlgImport"_s, [&](QWidget *d) {
        const auto closeAtEnd = qScopeGuard([d] { d->close(); });
        space(d->findChild<QWidget *>(u"btnNext"_s));
        QTRY_VERIFY(d->findChild<QWidget *>(u"pgCheck"_s)->isVisible());
        QVERIFY(!d->findChild<QWidget *>(u"rbUpdateExisting"_s)->isEnabled());
        QVERIFY(d->findChild<QWidget *>(u"rbSkipExisting"_s)->isEnabled());
        space(d->findChild<QWidget *>(u"btnImport"_s));
        QTRY_VERIFY(d->findChild<QWidget *>(u"pgReport"_s)->isVisible());
        seen = true;
    });
    press(&w, w.action(u"Act_Import"_s));
    QVERIFY(seen);
    QCOMPARE(f.scalar(u"SELECT CustName FROM tblCustomers WHERE CustId = 'A001'"_s).toString(),
             u"已有代理"_s);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 2);
}

// A file that is no table is named as such before the wizard opens; a CSV whose quote is left
// open is told when the check reaches it, and the wizard stays where it was. Nothing is stored.
// The rows stay stored when a document folder cannot be made; the report names those agents
// and why, on screen and in the saved CSV.
void TestImportWindow::missingFoldersToldInReport()
{
    QFETCH(QString, engine);
    AgentList list(engine);
    AgentsFixture &f = list.f;
    QTemporaryDir dir;
    const QString files = store::session().FilesDir;
    // A file already holds the name of N2's folder.
    importfiles::writeBytes(files + u"N2"_s, "not a folder");
    const QString first = dir.filePath(u"一.csv"_s), report = dir.filePath(u"报告.csv"_s);
    importfiles::writeBytes(first, "代理编号,商务代理名称\r\nN1,一\r\nN2,二\r\nN3,三\r\n");
    QString done = importByWizard(*list.window, first, report);
    QVERIFY2(done.startsWith(u"导入完成：新增 3 行，更新 0 行，略过 0 行。"_s), qPrintable(done));
    QVERIFY2(done.contains(u"有 1 个代理的文档文件夹未能建立"_s), qPrintable(done));
    QVERIFY2(done.contains(u"“%1”已存在，但不是文件夹（N2）"_s.arg(
                 QDir::toNativeSeparators(files + u"N2"_s))),
             qPrintable(done));
    QVERIFY(QFileInfo(files + u"N1"_s).isDir() && QFileInfo(files + u"N3"_s).isDir());
    QVERIFY2(fileText(report).contains(u"文档文件夹未能建立,1\r\n"_s),
             qPrintable(fileText(report)));
    QVERIFY(fileText(report).contains(u"\r\nN2,"_s));
    QVERIFY(!fileText(report).contains(u"\r\nN1,"_s));

    // The documents root itself is a file: no folder can be made, every agent is named.
    QVERIFY(QDir(files).removeRecursively());
    importfiles::writeBytes(files.chopped(1), "not a folder either");
    const QString second = dir.filePath(u"二.csv"_s);
    QByteArray rows = "代理编号,商务代理名称\r\n";
    for (int i = 4; i <= 10; ++i)
        rows += QByteArray("N") + QByteArray::number(i) + ",代理\r\n";
    importfiles::writeBytes(second, rows);
    done = importByWizard(*list.window, second, report);
    QVERIFY2(done.startsWith(u"导入完成：新增 7 行"_s), qPrintable(done));
    QVERIFY2(done.contains(u"有 7 个代理的文档文件夹未能建立"_s), qPrintable(done));
    QVERIFY2(done.contains(u"“%1”是文件，不是文件夹（N4、N5、N6、N7、N8 等 7 个）"_s.arg(
                 QDir::toNativeSeparators(files.chopped(1)))),
             qPrintable(done));
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 11);
    const QString saved = fileText(report);
    QVERIFY2(saved.contains(u"文档文件夹未能建立,7\r\n"_s), qPrintable(saved));
    for (int i = 4; i <= 10; ++i)
        QVERIFY2(saved.contains(u"\r\nN%1,"_s.arg(i)), qPrintable(saved));
}

void TestImportWindow::badFilesToldAndNothingStored()
{
    QFETCH(QString, engine);
    AgentList list(engine);
    AgentsFixture &f = list.f;
    AgentsWindow &w = *list.window;
    QTemporaryDir dir;
    const QString notWorkbook = dir.filePath(u"代理.xlsx"_s);
    importfiles::writeBytes(notWorkbook, "代理编号,商务代理名称\r\nN1,一\r\n");
    FileDialog::setNextFileName(notWorkbook);
    bool opened = false;
    testsupport::whenModal(u"dlgImport"_s, [&](QWidget *d) {
        opened = true;
        d->close();
    });
    press(&w, w.action(u"Act_Import"_s));
    QVERIFY(!opened);
    QVERIFY2(MessageBox::last().text.contains(u"不是有效的 Excel 工作簿"_s),
             qPrintable(MessageBox::last().text));

    const QString openQuote = dir.filePath(u"代理.csv"_s);
    importfiles::writeBytes(openQuote, "代理编号,商务代理名称\nN1,一\nN2,\"二\nN3,三\n");
    FileDialog::setNextFileName(openQuote);
    testsupport::whenModal(u"dlgImport"_s, [&](QWidget *d) {
        const auto closeAtEnd = qScopeGuard([d] { d->close(); });
        opened = true;
        space(d->findChild<QWidget *>(u"btnNext"_s));
        QVERIFY2(MessageBox::last().text.contains(u"第 3 行的引号没有闭合"_s),
                 qPrintable(MessageBox::last().text));
        QVERIFY(!d->findChild<QWidget *>(u"pgCheck"_s)->isVisible());
        QVERIFY(!d->findChild<QWidget *>(u"btnImport"_s)->isEnabled());
    });
    press(&w, w.action(u"Act_Import"_s));
    QVERIFY(opened);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 1);
}

void TestImportWindow::exportedListsComeBack_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("suffix");
    for (const QString &e : testsupport::engines())
        for (const char *suffix : {"xlsx", "csv"})
            QTest::newRow(qPrintable(e + u' ' + QLatin1String(suffix)))
                << e << QString::fromLatin1(suffix);
}

// Each list exported by the program itself and imported into an empty store gives the same rows.
void TestImportWindow::exportedListsComeBack()
{
    QFETCH(QString, engine);
    QFETCH(QString, suffix);
    AgentsFixture f(engine);
    fillBook(f);
    f.openAgentsModule();
    f.dm.qryLinkmans1.open();
    f.dm.tblOperaters.open();
    AgentsWindow agents(f.ws);
    ContactsWindow contacts(f.ws);
    ReferrersWindow referrers(f.ws);
    QTemporaryDir dir;
    const auto exported = [&](DataGrid *grid, const QString &name) {
        const QString path = dir.filePath(name + u'.' + suffix);
        GridExport::write(*grid, ExportWriter::formatOf(path), path);
        return path;
    };
    const QString referrerFile = exported(referrers.grid(), u"推荐人"_s);
    const QString agentFile = exported(agents.grid(), u"商务代理"_s);
    const QString contactFile = exported(contacts.grid(), u"联系人"_s);

    testsupport::TempStore empty(engine);
    auto db = empty.connect();
    importFile(*db, referrerImportList(), referrerFile);
    importFile(*db, agentImportList(), agentFile);
    importFile(*db, contactImportList(), contactFile);

    const QStringList referrerColumns{u"OperaterID"_s,   u"Name"_s, u"NickName"_s,
                                      u"DepartmentID"_s, u"Duty"_s, u"Native"_s};
    const QStringList agentColumns{u"CustId"_s,   u"CustName"_s,   u"MainLinkman"_s,
                                   u"Address"_s,  u"VocationID"_s, u"LevelID"_s,
                                   u"OriginID"_s, u"OperaterID"_s};
    const QStringList contactColumns{u"LinkmanID"_s,  u"Name"_s, u"NickName"_s, u"CustID"_s,
                                     u"Department"_s, u"Duty"_s, u"Main"_s};
    store::Connection &before = f.dm.connection();
    QCOMPARE(rowsOf(*db, u"tblOperaters"_s, referrerColumns),
             rowsOf(before, u"tblOperaters"_s, referrerColumns));
    QCOMPARE(rowsOf(*db, u"tblCustomers"_s, agentColumns),
             rowsOf(before, u"tblCustomers"_s, agentColumns));
    QCOMPARE(rowsOf(*db, u"tblLinkmans"_s, contactColumns),
             rowsOf(before, u"tblLinkmans"_s, contactColumns));
    QCOMPARE(rowsOf(*db, u"tblCustomers"_s, agentColumns).size(), 2);
}

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
