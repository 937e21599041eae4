// The contact window: the list page with its commands, the detail page with its checks, the
// agent choice and the read-only agent page.
#include "agentchoice.h"
#include "agentpanel.h"
#include "contactform.h"
#include "contactsfixture.h"
#include "contactswindow.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dbcheckbox.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbmemo.h"
#include "desktopservices.h"
#include "filedialog.h"
#include "findpopup.h"
#include "firstfocus.h"
#include "messagebox.h"
#include "printing.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"商务代理业务管理-联系人资料-"_s;
using State = store::Dataset::State;

void clickRow(ContactsWindow *w, int row)
{
    QTreeView *view = w->grid()->view();
    const QModelIndex index = w->grid()->model()->indexOfDatasetRow(row);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QStringList column(store::Dataset &set, const QString &field)
{
    QStringList out;
    for (int row = 0; row < set.rowCount(); ++row)
        out << set.value(row, field).toString();
    return out;
}

} // namespace

class TestContactsWindow : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // 新增 on the list proposes the contact code after the highest stored one. The
    // proposal alone is nothing typed: leaving the new row drops it without a question.
    void insertProposesTheNextCode_data() { testsupport::addEngineRows(); }
    void insertProposesTheNextCode()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s);
        f.addContact(u"L0002"_s, u"李四"_s, u"A01"_s);
        f.addContact(u"L0003"_s, u"张三"_s, u"A01"_s);
        ContactsWindowOnFixture win(f);
        win.act("Act_Insert")->trigger();
        QCOMPARE(win.contacts().state(), store::Dataset::State::Insert);
        QCOMPARE(win.w->form()->code()->text(), u"L0004"_s);
        QVERIFY(!win.contacts().isModified());
        win.w->pages()->setCurrentWidget(win.w->listPage());
        win.act("spBtnRefresh")->trigger(); // would ask about a row the user typed into
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(win.contacts().state(), store::Dataset::State::Browse);
        QCOMPARE(f.count(u"tblLinkmans"_s), 2);
    }

    // Columns in order, sorted by code, the agent's name looked up (empty for an agent code no
    // agent has), two main contacts of one agent, the group band and a header click.
    void listColumnsOrderAndLookups_data() { testsupport::addEngineRows(); }
    void listColumnsOrderAndLookups()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s);
        f.addContact(u"L2"_s, u"李四"_s, u"A01"_s, u"Admin"_s, {{u"Main"_s, true}});
        f.addContact(u"L1"_s, u"张三"_s, u"a01"_s, u"Admin"_s, {{u"Main"_s, true}});
        f.addContact(u"L3"_s, u"王五"_s, u"NOAGENT"_s);
        ContactsWindowOnFixture win(f);
        QCOMPARE(win.w->objectName(), u"TfrmLinkman"_s);
        QCOMPARE(win.w->windowTitle(), u"联系人资料"_s);
        QCOMPARE(win.w->pages()->tabText(0), u"联系人资料列表"_s);
        QCOMPARE(win.w->pages()->tabText(1), u"联系人详细资料"_s);
        DatasetModel *model = win.w->grid()->model();
        QStringList captions;
        for (int c = 0; c < model->columnCount(); ++c)
            captions << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{u"联系人代码"_s, u"姓名"_s, u"称呼"_s, u"客户名称"_s,
                                        u"部门"_s, u"职务"_s, u"是否主要联系人"_s}));
        store::Dataset &set = win.contacts();
        QCOMPARE(column(set, u"LinkmanID"_s), (QStringList{u"L1"_s, u"L2"_s, u"L3"_s}));
        QCOMPARE(column(set, u"CustName"_s), (QStringList{u"东方贸易"_s, u"东方贸易"_s, QString()}));
        const int mainColumn = model->columnOf(u"Main"_s);
        for (int row : {0, 1})
            QCOMPARE(model->indexOfDatasetRow(row, mainColumn).data(Qt::CheckStateRole).toInt(),
                     int(Qt::Checked));
        QCOMPARE(model->indexOfDatasetRow(2, mainColumn).data(Qt::CheckStateRole).toInt(),
                 int(Qt::Unchecked));

        win.w->grid()->addGroupColumn(u"CustName"_s);
        QVERIFY(model->isGrouped());
        QCOMPARE(model->rowCount(), 2); // 东方贸易 (2) and the contact without agent
        win.w->grid()->setGroupColumns({});
        win.w->grid()->sortBy(u"Name"_s, Qt::DescendingOrder);
        QCOMPARE(column(set, u"Name"_s).first(), u"王五"_s);
        QCOMPARE(set.sortColumn(), u"Name"_s);
    }

    // A row click shows the agent's folder, made when missing; the folder of an agent code no
    // agent has is named by that code; a code that cannot name a folder shows FilesDir.
    void rowClickShowsTheAgentsFolder_data() { testsupport::addEngineRows(); }
    void rowClickShowsTheAgentsFolder()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s);
        f.addContact(u"L1"_s, u"张三"_s, u"A01"_s);
        f.addContact(u"L2"_s, u"李四"_s, u"NOAGENT"_s);
        f.addContact(u"L3"_s, u"王五"_s, u"../x"_s);
        ContactsWindowOnFixture win(f);
        const QString files = store::session().FilesDir;
        clickRow(win.w, 1);
        QCOMPARE(f.host.lastFolder(), files + u"NOAGENT"_s);
        QVERIFY(QFileInfo(files + u"NOAGENT"_s).isDir());
        clickRow(win.w, 0);
        QCOMPARE(f.host.lastFolder(), files + u"A01"_s);
        clickRow(win.w, 2);
        QCOMPARE(f.host.lastFolder(), files);
        QVERIFY(!QFileInfo::exists(store::session().AppDir + u"x"_s));
        QCOMPARE(shownTexts(), QStringList());
    }

    // The list opens on the grid, Enter on a row edits it, and the detail page's shortcuts
    // work at once; the Enter order of the detail page, which stops at the agent choice.
    void keyboardOnlyFromTheList_data() { testsupport::addEngineRows(); }
    void keyboardOnlyFromTheList()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s);
        f.addContact(u"L1"_s, u"张三"_s, u"A01"_s);
        ContactsWindowOnFixture win(f);
        // The window names its list as where the keyboard goes when it is shown.
        QCOMPARE(FirstFocus::of(win.w), win.w->grid()->view());
        FirstFocus::of(win.w)->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return win.w->grid()->view()->hasFocus(); }, 2000));
        QTest::keyClick(win.w->grid()->view(), Qt::Key_Return);
        QCOMPARE(win.contacts().state(), State::Edit);
        QCOMPARE(win.w->pages()->currentWidget(), win.w->detailPage());
        QVERIFY(!f.host.navigationVisible);
        QCOMPARE(f.host.navigationPage, u"业务管理"_s);
        ContactForm *form = win.w->form();
        QVERIFY(QTest::qWaitFor([&] { return form->code()->hasFocus(); }, 2000));
        QCOMPARE(f.logRows().last(), Prefix + u"修改"_s);

        testsupport::untilIdle();
        QTest::keyClick(form->code(), Qt::Key_A, Qt::ControlModifier); // 新增, not select-all
        QCOMPARE(win.contacts().state(), State::Insert);
        QCOMPARE(f.logRows().last(), Prefix + u"新增"_s);
        QStringList order;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{u"edtName"_s, u"cbMain"_s, u"cbCustomer"_s}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), form->agent()); // goes no further
        form->nickName()->setFocus();
        order.clear();
        for (int i = 0; i < 11; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{u"edtDepartment"_s, u"edtDuty"_s, u"edtTelephone"_s,
                                     u"edtFax"_s, u"edtMobile"_s, u"edtHomeAddress"_s,
                                     u"edtEmail"_s, u"edtHomePage"_s, u"edtEnjoy"_s,
                                     u"deSpecialDate"_s, u"mmMemo"_s}));
    }

    // 新增 on the list, every field typed, the agent chosen by keyboard, 保存: the row, its
    // owner, the agent's folder and page, the log.
    void addContactEndToEnd_data() { testsupport::addEngineRows(); }
    void addContactEndToEnd()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s, u"Admin"_s, {{u"City"_s, u"上海"_s}});
        ContactsWindowOnFixture win(f);
        win.act("Act_Insert")->trigger();
        QCOMPARE(win.contacts().state(), State::Insert);
        ContactForm *form = win.w->form();
        testsupport::typeText(form->code(), u"N'01 %"_s);
        testsupport::typeText(form->name(), u"新联系人"_s);
        QTest::keyClick(form->mainContact(), Qt::Key_Space);
        QTest::keyClick(form->agent(), Qt::Key_Down); // the first (and only) agent
        QCOMPARE(form->agentChoice()->currentText(), u"东方贸易"_s);
        QCOMPARE(win.w->agentPanel()->shown(u"City"_s), u"上海"_s);
        testsupport::typeText(form->fax(), u"021-1"_s);
        testsupport::typeText(form->email(), u"x@y.cn"_s);
        form->specialDate()->setFocus();
        form->specialDate()->setCursorPosition(0);
        testsupport::typeText(form->specialDate(), u"2026-05-04"_s);
        testsupport::typeText(form->memo(), u"第一行"_s);
        testsupport::untilIdle();
        QTest::keyClick(form->code(), Qt::Key_S, Qt::ControlModifier); // 保存
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(win.contacts().state(), State::Browse);
        const QVariantList key{u"N'01 %"_s};
        const auto stored = [&](const char *col) {
            return f.scalar(u"SELECT %1 FROM tblLinkmans WHERE LinkmanID = ?"_s.arg(QLatin1String(col)), key);
        };
        QCOMPARE(stored("CustID").toString(), u"A01"_s);
        QCOMPARE(stored("SUser").toString(), u"Admin"_s);
        QVERIFY(stored("Main").toBool());
        QCOMPARE(stored("Fax").toString(), u"021-1"_s);
        QCOMPARE(stored("Memo").toString(), u"第一行"_s);
        QVERIFY(stored("SpecialDate").toString().startsWith(u"2026-05-04"_s));
        QCOMPARE(f.host.lastFolder(), store::session().FilesDir + u"A01"_s);
        QVERIFY(QFileInfo(store::session().FilesDir + u"A01"_s).isDir());
        QCOMPARE(f.logRows(), (QStringList{Prefix + u"新增"_s, Prefix + u"保存"_s}));
    }

    // 保存 checks code, name and agent in this order by what each field shows; the log row
    // comes first every time.
    void saveChecksFieldsInOrder_data() { testsupport::addEngineRows(); }
    void saveChecksFieldsInOrder()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s);
        ContactsWindowOnFixture win(f);
        ContactForm *form = win.w->form();
        win.act("Act_Insert")->trigger();
        const auto saveSays = [&](const QString &message, QWidget *focus) {
            resetScripts();
            win.act("Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList{message});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QVERIFY(QTest::qWaitFor([&] { return focus->hasFocus(); }, 2000));
            QCOMPARE(win.contacts().state(), State::Insert);
        };
        saveSays(u"请输入联系人代码！"_s, form->code());
        testsupport::typeText(form->code(), u"C1"_s);
        saveSays(u"请输入联系人姓名！"_s, form->name());
        testsupport::typeText(form->name(), u"  "_s); // blanks count as content
        saveSays(u"请选择输入商务代理名称！"_s, form->agent());
        QCOMPARE(f.count(u"tblLinkmans"_s), 0);
        QCOMPARE(f.logCount(Prefix + u"保存"_s), 3);
        chooseAgent(form->agentChoice(), u"东方贸易"_s);
        // A special date typed in part is refused by name; nothing is stored meanwhile.
        form->specialDate()->setFocus();
        testsupport::typeText(form->specialDate(), u"2026"_s);
        saveSays(u"对不起，特殊纪念日不是有效的日期！"_s, form->specialDate());
        QCOMPARE(form->specialDate()->displayText(), u"2026-__-__"_s);
        QCOMPARE(f.count(u"tblLinkmans"_s), 0);
        form->specialDate()->clearAction()->trigger();
        win.act("Act_Save")->trigger();
        QCOMPARE(f.scalar(u"SELECT Name FROM tblLinkmans WHERE LinkmanID = 'C1'"_s).toString(), u"  "_s);
    }

    // The agent picked through 查询... while the contact is only shown starts editing it;
    // 放弃 brings back the agent it had, in the choice and on the agent page.
    void pickAgentWhileBrowsingThenCancel_data() { testsupport::addEngineRows(); }
    void pickAgentWhileBrowsingThenCancel()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s, u"Admin"_s, {{u"Fax"_s, u"010-1"_s}});
        f.addAgent(u"A02"_s, u"南方实业"_s, u"Admin"_s, {{u"Fax"_s, u"020-2"_s}});
        f.addContact(u"L1"_s, u"张三"_s, u"A01"_s);
        ContactsWindowOnFixture win(f);
        win.w->pages()->setCurrentWidget(win.w->detailPage());
        ContactForm *form = win.w->form();
        AgentPanel *panel = win.w->agentPanel();
        QCOMPARE(win.contacts().state(), State::Browse);
        QCOMPARE(panel->shown(u"Fax"_s), u"010-1"_s);
        testsupport::whenModal(u"TfrmCustomerQuery"_s, [&f](QWidget *picker) {
            QVERIFY(f.dm.tblCustomers2.locate(u"CustId"_s, u"A02"_s));
            picker->findChild<QPushButton *>(u"btnSelect"_s)->click();
        });
        form->pickAgentButton()->click();
        QCOMPARE(store::session().PickTarget, u"联系人详细资料"_s);
        QCOMPARE(win.contacts().state(), State::Edit);
        QCOMPARE(win.contacts().text(u"CustID"_s), u"A02"_s);
        QCOMPARE(form->agentChoice()->currentText(), u"南方实业"_s);
        QCOMPARE(panel->shown(u"CustName"_s), u"南方实业"_s);
        QCOMPARE(panel->shown(u"Fax"_s), u"020-2"_s);
        QVERIFY(win.enabled("Act_Cancel"));
        win.act("Act_Cancel")->trigger();
        QCOMPARE(win.contacts().state(), State::Browse);
        QCOMPARE(win.contacts().text(u"CustID"_s), u"A01"_s);
        QCOMPARE(form->agentChoice()->currentText(), u"东方贸易"_s);
        QCOMPARE(panel->shown(u"CustId"_s), u"A01"_s);
        QCOMPARE(f.scalar(u"SELECT CustID FROM tblLinkmans"_s).toString(), u"A01"_s);
    }

    // Typing into the agent choice finds the user's own agents by name (others' stay hidden),
    // and Enter makes the found agent the contact's, with its data on the agent page.
    void typingIntoTheAgentChoiceFindsAgents_data() { testsupport::addEngineRows(); }
    void typingIntoTheAgentChoiceFindsAgents()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false,
                             testsupport::allRights());
        f.addAgent(u"A01"_s, u"自己的代理"_s, u"zhang"_s);
        f.addAgent(u"A02"_s, u"自己的公司"_s, u"zhang"_s, {{u"Fax"_s, u"020-2"_s}});
        f.addAgent(u"B01"_s, u"别人的代理"_s, u"other"_s);
        f.addContact(u"L1"_s, u"张三"_s, u"A01"_s, u"zhang"_s);
        f.signIn(u"zhang"_s);
        ContactsWindowOnFixture win(f);
        win.act("Act_Modify")->trigger();
        AgentChoice *choice = win.w->form()->agentChoice();
        choice->setFocus();
        testsupport::typeText(choice, u"代"_s);
        FindPopup *find = choice->finder();
        QVERIFY(find && find->isVisible());
        testsupport::typeIntoFocus(u"理"_s);
        find->findNow();
        QCOMPARE(find->found()->rowCount(), 1); // not the other user's 别人的代理
        QCOMPARE(find->found()->value(0, u"CustId"_s).toString(), u"A01"_s);
        find->input()->clear();
        testsupport::typeIntoFocus(u"公司"_s);
        QTest::keyClick(find->input(), Qt::Key_Return);
        QVERIFY(!find->isVisible());
        QCOMPARE(win.contacts().text(u"CustID"_s), u"A02"_s);
        QCOMPARE(choice->currentText(), u"自己的公司"_s);
        QCOMPARE(win.w->agentPanel()->shown(u"Fax"_s), u"020-2"_s);
        QCOMPARE(win.contacts().state(), State::Edit);
    }

    // A contact whose agent this user does not see shows no agent at all, neither in the
    // choice nor on the agent page (not the agent the agent set stood on before).
    void agentOfAnotherUserShowsNothing_data() { testsupport::addEngineRows(); }
    void agentOfAnotherUserShowsNothing()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"A01"_s, u"自己的代理"_s, u"zhang"_s);
        f.addAgent(u"B01"_s, u"别人的代理"_s, u"other"_s);
        f.addContact(u"L1"_s, u"张三"_s, u"A01"_s, u"zhang"_s);
        f.addContact(u"L2"_s, u"李四"_s, u"B01"_s, u"zhang"_s);
        f.signIn(u"zhang"_s);
        ContactsWindowOnFixture win(f);
        QCOMPARE(win.w->agentPanel()->shown(u"CustName"_s), u"自己的代理"_s);
        win.contacts().moveTo(1);
        QCOMPARE(win.w->form()->agentChoice()->currentIndex(), -1);
        QCOMPARE(win.w->agentPanel()->shown(u"CustName"_s), QString());
        QCOMPARE(win.contacts().text(u"CustName"_s), QString());
        // Such a contact cannot be saved here until it gets an agent the user sees.
        win.act("Act_Modify")->trigger();
        testsupport::typeText(win.w->form()->name(), u"1"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"请选择输入商务代理名称！"_s});
    }

    // 删除 is refused while any contact record names the contact, whatever agent or user the
    // record belongs to; the two pages say so in their own words.
    void deleteRefusedByAnotherUsersRecord_data() { testsupport::addEngineRows(); }
    void deleteRefusedByAnotherUsersRecord()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"K01"_s, u"被引用"_s, u"zhang"_s);
        f.addContact(u"L1"_s, u"张三"_s, u"K01"_s, u"zhang"_s);
        f.addRecord(u"O1"_s, u"ZZ"_s, u"l1"_s, u"other"_s); // codes compare without letter case
        f.signIn(u"zhang"_s);
        ContactsWindowOnFixture win(f);
        QCOMPARE(win.contacts().rowCount(), 1);
        win.act("Act_Delete")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"对不起，业务资料有该联系人信息，不能删除！"_s});
        resetScripts();
        win.act("Act_Del")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"对不起，联络事宜有该联系人信息，不能删除！"_s});
        QCOMPARE(f.count(u"tblLinkmans"_s), 1);

        f.dm.connection().exec(u"DELETE FROM tblOperates"_s);
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        win.act("Act_Delete")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该联系人吗？"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(f.count(u"tblLinkmans"_s), 1);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        win.act("Act_Delete")->trigger();
        QCOMPARE(f.count(u"tblLinkmans"_s), 0);
        QCOMPARE(win.contacts().rowCount(), 0);
        QCOMPARE(f.logCount(Prefix + u"删除"_s), 4);
        // On the empty list nothing more happens, but the log row is written.
        resetScripts();
        win.act("Act_Delete")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.logCount(Prefix + u"删除"_s), 5);
    }

    // A contact that records name keeps its code, whichever way the change is posted; a
    // second contact with a code already taken is refused by the store and stays in editing.
    void referencedCodeAndDuplicateCode_data() { testsupport::addEngineRows(); }
    void referencedCodeAndDuplicateCode()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s);
        f.addContact(u"L1"_s, u"张三"_s, u"A01"_s);
        f.addContact(u"L2"_s, u"李四"_s, u"A01"_s);
        f.addRecord(u"O1"_s, u"A01"_s, u"L1"_s);
        ContactsWindowOnFixture win(f);
        win.act("Act_Modify")->trigger();
        testsupport::typeText(win.w->form()->code(), u"X"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"对不起，业务资料有该联系人信息，不能修改联系人代码！"_s});
        QCOMPARE(win.contacts().state(), State::Edit);
        QVERIFY_THROWS_EXCEPTION(std::exception, win.contacts().moveTo(1));
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblLinkmans WHERE LinkmanID = 'L1'"_s).toInt(), 1);
        QVERIFY(win.enabled("Act_Cancel"));
        win.act("Act_Cancel")->trigger();
        QCOMPARE(win.contacts().state(), State::Browse);

        resetScripts();
        win.act("Act_Insert")->trigger();
        testsupport::typeText(win.w->form()->code(), u"l2"_s);
        testsupport::typeText(win.w->form()->name(), u"重复"_s);
        chooseAgent(win.w->form()->agentChoice(), u"东方贸易"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts().size(), 1);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QCOMPARE(win.contacts().state(), State::Insert);
        QCOMPARE(f.count(u"tblLinkmans"_s), 2);
    }

    // 刷新 after a query brings back the user's own contacts and only those (every contact
    // for an administrator), from the first row.
    void refreshAfterQuery_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("user");
        for (const QString &engine : testsupport::engines()) {
            QTest::addRow("%s administrator", qPrintable(engine)) << engine << u"Admin"_s;
            QTest::addRow("%s normal user", qPrintable(engine)) << engine << u"zhang"_s;
        }
    }
    void refreshAfterQuery()
    {
        QFETCH(QString, engine);
        QFETCH(QString, user);
        ContactsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"A01"_s, u"东方贸易"_s, u"zhang"_s);
        f.addContact(u"L1"_s, u"张三"_s, u"A01"_s, u"zhang"_s);
        f.addContact(u"L2"_s, u"李四"_s, u"A01"_s, u"zhang"_s);
        f.addContact(u"L3"_s, u"张五"_s, u"A01"_s, u"other"_s);
        f.signIn(user);
        ContactsWindowOnFixture win(f);
        const bool admin = user == u"Admin"_s;
        testsupport::whenModal(u"TfrmLinkmanQuery1"_s, [](QWidget *d) {
            d->findChild<QComboBox *>(u"cbCondition"_s)->setCurrentIndex(3); // 联系人姓名
            testsupport::typeText(d->findChild<QLineEdit *>(u"edValue"_s), u"李"_s);
            d->findChild<QPushButton *>(u"btnOK"_s)->click();
        });
        win.act("Act_Query")->trigger();
        QCOMPARE(column(win.contacts(), u"LinkmanID"_s), QStringList{u"L2"_s});
        win.act("spBtnRefresh")->trigger();
        QCOMPARE(column(win.contacts(), u"LinkmanID"_s),
                 admin ? (QStringList{u"L1"_s, u"L2"_s, u"L3"_s}) : (QStringList{u"L1"_s, u"L2"_s}));
        QCOMPARE(win.contacts().currentRow(), 0);
        QCOMPARE(f.logCount(Prefix + u"查询"_s), 1);
        QCOMPARE(f.logCount(Prefix + u"刷新"_s), 1);
    }

    // The export writes the addresses of the rows the list holds, in list order, duplicates
    // kept and empty ones skipped; cancelling the dialog writes nothing.
    void emailExport_data() { testsupport::addEngineRows(); }
    void emailExport()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false, testsupport::allRights());
        const QString owner = u"zhang"_s;
        f.addContact(u"L5"_s, u"五"_s, u"A01"_s, owner, {{u"Email"_s, u"b@y.cn"_s}});
        f.addContact(u"L1"_s, u"一"_s, u"A01"_s, owner, {{u"Email"_s, u"a@x.cn"_s}});
        f.addContact(u"L2"_s, u"二"_s, u"A01"_s, owner, {{u"Email"_s, u""_s}});
        f.addContact(u"L3"_s, u"三"_s, u"A01"_s, owner);
        f.addContact(u"L4"_s, u"四"_s, u"A01"_s, owner, {{u"Email"_s, u"a@x.cn"_s}});
        f.addContact(u"M1"_s, u"别人"_s, u"A01"_s, u"other"_s, {{u"Email"_s, u"c@z.cn"_s}});
        f.signIn(owner);
        ContactsWindowOnFixture win(f);
        const QString folder = store::session().AppDir + u"Email"_s;
        win.act("spBtnEmail")->trigger(); // cancelled
        QCOMPARE(FileDialog::last().caption, u"Email地址导出"_s);
        QCOMPARE(FileDialog::last().folder, folder);
        QCOMPARE(FileDialog::last().proposedName, u"Email"_s);
        QCOMPARE(FileDialog::last().defaultSuffix, u"txt"_s);
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
        QCOMPARE(shownTexts(), QStringList());

        FileDialog::setNextFileName(folder + u"/list.txt"_s);
        win.act("spBtnEmail")->trigger();
        QCOMPARE(fileLines(folder + u"/list.txt"_s),
                 (QStringList{u"a@x.cn"_s, u"a@x.cn"_s, u"b@y.cn"_s}));
        QCOMPARE(shownTexts(), QStringList{u"Email地址列表导出成功！"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
        QVERIFY(win.contacts().isLast());
        QCOMPARE(f.logRows(), QStringList()); // the export writes no log row
    }

    // Rights decide the commands; 刷新 and the export are always there; without Modify a stored
    // contact is only shown (typing starts nothing, a click on another row stores nothing); a
    // new contact is saved with nothing more. Both print commands.
    void rightsAndPrinting_data() { testsupport::addEngineRows(); }
    void rightsAndPrinting()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s);
        f.addContact(u"L1"_s, u"张三"_s, u"A01"_s);
        f.addContact(u"L2"_s, u"李四"_s, u"A01"_s);
        f.installLayouts();
        ContactsWindowOnFixture win(f);
        for (const char *name : {"Act_Insert", "Act_Modify", "Act_Delete", "Act_Query", "Act_Print",
                                 "Act_Add", "Act_Del", "Act_Prt", "spBtnRefresh", "spBtnEmail"})
            QVERIFY2(win.enabled(name), name);
        QVERIFY(!win.enabled("Act_Save"));
        QVERIFY(!win.enabled("Act_Cancel"));
        win.act("Act_Print")->trigger();
        QCOMPARE(Printing::last().layout, u"frLinkmans.frf"_s);
        QCOMPARE(Printing::last().rowCount, 2);
        QVERIFY(Printing::last().layoutFound);
        win.act("Act_Prt")->trigger();
        QCOMPARE(Printing::last().layout, u"frLinkmansDetail.frf"_s);
        QVERIFY(Printing::last().text.contains(u"李四"_s));
        QCOMPARE(f.logRows(), (QStringList{Prefix + u"打印"_s, Prefix + u"打印"_s}));

        for (const char *flag : {"Insert", "Modify", "Delete", "Query", "Print"})
            f.setRightFlag(u"302"_s, QLatin1String(flag), false);
        for (const char *name : {"Act_Insert", "Act_Modify", "Act_Delete", "Act_Query", "Act_Print",
                                 "Act_Add", "Act_Del", "Act_Prt"})
            QVERIFY2(!win.enabled(name), name);
        QVERIFY(win.enabled("spBtnRefresh"));
        QVERIFY(win.enabled("spBtnEmail"));
        testsupport::typeText(win.w->form()->name(), u"改"_s);
        QCOMPARE(win.contacts().state(), State::Browse);
        QVERIFY(!win.enabled("Act_Save"));
        QVERIFY(!win.enabled("Act_Cancel"));
        clickRow(win.w, win.contacts().currentRow() == 0 ? 1 : 0);
        QCOMPARE(
            f.scalar(u"SELECT COUNT(*) FROM tblLinkmans WHERE Name IN ('张三', '李四')"_s).toInt(),
            2);
        win.contacts().append();
        QVERIFY(win.enabled("Act_Save"));
    }

    // 修改 on an empty list starts a new contact and shows FilesDir; 发送邮件 and 打开... of
    // the contact and of its agent hand their addresses to the desktop.
    void emptyListAndAddressButtons_data() { testsupport::addEngineRows(); }
    void emptyListAndAddressButtons()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s, u"Admin"_s,
                   {{u"Email"_s, u"agent@x.cn"_s}, {u"HomePage"_s, u"www.agent.cn"_s}});
        ContactsWindowOnFixture win(f);
        win.act("Act_Modify")->trigger();
        QCOMPARE(win.contacts().state(), State::Insert);
        QCOMPARE(f.host.lastFolder(), store::session().FilesDir);
        ContactForm *form = win.w->form();
        testsupport::typeText(form->email(), u"li@x.cn"_s);
        testsupport::typeText(form->homePage(), u"www.li.cn"_s);
        chooseAgent(form->agentChoice(), u"东方贸易"_s);
        const auto click = [&](const char *name) {
            win.w->findChild<QPushButton *>(QLatin1String(name))->click();
            return DesktopServices::last().target;
        };
        QCOMPARE(click("btnSendMail"), u"mailto:li@x.cn"_s);
        QVERIFY(click("btnOpenHomePage").contains(u"www.li.cn"_s));
        QCOMPARE(click("btnAgentSendMail"), u"mailto:agent@x.cn"_s);
        QVERIFY(click("btnAgentOpenHomePage").contains(u"www.agent.cn"_s));
    }
};

QTEST_MAIN(TestContactsWindow)
#include "tst_contactswindow.moc"
