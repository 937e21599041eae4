#include "agentcontactdialog.h"
#include "agentform.h"
#include "agentotherinfopage.h"
#include "agentpages.h"
#include "agentswindow.h"
#include "contactform.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbpicklist.h"
#include "dbtimeedit.h"
#include "messagebox.h"
#include "printing.h"
#include "recordsfixture.h"
#include "testusers.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDialog>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <memory>

using namespace Qt::StringLiterals;
using State = store::Dataset::State;

namespace
{

// The agent window with its related pages, on a seat prepared as the agents module command
// prepares it.
struct Window {
    explicit Window(RecordsFixture &f) : w(f.ws)
    {
        installAgentPages(f.ws, w);
        f.openAgentsModule();
        w.show();
        w.pages()->setCurrentWidget(w.detailPage());
    }
    QAction *act(const char *name) const { return w.findChild<QAction *>(QLatin1String(name)); }
    bool enabled(const char *name) const
    {
        testsupport::untilIdle();
        return act(name)->isEnabled();
    }
    void trigger(const char *name) const { act(name)->trigger(); }
    DataGrid *grid(const char *name) const { return w.findChild<DataGrid *>(QLatin1String(name)); }
    AgentOtherInfoPage *other() const { return w.findChild<AgentOtherInfoPage *>(); }

