// The schedule panel: the list with its agent names, commands, rights, 删除, 刷新, 查询 and 打印;
// the details with the six checks of 保存, the agent drop-down, the pickers, the navigator and
// the sub-tabs; F6 from the main window.
#include "agentchoice.h"
#include "agentpanel.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbnavigator.h"
#include "dbtimeedit.h"
#include "filepanel.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "planquerydialog.h"
#include "printing.h"
#include "recordfolders.h"
#include "schedulefixture.h"
#include "scheduleform.h"
#include "schedulepanel.h"
#include "testusers.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

using namespace Qt::StringLiterals;
using State = store::Dataset::State;

namespace
{

const QString Prefix = u"商务代理业务管理-日程安排-"_s;

QStringList column(store::Dataset &set, const QString &field)
{
    QStringList out;
    for (int row = 0; row < set.rowCount(); ++row)
        out << set.value(row, field).toString();
    return out;
}

// The panel on its own, prepared as F6 prepares the sets, shown and active.
struct ShownSchedule {
    explicit ShownSchedule(ScheduleFixture &f) : w(f.ws)
    {
        f.dm.applyOwnership(f.dm.tblCustomers2);
        f.dm.tblCustomers2.refresh();
        f.dm.qryPlan.close();
        f.dm.qryPlan.clearFilter();
        f.dm.qryPlan.setSql(u"select * from tblPlan"_s);
        f.dm.qryPlan.open();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    QAction *act(const char *name) const { return w.action(QLatin1String(name)); }
    bool enabled(const char *name) const
    {
        testsupport::untilIdle();
        return act(name)->isEnabled();
    }
    ScheduleForm *form() const { return w.form(); }
    SchedulePanel w;
};

void typeTime(DbTimeEdit *edit, const QString &digits)
{
    edit->setFocus();
    edit->selectAll();
    edit->setCursorPosition(0);
    testsupport::typeText(edit, digits);
}

} // namespace

class TestSchedulePanel : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // The columns in order; the agent's name as the agent list holds it now, so a normal user
    // sees no name on an entry of another user's agent.
    void listShowsEntriesWithAgentNames_data() { testsupport::addEngineRows(); }
    void listShowsEntriesWithAgentNames()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false,
                             testsupport::allRights());
        f.addAgent(u"A1"_s, u"甲公司"_s, u"Admin"_s);
        f.addAgent(u"B1"_s, u"乙公司"_s, u"qian"_s);
        f.addPlan(QDate(2026, 3, 1), u"会议室"_s, u"A1"_s,
                  {{u"PlanTime"_s, u"09:30:00"_s}, {u"Linkman"_s, u"张三"_s}});
        f.addPlan(QDate(2026, 3, 2), u"工厂"_s, u"B1"_s, {{u"AttendMan"_s, u"市场部"_s}});
        ShownSchedule s(f);
        QCOMPARE(s.w.objectName(), u"PnClient"_s);
        QCOMPARE(s.w.pages()->tabText(0), u"日程安排列表"_s);
        QCOMPARE(s.w.pages()->tabText(1), u"日程详细安排"_s);
        DatasetModel *model = s.w.grid()->model();
        QStringList captions;
        for (int c = 0; c < model->columnCount(); ++c)
            captions << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{u"序号"_s, u"日期"_s, u"时间"_s, u"地址"_s, u"商务代理"_s,
                                        u"联系人"_s, u"考察内容"_s, u"负责处室"_s, u"备注"_s}));
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->data(model->index(0, 4)).toString(), u"甲公司"_s);
        QCOMPARE(model->data(model->index(1, 4)).toString(), u"乙公司"_s);
        QCOMPARE(model->data(model->index(0, 2)).toString(), u"09:30:00"_s);

        f.signIn(u"qian"_s);
        f.dm.applyOwnership(f.dm.tblCustomers2);
        QCOMPARE(model->data(model->index(0, 4)).toString(), QString()); // Admin's agent
        QCOMPARE(model->data(model->index(1, 4)).toString(), u"乙公司"_s);
        QCOMPARE(f.dm.qryPlan.rowCount(), 2); // entries have no owner
    }

    // Each command logs first; the flags of right 305 enable them; 删除 asks and deletes only on
    // OK, nothing on an empty list; 刷新 rereads; 打印 hands frPlan.frf the schedule.
    void listCommands_data() { testsupport::addEngineRows(); }
    void listCommands()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        ShownSchedule s(f);
        QVERIFY(s.w.grid()->dataset()->isEmpty());
        s.act("Act_Delete")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.logCount(Prefix + u"删除"_s), 1);

        f.addPlan(QDate(2026, 3, 1), u"甲地"_s);
        f.addPlan(QDate(2026, 3, 2), u"乙地"_s);
        s.act("spBtnRefresh")->trigger();
        QCOMPARE(f.logCount(Prefix + u"刷新"_s), 1);
        QCOMPARE(column(f.dm.qryPlan, u"Address"_s), (QStringList{u"甲地"_s, u"乙地"_s}));

        MessageBox::setNextAnswer(QMessageBox::Cancel);
        s.act("Act_Delete")->trigger();
        QCOMPARE(MessageBox::last().text, u"您真的要删除该日程安排记录吗？"_s);
        QCOMPARE(MessageBox::last().title, u"系统提示"_s);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::last().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(f.count(u"tblPlan"_s, u"Address"_s, u"甲地"_s), 1);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        s.act("Act_Delete")->trigger();
        QCOMPARE(f.count(u"tblPlan"_s, u"Address"_s, u"甲地"_s), 0);
        QCOMPARE(column(f.dm.qryPlan, u"Address"_s), QStringList{u"乙地"_s});

        s.act("Act_Print")->trigger();
        QCOMPARE(Printing::last().layout, u"frPlan.frf"_s);
        QCOMPARE(Printing::last().dataset, u"qryPlan"_s);
        QVERIFY(Printing::last().layoutFound);
        QCOMPARE(Printing::last().rowCount, 1);
        QCOMPARE(f.logCount(Prefix + u"打印"_s), 1);

        for (const char *flag : {"Insert", "Modify", "Delete", "Query", "Print"}) {
            const char *listAction = qstrcmp(flag, "Insert") == 0   ? "Act_Insert"
                                     : qstrcmp(flag, "Modify") == 0 ? "Act_Modify"
                                     : qstrcmp(flag, "Delete") == 0 ? "Act_Delete"
                                     : qstrcmp(flag, "Query") == 0  ? "Act_Query"
                                                                    : "Act_Print";
            QVERIFY2(s.enabled(listAction), flag);
            f.setRightFlag(u"305"_s, QLatin1String(flag), false);
            QVERIFY2(!s.enabled(listAction), flag);
        }
        QVERIFY(s.enabled("spBtnRefresh"));
        QVERIFY(!s.enabled("Act_Del"));
        QVERIFY(!s.enabled("Act_Prt"));
        QVERIFY(!s.enabled("Act_Add"));
    }

    // The search: a week back and a week ahead at first; 确定 shows the span with both end days;
    // 取消 changes nothing; 查询全部 and 刷新 show everything again.
    void searchBySpan_data() { testsupport::addEngineRows(); }
    void searchBySpan()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        for (int day : {1, 5, 10, 11, 20})
            f.addPlan(QDate(2026, 4, day), QString::number(day));
        ShownSchedule s(f);
        testsupport::whenModal(u"TfrmPlanQuery"_s, [](QWidget *d) {
            auto *dialog = static_cast<PlanQueryDialog *>(d);
            QCOMPARE(dialog->windowTitle(), u"日程查询"_s);
            QCOMPARE(dialog->start()->date(), QDate::currentDate().addDays(-7));
            QCOMPARE(dialog->end()->date(), QDate::currentDate().addDays(7));
            dialog->start()->setDate(QDate(2026, 4, 5));
            dialog->end()->setDate(QDate(2026, 4, 10));
            dialog->findChild<QPushButton *>(u"btnOk"_s)->click();
        });
        s.act("Act_Query")->trigger();
        QCOMPARE(f.logCount(Prefix + u"查询"_s), 1);
        QCOMPARE(column(f.dm.qryPlan, u"Address"_s), (QStringList{u"5"_s, u"10"_s}));
        QVERIFY(!f.dm.qryPlan.isFiltered());

        testsupport::whenModal(u"TfrmPlanQuery"_s, [](QWidget *d) {
            static_cast<PlanQueryDialog *>(d)->start()->setDate(QDate(2000, 1, 1));
            d->findChild<QPushButton *>(u"btnCancel"_s)->click();
        });
        s.act("Act_Query")->trigger();
        QCOMPARE(f.dm.qryPlan.rowCount(), 2);

        testsupport::whenModal(u"TfrmPlanQuery"_s, [](QWidget *d) {
            d->findChild<QPushButton *>(u"btnAll"_s)->click();
        });
        s.act("Act_Query")->trigger();
        QCOMPARE(f.dm.qryPlan.rowCount(), 5);
        QCOMPARE(f.dm.qryPlan.sql(), u"select * from tblPlan"_s);

        PlanQueryDialog::showSpan(f.dm.qryPlan, QDate(2026, 4, 11), QDate(2026, 4, 11));
        QCOMPARE(column(f.dm.qryPlan, u"Address"_s), QStringList{u"11"_s});
        s.act("spBtnRefresh")->trigger();
        QCOMPARE(f.dm.qryPlan.rowCount(), 5);
    }

    // 新增 from the list takes the whole window and the details tab; 保存 checks in screen
    // order, a time of hours and minutes only is incomplete; then the entry is stored and the
    // schedule's folder shown.
    void saveChecksInOrder_data() { testsupport::addEngineRows(); }
    void saveChecksInOrder()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.addAgent(u"A1"_s, u"甲公司"_s);
        ShownSchedule s(f);
        s.act("Act_Insert")->trigger();
        QCOMPARE(f.dm.qryPlan.state(), State::Insert);
        QCOMPARE(s.w.pages()->currentWidget(), s.w.detailPage());
        QVERIFY(s.form()->date()->hasFocus());
        QCOMPARE(f.host.navigationPage, u"业务管理"_s);
        QVERIFY(!f.host.navigationVisible);
        QVERIFY(QFileInfo(RecordFolders::plansFolder()).isDir());
        QCOMPARE(f.host.lastFolder(), RecordFolders::plansFolder());
        QCOMPARE(f.logRows().last(), Prefix + u"新增"_s);
        QVERIFY(!s.enabled("Act_Add")); // one new entry at a time

        const auto saveSays = [&](const QString &message, QWidget *focus) {
            resetScripts();
            s.act("Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList{message});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QCOMPARE(QApplication::focusWidget(), focus);
            QCOMPARE(f.dm.qryPlan.state(), State::Insert);
        };
        ScheduleForm *form = s.form();
        saveSays(u"请输入日程安排日期！"_s, form->date());
        testsupport::typeText(form->date(), u"2026-05-06"_s);
        saveSays(u"请输入日程安排时间！"_s, form->time());
        typeTime(form->time(), u"1430"_s); // 14:30, no seconds
        saveSays(u"请完整输入日程安排时间！"_s, form->time());
        typeTime(form->time(), u"14305"_s);
        saveSays(u"请完整输入日程安排时间！"_s, form->time());
        typeTime(form->time(), u"143050"_s);
        saveSays(u"请输入日程安排的地点！"_s, form->address());
        testsupport::typeText(form->address(), u"会议室"_s);
        saveSays(u"请选择输入商务代理名称！"_s, form->agent());
        form->agent()->choose(f.dm.tblCustomers2.find(u"CustId"_s, u"A1"_s));
        saveSays(u"请输入商务代理联系人名称！"_s, form->linkman());
        testsupport::typeText(form->linkman(), u"张三"_s);
        QCOMPARE(f.logCount(Prefix + u"保存"_s), 7);

        resetScripts();
        f.host.folders.clear();
        s.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.dm.qryPlan.state(), State::Browse);
        QCOMPARE(f.host.folders, QStringList{RecordFolders::plansFolder()});
        QCOMPARE(
            f.scalar(u"SELECT PlanTime FROM tblPlan WHERE Address = ?"_s, {u"会议室"_s}).toString(),
            u"14:30:50"_s);
        QCOMPARE(
            f.scalar(u"SELECT CustID FROM tblPlan WHERE Address = ?"_s, {u"会议室"_s}).toString(),
            u"A1"_s);
        QVERIFY(!s.w.grid()
                     ->model()
                     ->data(s.w.grid()->model()->index(0, 0))
                     .toString()
                     .isEmpty()); // the store's number
        QCOMPARE(s.w.grid()->model()->data(s.w.grid()->model()->index(0, 4)).toString(),
                 u"甲公司"_s);
    }

    // Without the Modify right a stored entry is only shown: typing, the agent picker and the
    // department chooser leave it as it is, and the navigator's move stores nothing of it. A
    // new entry takes what is typed and 保存 stores it.
    void storedEntryReadOnlyWithoutModify_data() { testsupport::addEngineRows(); }
    void storedEntryReadOnlyWithoutModify()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.addAgent(u"A1"_s, u"甲公司"_s);
        f.addAgent(u"B1"_s, u"乙公司"_s);
        f.addPlan(QDate(2026, 5, 6), u"旧地点"_s, u"A1"_s,
                  {{u"PlanTime"_s, u"10:00:00"_s}, {u"Linkman"_s, u"李四"_s}});
        f.addPlan(QDate(2026, 5, 7), u"别处"_s, u"A1"_s);
        f.setRightFlag(u"305"_s, u"Modify"_s, false);
        ShownSchedule s(f);
        QVERIFY(!s.enabled("Act_Modify"));
        QVERIFY(f.dm.qryPlan.locate(u"Address"_s, u"旧地点"_s));
        s.w.pages()->setCurrentWidget(s.w.detailPage());
        ScheduleForm *form = s.form();
        form->address()->setFocus();
        form->address()->selectAll();
        testsupport::typeIntoFocus(u"新地点"_s);
        form->time()->setFocus();
        form->time()->selectAll();
        testsupport::typeIntoFocus(u"1130"_s);
        QCOMPARE(f.dm.qryPlan.state(), State::Browse);
        QCOMPARE(form->address()->text(), u"旧地点"_s);
        QCOMPARE(form->time()->text(), u"10:00:00"_s);
        QVERIFY(!s.enabled("Act_Save"));
        testsupport::whenModal(u"TfrmCustomerQuery2"_s, [&f](QWidget *picker) {
            QVERIFY(f.dm.tblCustomers2.locate(u"CustId"_s, u"B1"_s));
            picker->findChild<QPushButton *>(u"btnSelect"_s)->click();
        });
        form->pickAgentButton()->click();
        testsupport::whenModal(u"TfrmDepartment1"_s, [](QWidget *chooser) {
            chooser->findChild<QPushButton *>(u"btnSelect"_s)->click();
            chooser->findChild<QPushButton *>(u"btnClose"_s)->click();
        });
        form->departmentButton()->click();
        QCOMPARE(f.dm.qryPlan.state(), State::Browse);
        form->navigator()->button(DbNavigator::Button::Last)->click();
        QCOMPARE(f.count(u"tblPlan"_s, u"Address"_s, u"旧地点"_s), 1);
        QCOMPARE(f.scalar(u"SELECT CustID || '|' || PlanTime || '|' || COALESCE(AttendMan, '') "
                          "FROM tblPlan WHERE Address = ?"_s,
                          {u"旧地点"_s})
                     .toString(),
                 u"A1|10:00:00|"_s);

        s.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s.w));
        form->address()->setFocus();
        testsupport::untilIdle();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_N); // 新增
        QCOMPARE(f.dm.qryPlan.state(), State::Insert);
        testsupport::typeIntoFocus(u"20260601"_s);
        typeTime(form->time(), u"080000"_s);
        testsupport::typeText(form->address(), u"新地点"_s);
        form->agent()->choose(f.dm.tblCustomers2.find(u"CustId"_s, u"A1"_s));
        testsupport::typeText(form->linkman(), u"王五"_s);
        QVERIFY(s.enabled("Act_Save"));
        s.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.count(u"tblPlan"_s, u"Address"_s, u"新地点"_s), 1);
    }

    // On a stored entry a date typed in part and a time that is no time of day are refused by
    // 保存 (Ctrl+S where the user types), once each and by name; a time of hours and minutes
    // only keeps its own message. Nothing is stored until both are whole. 新增 right after an
    // entry with a date takes the new date's digits from the first position.
    void typedDateAndTimeAreStoredOrRefused_data() { testsupport::addEngineRows(); }
    void typedDateAndTimeAreStoredOrRefused()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.addAgent(u"A1"_s, u"甲公司"_s);
        f.addPlan(QDate(2026, 5, 6), u"地点"_s, u"A1"_s,
                  {{u"PlanTime"_s, u"10:00:00"_s}, {u"Linkman"_s, u"李四"_s}});
        ShownSchedule s(f);
        s.act("Act_Modify")->trigger();
        ScheduleForm *form = s.form();
        QVERIFY(form->date()->hasFocus());
        const auto saveSays = [&](const QString &message, QWidget *focus) {
            resetScripts();
            testsupport::untilIdle();
            testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
            QCOMPARE(shownTexts(), QStringList{message});
            QCOMPARE(QApplication::focusWidget(), focus);
        };
        form->date()->selectAll();
        testsupport::typeIntoFocus(u"202606"_s);
        saveSays(u"对不起，日程安排日期不是有效的日期！"_s, form->date());
        QCOMPARE(form->date()->displayText(), u"2026-06-__"_s);
        testsupport::typeIntoFocus(u"07"_s);
        form->time()->setFocus();
        form->time()->selectAll();
        testsupport::typeIntoFocus(u"2561"_s);
        saveSays(u"请完整输入日程安排时间！"_s, form->time());
        testsupport::typeIntoFocus(u"00"_s);
        saveSays(u"对不起，日程安排时间不是有效的时间！"_s, form->time());
        QCOMPARE(form->time()->text(), u"25:61:00"_s);
        QCOMPARE(f.scalar(u"SELECT PlanTime FROM tblPlan"_s).toString(), u"10:00:00"_s);
        QCOMPARE(DbDateEdit::toDate(f.scalar(u"SELECT PlanDate FROM tblPlan"_s)),
                 QDate(2026, 5, 6));
        form->time()->selectAll();
        testsupport::typeIntoFocus(u"093000"_s);
        resetScripts();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT PlanTime FROM tblPlan"_s).toString(), u"09:30:00"_s);
        QCOMPARE(DbDateEdit::toDate(f.scalar(u"SELECT PlanDate FROM tblPlan"_s)),
                 QDate(2026, 6, 7));

        testsupport::untilIdle();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_N); // 新增
        QVERIFY(form->date()->hasFocus());
        testsupport::typeIntoFocus(u"20260708"_s);
        QCOMPARE(form->date()->text(), u"2026-07-08"_s);
        QCOMPARE(f.dm.qryPlan.value(u"PlanDate"_s).toDate(), QDate(2026, 7, 8));
    }

    // Stepping into the agent drop-down lifts the ownership filter of the agent list for good;
    // the picker writes its choice into the entry; the department chooser stays open and its
    // last choice wins.
    void agentAndDepartmentChoices_data() { testsupport::addEngineRows(); }
    void agentAndDepartmentChoices()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false,
                             testsupport::allRights());
        f.addAgent(u"A1"_s, u"甲公司"_s, u"Admin"_s);
        f.addAgent(u"B1"_s, u"乙公司"_s, u"qian"_s);
        f.addPlan(QDate(2026, 5, 6), u"地点"_s, u"A1"_s);
        f.signIn(u"qian"_s);
        ShownSchedule s(f);
        store::Dataset &agents = f.dm.tblCustomers2;
        QVERIFY(agents.isFiltered());
        QCOMPARE(agents.rowCount(), 1);
        s.w.pages()->setCurrentWidget(s.w.detailPage());
        QCOMPARE(s.form()->agent()->currentIndex(), -1); // another user's agent: no name
        s.form()->agent()->setFocus();
        QVERIFY(!agents.isFiltered());
        QCOMPARE(agents.rowCount(), 2);
        QCOMPARE(s.form()->agent()->currentText(), u"甲公司"_s);
        QCOMPARE(s.form()->agentPanel()->shown(u"CustName"_s), u"甲公司"_s);
        QCOMPARE(f.dm.qryPlan.state(), State::Browse); // looking is no change
        // The schedule's own captions of the agent page.
        QStringList captions;
        for (const QLabel *l : s.form()->agentPanel()->findChildren<QLabel *>())
            captions << l->text();
        QVERIFY2(captions.contains(u"国家地区"_s) && !captions.contains(u"国家/地区"_s),
                 qPrintable(captions.join(u' ')));
        QVERIFY(captions.contains(u"（唯一代码标识）"_s));

        testsupport::whenModal(u"TfrmCustomerQuery2"_s, [&agents](QWidget *picker) {
            QVERIFY(agents.locate(u"CustId"_s, u"B1"_s));
            picker->findChild<QPushButton *>(u"btnSelect"_s)->click();
        });
        s.form()->pickAgentButton()->click();
        QCOMPARE(f.dm.qryPlan.state(), State::Edit);
        QCOMPARE(f.dm.qryPlan.text(u"CustID"_s), u"B1"_s);
        QCOMPARE(s.form()->agent()->currentText(), u"乙公司"_s);
        QCOMPARE(s.form()->agentPanel()->shown(u"CustId"_s), u"B1"_s);
        QCOMPARE(f.logRows().filter(u"查询"_s), QStringList()); // the picker buttons log nothing

        bool stayedOpen = false;
        testsupport::whenModal(u"TfrmDepartment1"_s, [&](QWidget *chooser) {
            QCOMPARE(chooser->windowTitle(), u"部门选择"_s);
            store::Dataset &departments = f.dm.tblDepartment;
            QVERIFY(departments.locate(u"DepartmentName"_s, u"市场部"_s));
            chooser->findChild<QPushButton *>(u"btnSelect"_s)->click();
            QVERIFY(departments.locate(u"DepartmentName"_s, u"财务部"_s));
            chooser->findChild<QPushButton *>(u"btnSelect"_s)->click();
            stayedOpen = chooser->isVisible();
            chooser->findChild<QPushButton *>(u"btnClose"_s)->click();
        });
        s.form()->departmentButton()->click();
        QVERIFY(stayedOpen);
        QCOMPARE(s.form()->department()->text(), u"财务部"_s);
        s.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"请输入日程安排时间！"_s}); // the checks still apply
    }

    // 联系人 offers the entry's agent's contacts that the user may see: F4 lists them all,
    // typing narrows them, Enter takes one into the entry; any other name can still be typed.
    void contactsOfTheAgentAreOffered_data() { testsupport::addEngineRows(); }
    void contactsOfTheAgentAreOffered()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false,
                             testsupport::allRights());
        f.addAgent(u"A1"_s, u"甲公司"_s, u"qian"_s);
        f.addAgent(u"B1"_s, u"乙公司"_s, u"qian"_s);
        f.addContact(u"王芳"_s, u"A1"_s, u"qian"_s);
        f.addContact(u"李明"_s, u"A1"_s, u"qian"_s);
        f.addContact(u"张三"_s, u"A1"_s, u"Admin"_s); // not qian's to see
        f.addContact(u"赵六"_s, u"B1"_s, u"qian"_s);  // another agent's
        f.addPlan(QDate(2026, 5, 6), u"地点"_s, u"A1"_s);
        f.signIn(u"qian"_s);
        ShownSchedule s(f);
        s.w.pages()->setCurrentWidget(s.w.detailPage());
        DbLineEdit *linkman = s.form()->linkman();
        QCompleter *choices = s.form()->linkmanChoices();
        linkman->setFocus();
        QTest::keyClick(linkman, Qt::Key_F4);
        QTRY_VERIFY(choices->popup()->isVisible());
        QStringList offered;
        for (int i = 0; choices->setCurrentRow(i); ++i)
            offered << choices->currentCompletion();
        offered.sort();
        QCOMPARE(offered, (QStringList{u"李明"_s, u"王芳"_s}));
        QTest::keyClick(choices->popup(), Qt::Key_Escape);
        QCOMPARE(f.dm.qryPlan.state(), State::Browse); // looking is no change

        testsupport::typeText(linkman, u"王"_s);
        QTRY_VERIFY(choices->popup()->isVisible());
        QCOMPARE(choices->completionCount(), 1);
        QTest::keyClick(choices->popup(), Qt::Key_Down);
        QTest::keyClick(choices->popup(), Qt::Key_Return);
        QCOMPARE(linkman->text(), u"王芳"_s);
        QCOMPARE(f.dm.qryPlan.text(u"Linkman"_s), u"王芳"_s);

        // A name that is no contact of the agent is kept as typed.
        linkman->selectAll();
        testsupport::typeText(linkman, u"新朋友"_s);
        QCOMPARE(f.dm.qryPlan.text(u"Linkman"_s), u"新朋友"_s);
    }

    // The navigator moves through the entries; 放弃 restores a changed entry and drops a new
    // one; the details' shortcuts: Ctrl+N adds, Ctrl+D deletes after the question, Ctrl+P prints.
    void navigatorAndDetailCommands_data() { testsupport::addEngineRows(); }
    void navigatorAndDetailCommands()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        for (const QString &place : {u"一"_s, u"二"_s, u"三"_s})
            f.addPlan(QDate(2026, 6, 1), place);
        ShownSchedule s(f);
        store::Dataset &plans = f.dm.qryPlan;
        s.w.pages()->setCurrentWidget(s.w.detailPage());
        DbNavigator *nav = s.form()->navigator();
        nav->button(DbNavigator::Button::Last)->click();
        QCOMPARE(s.form()->address()->text(), u"三"_s);
        nav->button(DbNavigator::Button::Prior)->click();
        QCOMPARE(s.form()->address()->text(), u"二"_s);

        s.form()->address()->setFocus();
        s.form()->address()->selectAll();
        testsupport::typeText(s.form()->address(), u"改"_s);
        QVERIFY(s.enabled("Act_Cancel"));
        s.act("Act_Cancel")->trigger();
        QCOMPARE(s.form()->address()->text(), u"二"_s);
        QCOMPARE(plans.state(), State::Browse);

        testsupport::untilIdle();
        QTest::keyClick(s.form()->address(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(plans.state(), State::Insert);
        QCOMPARE(plans.rowCount(), 4);
        QVERIFY(s.form()->date()->hasFocus());
        QVERIFY(s.enabled("Act_Cancel"));
        s.act("Act_Cancel")->trigger();
        QCOMPARE(plans.rowCount(), 3);
        QCOMPARE(f.logCount(Prefix + u"新增"_s), 1);

        testsupport::untilIdle();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(s.form()->address(), Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(MessageBox::last().text, u"您真的要删除该日程安排记录吗？"_s);
        QCOMPARE(plans.rowCount(), 2);
        QCOMPARE(f.count(u"tblPlan"_s, u"Address"_s, u"二"_s), 0);

        testsupport::untilIdle();
        QTest::keyClick(s.form()->address(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(Printing::last().layout, u"frPlanDetail.frf"_s);
        QVERIFY(Printing::last().layoutFound);
        QCOMPARE(f.logCount(Prefix + u"打印"_s), 1);
    }

    // The record page lists the records of the agent current in the agent window; 显示联络记录
    // opens the quick entry on the current one; a click there shows the schedule's folder.
    void recordPage_data() { testsupport::addEngineRows(); }
    void recordPage()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.addAgent(u"A1"_s, u"甲公司"_s);
        f.addRecord(u"R1"_s, QString(), u"Admin"_s,
                    {{u"CustID"_s, u"A1"_s}, {u"OperateTitle"_s, u"签约"_s}});
        f.openAgentsModule();
        QVERIFY(f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s));
        ShownSchedule s(f);
        s.w.pages()->setCurrentWidget(s.w.detailPage());
        QTabWidget *tabs = s.form()->subTabs();
        QCOMPARE(tabs->tabText(0), u"商务代理资料"_s);
        QCOMPARE(tabs->tabText(1), u"联络记录"_s);
        QCOMPARE(tabs->tabText(2), u"商务代理接触"_s);
        tabs->setCurrentIndex(1);
        QCOMPARE(s.form()->recordGrid()->model()->rowCount(), 1);

        bool opened = false;
        testsupport::whenModal(u"TfrmOperateNew1"_s, [&](QWidget *dialog) {
            opened = true;
            QCOMPARE(f.dm.tblOperates.state(), State::Edit);
            QCOMPARE(f.dm.tblOperates.text(u"OperateID"_s), u"R1"_s);
            static_cast<QDialog *>(dialog)->done(QDialog::Rejected);
        });
        s.form()->showRecordButton()->click();
        QVERIFY(opened);
        f.dm.tblOperates.cancel();

        f.host.folders.clear();
        Q_EMIT s.form()->recordGrid()->view()->clicked(
            s.form()->recordGrid()->model()->index(0, 0));
        QCOMPARE(f.host.folders, QStringList{RecordFolders::plansFolder()});

        // The agent-contact page: the entries of the same agent, 查看代理接触信息 on the current
        // one.
        f.insert(u"tblCustomerState"_s, {{u"CustID"_s, u"A1"_s},
                                         {u"LinkDate"_s, QDate(2026, 2, 3)},
                                         {u"Linkman"_s, u"王五"_s}});
        f.dm.tblCustomerState.refresh();
        tabs->setCurrentIndex(2);
        QCOMPARE(s.form()->contactEntryGrid()->model()->rowCount(), 1);
        QCOMPARE(s.form()->contactEntryGrid()->model()->headerData(0, Qt::Horizontal).toString(),
                 u"联系日期"_s);
        opened = false;
        testsupport::whenModal(u"TfrmCustStateNew"_s, [&](QWidget *dialog) {
            opened = true;
            QCOMPARE(f.dm.tblCustomerState.state(), State::Edit);
            QCOMPARE(f.dm.tblCustomerState.text(u"Linkman"_s), u"王五"_s);
            static_cast<QDialog *>(dialog)->done(QDialog::Rejected);
        });
        s.form()->showContactEntryButton()->click();
        QVERIFY(opened);
    }

    // F6: the schedule with every entry whatever an earlier search left, the file panel shown on
    // the schedule's folder, the keyboard in the list at once.
    void f6ShowsTheSchedule_data() { testsupport::addEngineRows(); }
    void f6ShowsTheSchedule()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.addPlan(QDate(2026, 1, 1), u"一"_s);
        f.addPlan(QDate(2027, 1, 1), u"二"_s);
        ShownMain m(f);
        auto *panel = qobject_cast<SchedulePanel *>(m.main->currentContent());
        QVERIFY(panel);
        QCOMPARE(panel, m.main->schedulePanel());
        QCOMPARE(f.dm.qryPlan.rowCount(), 2);
        PlanQueryDialog::showSpan(f.dm.qryPlan, QDate(2026, 1, 1), QDate(2026, 1, 1));
        m.main->action(u"Act_Customers"_s)->trigger();
        QVERIFY(m.main->currentContent() != panel);

        QTest::keyClick(m.main, Qt::Key_F6);
        QCOMPARE(m.main->currentContent(), panel);
        QCOMPARE(f.logRows().last(), u"商务代理业务管理-日程安排"_s);
        QCOMPARE(f.dm.qryPlan.sql(), u"select * from tblPlan"_s);
        QCOMPARE(f.dm.qryPlan.rowCount(), 2);
        QVERIFY(m.main->filePanel()->isVisible());
        QCOMPARE(QDir(m.main->filePanel()->folder()), QDir(RecordFolders::plansFolder()));
        QTRY_VERIFY(panel->grid()->view()->hasFocus());
        testsupport::untilIdle();
        QTest::keyClick(panel->grid()->view(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f.dm.qryPlan.state(), State::Insert);
        QCOMPARE(panel->pages()->currentWidget(), panel->detailPage());
        QVERIFY(!m.main->isNavigationVisible());
    }
};

QTEST_MAIN(TestSchedulePanel)
#include "tst_schedulepanel.moc"
