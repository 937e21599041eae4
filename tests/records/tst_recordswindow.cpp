// The record module window: its list tab (columns, order, ownership, 刷新, 删除, the agent's
// folder) and its details tab (the checks of 保存, the related agent, the Enter chain, the
// pickers, 放弃, printing and the item grid).
#include "datagrid.h"
#include "datasetmodel.h"
#include "dbcheckbox.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbmemo.h"
#include "dbpagedlookupcombo.h"
#include "messagebox.h"
#include "printing.h"
#include "recordfolders.h"
#include "recordform.h"
#include "recorditemspage.h"
#include "recordsfixture.h"
#include "recordswindow.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"客户业务管理-业务资料-"_s;

// The record window on a fixture, shown as the record module command would show it.
struct Window {
    explicit Window(RecordsFixture &f) : w(f.ws)
    {
        f.openRecordsModule();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    RecordsWindow w;
    QAction *act(const char *name) { return w.action(QLatin1String(name)); }
    store::Dataset &records() { return *w.grid()->dataset(); }
    RecordForm *form() { return w.form(); }
    // A command as a click on its button: once the enabling has caught up.
    void fire(const char *name)
    {
        testsupport::untilIdle();
        act(name)->trigger();
    }
    bool enabled(const char *name)
    {
        testsupport::untilIdle();
        return act(name)->isEnabled();
    }
    QStringList codes()
    {
        QStringList out;
        for (int row = 0; row < records().rowCount(); ++row)
            out << records().value(row, u"OperateID"_s).toString();
        return out;
    }
    QStringList sortedCodes()
    {
        QStringList out = codes();
        out.sort();
        return out;
    }
    void details()
    {
        w.pages()->setCurrentWidget(w.detailPage());
        testsupport::untilIdle();
    }
};

void addUser(RecordsFixture &f, const QString &user)
{
    testsupport::addUser(f.dm.connection(), user, u"pw"_s, false, testsupport::allRights());
}

} // namespace