    AgentsWindow w;
};

QStringList captions(DataGrid *g)
{
    QStringList out;
    for (int c = 0; c < g->model()->columnCount(); ++c)
        out << g->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

QStringList column(store::Dataset &set, const QString &field)
{
    QStringList out;
    for (int row = 0; row < set.rowCount(); ++row)
        out << set.value(row, field).toString();
    return out;
}

void answer(QMessageBox::StandardButton b)
{
    resetScripts();
    MessageBox::setNextAnswer(b);
}

void addEntry(RecordsFixture &f, const QString &agent, const QDate &day, const QString &duty)
{
    f.insertRow(
        u"tblCustomerState"_s,
        {{u"CustID"_s, agent},
         {u"LinkDate"_s, f.store.isServer() ? QVariant(day) : QVariant(day.toString(Qt::ISODate))},
         {u"LinkTime"_s, u"10:00:00"_s},
         {u"LinkType"_s, u"电话联系"_s},
         {u"Linkman"_s, u"某人"_s},
         {u"Duty"_s, duty}});
}

} // namespace

class TestAgentPages : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // The contacts page lists every contact of the agent in code order, whoever made it;
    // 新增联系人 opens the contact editor and the grid shows the new contact at once; a contact
    // named by a record of another agent and user stays; 打印 logs and prints the page's rows.
    void contacts_data() { testsupport::addEngineRows(); }
    void contacts()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"甲"_s);
        f.addAgent(u"B2"_s, u"乙"_s, u"zhao"_s);
        f.addContact(u"L2"_s, u"A1"_s, u"二号"_s);
        f.addContact(u"L1"_s, u"A1"_s, u"一号"_s);
        f.dm.connection().exec(u"UPDATE tblLinkmans SET SUser = 'zhao' WHERE LinkmanID = 'L2'"_s);
        f.addContact(u"L9"_s, u"B2"_s, u"别家"_s);
        f.addRecord(u"R1"_s, u"别人的记录"_s, u"B2"_s, u"zhao"_s, {{u"LinkmanID"_s, u"L2"_s}});
        Window win(f);
        DataGrid *g = win.grid("gridLinkmans");
        QCOMPARE(captions(g), (QStringList{u"联系人代码"_s, u"姓名"_s, u"部门"_s, u"职务"_s,
                                           u"电话"_s, u"传真"_s, u"手机"_s, u"电子邮件"_s}));
        QCOMPARE(column(f.dm.tblLinkmans, u"LinkmanID"_s), (QStringList{u"L1"_s, u"L2"_s}));

        testsupport::whenModal(u"TfrmLinkmanNew1"_s, [&f](QWidget *w) {
            QCOMPARE(f.dm.tblLinkmans.state(), State::Insert);
            auto *form = w->findChild<ContactForm *>();
            testsupport::typeText(form->code(), u"L0"_s);
            testsupport::typeText(form->name(), u"新人"_s);
            w->findChild<QAction *>(u"Act_Save"_s)->trigger();
            QCOMPARE(shownTexts(), QStringList());
            qobject_cast<QDialog *>(w)->reject();
        });
        win.trigger("Act_InsertLink");
        QCOMPARE(f.count(u"tblLinkmans"_s, u"LinkmanID = 'L0' AND CustID = 'A1'"_s), 1);
        QCOMPARE(g->model()->rowCount(), 3);
        QVERIFY(column(f.dm.tblLinkmans, u"Name"_s).contains(u"新人"_s));

        // L2 is named by zhao's record of agent B2.
        f.dm.tblLinkmans.locate(u"LinkmanID"_s, u"L2"_s);
        resetScripts();
        win.trigger("Act_DeleteLink");
        QCOMPARE(shownTexts(), QStringList{u"对不起，业务资料有该联系人信息，不能删除！"_s});
        f.dm.tblLinkmans.locate(u"LinkmanID"_s, u"L1"_s);
        answer(QMessageBox::Cancel);
        win.trigger("Act_DeleteLink");
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该联系人资料吗？"_s});
        QCOMPARE(f.count(u"tblLinkmans"_s), 4);
        answer(QMessageBox::Ok);
        win.trigger("Act_DeleteLink");
        QCOMPARE(f.count(u"tblLinkmans"_s, u"LinkmanID = 'L1'"_s), 0);
        QCOMPARE(g->model()->rowCount(), 2);

        // 修改 puts the current contact into editing for the editor.
        testsupport::whenModal(u"TfrmLinkmanNew1"_s, [&f](QWidget *w) {
            QCOMPARE(f.dm.tblLinkmans.state(), State::Edit);
            qobject_cast<QDialog *>(w)->done(0);
        });
        win.trigger("Act_ModifyLink");
        f.dm.tblLinkmans.cancel();

        Printing::clearHistory();
        win.trigger("Act_PrintLink");
        QCOMPARE(Printing::last().layout, u"frCustomerLinkman.frf"_s);
        QCOMPARE(Printing::last().rowCount, 2);
        QCOMPARE(f.logCount(u"商务代理业务管理-商务代理资料-联系人-打印"_s), 1);
        // The page's other commands write nothing of their own.
        QCOMPARE(f.logRows().filter(u"商务代理业务管理"_s).size(), 1);

        // Another seat's contact shows after 刷新.
        f.addContact(u"L5"_s, u"A1"_s, u"后来的"_s);
        win.trigger("spBtnRefreshLink");
        QCOMPARE(g->model()->rowCount(), 3);
    }

    // The records page lists the agent's own records, not those that only link to it; a
    // record with one item is kept, one without items is deleted after the question; 新增联络
    // and 修改 open the quick entry, 修改 with the second agent set on the record's agent.
    void records_data() { testsupport::addEngineRows(); }
    void records()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"甲"_s);
        f.addAgent(u"B2"_s, u"乙"_s);
        f.addRecord(u"R2"_s, u"有子项"_s, u"A1"_s, u"zhao"_s);
        f.addRecord(u"R1"_s, u"无子项"_s, u"A1"_s);
        f.addRecord(u"X1"_s, u"只是关联"_s, u"B2"_s, u"Admin"_s,
                    {{u"Link"_s, true}, {u"LinkCustID"_s, u"A1"_s}});
        f.addItem(u"R2"_s, u"1"_s);
        Window win(f);
        f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s);
        DataGrid *g = win.grid("gridOperates");
        QCOMPARE(captions(g),
                 (QStringList{u"联络代码"_s, u"联络事宜"_s, u"商务代理"_s, u"发证日期"_s,
                              u"截止日期"_s, u"联系人"_s, u"推荐人"_s}));
        QCOMPARE(column(f.dm.tblOperates, u"OperateID"_s), (QStringList{u"R1"_s, u"R2"_s}));
        QCOMPARE(g->model()->index(0, 2).data().toString(), u"甲"_s);

        f.dm.tblOperates.locate(u"OperateID"_s, u"R2"_s);
        win.trigger("Act_DeleteOperate");
        QCOMPARE(shownTexts(), QStringList{u"对不起，该业务资料包括业务子项信息，不能删除！"_s});
        f.dm.tblOperates.locate(u"OperateID"_s, u"R1"_s);
        answer(QMessageBox::Ok);
        win.trigger("Act_DeleteOperate");
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该业务资料吗？"_s});
        QCOMPARE(f.count(u"tblOperates"_s, u"OperateID = 'R1'"_s), 0);

        // 修改 from another position of the second agent set.
        f.dm.tblCustomers2.locate(u"CustId"_s, u"B2"_s);
        f.dm.tblOperates.locate(u"OperateID"_s, u"R2"_s);
        bool opened = false;
        testsupport::whenModal(u"TfrmOperateNew1"_s, [&f, &opened](QWidget *w) {
            opened = true;
            QCOMPARE(f.dm.tblOperates.state(), State::Edit);
            QCOMPARE(f.dm.tblCustomers2.text(u"CustId"_s), u"A1"_s);
            QVERIFY(f.dm.tblOperateDetail1.isOpen());
            MessageBox::setNextAnswer(QMessageBox::No);
            qobject_cast<QDialog *>(w)->reject();
        });
        win.trigger("Act_ModifyOperate");
        QVERIFY(opened);
        QCOMPARE(f.dm.tblOperates.state(), State::Browse);

        opened = false;
        testsupport::whenModal(u"TfrmOperateNew1"_s, [&f, &opened](QWidget *w) {
            opened = true;
            QCOMPARE(f.dm.tblOperates.state(), State::Insert);
            QCOMPARE(f.dm.tblOperates.text(u"CustID"_s), u"A1"_s);
            MessageBox::setNextAnswer(QMessageBox::No);
            qobject_cast<QDialog *>(w)->reject();
        });
        win.trigger("Act_InsertOperate");
        QVERIFY(opened);

        win.trigger("Act_PrintOperate");
        QCOMPARE(Printing::last().layout, u"frCustomerOperate.frf"_s);
        QCOMPARE(Printing::last().rowCount, 1);
        QCOMPARE(f.logCount(u"商务代理业务管理-商务代理资料-业务资料-打印"_s), 1);
    }

    // Agent-contact entries in date order only, several on one day; 新增接触 and 修改 open the
    // entry editor; 删除 asks first; nothing else is logged.
    void entries_data() { testsupport::addEngineRows(); }
    void entries()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"甲"_s);
        addEntry(f, u"A1"_s, QDate(2026, 5, 3), u"晚"_s);
        addEntry(f, u"A1"_s, QDate(2026, 5, 1), u"早一"_s);
        addEntry(f, u"A1"_s, QDate(2026, 5, 1), u"早二"_s);
        Window win(f);
        DataGrid *g = win.grid("gridCustomerState");
        QCOMPARE(captions(g),
                 (QStringList{u"联系日期"_s, u"联系时间"_s, u"联系人"_s, u"职务"_s, u"联系方式"_s,
                              u"联系内容"_s, u"费用开销"_s, u"地点"_s, u"备注"_s}));
        QStringList duties = column(f.dm.tblCustomerState, u"Duty"_s);
        QCOMPARE(duties.size(), 3);
        QCOMPARE(duties.last(), u"晚"_s);
        QVERIFY(duties.mid(0, 2).contains(u"早一"_s) && duties.mid(0, 2).contains(u"早二"_s));

        testsupport::whenModal(u"TfrmCustStateNew"_s, [&f](QWidget *w) {
            QCOMPARE(f.dm.tblCustomerState.state(), State::Insert);
            QCOMPARE(f.dm.tblCustomerState.text(u"CustID"_s), u"A1"_s);
            MessageBox::setNextAnswer(QMessageBox::No);
            qobject_cast<QDialog *>(w)->reject();
        });
        win.trigger("Act_InsertState");
        f.dm.tblCustomerState.locate(u"Duty"_s, u"晚"_s);
        testsupport::whenModal(u"TfrmCustStateNew"_s, [&f](QWidget *w) {
            QCOMPARE(f.dm.tblCustomerState.state(), State::Edit);
            QCOMPARE(f.dm.tblCustomerState.text(u"Duty"_s), u"晚"_s);
            qobject_cast<QDialog *>(w)->reject();
        });
        win.trigger("Act_ModifyState");

        answer(QMessageBox::Ok);
        win.trigger("Act_DeleteState");
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该接触机会信息吗？"_s});
        QCOMPARE(f.count(u"tblCustomerState"_s), 2);
        QCOMPARE(g->model()->rowCount(), 2);
        win.trigger("Act_PrintState");
        QCOMPARE(Printing::last().layout, u"frCustomerState.frf"_s);
        QCOMPARE(Printing::last().rowCount, 2);
        QCOMPARE(f.logRows(), QStringList{u"商务代理业务管理-商务代理资料-商务代理接触-打印"_s});
    }

    // 修改 on an agent without other information starts its row, and 保存 stores it with the
    // agent's code though every field is empty; 保存 is on with the Modify right while
    // nothing is being edited and then does nothing; typing into a field of an agent without
    // a row starts one; a change left pending is stored by moving to another agent.
    void otherInformation_data() { testsupport::addEngineRows(); }
    void otherInformation()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"甲"_s);
        f.addAgent(u"B2"_s, u"乙"_s);
        Window win(f);
        f.dm.tblFinanceOrgan.open(); // the seeded banks
        store::Dataset &info = f.dm.tblCustomerAddInfo;
        f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s);
        QVERIFY(win.enabled("Act_SaveOther"));
        win.trigger("Act_SaveOther");
        QCOMPARE(info.state(), State::Browse);
        QCOMPARE(f.count(u"tblCustomerAddInfo"_s), 0);

        win.trigger("Act_ModifyOther");
        QCOMPARE(info.state(), State::Insert);
        QVERIFY(win.other()->bank()->hasFocus());
        win.trigger("Act_SaveOther");
        QCOMPARE(f.count(u"tblCustomerAddInfo"_s, u"CustID = 'A1'"_s), 1);
        QCOMPARE(info.state(), State::Browse);

        // Typing on an agent that has no row yet.
        f.dm.tblCustomers.locate(u"CustId"_s, u"B2"_s);
        QCOMPARE(info.rowCount(), 0);
        DbLineEdit *account = win.other()->field(u"Account"_s);
        account->setFocus();
        testsupport::typeText(account, u"6222-01"_s);
        QCOMPARE(info.state(), State::Insert);
        choose(win.other()->bank(), u"中国工商银行"_s);
        // Enter walks from the bank down to the telephone.
        win.w.relatedPages()->setCurrentIndex(3);
        QCOMPARE(win.w.relatedPages()->tabText(3), u"其他资料"_s);
        win.other()->bank()->setFocus();
        QTRY_VERIFY(win.other()->bank()->hasFocus());
        for (const char *next :
             {"edtAccount", "edtBankAddress", "edtVATaxName", "edtVATaxID", "edtVATaxBank",
              "edtVATaxAccount", "edtVATaxAddress", "edtVATaxPhone"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget()->objectName(), QLatin1String(next));
        }
        // The move to another agent stores the pending row, without 保存.
        f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s);
        QCOMPARE(
            f.scalar(
                 u"SELECT BankID || '/' || Account FROM tblCustomerAddInfo WHERE CustID = 'B2'"_s)
                .toString(),
            u"ICBC/6222-01"_s);
        // Typing into the agent's existing row edits it.
        testsupport::typeText(win.other()->field(u"VATaxPhone"_s), u"021-1"_s);
        QCOMPARE(info.state(), State::Edit);
        win.trigger("Act_SaveOther");
        QCOMPARE(f.count(u"tblCustomerAddInfo"_s, u"CustID = 'A1' AND VATaxPhone = '021-1'"_s), 1);
        QCOMPARE(f.count(u"tblCustomerAddInfo"_s), 2);

        answer(QMessageBox::Ok);
        win.trigger("Act_DeleteOther");
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该资料吗？"_s});
        QCOMPARE(f.count(u"tblCustomerAddInfo"_s, u"CustID = 'A1'"_s), 0);
        resetScripts();
        win.trigger("Act_DeleteOther"); // none left: no question
        QCOMPARE(shownTexts(), QStringList());
        // A new agent without a code yet gets no row: it would be stored for no agent.
        f.dm.tblCustomers.append();
        testsupport::typeText(win.other()->field(u"VATaxName"_s), u"无主"_s);
        QCOMPARE(info.state(), State::Browse);
        QCOMPARE(info.rowCount(), 0);
        f.dm.tblCustomers.cancel();
        f.dm.tblCustomers.locate(u"CustId"_s, u"B2"_s);
        win.trigger("Act_PrintOther");
        QCOMPARE(Printing::last().layout, u"frCustomerOther.frf"_s);
        QCOMPARE(Printing::last().rowCount, 1);
        QCOMPARE(f.logRows(), QStringList{u"商务代理业务管理-商务代理资料-其他资料-打印"_s});
    }

    // A row added on a page takes the agent's code, so the agent is stored under that code
    // first, through 保存 and its checks: a new agent that fails a check gets its message and
    // no row is started; a complete one, or a stored agent whose code was typed over, is stored
    // and the row follows. 放弃 afterwards leaves no row naming an agent the store lacks.
    void newRowsWaitForTheAgent_data() { testsupport::addEngineRows(); }
    void newRowsWaitForTheAgent()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addCompleteAgent(u"A1"_s, u"甲"_s);
        Window win(f);
        AgentForm *form = win.w.form();
        store::Dataset &agents = f.dm.tblCustomers;
        const auto orphans = [&f] {
            int n = 0;
            for (const char *t :
                 {"tblLinkmans", "tblCustomerState", "tblCustomerAddInfo", "tblOperates"})
                n +=
                    f.count(QLatin1String(t), u"CustID NOT IN (SELECT CustId FROM tblCustomers)"_s);
            return n;
        };
        const auto addAgent = [&] {
            form->code()->setFocus();
            testsupport::untilIdle();
            QTest::keyClick(form->code(), Qt::Key_A, Qt::ControlModifier); // 新增
            QCOMPARE(agents.state(), State::Insert);
        };

        // A new agent with only its code: the record page's entry does not open, the other
        // information takes no typing.
        auto opened = std::make_shared<bool>(false);
        testsupport::whenModal(u"TfrmOperateNew1"_s, [opened](QWidget *w) {
            *opened = true;
            qobject_cast<QDialog *>(w)->done(0);
        });
        addAgent();
        testsupport::typeText(form->code(), u"N1"_s);
        win.w.relatedPages()->setCurrentIndex(1);
        resetScripts();
        win.trigger("Act_InsertOperate");
        QCOMPARE(shownTexts(), QStringList{u"请输入商务代理名称！"_s});
        QVERIFY(!*opened);
        QCOMPARE(f.dm.tblOperates.state(), State::Browse);
        win.w.relatedPages()->setCurrentIndex(3);
        resetScripts();
        DbLineEdit *taxName = win.other()->field(u"VATaxName"_s);
        taxName->setFocus();
        testsupport::typeText(taxName, u"X"_s);
        QCOMPARE(shownTexts(), QStringList{u"请输入商务代理名称！"_s});
        QCOMPARE(f.dm.tblCustomerAddInfo.state(), State::Browse);
        win.trigger("Act_Cancel"); // 放弃
        QCOMPARE(f.count(u"tblCustomers"_s), 1);
        QCOMPARE(f.count(u"tblOperates"_s) + f.count(u"tblCustomerAddInfo"_s), 0);

        // A complete new agent is stored by 新增联系人, then the contact under its code.
        addAgent();
        fillAgent(form, u"N2"_s, u"新代理"_s);
        win.w.relatedPages()->setCurrentIndex(0);
        testsupport::whenModal(u"TfrmLinkmanNew1"_s, [](QWidget *w) {
            auto *contact = w->findChild<ContactForm *>();
            testsupport::typeText(contact->code(), u"L1"_s);
            testsupport::typeText(contact->name(), u"新人"_s);
            w->findChild<QAction *>(u"Act_Save"_s)->trigger();
            qobject_cast<QDialog *>(w)->reject();
        });
        resetScripts();
        win.trigger("Act_InsertLink");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(agents.state(), State::Browse);
        QCOMPARE(f.count(u"tblCustomers"_s, u"CustId = 'N2' AND CustName = '新代理'"_s), 1);
        QCOMPARE(f.count(u"tblLinkmans"_s, u"LinkmanID = 'L1' AND CustID = 'N2'"_s), 1);

        // A stored agent whose code is typed over: stored under the new code, then the entry.
        QVERIFY(agents.locate(u"CustId"_s, u"A1"_s));
        win.trigger("Act_Modify");
        form->code()->setFocus();
        form->code()->selectAll();
        testsupport::typeText(form->code(), u"A2"_s);
        QCOMPARE(agents.state(), State::Edit);
        win.w.relatedPages()->setCurrentIndex(2);
        testsupport::whenModal(u"TfrmCustStateNew"_s, [](QWidget *w) {
            auto *dialog = qobject_cast<AgentContactDialog *>(w);
            dialog->date()->setFocus();
            dialog->date()->selectAll();
            dialog->date()->setCursorPosition(0);
            testsupport::typeText(dialog->date(), u"2026-06-01"_s);
            dialog->time()->setFocus();
            dialog->time()->selectAll();
            dialog->time()->setCursorPosition(0);
            testsupport::typeText(dialog->time(), u"140000"_s);
            testsupport::typeText(dialog->linkType()->lineEdit(), u"登门拜访"_s);
            testsupport::typeText(dialog->linkman(), u"王经理"_s);
            testsupport::typeText(dialog->duty(), u"经理"_s);
            w->findChild<QAction *>(u"Act_Save"_s)->trigger();
            dialog->reject();
        });
        resetScripts();
        win.trigger("Act_InsertState");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.count(u"tblCustomerState"_s, u"CustID = 'A2'"_s), 1);
        win.trigger("Act_Cancel"); // 放弃: the agent is stored already
        QCOMPARE(f.count(u"tblCustomers"_s, u"CustId = 'A2'"_s), 1);
        QCOMPARE(orphans(), 0);
    }

    // The pages follow the agent and show every related row, whoever made it; for a new agent
    // they show the rows of the code typed so far. All commands follow the agents' right
    // "301", not the contacts' right, and a double-click on a grid opens nothing.
    void followAgentAndRights_data() { testsupport::addEngineRows(); }
    void followAgentAndRights()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"wang"_s, u"pw"_s, false, {u"301"_s});
        f.addAgent(u"W1"_s, u"王的代理"_s, u"wang"_s);
        f.addAgent(u"Z1"_s, u"赵的代理"_s, u"zhao"_s);
        f.addContact(u"C1"_s, u"W1"_s, u"管理员加的"_s);
        f.addContact(u"C2"_s, u"Z1"_s, u"赵的联系人"_s);
        f.addRecord(u"R1"_s, u"赵的记录"_s, u"W1"_s, u"zhao"_s);
        addEntry(f, u"W1"_s, QDate(2026, 1, 1), u"经理"_s);
        f.signIn(u"wang"_s);
        Window win(f);
        QCOMPARE(f.dm.tblCustomers.rowCount(), 1);
        QCOMPARE(column(f.dm.tblLinkmans, u"LinkmanID"_s), QStringList{u"C1"_s});
        QCOMPARE(column(f.dm.tblOperates, u"OperateID"_s), QStringList{u"R1"_s});
        QCOMPARE(f.dm.tblCustomerState.rowCount(), 1);

        const char *commands[] = {
            "Act_InsertLink",    "Act_ModifyLink",    "Act_DeleteLink",    "Act_PrintLink",
            "Act_InsertOperate", "Act_ModifyOperate", "Act_DeleteOperate", "Act_PrintOperate",
            "Act_InsertState",   "Act_ModifyState",   "Act_DeleteState",   "Act_PrintState",
            "Act_ModifyOther",   "Act_SaveOther",     "Act_DeleteOther",   "Act_PrintOther"};
        for (const char *c : commands)
            QVERIFY2(win.enabled(c), c);
        f.dm.connection().exec(
            u"DELETE FROM tblUserRight WHERE UserID = 'wang' AND RightID = '301'"_s);
        f.dm.tblUserRight.refresh();
        f.rights.invalidate();
        for (const char *c : commands)
            QVERIFY2(!win.enabled(c), c);
        for (const char *c : {"spBtnRefreshLink", "spBtnRefreshOperate", "spBtnRefreshState"})
            QVERIFY2(win.enabled(c), c);
        // Without the right the other information is only shown: typing starts no row of it.
        testsupport::typeText(win.other()->field(u"Account"_s), u"6222"_s);
        QCOMPARE(f.dm.tblCustomerAddInfo.state(), State::Browse);
        QCOMPARE(f.dm.tblCustomerAddInfo.rowCount(), 0);

        // A double-click on a contact opens no editor and starts no edit.
        DataGrid *g = win.grid("gridLinkmans");
        win.w.relatedPages()->setCurrentIndex(0);
        bool opened = false;
        testsupport::whenModal(u"TfrmLinkmanNew1"_s, [&opened](QWidget *w) {
            opened = true;
            qobject_cast<QDialog *>(w)->done(0);
        });
        const QRect cell = g->view()->visualRect(g->model()->index(0, 0));
        QTest::mouseDClick(g->view()->viewport(), Qt::LeftButton, {}, cell.center());
        testsupport::untilIdle();
        QVERIFY(!opened);
        QCOMPARE(f.dm.tblLinkmans.state(), State::Browse);

        // A new agent shows the rows of the code typed so far.
        f.dm.tblCustomers.append();
        QCOMPARE(f.dm.tblLinkmans.rowCount(), 0);
        testsupport::typeText(win.w.form()->code(), u"Z1"_s);
        QCOMPARE(column(f.dm.tblLinkmans, u"LinkmanID"_s), QStringList{u"C2"_s});
        f.dm.tblCustomers.cancel();
        QCOMPARE(column(f.dm.tblLinkmans, u"LinkmanID"_s), QStringList{u"C1"_s});
    }
};

QTEST_MAIN(TestAgentPages)
#include "tst_agentpages.moc"
