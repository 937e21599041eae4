// The list tab of the referrer window: what it shows, the row click, 新增 and 修改 with the
// record set, 删除, 刷新, 打印, the e-mail export and the rights.
#include "condition.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dblineedit.h"
#include "filedialog.h"
#include "firstfocus.h"
#include "messagebox.h"
#include "printing.h"
#include "recordfolders.h"
#include "referrerform.h"
#include "referrersfixture.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"客户业务管理-业务员资料-"_s;

QStringList column(store::Dataset &set, const QString &field)
{
    QStringList out;
    for (int row = 0; row < set.rowCount(); ++row)
        out << set.value(row, field).toString();
    return out;
}

// An address list as written: GBK text.
QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString(QStringDecoder("GBK").decode(file.readAll()))
                                          : u"(no file)"_s;
}

} // namespace

class TestReferrersWindow : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // The raw department code, the columns in order, sorted by code whatever the letter case.
    void listShowsColumnsSorted_data() { testsupport::addEngineRows(); }
    void listShowsColumnsSorted()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"B2"_s, u"乙"_s, {{u"DepartmentID"_s, u"02"_s}, {u"Native"_s, u"上海"_s}});
        f.addReferrer(u"c3"_s, u"丙"_s);
        f.addReferrer(u"a1"_s, u"甲"_s, {{u"NickName"_s, u"小甲"_s}, {u"Duty"_s, u"经理"_s}});
        ShownReferrers win(f);
        QCOMPARE(win.w.objectName(), u"TfrmOperaters"_s);
        QCOMPARE(win.w.windowTitle(), u"推荐人/单位资料"_s);
        QCOMPARE(win.w.pages()->tabText(0), u"推荐人/单位资料列表"_s);
        QCOMPARE(win.w.pages()->tabText(1), u"推荐人/单位详细资料"_s);
        DatasetModel *model = win.w.grid()->model();
        QStringList captions;
        for (int c = 0; c < model->columnCount(); ++c)
            captions << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{u"推荐人代码"_s, u"名称"_s, u"联系人"_s, u"部门"_s,
                                        u"职务"_s, u"籍贯"_s}));
        QCOMPARE(column(win.referrers(), u"OperaterID"_s),
                 (QStringList{u"a1"_s, u"B2"_s, u"c3"_s}));
        QCOMPARE(model->data(model->index(1, 3)).toString(), u"02"_s); // not 市场部
        QCOMPARE(model->data(model->index(0, 2)).toString(), u"小甲"_s);
        QCOMPARE(model->data(model->index(1, 5)).toString(), u"上海"_s);
        // A header click sorts by another column.
        win.w.grid()->sortBy(u"Name"_s, Qt::DescendingOrder);
        QCOMPARE(column(win.referrers(), u"Name"_s), (QStringList{u"甲"_s, u"乙"_s, u"丙"_s}));
    }

    // An empty table: 删除 writes its log row only, 修改 stays on the list, the export writes
    // an empty file and reports success.
    void emptyTable_data() { testsupport::addEngineRows(); }
    void emptyTable()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        ShownReferrers win(f);
        QVERIFY(win.referrers().isEmpty());
        win.act("Act_Delete")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.logCount(Prefix + u"删除"_s), 1);

        win.act("Act_Modify")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(win.w.pages()->currentWidget(), win.w.listPage());
        QCOMPARE(win.referrers().state(), store::Dataset::State::Browse);
        QVERIFY(!f.host.navigationVisible);
        const QString operaters = RecordFolders::operatersFolder();
        QVERIFY(QFileInfo(operaters).isDir());
        QCOMPARE(f.host.lastFolder(), operaters);
        QCOMPARE(f.logCount(Prefix + u"修改"_s), 1);

        const QString file = store::session().AppDir + u"Email/none.txt"_s;
        FileDialog::setNextFileName(file);
        win.act("SpeedButton11")->trigger();
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(QFileInfo(file).size(), 0);
        QCOMPARE(shownTexts(), QStringList{u"推荐人Email地址列表导出成功！"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Information);

        f.host.folders.clear();
        Q_EMIT win.w.grid()->view()->clicked(QModelIndex());
        QCOMPARE(f.host.folders, QStringList{operaters});
    }

    // A click shows the referrer's own folder (made when missing); a stored code that cannot
    // name a folder leaves the panel on Operaters and makes nothing outside it.
    void rowClickShowsFolders_data() { testsupport::addEngineRows(); }
    void rowClickShowsFolders()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"P01"_s, u"一"_s);
        f.addReferrer(u"../x"_s, u"坏代码"_s);
        ShownReferrers win(f);
        QVERIFY(win.referrers().locate(u"OperaterID"_s, u"P01"_s));
        const QString operaters = RecordFolders::operatersFolder();
        Q_EMIT win.w.grid()->view()->clicked(
            win.w.grid()->model()->index(win.referrers().currentRow(), 0));
        QCOMPARE(f.host.lastFolder(), operaters + u"/P01"_s);
        QVERIFY(QFileInfo(operaters + u"/P01"_s).isDir());
        QCOMPARE(f.logRows().filter(Prefix), QStringList()); // a click writes no log row

        QVERIFY(win.referrers().locate(u"OperaterID"_s, u"../x"_s));
        f.host.folders.clear();
        Q_EMIT win.w.grid()->view()->clicked(
            win.w.grid()->model()->index(win.referrers().currentRow(), 0));
        QCOMPARE(f.host.folders, QStringList{operaters});
        QVERIFY(!QFileInfo::exists(store::session().FilesDir + u"x"_s));
    }

    // 修改 lists every record naming the referrer, whoever owns it, in code order, with the
    // amount column hidden; 新增 leaves the grid empty.
    void modifyAndInsertSetTheRecords_data() { testsupport::addEngineRows(); }
    void modifyAndInsertSetTheRecords()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"P01"_s, u"推荐甲"_s);
        f.addReferrer(u"P02"_s, u"推荐乙"_s);
        f.addAgent(u"A1"_s, u"东方贸易"_s);
        f.addRecord(
            u"R3"_s, u"P01"_s, u"Admin"_s,
            {{u"CustID"_s, u"A1"_s}, {u"OperateTitle"_s, u"续约"_s}, {u"CompactAmount"_s, 1200.5}});
        f.addRecord(u"R1"_s, u"p01"_s, u"someone"_s); // codes compare without letter case
        f.addRecord(u"R2"_s, u"P02"_s);
        ShownReferrers win(f);
        // The record set carried another module's filter (the ownership of a normal user).
        win.records().setFilter(store::Condition::eq(u"SUser"_s, u"nobody"_s));
        win.records().open();
        QVERIFY(win.records().isEmpty());

        QVERIFY(win.referrers().locate(u"OperaterID"_s, u"P01"_s));
        win.w.grid()->view()->setFocus();
        testsupport::untilIdle();
        QTest::keyClick(win.w.grid()->view(), Qt::Key_M, Qt::ControlModifier); // 修改
        QCOMPARE(win.referrers().state(), store::Dataset::State::Edit);
        QCOMPARE(win.w.pages()->currentWidget(), win.w.detailPage());
        QVERIFY(QTest::qWaitFor([&] { return win.w.form()->code()->hasFocus(); }, 2000));
        QVERIFY(!f.host.navigationVisible);
        QCOMPARE(f.host.navigationPage, u"业务管理"_s);
        QCOMPARE(f.host.lastFolder(), RecordFolders::operatersFolder() + u"/P01"_s);
        QCOMPARE(column(win.records(), u"OperateID"_s), (QStringList{u"R1"_s, u"R3"_s}));
        DataGrid *grid = win.w.form()->recordGrid();
        DatasetModel *model = grid->model();
        QStringList captions;
        for (int c = 0; c < model->columnCount(); ++c)
            captions << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{u"业务编码"_s, u"业务标题"_s, u"商务代理"_s, u"发证日期"_s,
                                        u"截止日期"_s, u"合同金额"_s, u"联系人"_s, u"推荐人"_s}));
        QVERIFY(!grid->isColumnVisible(u"CompactAmount"_s));
        QVERIFY(grid->isColumnVisible(u"OperateTitle"_s));
        QCOMPARE(model->data(model->index(1, 1)).toString(), u"续约"_s);
        QCOMPARE(model->data(model->index(1, 2)).toString(), u"东方贸易"_s);
        QCOMPARE(model->data(model->index(1, 7)).toString(), u"推荐甲"_s);
        QCOMPARE(win.w.form()->subTabs()->tabText(0), u"历次联络记录"_s);
        QCOMPARE(win.w.form()->subTabs()->tabText(1), u"推荐人状态信息"_s);

        win.referrers().cancel();
        win.w.pages()->setCurrentWidget(win.w.listPage());
        win.act("Act_Insert")->trigger();
        QCOMPARE(win.referrers().state(), store::Dataset::State::Insert);
        QVERIFY(!win.records().isOpen());
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(win.w.pages()->currentWidget(), win.w.detailPage());
        QVERIFY(QTest::qWaitFor([&] { return win.w.form()->code()->hasFocus(); }, 2000));
        QCOMPARE(f.logRows().filter(Prefix), (QStringList{Prefix + u"修改"_s, Prefix + u"新增"_s}));
    }

    // Only contact records keep a referrer: one named by agents alone is deleted (the agents
    // keep the code), one named by another user's record is refused. Folders stay.
    void deleteRefusedOnlyForRecords_data() { testsupport::addEngineRows(); }
    void deleteRefusedOnlyForRecords()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"K01"_s, u"有业务"_s);
        f.addReferrer(u"K02"_s, u"只有代理"_s);
        f.addRecord(u"R1"_s, u"k01"_s, u"other"_s);
        f.addAgent(u"A1"_s, u"代理"_s, u"Admin"_s, {{u"OperaterID"_s, u"K02"_s}});
        testsupport::addUser(f.dm.connection(), u"zhou"_s, u"pw"_s, false,
                             testsupport::allRights());
        f.signIn(u"zhou"_s);
        ShownReferrers win(f);
        QCOMPARE(win.referrers().rowCount(), 2); // every user sees every referrer

        QVERIFY(win.referrers().locate(u"OperaterID"_s, u"K01"_s));
        win.act("Act_Delete")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"对不起，该业务员存在业务资料信息，不能删除！"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters"_s).toInt(), 2);

        QVERIFY(win.referrers().locate(u"OperaterID"_s, u"K02"_s));
        const QString folder = RecordFolders::operatersFolder() + u"/K02"_s;
        QDir().mkpath(folder);
        QFile(folder + u"/note.txt"_s).open(QIODevice::WriteOnly);
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        win.act("Act_Delete")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该业务员资料吗？"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::last().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters"_s).toInt(), 2);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        win.act("Act_Delete")->trigger();
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters WHERE OperaterID = 'K02'"_s).toInt(),
                 0);
        QCOMPARE(f.scalar(u"SELECT OperaterID FROM tblCustomers WHERE CustId = 'A1'"_s).toString(),
                 u"K02"_s);
        QVERIFY(QFileInfo::exists(folder + u"/note.txt"_s));
        QCOMPARE(win.referrers().rowCount(), 1);
        QCOMPARE(f.logCount(Prefix + u"删除"_s), 3);
    }

    // 刷新 reads the table again under the search in force and drops a pending change once the
    // user says so.
    void refreshKeepsTheSearch_data() { testsupport::addEngineRows(); }
    void refreshKeepsTheSearch()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"S01"_s, u"华东公司"_s);
        f.addReferrer(u"S02"_s, u"华南公司"_s);
        ShownReferrers win(f);
        win.referrers().setFilter(store::Condition::like(u"Name"_s, u"华东"_s));
        QCOMPARE(win.referrers().rowCount(), 1);
        testsupport::typeText(win.w.form()->name(), u"改"_s);
        f.addReferrer(u"S03"_s, u"华东分部"_s); // another seat's new referrer
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::No);
        win.act("spBtnRefresh")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"推荐人资料尚未保存，保存吗？"_s});
        QCOMPARE(win.referrers().state(), store::Dataset::State::Browse);
        QCOMPARE(column(win.referrers(), u"OperaterID"_s), (QStringList{u"S01"_s, u"S03"_s}));
        QCOMPARE(f.scalar(u"SELECT Name FROM tblOperaters WHERE OperaterID = 'S01'"_s).toString(),
                 u"华东公司"_s);
        QCOMPARE(f.logCount(Prefix + u"刷新"_s), 1);
    }

    // 打印 and the export cover the rows the search lets through; the export skips empty
    // addresses, keeps repeated ones and ends on the last row. The department names looked
    // up on the way cost no rows.
    void printAndExportUnderASearch_data() { testsupport::addEngineRows(); }
    void printAndExportUnderASearch()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.insert(u"tblDepartment"_s, {{u"DepartmentID"_s, u"D1"_s}, {u"DepartmentName"_s, u"销售部"_s}, {u"Memo"_s, u"部门"_s}});
        f.dm.tblDepartment.refresh();
        f.dm.tblDepartment.open();
        f.addReferrer(u"E1"_s, u"北方一"_s, {{u"Email"_s, u"a@x.cn"_s}, {u"DepartmentID"_s, u"D1"_s}});
        f.addReferrer(u"E2"_s, u"北方二"_s, {{u"DepartmentID"_s, u"D2"_s}});
        f.addReferrer(u"E3"_s, u"南方"_s, {{u"Email"_s, u"south@x.cn"_s}});
        f.addReferrer(u"E4"_s, u"北方四"_s, {{u"Email"_s, u"a@x.cn"_s}, {u"DepartmentID"_s, u"D1"_s}});
        f.addReferrer(u"E5"_s, u"北方五"_s, {{u"Email"_s, u"王@例子.cn"_s}});
        ShownReferrers win(f);
        win.referrers().setFilter(store::Condition::like(u"Name"_s, u"北方"_s));
        win.act("Act_Print")->trigger();
        QCOMPARE(Printing::last().layout, u"frOperaters.frf"_s);
        QVERIFY(Printing::last().layoutFound);
        QCOMPARE(Printing::last().rowCount, 4);
        QVERIFY(!Printing::last().text.contains(u"南方"_s));
        QCOMPARE(f.logCount(Prefix + u"打印"_s), 1);

        const QString folder = store::session().AppDir + u"Email"_s;
        QDir(folder).removeRecursively();
        FileDialog::setNextFileName(folder + u"/north.txt"_s);
        win.act("SpeedButton11")->trigger();
        const FileDialog::Call call = FileDialog::last();
        QCOMPARE(call.kind, FileDialog::Kind::Save);
        QCOMPARE(call.caption, u"Email地址导出"_s);
        QCOMPARE(call.folder, folder);
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(call.proposedName, u"TuijianEmail"_s);
        QCOMPARE(call.defaultSuffix, u"txt"_s);
        QVERIFY(call.filter.contains(u"*.txt"_s));
        QCOMPARE(readFile(folder + u"/north.txt"_s), u"a@x.cn\r\na@x.cn\r\n王@例子.cn\r\n"_s);
        QCOMPARE(win.referrers().currentRow(), 3);
        QCOMPARE(shownTexts(), QStringList{u"推荐人Email地址列表导出成功！"_s});
        QCOMPARE(f.logRows().filter(u"Email"_s), QStringList()); // the export writes no log row

        // Cancelled: no file, no message. A file that cannot be written: its reason, no success.
        resetScripts();
        win.act("SpeedButton11")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        FileDialog::setNextFileName(folder + u"/missing/dir/x.txt"_s);
        win.act("SpeedButton11")->trigger();
        QCOMPARE(shownTexts().size(), 1);
        QVERIFY(shownTexts().first().startsWith(u"对不起，文件"_s));
    }

    // The commands follow the flags of right 303. Without Modify a stored referrer is only
    // shown: typing and the status section's 修改 do not start editing it, so there is
    // nothing to save or drop.
    void rightsEnableCommands_data() { testsupport::addEngineRows(); }
    void rightsEnableCommands()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"R01"_s, u"权限"_s);
        ShownReferrers win(f);
        for (const char *name :
             {"Act_Insert", "Act_Modify", "Act_Delete", "spBtnRefresh", "Act_Query", "Act_Print",
              "SpeedButton11", "Act_Add", "Act_Del", "Act_Prt", "Act_Qry"})
            QVERIFY2(win.enabled(name), name);
        QVERIFY(!win.enabled("Act_Save"));
        QVERIFY(!win.enabled("Act_Cancel"));
        QCOMPARE(win.w.findChild<QToolButton *>(u"spBtnNew"_s)->defaultAction(),
                 win.act("Act_Insert"));
        QCOMPARE(win.w.findChild<QToolButton *>(u"spBtnPrint1"_s)->defaultAction(),
                 win.act("Act_Print"));

        f.setRightFlag(u"303"_s, u"Modify"_s, false);
        f.setRightFlag(u"303"_s, u"Print"_s, false);
        QVERIFY(!win.enabled("Act_Modify"));
        QVERIFY(!win.enabled("Act_Print"));
        QVERIFY(!win.enabled("Act_Prt"));
        QVERIFY(win.enabled("Act_Insert"));
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        win.w.form()->name()->setFocus();
        testsupport::typeIntoFocus(u"改"_s);
        win.w.form()->stateEditButton()->click();
        QCOMPARE(win.referrers().state(), store::Dataset::State::Browse);
        QCOMPARE(win.w.form()->name()->text(), u"权限"_s);
        QVERIFY(!win.enabled("Act_Save"));
        QVERIFY(!win.enabled("Act_Cancel"));
        // A new referrer can always be saved, but only one at a time is begun.
        win.act("Act_Add")->trigger();
        QVERIFY(win.enabled("Act_Save"));
        QVERIFY(win.enabled("Act_StateSave"));
        QVERIFY(!win.enabled("Act_Add"));
        win.act("Act_Cancel")->trigger();
        QCOMPARE(f.scalar(u"SELECT Name FROM tblOperaters"_s).toString(), u"权限"_s);

        f.dm.connection().exec(u"DELETE FROM tblUserRight WHERE RightID = '303'"_s);
        f.dm.tblUserRight.refresh();
        for (const char *name :
             {"Act_Insert", "Act_Delete", "Act_Query", "Act_Add", "Act_Del", "Act_Qry"})
            QVERIFY2(!win.enabled(name), name);
        QVERIFY(win.enabled("spBtnRefresh"));
        QVERIFY(win.enabled("SpeedButton11"));
    }

    // Keyboard only, right after the window shows: Enter on a row is 修改.
    void enterOnARowModifies()
    {
        ReferrersFixture f(u"sqlite"_s);
        f.addReferrer(u"Q1"_s, u"键盘"_s);
        ShownReferrers win(f);
        QTreeView *view = win.w.grid()->view();
        view->setFocus();
        view->setCurrentIndex(win.w.grid()->model()->index(0, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(win.referrers().state(), store::Dataset::State::Edit);
        QCOMPARE(win.w.pages()->currentWidget(), win.w.detailPage());
        QCOMPARE(FirstFocus::of(&win.w), static_cast<QWidget *>(win.w.form()->code()));
    }
};

QTEST_MAIN(TestReferrersWindow)
#include "tst_referrerswindow.moc"