class TestRecordsWindow : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // The captions in order, the display fields, and the first order by 联络事宜.
    void listShowsColumnsSortedByTitle_data() { testsupport::addEngineRows(); }
    void listShowsColumnsSortedByTitle()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"东方贸易"_s);
        f.addReferrer(u"P1"_s, u"李推荐"_s);
        f.addRecord(u"R1"_s, u"B事宜"_s, u"A1"_s, u"Admin"_s, {{u"OperaterID"_s, u"P1"_s}});
        f.addRecord(u"R2"_s, u"A事宜"_s, u"A1"_s);
        f.addRecord(u"R3"_s, u"C事宜"_s, u"A1"_s);
        Window win(f);
        DatasetModel *model = win.w.grid()->model();
        QStringList captions;
        for (int c = 0; c < model->columnCount(); ++c)
            captions << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{u"联络代码"_s, u"联络事宜"_s, u"商务代理"_s, u"推荐人"_s,
                                        u"发证日期"_s, u"签约日期"_s, u"截止日期"_s, u"发证状态"_s}));
        QCOMPARE(win.records().sortColumn(), u"OperateTitle"_s);
        QCOMPARE(win.codes(), (QStringList{u"R2"_s, u"R1"_s, u"R3"_s}));
        QVERIFY(win.records().locate(u"OperateID"_s, u"R1"_s));
        QCOMPARE(win.records().text(u"CustName"_s), u"东方贸易"_s);
        QCOMPARE(win.records().text(u"OperaterName"_s), u"李推荐"_s);
        QVERIFY(!win.records().text(u"OperateStateName"_s).isEmpty());
        QCOMPARE(win.w.pages()->tabText(0), u"历次联络记录列表"_s);
        QCOMPARE(win.w.pages()->tabText(1), u"联络记录详细资料"_s);
        QCOMPARE(win.w.windowTitle(), u"历次联络记录"_s);
    }

    // A user who is not an administrator sees only their own records, also after 刷新; a
    // search stays in force over 刷新 as well.
    void ownershipAndSearchSurviveRefresh_data() { testsupport::addEngineRows(); }
    void ownershipAndSearchSurviveRefresh()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        addUser(f, u"zhao"_s);
        f.addAgent(u"A1"_s, u"代理"_s, u"zhao"_s);
        f.addRecord(u"R1"_s, u"赵的一"_s, u"A1"_s, u"zhao"_s);
        f.addRecord(u"R2"_s, u"别人的"_s, u"A1"_s, u"Admin"_s);
        f.addRecord(u"R3"_s, u"赵的二"_s, u"A1"_s, u"zhao"_s);
        f.signIn(u"zhao"_s);
        Window win(f);
        QCOMPARE(win.sortedCodes(), (QStringList{u"R1"_s, u"R3"_s}));
        f.addRecord(u"R4"_s, u"又一个别人的"_s, u"A1"_s, u"Admin"_s);
        f.addRecord(u"R5"_s, u"赵的三"_s, u"A1"_s, u"zhao"_s);
        win.fire("spBtnRefresh");
        QCOMPARE(win.sortedCodes(), (QStringList{u"R1"_s, u"R3"_s, u"R5"_s}));
        QCOMPARE(f.logRows().last(), Prefix + u"刷新"_s);

        win.records().setFilter(store::Condition::like(u"OperateTitle"_s, u"三"_s) &&
                                store::Condition::eq(u"SUser"_s, u"zhao"_s));
        win.fire("spBtnRefresh");
        QCOMPARE(win.codes(), QStringList{u"R5"_s});
    }

    // 删除 is refused while the record has an item; once the item is deleted on the details
    // tab, the record goes after the question.
    void deleteWaitsForTheLastItem_data() { testsupport::addEngineRows(); }
    void deleteWaitsForTheLastItem()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s);
        f.addRecord(u"R1"_s, u"有子项"_s, u"A1"_s);
        f.addItem(u"R1"_s, u"1"_s);
        Window win(f);
        QVERIFY(win.records().locate(u"OperateID"_s, u"R1"_s));
        win.fire("Act_Delete");
        QCOMPARE(shownTexts(), QStringList{u"对不起，该业务资料包括业务子项信息，不能删除！"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(f.count(u"tblOperates"_s), 1);
        QCOMPARE(f.logRows().last(), Prefix + u"删除"_s);

        win.details();
        QCOMPARE(f.dm.tblOperateDetail.rowCount(), 1);
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        win.w.itemsPage()->button("btnDeleteItem")->click();
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该业务子项记录吗？"_s});
        QCOMPARE(f.count(u"tblOperateDetail"_s), 0);

        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        win.fire("Act_Del");
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该业务项目吗？"_s});
        QCOMPARE(f.count(u"tblOperates"_s), 1);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        win.fire("Act_Del");
        QCOMPARE(f.count(u"tblOperates"_s), 0);
    }

    // A click on a row shows the agent's folder, made when missing; FilesDir itself for a
    // record without an agent. 修改 does the same and hands the row to the details tab.
    void rowClickShowsTheAgentFolder_data() { testsupport::addEngineRows(); }
    void rowClickShowsTheAgentFolder()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s);
        f.addRecord(u"R1"_s, u"甲"_s, u"A1"_s);
        f.addRecord(u"R2"_s, u"乙"_s, QString());
        Window win(f);
        QTreeView *view = win.w.grid()->view();
        const auto clickRow = [&](const QString &code) {
            const int row = win.records().find(u"OperateID"_s, code);
            QVERIFY(row >= 0);
            const QModelIndex index = win.w.grid()->model()->index(row, 0);
            view->scrollTo(index);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
            QCOMPARE(win.records().text(u"OperateID"_s), code);
        };
        const QString folder = store::session().FilesDir + u"A1"_s;
        QVERIFY(!QFileInfo(folder).exists());
        clickRow(u"R1"_s);
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(f.host.lastFolder(), folder);
        clickRow(u"R2"_s);
        QCOMPARE(f.host.lastFolder(), RecordFolders::root());

        f.host.folders.clear();
        QVERIFY(win.records().locate(u"OperateID"_s, u"R1"_s));
        win.fire("Act_Modify");
        QCOMPARE(win.records().state(), store::Dataset::State::Edit);
        QCOMPARE(win.w.pages()->currentWidget(), win.w.detailPage());
        QVERIFY(!f.host.navigationVisible);
        QCOMPARE(f.host.navigationPage, u"业务管理"_s);
        QCOMPARE(f.host.lastFolder(), folder);
        QCOMPARE(f.logRows().last(), Prefix + u"修改"_s);
        win.fire("Act_Cancel");
    }

    // Every command writes its log row before anything else and follows its right flag.
    void commandsFollowTheirRights_data() { testsupport::addEngineRows(); }
    void commandsFollowTheirRights()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        Window win(f);
        for (const char *flag : {"Insert", "Modify", "Delete", "Query", "Print"})
            f.setRightFlag(u"304"_s, QLatin1String(flag), false);
        f.rights.invalidate();
        for (const char *name : {"Act_Insert", "Act_Modify", "Act_Delete", "Act_Query", "Act_Print",
                                 "Act_Add", "Act_Del", "Act_Prt", "Act_Qry"})
            QVERIFY2(!win.enabled(name), name);
        QVERIFY(win.enabled("spBtnRefresh"));
        f.setRightFlag(u"304"_s, u"Print"_s, true);
        f.rights.invalidate();
        QVERIFY(win.enabled("Act_Print"));
        QVERIFY(win.enabled("Act_Prt"));
        QVERIFY(!win.enabled("Act_Delete"));
        // Modify empty: the log row and nothing else.
        f.setRightFlag(u"304"_s, u"Modify"_s, true);
        f.rights.invalidate();
        QVERIFY(win.enabled("Act_Modify"));
        win.fire("Act_Modify");
        QCOMPARE(win.records().state(), store::Dataset::State::Browse);
        QCOMPARE(win.w.pages()->currentWidget(), win.w.listPage());
        QCOMPARE(f.logRows().last(), Prefix + u"修改"_s);
    }

    // 保存 with everything empty reports only the first input; then each check in turn, the
    // focus on its input, until the record is stored with its owner, even with dates out of order.
    void saveChecksInOrder_data() { testsupport::addEngineRows(); }
    void saveChecksInOrder()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"东方贸易"_s);
        Window win(f);
        win.w.grid()->view()->setFocus();
        testsupport::untilIdle();
        QTest::keyClick(win.w.grid()->view(), Qt::Key_N, Qt::ControlModifier); // 新增
        QCOMPARE(win.records().state(), store::Dataset::State::Insert);
        QCOMPARE(win.w.pages()->currentWidget(), win.w.detailPage());
        QVERIFY(QTest::qWaitFor([&] { return win.form()->code()->hasFocus(); }, 2000));
        QVERIFY(!win.form()->linkAgent()->isEnabled());

        RecordForm *form = win.form();
        const auto saveShows = [&](const QString &message, QWidget *focus) {
            resetScripts();
            win.fire("Act_Save");
            QCOMPARE(shownTexts(), QStringList{message});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QCOMPARE(MessageBox::last().title, u"系统提示"_s);
            QVERIFY(QTest::qWaitFor([&] { return focus->hasFocus(); }, 2000));
            QCOMPARE(win.records().state(), store::Dataset::State::Insert);
        };
        const auto typeDay = [](DbDateEdit *edit, const QString &day) {
            edit->setFocus();
            edit->selectAll();
            edit->setCursorPosition(0);
            testsupport::typeText(edit, day);
        };
        saveShows(u"请输入业务编码！"_s, form->code());
        testsupport::typeText(form->code(), u"R'1"_s);
        saveShows(u"请输入业务标题！"_s, form->title());
        testsupport::typeText(form->title(), u"签约"_s);
        saveShows(u"请选择输入相关客户！"_s, form->agent());
        chooseAgent(form->agentChoice(), u"东方贸易"_s);
        saveShows(u"请输入业务资料建档时间！"_s, form->createDate());
        typeDay(form->createDate(), u"2026-04-01"_s);
        saveShows(u"请选择输入业务来源！"_s, form->origin());
        choose(form->origin(), u"完备"_s);
        saveShows(u"请选择输入业务类型！"_s, form->type());
        choose(form->type(), u"有档案"_s);
        saveShows(u"请选择输入签约日期！"_s, form->writeDate());
        typeDay(form->writeDate(), u"2027-05-01"_s);
        saveShows(u"请选择输入合同截止日期！"_s, form->endDate());
        typeDay(form->endDate(), u"2026-05-01"_s); // before the signing: no complaint
        saveShows(u"请选择业务状态！"_s, form->state());
        choose(form->state(), u"未发证"_s);

        resetScripts();
        QTest::keyClick(form->code(), Qt::Key_S, Qt::ControlModifier); // 保存
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(win.records().state(), store::Dataset::State::Browse);
        QCOMPARE(f.scalar(u"SELECT SUser FROM tblOperates WHERE OperateID = ?"_s, {u"R'1"_s}).toString(),
                 u"Admin"_s);
        QCOMPARE(f.scalar(u"SELECT CustID FROM tblOperates WHERE OperateID = ?"_s, {u"R'1"_s}).toString(),
                 u"A1"_s);
        QCOMPARE(f.scalar(u"SELECT WriteDate FROM tblOperates WHERE OperateID = ?"_s, {u"R'1"_s}).toDate(),
                 QDate(2027, 5, 1));
        const QString folder = store::session().FilesDir + u"A1"_s;
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(f.host.lastFolder(), folder);
        QCOMPARE(f.logCount(Prefix + u"保存"_s), 10);
        QCOMPARE(f.logRows().mid(f.logRows().size() - 1), QStringList{Prefix + u"保存"_s});
    }

    // On a stored record an end date typed in part is refused by 保存 (Ctrl+S where the user
    // types) with one message naming it. Without the Modify right the record and its items are
    // only shown: what is typed goes nowhere, the item dialog's 保存 stores nothing, and a click
    // on another record stores nothing either.
    void storedRecordKeepsItsValues_data() { testsupport::addEngineRows(); }
    void storedRecordKeepsItsValues()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"东方贸易"_s);
        f.addRecord(u"R1"_s, u"甲"_s, u"A1"_s);
        f.addRecord(u"R2"_s, u"乙"_s, u"A1"_s);
        f.addItem(u"R1"_s, u"1"_s,
                  {{u"DTitle"_s, u"旧主题"_s}, {u"OperateDate"_s, QDate(2026, 3, 5)}});
        Window win(f);
        QVERIFY(win.records().locate(u"OperateID"_s, u"R1"_s));
        win.details();
        RecordForm *form = win.form();
        const auto typeInto = [](QWidget *field, const QString &keys) {
            field->setFocus();
            if (auto *edit = qobject_cast<QLineEdit *>(field))
                edit->selectAll();
            testsupport::typeIntoFocus(keys);
        };
        const auto stored = [&f](const char *column, const QString &code) {
            return f.scalar(u"SELECT "_s + QLatin1String(column) +
                                u" FROM tblOperates WHERE OperateID = ?"_s,
                            {code});
        };
        typeInto(form->endDate(), u"20270"_s);
        testsupport::untilIdle();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(shownTexts(), QStringList{u"对不起，截止日期不是有效的日期！"_s});
        QVERIFY(form->endDate()->hasFocus());
        QCOMPARE(form->endDate()->displayText(), u"2027-0_-__"_s);
        QCOMPARE(DbDateEdit::toDate(stored("EndDate", u"R1"_s)), QDate(2026, 3, 20));
        win.fire("Act_Cancel");

        f.setRightFlag(u"304"_s, u"Modify"_s, false);
        typeInto(form->title(), u"改"_s);
        typeInto(form->writeDate(), u"20250101"_s);
        QCOMPARE(win.records().state(), store::Dataset::State::Browse);
        QCOMPARE(form->title()->text(), u"甲"_s);
        testsupport::whenModal(u"TfrmOperateNewChild"_s, [](QWidget *dialog) {
            auto *subject = dialog->findChild<QLineEdit *>(u"edtDTitle"_s);
            subject->setFocus();
            testsupport::typeIntoFocus(u"新"_s);
            QCOMPARE(subject->text(), u"旧主题"_s);
            testsupport::untilIdle();
            testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
            dialog->close();
        });
        win.w.itemsPage()->button("btnModifyItem")->click();
        QCOMPARE(f.scalar(u"SELECT DTitle FROM tblOperateDetail"_s).toString(), u"旧主题"_s);

        win.w.pages()->setCurrentWidget(win.w.listPage());
        QTreeView *view = win.w.grid()->view();
        const int other = win.records().find(u"OperateID"_s, u"R2"_s);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(win.w.grid()->model()->index(other, 0)).center());
        QCOMPARE(win.records().text(u"OperateID"_s), u"R2"_s);
        QCOMPARE(stored("OperateTitle", u"R1"_s).toString(), u"甲"_s);
        QCOMPARE(DbDateEdit::toDate(stored("WriteDate", u"R1"_s)), QDate(2026, 3, 2));
    }

    // The related agent: enabled while the box is ticked, kept when it is unticked; the Enter
    // chain passes it by while disabled.
    void relatedAgentFollowsTheBox_data() { testsupport::addEngineRows(); }
    void relatedAgentFollowsTheBox()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"甲代理"_s);
        f.addAgent(u"A2"_s, u"乙代理"_s);
        f.addRecord(u"R1"_s, u"相关"_s, u"A1"_s, u"Admin"_s, {{u"Link"_s, true}, {u"LinkCustID"_s, u"A2"_s}});
        f.addRecord(u"R2"_s, u"无相关"_s, u"A1"_s);
        Window win(f);
        RecordForm *form = win.form();
        QVERIFY(win.records().locate(u"OperateID"_s, u"R1"_s));
        win.details();
        QVERIFY(form->link()->isChecked());
        QVERIFY(form->linkAgent()->isEnabled());
        QVERIFY(form->linkQueryButton()->isEnabled());
        QCOMPARE(form->linkAgent()->currentText(), u"乙代理"_s);

        form->link()->setFocus();
        QTest::keyClick(form->link(), Qt::Key_Return);
        QVERIFY(form->linkAgent()->hasFocus());
        form->link()->setFocus();
        QTest::keyClick(form->link(), Qt::Key_Space); // other keys act normally: untick
        QVERIFY(!form->link()->isChecked());
        QVERIFY(!form->linkAgent()->isEnabled());
        QVERIFY(!form->linkQueryButton()->isEnabled());
        QTest::keyClick(form->link(), Qt::Key_Return);
        QVERIFY(form->createDate()->hasFocus());
        win.fire("Act_Save");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT LinkCustID FROM tblOperates WHERE OperateID = 'R1'"_s).toString(), u"A2"_s);

        // Switching the tab follows the record shown.
        win.w.pages()->setCurrentWidget(win.w.listPage());
        QVERIFY(win.records().locate(u"OperateID"_s, u"R2"_s));
        win.details();
        QVERIFY(!form->linkAgent()->isEnabled());

        // The chain along the first column, the second, and from the status to the remark.
        const QList<QWidget *> first{form->code(), form->title(), form->agent(), form->link()};
        for (int i = 0; i + 1 < first.size(); ++i) {
            first[i]->setFocus();
            QTest::keyClick(first[i], Qt::Key_Return);
            QVERIFY2(first[i + 1]->hasFocus(), qPrintable(first[i]->objectName()));
        }
        const QList<QWidget *> rest{form->createDate(), form->linkman(), form->origin(), form->type()};
        for (int i = 0; i + 1 < rest.size(); ++i) {
            rest[i]->setFocus();
            QTest::keyClick(rest[i], Qt::Key_Return);
            QVERIFY2(rest[i + 1]->hasFocus(), qPrintable(rest[i]->objectName()));
        }
        const QList<QWidget *> second{form->referrer(), form->writeDate(), form->endDate()};
        for (int i = 0; i + 1 < second.size(); ++i) {
            second[i]->setFocus();
            QTest::keyClick(second[i], Qt::Key_Return);
            QVERIFY2(second[i + 1]->hasFocus(), qPrintable(second[i]->objectName()));
        }
        form->state()->setFocus();
        QTest::keyClick(form->state(), Qt::Key_Return);
        QVERIFY(form->remark()->hasFocus());
        win.fire("Act_Cancel");
    }

    // The two 查询... buttons write the picked agent into their field and leave the agent
    // list on it.
    void pickersWriteTheirField_data() { testsupport::addEngineRows(); }
    void pickersWriteTheirField()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"甲代理"_s);
        f.addAgent(u"A2"_s, u"乙代理"_s);
        f.addAgent(u"A3"_s, u"丙代理"_s);
        f.addRecord(u"R1"_s, u"记录"_s, u"A1"_s, u"Admin"_s, {{u"Link"_s, true}});
        Window win(f);
        QVERIFY(win.records().locate(u"OperateID"_s, u"R1"_s));
        win.details();
        const auto pick = [&](QPushButton *button, const QString &agent) {
            testsupport::whenModal(u"TfrmCustomerQuery1"_s, [&f, agent](QWidget *picker) {
                QVERIFY(f.dm.tblCustomers2.locate(u"CustId"_s, agent));
                picker->findChild<QPushButton *>(u"btnSelect"_s)->click();
            });
            button->click();
        };
        pick(win.form()->agentQueryButton(), u"A2"_s);
        QCOMPARE(store::session().PickTarget, u"相关客户"_s);
        QCOMPARE(win.records().state(), store::Dataset::State::Edit);
        QCOMPARE(win.records().text(u"CustID"_s), u"A2"_s);
        pick(win.form()->linkQueryButton(), u"A3"_s);
        QCOMPARE(store::session().PickTarget, u"联系客户"_s);
        QCOMPARE(win.records().text(u"LinkCustID"_s), u"A3"_s);
        QCOMPARE(f.dm.tblCustomers2.text(u"CustId"_s), u"A3"_s);
        win.fire("Act_Save");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT CustID FROM tblOperates WHERE OperateID = 'R1'"_s).toString(), u"A2"_s);
        QCOMPARE(f.scalar(u"SELECT LinkCustID FROM tblOperates WHERE OperateID = 'R1'"_s).toString(), u"A3"_s);
    }

    // 放弃 drops a new record; 新增 on the tab starts one; the agent page shows the record's agent.
    void cancelAddAndAgentPage_data() { testsupport::addEngineRows(); }
    void cancelAddAndAgentPage()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"甲代理"_s, u"Admin"_s, {{u"City"_s, u"杭州"_s}});
        f.addAgent(u"A2"_s, u"乙代理"_s, u"Admin"_s, {{u"City"_s, u"宁波"_s}});
        f.addRecord(u"R1"_s, u"记录"_s, u"A2"_s);
        Window win(f);
        win.details();
        QCOMPARE(f.dm.tblCustomers2.text(u"CustId"_s), u"A2"_s);
        auto *city = win.w.detailTabs()->widget(1)->findChild<DbLineEdit *>(u"edtAgentCity"_s);
        QVERIFY(city && city->isReadOnly());
        QCOMPARE(city->text(), u"宁波"_s);
        QCOMPARE(win.w.detailTabs()->tabText(0), u"联络事宜"_s);
        QCOMPARE(win.w.detailTabs()->tabText(1), u"商务代理资料"_s);

        QVERIFY(!win.enabled("Act_Cancel"));
        win.fire("Act_Add");
        QCOMPARE(win.records().state(), store::Dataset::State::Insert);
        QVERIFY(!win.enabled("Act_Add"));
        QVERIFY(win.enabled("Act_Cancel"));
        testsupport::typeText(win.form()->code(), u"NEW"_s);
        win.fire("Act_Cancel");
        QCOMPARE(win.records().state(), store::Dataset::State::Browse);
        QCOMPARE(f.count(u"tblOperates"_s), 1);
        QCOMPARE(win.records().rowCount(), 1);
    }

    // 打印 on the list prints the list as filtered; on the details tab, the record's items. The
    // item grid shows four columns and hides the amounts.
    void printsAndItemColumns_data() { testsupport::addEngineRows(); }
    void printsAndItemColumns()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s);
        f.addRecord(u"R1"_s, u"甲"_s, u"A1"_s);
        f.addRecord(u"R2"_s, u"乙"_s, u"A1"_s);
        f.addItem(u"R1"_s, u"2"_s);
        f.addItem(u"R1"_s, u"1"_s);
        f.addItem(u"R2"_s, u"1"_s);
        Window win(f);
        win.fire("Act_Print");
        QCOMPARE(Printing::last().layout, u"frOperates.frf"_s);
        QVERIFY(Printing::last().layoutFound);
        QCOMPARE(Printing::last().rowCount, 2);
        QVERIFY(win.records().locate(u"OperateID"_s, u"R1"_s));
        win.details();
        win.fire("Act_Prt");
        QCOMPARE(Printing::last().layout, u"frOperateDetail.frf"_s);
        QVERIFY(Printing::last().layoutFound);
        QCOMPARE(Printing::last().rowCount, 2);
        QCOMPARE(f.logRows().mid(f.logRows().size() - 2), (QStringList{Prefix + u"打印"_s, Prefix + u"打印"_s}));

        DataGrid *items = win.w.itemsPage()->grid();
        QCOMPARE(items->dataset()->value(0, u"DetailNo"_s).toString(), u"1"_s);
        QTreeView *view = items->view();
        QStringList shown, hidden;
        for (int c = 0; c < items->model()->columnCount(); ++c)
            (view->isColumnHidden(c) ? hidden : shown) << items->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(shown, (QStringList{u"业务详细编号"_s, u"发生日期"_s, u"主题"_s, u"描述"_s}));
        QCOMPARE(hidden, (QStringList{u"收支类型"_s, u"单价"_s, u"数量"_s, u"总计"_s, u"币别"_s, u"折人民币"_s}));
    }
};

QTEST_MAIN(TestRecordsWindow)
#include "tst_recordswindow.moc"
