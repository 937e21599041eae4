// The agent window's everyday help: 新增 proposes the next code, two seats adding at once never
// store the same code, 保存 says what it stored in the status bar, and each user's grid layout
// comes back when the window is built again.
#include "agentform.h"
#include "agentsfixture.h"
#include "agentswindow.h"
#include "datagrid.h"
#include "dblineedit.h"
#include "messagebox.h"
#include "nextcode.h"
#include "testusers.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;
using State = store::Dataset::State;

namespace
{

struct Window : ShownAgentsWindow {
    using ShownAgentsWindow::ShownAgentsWindow;
};

int agentsCoded(store::Connection &db, const QString &code)
{
    QSqlQuery q = db.exec(u"SELECT COUNT(*) FROM tblCustomers WHERE CustId = ?"_s, {code});
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

class TestAgentComfort : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // 新增 on the list (Ctrl+N) proposes the code after the highest stored one, selected so
    // that typing replaces it; 新增 on the details (Ctrl+A) does the same. A code typed over it
    // is stored as typed.
    void insertProposesTheNextCode_data() { testsupport::addEngineRows(); }
    void insertProposesTheNextCode()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"C000199"_s, u"甲"_s);
        f.addAgent(u"C000200"_s, u"乙"_s);
        Window win(f);
        win.w.grid()->setFocus();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_N);
        QCOMPARE(win.agents().state(), State::Insert);
        DbLineEdit *code = win.w.form()->code();
        QCOMPARE(code->text(), u"C000201"_s);
        QVERIFY(code->hasFocus());
        QCOMPARE(code->selectedText(), u"C000201"_s);

        fillAgent(win.w.form(), u"X7"_s, u"自定"_s); // typed over the proposal
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(agentsCoded(f.dm.connection(), u"X7"_s), 1);

        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_A); // 新增 on the details
        QCOMPARE(code->text(), u"X8"_s);                            // X7 is now the highest code
        win.w.action(u"Act_Cancel"_s)->trigger();
    }

    // Two seats add an agent at once: both are offered the same code, the first stores it, and
    // the second's 保存 gets the store's duplicate-code message, the next free code in the field
    // and the row still to be stored; its next 保存 stores that code. Each 保存 that stored says so
    // in the status bar, no box; one stopped by a check says nothing there.
    void twoSeatsNeverStoreTheSameCode_data() { testsupport::addEngineRows(); }
    void twoSeatsNeverStoreTheSameCode()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"C000200"_s, u"甲"_s);
        auto other = f.store.connect(); // the second seat
        Window win(f);
        win.w.grid()->setFocus();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_N);
        DbLineEdit *code = win.w.form()->code();
        QCOMPARE(code->text(), u"C000201"_s);
        QCOMPARE(store::proposedCode(*other, u"tblCustomers"_s, u"CustId"_s), u"C000201"_s);
        other->exec(u"INSERT INTO tblCustomers (CustId, CustName, SUser) VALUES (?, ?, ?)"_s,
                    {u"C000201"_s, u"另一席"_s, u"Admin"_s});

        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S); // nothing but the code yet
        QCOMPARE(shownTexts(), QStringList{u"请输入商务代理名称！"_s});
        QVERIFY(f.host.statuses.isEmpty());
        resetScripts();
        fillAgent(win.w.form(), QString(), u"本席"_s);
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(shownTexts().size(), 1); // the store's own duplicate-code message
        QVERIFY2(shownTexts().first().contains(u"CustId"_s, Qt::CaseInsensitive),
                 qPrintable(shownTexts().first()));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QCOMPARE(win.agents().state(), State::Insert);
        QCOMPARE(code->text(), u"C000202"_s);
        QVERIFY(code->hasFocus());
        QVERIFY(f.host.statuses.isEmpty());
        QCOMPARE(agentsCoded(*other, u"C000201"_s), 1);

        resetScripts();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(win.agents().state(), State::Browse);
        QCOMPARE(agentsCoded(*other, u"C000202"_s), 1);
        QCOMPARE(f.host.statuses, QStringList{u"已保存：C000202"_s});

        // A change of a stored agent says its code too.
        win.w.action(u"Act_Modify"_s)->trigger();
        win.w.form()->name()->setFocus();
        testsupport::typeIntoFocus(u"改"_s);
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(f.host.statuses.last(), u"已保存：C000202"_s);
        QCOMPARE(f.host.statuses.size(), 2);
    }

    // Each user's widths, hidden columns and sort of the agent list come back when the window
    // is built again; another user has the list's own, and "恢复默认布局" goes back to it.
    void gridLayoutIsKeptPerUser_data() { testsupport::addEngineRows(); }
    void gridLayoutIsKeptPerUser()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"U2"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"A01"_s, u"乙"_s);
        f.addAgent(u"A02"_s, u"甲"_s);
        {
            Window win(f);
            DataGrid *grid = win.w.grid();
            grid->view()->header()->resizeSection(1, 250);
            std::unique_ptr<QMenu> menu(grid->createHeaderMenu(3));
            menu->findChild<QAction *>(u"col_Address"_s)->toggle();
            grid->sortBy(u"CustName"_s, Qt::DescendingOrder);
        } // the window goes, as when the module is left
        const auto check = [&](bool kept) {
            f.dm.tblCustomers.clearSort(); // as the list opens at a new start of the program
            Window win(f);
            DataGrid *grid = win.w.grid();
            QCOMPARE(grid->columns().at(1).width, kept ? 250 : 200);
            QCOMPARE(grid->isColumnVisible(u"Address"_s), !kept);
            QCOMPARE(win.agents().sortColumn().compare(u"CustName"_s, Qt::CaseInsensitive) == 0,
                     kept);
        };
        check(true);
        f.signIn(u"U2"_s);
        check(false);
        f.signIn(u"Admin"_s);
        {
            Window win(f);
            std::unique_ptr<QMenu> menu(win.w.grid()->createHeaderMenu(0));
            menu->findChild<QAction *>(u"actResetLayout"_s)->trigger();
        }
        check(false);
    }
};

QTEST_MAIN(TestAgentComfort)
#include "tst_agentcomfort.moc"
