#include "agentform.h"
#include "agentsfixture.h"
#include "agentswindow.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "desktopservices.h"
#include "filedialog.h"
#include "messagebox.h"
#include "printing.h"
#include "recordfolders.h"
#include "session.h"
#include "storeerror.h"
#include "testusers.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"商务代理业务管理-商务代理资料-"_s;

// The agent window on a fixture, shown as the agents module would show it.
struct Window : ShownAgentsWindow {
    using ShownAgentsWindow::ShownAgentsWindow;
    QAction *act(const char *name) { return w.action(QLatin1String(name)); }
    bool enabled(const char *name)
    {
        testsupport::untilIdle();
        return act(name)->isEnabled();
    }
};

} // namespace

class TestAgentsWindow : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    void listShowsColumnsAndLookups_data() { testsupport::addEngineRows(); }
    void listShowsColumnsAndLookups()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s, u"Admin"_s,
                   {{u"VocationID"_s, u"01"_s}, {u"LevelID"_s, u"ZZ"_s}});
        Window win(f);
        DatasetModel *model = win.w.grid()->model();
        QStringList captions;
        for (int c = 0; c < model->columnCount(); ++c)
            captions << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{u"代理编号"_s, u"商务代理名称"_s, u"主要联系人"_s,
                                        u"地址"_s, u"行业类型"_s, u"商务代理级别"_s,
                                        u"商务代理来源"_s, u"推荐人/单位"_s}));
        QCOMPARE(win.agents().text(u"VocationName"_s), u"制造业"_s);
        QCOMPARE(win.agents().text(u"LevelName"_s), QString()); // a key no dictionary row has
        QCOMPARE(win.w.pages()->tabText(0), u"商务代理资料列表"_s);
        QCOMPARE(win.w.pages()->tabText(1), u"商务代理详细资料"_s);
    }

    // 新增 on the list, the fields filled in, 保存: the row, its owner, its folder and the logs.
    void addAgentEndToEnd_data() { testsupport::addEngineRows(); }
    void addAgentEndToEnd()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        Window win(f);
        win.w.grid()->view()->setFocus();
        testsupport::untilIdle();
        QTest::keyClick(win.w.grid()->view(), Qt::Key_N, Qt::ControlModifier); // 新增
        QCOMPARE(win.agents().state(), store::Dataset::State::Insert);
        QCOMPARE(win.w.pages()->currentWidget(), win.w.detailPage());
        QVERIFY(!f.host.navigationVisible);
        QCOMPARE(f.host.navigationPage, u"业务管理"_s);
        QVERIFY(QTest::qWaitFor([&] { return win.w.form()->code()->hasFocus(); }, 2000));
        fillAgent(win.w.form(), u"N'01"_s, u"新代理"_s);
        choose(win.w.form()->country(), u"中国"_s);
        choose(win.w.form()->province(), u"上海市"_s);
        testsupport::untilIdle();
        QTest::keyClick(win.w.form()->code(), Qt::Key_S, Qt::ControlModifier); // 保存
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(win.agents().state(), store::Dataset::State::Browse);
        QCOMPARE(
            f.scalar(u"SELECT SUser FROM tblCustomers WHERE CustId = ?"_s, {u"N'01"_s}).toString(),
            u"Admin"_s);
        QCOMPARE(
            f.scalar(u"SELECT DistID FROM tblCustomers WHERE CustId = ?"_s, {u"N'01"_s}).toString(),
            u"SH"_s);
        const QString folder = store::session().FilesDir + u"N'01"_s;
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(f.host.lastFolder(), folder);
        QCOMPARE(f.logRows().mid(f.logRows().size() - 2),
                 (QStringList{Prefix + u"新增"_s, Prefix + u"保存"_s}));
    }

    void saveChecksFieldsInOrder_data() { testsupport::addEngineRows(); }
    void saveChecksFieldsInOrder()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        Window win(f);
        AgentForm *form = win.w.form();
        win.act("Act_Insert")->trigger();
        const auto saveSays = [&](const QString &message, QWidget *focus) {
            resetScripts();
            win.act("Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList{message});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QVERIFY(QTest::qWaitFor([&] { return focus->hasFocus(); }, 2000));
            QCOMPARE(win.agents().state(), store::Dataset::State::Insert);
        };
        saveSays(u"请输入商务代理简称！"_s, form->code());
        testsupport::typeText(form->code(), u"B01"_s);
        saveSays(u"请输入商务代理名称！"_s, form->name());
        testsupport::typeText(form->name(), u"  "_s); // blanks count as content
        saveSays(u"请选择输入行业类别！"_s, form->trade());
        choose(form->trade(), u"制造业"_s);
        saveSays(u"请选择输入商务代理来源！"_s, form->origin());
        choose(form->origin(), u"展会"_s);
        saveSays(u"请选择输入商务代理级别！"_s, form->level());
        choose(form->level(), u"二级代理"_s);
        saveSays(u"请选择输入商务代理状态！"_s, form->contactState());
        choose(form->contactState(), u"意向洽谈"_s);
        saveSays(u"请输入商务代理建档日期！"_s, form->createDate());
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 0);
        QCOMPARE(f.logCount(Prefix + u"保存"_s), 7); // the log row comes before every check
    }

    // A creation date typed in part, or one that cannot be, is refused by 保存 (Ctrl+S where
    // the user types) with one message naming the field, the focus on it and the text kept:
    // never stored empty, never left at the old date in silence. 新增 right after a row with a
    // date takes the digits of the new one from the first position.
    void typedDateIsStoredOrRefused_data() { testsupport::addEngineRows(); }
    void typedDateIsStoredOrRefused()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addCompleteAgent(u"E01"_s, u"旧"_s);
        Window win(f);
        AgentForm *form = win.w.form();
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        const auto storedDate = [&f](const QString &code) {
            return DbDateEdit::toDate(
                f.scalar(u"SELECT CreateDate FROM tblCustomers WHERE CustId = ?"_s, {code}));
        };
        const auto typeDate = [form](const QString &digits) {
            form->createDate()->setFocus();
            form->createDate()->selectAll();
            testsupport::typeIntoFocus(digits);
        };
        const auto saveRefuses = [&](const QString &shown) {
            resetScripts();
            testsupport::untilIdle();
            testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
            QCOMPARE(shownTexts(), QStringList{u"对不起，建档日期不是有效的日期！"_s});
            QVERIFY(form->createDate()->hasFocus());
            QCOMPARE(form->createDate()->displayText(), shown);
        };
        typeDate(u"202605"_s);
        saveRefuses(u"2026-05-__"_s);
        typeDate(u"20261340"_s);
        saveRefuses(u"2026-13-40"_s);
        QCOMPARE(storedDate(u"E01"_s), QDate(2026, 1, 2));
        typeDate(u"20260501"_s);
        resetScripts();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(storedDate(u"E01"_s), QDate(2026, 5, 1));

        testsupport::untilIdle();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_A); // 新增
        QCOMPARE(win.agents().state(), store::Dataset::State::Insert);
        fillAgent(form, u"E02"_s, u"新"_s);
        typeDate(u"2026"_s);
        saveRefuses(u"2026-__-__"_s);
        QCOMPARE(win.agents().state(), store::Dataset::State::Insert);
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 1);
        form->createDate()->setCursorPosition(5);
        testsupport::typeIntoFocus(u"0709"_s);
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(storedDate(u"E02"_s), QDate(2026, 7, 9));
    }

    // Without the Modify right a stored agent is only shown: what is typed or chosen does not
    // go into it, and 新增 or a click on another row stores nothing of it. A new agent still
    // takes what is typed, under the Insert right.
    void storedAgentIsReadOnlyWithoutModify_data() { testsupport::addEngineRows(); }
    void storedAgentIsReadOnlyWithoutModify()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addCompleteAgent(u"M01"_s, u"甲"_s);
        f.addCompleteAgent(u"M02"_s, u"乙"_s);
        f.setRightFlag(u"301"_s, u"Modify"_s, false);
        Window win(f);
        AgentForm *form = win.w.form();
        QVERIFY(win.agents().locate(u"CustId"_s, u"M01"_s));
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        form->name()->setFocus();
        testsupport::typeIntoFocus(u"改"_s);
        choose(form->trade(), u"批发零售"_s);
        form->createDate()->setFocus();
        form->createDate()->selectAll();
        testsupport::typeIntoFocus(u"2025"_s);
        QCOMPARE(win.agents().state(), store::Dataset::State::Browse);
        QCOMPARE(form->name()->text(), u"甲"_s);
        QCOMPARE(form->createDate()->text(), u"2026-01-02"_s);
        QVERIFY(!win.enabled("Act_Save"));

        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_A); // 新增
        QCOMPARE(win.agents().state(), store::Dataset::State::Insert);
        fillAgent(form, u"M03"_s, u"丙"_s);
        testsupport::untilIdle();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(shownTexts(), QStringList());
        win.w.pages()->setCurrentWidget(win.w.listPage());
        QVERIFY(win.agents().locate(u"CustId"_s, u"M02"_s));
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        form->name()->setFocus();
        testsupport::typeIntoFocus(u"改"_s);
        win.w.pages()->setCurrentWidget(win.w.listPage());
        const QModelIndex first = win.w.grid()->model()->index(0, 0);
        QTest::mouseClick(win.w.grid()->view()->viewport(), Qt::LeftButton, {},
                          win.w.grid()->view()->visualRect(first).center());
        QCOMPARE(win.agents().text(u"CustId"_s), u"M01"_s);
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers WHERE CustName IN ('甲', '乙', '丙') "
                          "AND VocationID = '01'"_s)
                     .toInt(),
                 3);
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers WHERE CreateDate IS NULL"_s).toInt(),
                 0);
    }

    // A code of blanks, or one that is no folder name, never reaches the store or the disk.
    void unsafeCodesAreRefused_data() { testsupport::addEngineRows(); }
    void unsafeCodesAreRefused()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        Window win(f);
        for (const QString &code : {u"   "_s, u"../x"_s, u".."_s}) {
            resetScripts();
            win.act("Act_Insert")->trigger();
            fillAgent(win.w.form(), code, u"名称"_s);
            win.act("Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList{RecordFolders::refusalText(code)});
            QCOMPARE(win.agents().state(), store::Dataset::State::Insert);
            win.act("Act_Cancel")->trigger();
        }
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 0);
        QCOMPARE(QDir(store::session().FilesDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(!QFileInfo::exists(store::session().AppDir + u"x"_s));
    }

    void duplicateCodeStaysInInsert_data() { testsupport::addEngineRows(); }
    void duplicateCodeStaysInInsert()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"D01"_s, u"已有"_s);
        Window win(f);
        win.act("Act_Insert")->trigger();
        fillAgent(win.w.form(), u"d01"_s, u"另一个"_s); // codes compare without letter case
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts().size(), 1);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QCOMPARE(win.agents().state(), store::Dataset::State::Insert);
        QCOMPARE(win.w.form()->code()->text(), u"d01"_s);
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 1);
    }

    void duplicateChecks_data() { testsupport::addEngineRows(); }
    void duplicateChecks()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"C01"_s, u"华东 'X' 公司"_s, u"other"_s);
        f.addAgent(u"C02"_s, u"华南"_s);
        Window win(f);
        AgentForm *form = win.w.form();
        QVERIFY(win.agents().locate(u"CustId"_s, u"C02"_s));
        // The unchanged code of the agent shown exists: it is in the table.
        form->codeCheckButton()->click();
        QCOMPARE(shownTexts(), QStringList{u"对不起，该商务代理代码已存在！"_s});
        resetScripts();
        win.act("Act_Add")->trigger();
        testsupport::typeText(form->code(), u"C01 "_s); // not trimmed on this page
        form->codeCheckButton()->click();
        QCOMPARE(shownTexts(), QStringList());
        testsupport::typeText(form->name(), u"华东 'X' 公司"_s); // another user's agent counts too
        form->nameCheckButton()->click();
        QCOMPARE(shownTexts(), QStringList{u"对不起，该商务代理名称已存在！"_s});
        QVERIFY(QTest::qWaitFor([&] { return form->name()->hasFocus(); }, 2000));
    }

    // Every kind of dependent row keeps the agent, whoever owns it; nothing cascades.
    void deleteRefusals_data() { testsupport::addEngineRows(); }
    void deleteRefusals()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false,
                             testsupport::allRights());
        const QString agent = u"K01"_s;
        struct Case {
            QString sql, message;
        };
        const Case cases[] = {
            {u"INSERT INTO tblLinkmans (LinkmanID, CustID, SUser) VALUES ('L1', 'K01', 'other')"_s,
             u"对不起，该商务代理有联系人资料，不能删除！"_s},
            {u"INSERT INTO tblOperates (OperateID, CustID, LinkCustID, SUser) VALUES ('O1', 'ZZ', 'k01', 'other')"_s,
             u"对不起，该商务代理有业务资料，不能删除！"_s},
            {u"INSERT INTO tblCustomerState (CustID) VALUES ('K01')"_s,
             u"对不起，该商务代理有商务代理接触信息，不能删除！"_s},
            {u"INSERT INTO tblCustomerAddInfo (CustID) VALUES ('K01')"_s,
             u"对不起，该商务代理有其他资料信息，不能删除！"_s},
            {u"INSERT INTO tblPlan (CustID) VALUES ('K01')"_s,
             u"对不起，该商务代理有日程安排，不能删除！"_s},
        };
        f.addAgent(agent, u"被引用"_s, u"zhang"_s);
        f.signIn(u"zhang"_s);
        Window win(f);
        QCOMPARE(win.agents().rowCount(), 1);
        for (const Case &c : cases) {
            f.dm.connection().exec(c.sql);
            resetScripts();
            win.act("Act_Delete")->trigger();
            QCOMPARE(shownTexts(), QStringList{c.message});
            QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 1);
            f.dm.connection().exec(u"DELETE FROM "_s + c.sql.section(u' ', 2, 2));
        }
        // Free now: Cancel keeps it, OK deletes it and leaves its folder.
        const QString folder = store::session().FilesDir + agent;
        QDir().mkpath(folder);
        QFile(folder + u"/note.txt"_s).open(QIODevice::WriteOnly);
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        win.act("Act_Del")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该商务代理吗？"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::last().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 1);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        win.act("Act_Delete")->trigger();
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 0);
        QVERIFY(QFileInfo::exists(folder + u"/note.txt"_s));
        // On an empty list 删除 does nothing but its log row.
        resetScripts();
        win.act("Act_Delete")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.logCount(Prefix + u"删除"_s), 8);
    }

    void rightsEnableCommands_data() { testsupport::addEngineRows(); }
    void rightsEnableCommands()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"R01"_s, u"权限"_s);
        Window win(f);
        QVERIFY(win.enabled("Act_Insert"));
        QVERIFY(!win.enabled("Act_Save")); // nothing being edited
        QVERIFY(!win.enabled("Act_Cancel"));
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        win.w.form()->code()->setFocus();
        QTest::keyClick(win.w.form()->code(), Qt::Key_A,
                        Qt::ControlModifier); // 新增, not select-all
        QCOMPARE(win.agents().state(), store::Dataset::State::Insert);
        QVERIFY(!win.enabled("Act_Add")); // while a new agent is entered
        QVERIFY(win.enabled("Act_Save"));
        win.act("Act_Cancel")->trigger();

        f.setRightFlag(u"301"_s, u"Insert"_s, false);
        f.setRightFlag(u"301"_s, u"Modify"_s, false);
        f.setRightFlag(u"301"_s, u"Print"_s, false);
        QVERIFY(!win.enabled("Act_Insert"));
        QVERIFY(!win.enabled("Act_Add"));
        QVERIFY(!win.enabled("Act_Modify"));
        QVERIFY(!win.enabled("Act_Print"));
        QVERIFY(!win.enabled("Act_Prt"));
        QVERIFY(win.enabled("Act_Delete"));
        QVERIFY(win.enabled("spBtnRefresh"));
        // Without Modify a shown agent is not changed by typing, and nothing is to be saved.
        testsupport::typeText(win.w.form()->name(), u"改"_s);
        QCOMPARE(win.agents().state(), store::Dataset::State::Browse);
        QVERIFY(!win.enabled("Act_Save"));
        QVERIFY(!win.enabled("Act_Cancel"));
        // A new agent can always be saved.
        win.agents().cancel();
        win.agents().append();
        QVERIFY(win.enabled("Act_Save"));
        win.agents().cancel();

        f.dm.connection().exec(u"DELETE FROM tblUserRight WHERE RightID = '301'"_s);
        f.dm.tblUserRight.refresh();
        QVERIFY(!win.enabled("Act_Delete"));
        QVERIFY(!win.enabled("Act_Query"));
    }

    // 放弃 removes a new agent and returns to a neighbour; 修改 on an empty list starts one.
    void cancelAndModify_data() { testsupport::addEngineRows(); }
    void cancelAndModify()
    {
        QFETCH(QString, engine);
        {
            AgentsFixture f(engine);
            f.addAgent(u"P01"_s, u"甲"_s);
            f.addAgent(u"P02"_s, u"乙"_s);
            Window win(f);
            QVERIFY(win.agents().locate(u"CustId"_s, u"P02"_s));
            win.act("Act_Add")->trigger();
            testsupport::typeText(win.w.form()->code(), u"P03"_s);
            QCOMPARE(win.agents().rowCount(), 3);
            win.act("Act_Cancel")->trigger();
            QCOMPARE(win.agents().rowCount(), 2);
            QCOMPARE(win.agents().text(u"CustId"_s), u"P02"_s);
            QCOMPARE(win.w.form()->code()->text(), u"P02"_s);
            // An edited agent returns to its stored values.
            testsupport::typeText(win.w.form()->name(), u"丙"_s);
            win.act("Act_Cancel")->trigger();
            QCOMPARE(win.w.form()->name()->text(), u"乙"_s);
        }
        AgentsFixture f(engine);
        Window win(f);
        Q_EMIT win.w.grid()->view()->clicked(QModelIndex());
        QCOMPARE(f.host.lastFolder(), store::session().FilesDir);
        win.act("Act_Modify")->trigger();
        QCOMPARE(win.agents().state(), store::Dataset::State::Insert);
        QCOMPARE(win.w.pages()->currentWidget(), win.w.detailPage());
    }

    // Another code for an agent is allowed while nothing refers to it (its folder follows),
    // refused once something does.
    void codeChange_data() { testsupport::addEngineRows(); }
    void codeChange()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addCompleteAgent(u"M01"_s, u"改号"_s);
        Window win(f);
        AgentForm *form = win.w.form();
        const QString files = store::session().FilesDir;
        QDir().mkpath(files + u"M01"_s);
        form->code()->selectAll();
        testsupport::typeText(form->code(), u"M02"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT CustId FROM tblCustomers"_s).toString(), u"M02"_s);
        QVERIFY(QFileInfo(files + u"M02"_s).isDir());
        QVERIFY(!QFileInfo::exists(files + u"M01"_s));

        f.dm.connection().exec(u"INSERT INTO tblPlan (CustID) VALUES ('M02')"_s);
        form->code()->selectAll();
        testsupport::typeText(form->code(), u"M03"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(),
                 QStringList{u"对不起，该商务代理已有日程安排，不能修改代理编号！"_s});
        QCOMPARE(win.agents().state(), store::Dataset::State::Edit);
        // Storing it another way (moving to another row posts) is refused by the store too.
        resetScripts();
        QVERIFY_THROWS_EXCEPTION(std::exception, win.agents().post());
        QCOMPARE(f.scalar(u"SELECT CustId FROM tblCustomers"_s).toString(), u"M02"_s);
        // A change of letter case keeps every reference and is stored.
        win.agents().cancel();
        form->code()->selectAll();
        testsupport::typeText(form->code(), u"m02"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT CustId FROM tblCustomers"_s).toString(), u"m02"_s);
    }

    // 刷新 keeps the filter and drops a pending edit once the user says so; the
    // non-administrator's own agents only.
    void refreshAndOwnership_data() { testsupport::addEngineRows(); }
    void refreshAndOwnership()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"li"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"S01"_s, u"李的"_s, u"li"_s);
        f.addAgent(u"S02"_s, u"别人的"_s, u"Admin"_s);
        f.signIn(u"li"_s);
        Window win(f);
        QCOMPARE(win.agents().rowCount(), 1);
        testsupport::typeText(win.w.form()->name(), u"改"_s);
        f.addAgent(u"S03"_s, u"另一个座席加的"_s, u"li"_s);
        MessageBox::setNextAnswer(QMessageBox::No);
        win.act("spBtnRefresh")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"商务代理资料尚未保存，保存吗？"_s});
        QCOMPARE(win.agents().state(), store::Dataset::State::Browse);
        QCOMPARE(win.agents().rowCount(), 2);
        QCOMPARE(f.scalar(u"SELECT CustName FROM tblCustomers WHERE CustId = 'S01'"_s).toString(),
                 u"李的"_s);
        // A new agent belongs to its maker.
        win.act("Act_Insert")->trigger();
        fillAgent(win.w.form(), u"S04"_s, u"新"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(f.scalar(u"SELECT SUser FROM tblCustomers WHERE CustId = 'S04'"_s).toString(),
                 u"li"_s);
        QCOMPARE(f.logCount(Prefix + u"刷新"_s), 1);
    }

    void emailExport_data() { testsupport::addEngineRows(); }
    void emailExport()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        Window win(f);
        const QString folder = store::session().AppDir + u"Email"_s;
        // No agent has an address: an empty file, and still a success.
        FileDialog::setNextFileName(folder + u"/none.txt"_s);
        win.act("spBtnEmail")->trigger();
        QCOMPARE(FileDialog::last().caption, u"Email地址导出"_s);
        QCOMPARE(FileDialog::last().proposedName, u"AgentEmail"_s);
        QCOMPARE(FileDialog::last().folder, folder);
        QCOMPARE(QFileInfo(folder + u"/none.txt"_s).size(), 0);
        QCOMPARE(shownTexts(), QStringList{u"商务代理Email地址列表导出成功！"_s});

        f.addAgent(u"E1"_s, u"一"_s, u"Admin"_s, {{u"Email"_s, u"a@x.cn"_s}});
        f.addAgent(u"E2"_s, u"二"_s);
        f.addAgent(u"E3"_s, u"三"_s, u"Admin"_s, {{u"Email"_s, u"a@x.cn"_s}});
        f.addAgent(u"E4"_s, u"四"_s, u"Admin"_s, {{u"Email"_s, u"王@例子.cn"_s}});
        win.act("spBtnRefresh")->trigger();
        const auto exportTo = [&](const QString &name,
                                  QMessageBox::StandardButton answer = QMessageBox::NoButton) {
            resetScripts();
            if (answer != QMessageBox::NoButton)
                MessageBox::setNextAnswer(answer);
            FileDialog::setNextFileName(folder + u"/"_s + name);
            win.act("spBtnEmail")->trigger();
            QFile file(folder + u"/"_s + name);
            // The address list is GBK text.
            return file.open(QIODevice::ReadOnly)
                       ? QString(QStringDecoder("GBK").decode(file.readAll()))
                       : u"(no file)"_s;
        };
        QCOMPARE(exportTo(u"agents.txt"_s), u"a@x.cn\r\na@x.cn\r\n王@例子.cn\r\n"_s);
        QCOMPARE(win.agents().currentRow(), 3);

        // The rows the list holds, as they are: an agent another seat added since is not among
        // them until the list is read again. A change in progress is the user's to settle
        // first: Cancel exports nothing and keeps it, No drops it.
        f.addAgent(u"E5"_s, u"五"_s, u"Admin"_s, {{u"Email"_s, u"new@x.cn"_s}});
        win.agents().first();
        win.agents().setValue(u"Email"_s, u"typed@x.cn"_s);
        QCOMPARE(exportTo(u"held.txt"_s, QMessageBox::Cancel), u"(no file)"_s);
        QCOMPARE(shownTexts(), QStringList{u"商务代理资料尚未保存，保存吗？"_s});
        QCOMPARE(win.agents().state(), store::Dataset::State::Edit);
        QCOMPARE(exportTo(u"held.txt"_s, QMessageBox::No), u"a@x.cn\r\na@x.cn\r\n王@例子.cn\r\n"_s);
        QCOMPARE(f.scalar(u"SELECT Email FROM tblCustomers WHERE CustId = 'E1'"_s).toString(),
                 u"a@x.cn"_s);
        QCOMPARE(win.agents().state(), store::Dataset::State::Browse);

        // A file that cannot be written: the reason, and no success.
        resetScripts();
        FileDialog::setNextFileName(folder + u"/missing/dir/x.txt"_s);
        win.act("spBtnEmail")->trigger();
        QCOMPARE(shownTexts().size(), 1);
        QVERIFY(shownTexts().first().startsWith(u"对不起，文件"_s));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        // Cancelled: nothing.
        resetScripts();
        win.act("spBtnEmail")->trigger();
        QCOMPARE(shownTexts(), QStringList());
    }

    void printAndLinks_data() { testsupport::addEngineRows(); }
    void printAndLinks()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"W1"_s, u"网"_s, u"Admin"_s,
                   {{u"Email"_s, u"w@x.cn"_s}, {u"HomePage"_s, u"www.x.cn"_s}});
        f.addAgent(u"W2"_s, u"页"_s);
        Window win(f);
        win.act("Act_Print")->trigger();
        QCOMPARE(Printing::last().layout, u"frCustomers.frf"_s);
        QCOMPARE(Printing::last().rowCount, 2);
        win.act("Act_Prt")->trigger();
        QCOMPARE(Printing::last().layout, u"frCustomerDetail.frf"_s);
        QCOMPARE(f.logCount(Prefix + u"打印"_s), 2);
        win.w.findChild<QPushButton *>(u"btnSendMail"_s)->click();
        QCOMPARE(DesktopServices::last().target, u"mailto:w@x.cn"_s);
        win.w.findChild<QPushButton *>(u"btnOpenHomePage"_s)->click();
        QVERIFY(DesktopServices::last().target.contains(u"www.x.cn"_s));
        // A "..." button opens its dictionary editor; what is added there can be chosen at once.
        testsupport::whenModal(u"TfrmCustLevel"_s, [&f](QWidget *editor) {
            f.dm.connection().exec(
                u"INSERT INTO tblCustLevel (LevelID, LevelName, Memo) VALUES ('E', '战略代理', 'x')"_s);
            f.dm.tblCustLevel.refresh();
            editor->close();
        });
        win.w.findChild<QPushButton *>(u"btnCustLevel"_s)->click();
        choose(win.w.form()->level(), u"战略代理"_s);
        QCOMPARE(win.agents().value(u"LevelID"_s).toString(), u"E"_s);
    }

    // Leaving a pending agent by selecting another row stores it without the page's checks,
    // or drops it when it has no code.
    void movingStoresOrDrops_data() { testsupport::addEngineRows(); }
    void movingStoresOrDrops()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"H01"_s, u"原有"_s);
        Window win(f);
        AgentForm *form = win.w.form();
        win.act("Act_Add")->trigger();
        testsupport::typeText(form->code(), u"H02"_s); // nothing else: no check runs on a move
        win.w.grid()->view()->setCurrentIndex(win.w.grid()->model()->index(0, 0));
        QCOMPARE(win.agents().state(), store::Dataset::State::Browse);
        QCOMPARE(f.scalar(u"SELECT SUser FROM tblCustomers WHERE CustId = 'H02'"_s).toString(),
                 u"Admin"_s);

        win.act("Act_Add")->trigger();
        QTest::keyClick(form->code(), Qt::Key_Delete); // the proposed code, selected, goes
        QVERIFY(form->code()->text().isEmpty());
        testsupport::typeText(form->name(), u"无编号"_s);
        win.agents().first();
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 2);
        QCOMPARE(win.agents().rowCount(), 2);
        QCOMPARE(shownTexts(), QStringList());
    }

    // Two seats on one agent: the later save never overwrites the other seat's change, and
    // the row stays in editing so nothing typed is lost.
    void otherSeatChangedTheAgent_data() { testsupport::addEngineRows(); }
    void otherSeatChangedTheAgent()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addCompleteAgent(u"G01"_s, u"共用"_s);
        Window win(f);
        testsupport::typeText(win.w.form()->name(), u"甲座席"_s);
        const auto other = f.store.connect();
        other->exec(
            u"UPDATE tblCustomers SET CustName = ?, RowVer = RowVer + 1 WHERE CustId = 'G01'"_s,
            {u"乙座席"_s});
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList{store::StoreError::conflictText()});
        QCOMPARE(win.agents().state(), store::Dataset::State::Edit);
        QCOMPARE(win.w.form()->name()->text(), u"共用甲座席"_s);
        QCOMPARE(f.scalar(u"SELECT CustName FROM tblCustomers"_s).toString(), u"乙座席"_s);
    }

    // Enter walks the fields in data-entry order; from the country it always reaches the province.
    void enterChain()
    {
        AgentsFixture f(u"sqlite"_s);
        f.addAgent(u"F1"_s, u"焦点"_s);
        Window win(f);
        AgentForm *form = win.w.form();
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        form->country()->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return form->country()->hasFocus(); }, 2000));
        QTest::keyClick(form->country(), Qt::Key_Return);
        QTRY_VERIFY(form->province()->hasFocus());
        QTest::keyClick(form->province(), Qt::Key_Return);
        QTRY_VERIFY(form->findChild<QWidget *>(u"edtCity"_s)->hasFocus());
    }
};

QTEST_MAIN(TestAgentsWindow)
#include "tst_agentswindow.moc"
