// Work assignment: administrators only; the users offered as source and target; 刷新 on the
// shared agent and record sets; the four moves; 确认分配 as one transaction with bound codes,
// its messages and progress, and what another seat editing a moved agent meets.
#include "assignwindow.h"
#include "condition.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "schedulefixture.h"
#include "session.h"
#include "storeerror.h"
#include "testusers.h"
#include "waitwindow.h"
#include "workassignment.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

// The window on its own, shown, with the users read.
struct ShownAssign {
    explicit ShownAssign(ScheduleFixture &f) : w(f.ws)
    {
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    void press(const char *name) { w.button(name)->click(); }
    void pick(QComboBox *combo, const QString &text)
    {
        const int i = combo->findText(text);
        QVERIFY2(i >= 0, qPrintable(text));
        combo->setCurrentIndex(i);
    }
    QStringList left() const { return AssignWindow::items(w.left()); }
    QStringList right() const { return AssignWindow::items(w.right()); }
    AssignWindow w;
};

QStringList comboItems(const QComboBox *combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

} // namespace

class TestAssign : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // A non-administrator gets the refusal and no window, after the log row; an administrator
    // gets the window.
    void administratorsOnly_data() { testsupport::addEngineRows(); }
    void administratorsOnly()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false,
                             testsupport::allRights());
        ShownMain m(f);
        QString shown;
        testsupport::whenModal(u"TfrmAssign"_s, [&shown](QWidget *w) {
            shown = w->windowTitle();
            w->findChild<QPushButton *>(u"BitBtn2"_s)->click();
        });
        m.main->action(u"Act_Assign"_s)->trigger();
        QCOMPARE(shown, u"商务代理工作分配"_s);
        QCOMPARE(shownTexts(), QStringList());

        f.signIn(u"qian"_s);
        m.main->action(u"Act_Assign"_s)->trigger();
        QCOMPARE(shownTexts(), QStringList{u"对不起，只有系统管理员才享有该权限！"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(f.logCount(u"商务代理业务管理-商务代理工作分配"_s), 2);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // Every user is a source, in the table's order; a user whose state is "No" is no target.
    // 刷新 without a source and 确认分配 without a target say so.
    void usersAndMissingChoices_data() { testsupport::addEngineRows(); }
    void usersAndMissingChoices()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false, {}, u"No"_s);
        testsupport::addUser(f.dm.connection(), u"zhao"_s, u"pw"_s, false, {});
        ShownAssign a(f);
        QCOMPARE(comboItems(a.w.kind()), (QStringList{u"商务代理资料"_s, u"业务资料"_s}));
        QCOMPARE(a.w.kind()->currentText(), u"商务代理资料"_s);
        QCOMPARE(comboItems(a.w.source()), (QStringList{u"Admin"_s, u"qian"_s, u"zhao"_s}));
        QCOMPARE(comboItems(a.w.target()), (QStringList{u"Admin"_s, u"zhao"_s}));
        QCOMPARE(a.w.source()->currentIndex(), -1);

        a.press("BitBtn1");
        QCOMPARE(shownTexts(), QStringList{u"请选择原用户ID！"_s});
        QVERIFY(a.w.source()->hasFocus());
        resetScripts();
        a.press("BitBtn7");
        QCOMPARE(shownTexts(), QStringList{u"请选择目标用户ID！"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QVERIFY(a.w.target()->hasFocus());
    }

    // 确认分配 with nothing in the right list says so and changes nothing, with codes waiting
    // on the left or none at all.
    void assigningNothingSaysSo_data() { testsupport::addEngineRows(); }
    void assigningNothingSaysSo()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false, {});
        f.addAgent(u"A1"_s, u"甲"_s, u"qian"_s);
        ShownAssign a(f);
        a.pick(a.w.source(), u"qian"_s);
        a.pick(a.w.target(), u"Admin"_s);
        for (bool refreshed : {false, true}) {
            if (refreshed)
                a.press("BitBtn1");
            resetScripts();
            a.press("BitBtn7");
            QCOMPARE(shownTexts(), QStringList{u"请先选择要分配的资料（移到右边的列表中）！"_s});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QCOMPARE(a.left(), refreshed ? QStringList{u"A1"_s} : QStringList());
            QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"A1"_s), u"qian"_s);
        }
        QVERIFY(a.w.left()->hasFocus());
    }

    // 刷新 lists the source's agents and leaves the agent set filtered to them; ">" moves the
    // selected item or else the first; ">>" moves everything after what the right list holds;
    // "<", "<<" and the double-clicks move back. Every code is in exactly one list.
    void movingItems_data() { testsupport::addEngineRows(); }
    void movingItems()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false, {});
        for (const QString &code : {u"A1"_s, u"A2"_s, u"A3"_s, u"A4"_s})
            f.addAgent(code, code, u"qian"_s);
        f.addAgent(u"X1"_s, u"别人的"_s, u"Admin"_s);
        f.openAgentsModule();
        {
            ShownAssign a(f);
            a.pick(a.w.source(), u"qian"_s);
            a.press("BitBtn1");
            QCOMPARE(a.left(), (QStringList{u"A1"_s, u"A2"_s, u"A3"_s, u"A4"_s}));
            a.press("BitBtn4");
            a.w.left()->setCurrentRow(1); // A3
            a.press("BitBtn4");
            QCOMPARE(a.right(), (QStringList{u"A1"_s, u"A3"_s}));
            a.press("BitBtn3");
            QCOMPARE(a.right(), (QStringList{u"A1"_s, u"A3"_s, u"A2"_s, u"A4"_s}));
            QCOMPARE(a.left(), QStringList());
            a.press("BitBtn3"); // nothing left to move: nothing changes
            QCOMPARE(a.right(), (QStringList{u"A1"_s, u"A3"_s, u"A2"_s, u"A4"_s}));
            QCOMPARE(a.left(), QStringList());

            a.press("BitBtn1");
            a.press("BitBtn3");
            a.w.right()->setCurrentRow(2);
            a.press("BitBtn6");
            QCOMPARE(a.left(), QStringList{u"A3"_s});
            Q_EMIT a.w.right()->itemDoubleClicked(a.w.right()->item(0));
            QCOMPARE(a.left(), (QStringList{u"A3"_s, u"A1"_s}));
            Q_EMIT a.w.left()->itemDoubleClicked(a.w.left()->item(1));
            QCOMPARE(a.right(), (QStringList{u"A2"_s, u"A4"_s, u"A1"_s}));
            a.press("BitBtn5");
            QCOMPARE(a.left(), (QStringList{u"A3"_s, u"A2"_s, u"A4"_s, u"A1"_s}));
            QCOMPARE(a.right(), QStringList());
        }
        // The filter outlives the window.
        QVERIFY(f.dm.tblCustomers.isFiltered());
        QCOMPARE(f.dm.tblCustomers.rowCount(), 4);

        ShownAssign records(f);
        f.addRecord(u"R1"_s, QString(), u"qian"_s);
        f.addRecord(u"R2"_s, QString(), u"Admin"_s);
        records.pick(records.w.kind(), u"业务资料"_s);
        records.pick(records.w.source(), u"qian"_s);
        records.press("BitBtn1");
        QCOMPARE(records.left(), QStringList{u"R1"_s});
        QVERIFY(f.dm.tblOperates2.isFiltered());
    }

    // An agent moves with its three contacts, its records keep their owner; a code with a quote
    // moves like any other; records move alone. The success message, the emptied right list and
    // the wait window told how far it came.
    void assignMovesAgentsWithContacts_data() { testsupport::addEngineRows(); }
    void assignMovesAgentsWithContacts()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false, {});
        testsupport::addUser(f.dm.connection(), u"zhao"_s, u"pw"_s, false, {});
        f.addAgent(u"A1"_s, u"甲"_s, u"qian"_s);
        f.addAgent(u"O'B"_s, u"引号"_s, u"qian"_s);
        f.addAgent(u"A2"_s, u"留下"_s, u"qian"_s);
        for (const QString &c : {u"L1"_s, u"L2"_s, u"L3"_s})
            f.addContact(c, u"A1"_s, u"qian"_s);
        f.addContact(u"L4"_s, u"O'B"_s, u"qian"_s);
        f.addContact(u"L5"_s, u"A2"_s, u"qian"_s);
        f.addRecord(u"R1"_s, QString(), u"qian"_s, {{u"CustID"_s, u"A1"_s}});
        f.addRecord(u"R2"_s, QString(), u"qian"_s, {{u"CustID"_s, u"A2"_s}});

        ShownAssign a(f);
        a.pick(a.w.source(), u"qian"_s);
        a.pick(a.w.target(), u"zhao"_s);
        a.press("BitBtn1");
        a.w.left()->setCurrentRow(a.left().indexOf(u"A1"_s));
        a.press("BitBtn4");
        a.w.left()->setCurrentRow(a.left().indexOf(u"O'B"_s));
        a.press("BitBtn4");
        a.press("BitBtn7");
        QCOMPARE(shownTexts(), QStringList{u"提醒用户：分配成功！"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
        QCOMPARE(a.right(), QStringList());
        QVERIFY(!a.w.waitWindow()->isVisible());
        QCOMPARE(a.w.waitWindow()->windowTitle(), u"正在分配资料到目标用户ID，请稍候..."_s);
        QCOMPARE(a.w.waitWindow()->progress()->value(), 2);
        QCOMPARE(a.w.waitWindow()->progress()->maximum(), 2);

        QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"A1"_s), u"zhao"_s);
        QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"O'B"_s), u"zhao"_s);
        QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"A2"_s), u"qian"_s);
        QCOMPARE(f.count(u"tblLinkmans"_s, u"SUser"_s, u"zhao"_s), 4);
        QCOMPARE(f.owner(u"tblLinkmans"_s, u"LinkmanID"_s, u"L5"_s), u"qian"_s);
        QCOMPARE(f.owner(u"tblOperates"_s, u"OperateID"_s, u"R1"_s), u"qian"_s); // records stay

        resetScripts();
        a.pick(a.w.kind(), u"业务资料"_s);
        a.press("BitBtn1");
        a.w.left()->setCurrentRow(a.left().indexOf(u"R2"_s));
        a.press("BitBtn4");
        a.press("BitBtn7");
        QCOMPARE(shownTexts(), QStringList{u"提醒用户：分配成功！"_s});
        QCOMPARE(f.owner(u"tblOperates"_s, u"OperateID"_s, u"R2"_s), u"zhao"_s);
        QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"A2"_s), u"qian"_s); // the agent stays
        QCOMPARE(f.owner(u"tblOperates"_s, u"OperateID"_s, u"R1"_s), u"qian"_s);
    }

    // A store refusal in a later chunk undoes the earlier ones: nothing has changed, the failure
    // message is shown and the right list keeps its items for another try.
    void failureChangesNothing_data() { testsupport::addEngineRows(); }
    void failureChangesNothing()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false, {});
        f.addAgent(u"A1"_s, u"前"_s, u"Admin"_s);
        f.addAgent(u"Z9"_s, u"后"_s, u"Admin"_s);
        f.addContact(u"L1"_s, u"A1"_s, u"Admin"_s);
        f.addContact(u"L9"_s, u"Z9"_s, u"Admin"_s);
        store::Connection &db = f.dm.connection();
        // The store refuses to move the contacts of Z9, which comes after a full chunk of codes.
        if (f.store.isServer()) {
            db.exec(
                u"CREATE FUNCTION refuse_z9() RETURNS trigger AS $$ BEGIN IF NEW.%1 = 'Z9' THEN RAISE EXCEPTION 'refused'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql"_s
                    .arg(db.ident(u"CustID"_s)));
            db.exec(
                u"CREATE TRIGGER refuse_z9 BEFORE UPDATE ON tblLinkmans FOR EACH ROW EXECUTE FUNCTION refuse_z9()"_s);
        } else {
            db.exec(
                u"CREATE TRIGGER refuse_z9 BEFORE UPDATE ON tblLinkmans WHEN NEW.CustID = 'Z9' BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
        }
        ShownAssign a(f);
        a.pick(a.w.source(), u"Admin"_s);
        a.pick(a.w.target(), u"qian"_s);
        QStringList codes{u"A1"_s};
        for (int i = 0; i < store::WorkAssignment::Chunk + 10; ++i)
            codes << u"NONE%1"_s.arg(i);
        codes << u"Z9"_s;
        a.w.right()->addItems(codes);
        a.press("BitBtn7");
        QCOMPARE(shownTexts(), QStringList{u"提醒用户：分配未成功，请重新分配！"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(a.right(), codes);
        QVERIFY(!a.w.waitWindow()->isVisible());
        QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"A1"_s), u"Admin"_s);
        QCOMPARE(f.owner(u"tblLinkmans"_s, u"LinkmanID"_s, u"L1"_s), u"Admin"_s);
        QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"Z9"_s), u"Admin"_s);

        db.exec(u"DROP TRIGGER refuse_z9"_s +
                (f.store.isServer() ? u" ON tblLinkmans"_s : QString()));
        resetScripts();
        a.press("BitBtn7");
        QCOMPARE(shownTexts(), QStringList{u"提醒用户：分配成功！"_s});
        QCOMPARE(a.w.waitWindow()->progress()->maximum(), int(codes.size()));
        QCOMPARE(f.owner(u"tblLinkmans"_s, u"LinkmanID"_s, u"L9"_s), u"qian"_s);
        QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"A1"_s), u"qian"_s);
    }

    // Another seat editing a moved agent is refused on its save, so the new owner stays; this
    // seat's own sets take the new versions and store their next change.
    void otherSeatMeetsTheChange_data() { testsupport::addEngineRows(); }
    void otherSeatMeetsTheChange()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false, {});
        f.addAgent(u"A1"_s, u"甲"_s, u"Admin"_s);
        f.openAgentsModule();
        QVERIFY(f.dm.tblCustomers2.locate(u"CustId"_s, u"A1"_s));

        auto other = f.store.connect();
        store::Dataset seat(*other, u"tblCustomers"_s);
        seat.setTable(u"tblCustomers"_s);
        seat.open();
        QVERIFY(seat.locate(u"CustId"_s, u"A1"_s));
        seat.setValue(u"CustName"_s, u"另一座位改的"_s);

        store::WorkAssignment::run(f.dm.connection(), store::WorkAssignment::Kind::Agents,
                                   {u"A1"_s}, u"qian"_s);
        try {
            seat.post();
            QFAIL("the other seat's save went through");
        } catch (const store::StoreError &e) {
            QCOMPARE(e.kind(), store::StoreError::Kind::Conflict);
        }
        QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"A1"_s), u"qian"_s);
        QCOMPARE(
            f.scalar(u"SELECT CustName FROM tblCustomers WHERE CustID = ?"_s, {u"A1"_s}).toString(),
            u"甲"_s);

        f.dm.tblCustomers2.setValue(u"CustName"_s, u"本座位改的"_s);
        f.dm.tblCustomers2.post();
        QCOMPARE(f.owner(u"tblCustomers"_s, u"CustID"_s, u"A1"_s), u"qian"_s);
        QCOMPARE(
            f.scalar(u"SELECT CustName FROM tblCustomers WHERE CustID = ?"_s, {u"A1"_s}).toString(),
            u"本座位改的"_s);
    }

    // A user adding a contact to an agent that an administrator hands to someone else
    // meanwhile is refused on the save, the row still being typed: no contact stays behind
    // with the old owner. Contacts of the user's own agents, and an administrator's contacts
    // for anyone's agents, are stored as before.
    void contactOfAHandedOverAgentIsRefused_data() { testsupport::addEngineRows(); }
    void contactOfAHandedOverAgentIsRefused()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false, {});
        testsupport::addUser(f.dm.connection(), u"zhao"_s, u"pw"_s, false, {});
        f.addAgent(u"A1"_s, u"甲"_s, u"qian"_s);
        f.addAgent(u"A2"_s, u"乙"_s, u"qian"_s);
        const QString user = store::session().CurrentUserID;
        const auto restore = qScopeGuard([&] { store::session().CurrentUserID = user; });
        store::session().CurrentUserID = u"qian"_s;

        store::Dataset &contacts = f.dm.tblLinkmans2;
        contacts.setFilter(store::Condition::eq(u"SUser"_s, u"qian"_s));
        contacts.open();
        const auto type = [&](const QString &code, const QString &agent) {
            contacts.append();
            contacts.setValue(u"LinkmanID"_s, code);
            contacts.setValue(u"CustID"_s, agent);
            contacts.setValue(u"Name"_s, u"联系人"_s);
            contacts.setValue(u"SUser"_s, store::session().CurrentUserID);
        };
        type(u"L1"_s, u"A1"_s);
        auto admin = f.store.connect();
        store::WorkAssignment::run(*admin, store::WorkAssignment::Kind::Agents, {u"A1"_s}, u"zhao"_s);
        try {
            contacts.post();
            QFAIL("a contact was stored for an agent of another user");
        } catch (const store::StoreError &e) {
            QCOMPARE(e.kind(), store::StoreError::Kind::NotOwner);
            QCOMPARE(e.text(), u"商务代理“A1”已分配给其他用户，不能为它保存联系人！"_s);
        }
        QCOMPARE(contacts.state(), store::Dataset::State::Insert);
        QCOMPARE(f.count(u"tblLinkmans"_s, u"LinkmanID"_s, u"L1"_s), 0);
        // Pointed at an agent of the user's own, the same row is stored.
        contacts.setValue(u"CustID"_s, u"A2"_s);
        contacts.post();
        QCOMPARE(f.owner(u"tblLinkmans"_s, u"LinkmanID"_s, u"L1"_s), u"qian"_s);
        // A change that moves a contact onto the other user's agent is refused alike.
        contacts.setValue(u"CustID"_s, u"A1"_s);
        QVERIFY_THROWS_EXCEPTION(store::StoreError, contacts.post());
        contacts.cancel();
        QCOMPARE(f.scalar(u"SELECT CustID FROM tblLinkmans WHERE LinkmanID = ?"_s, {u"L1"_s}).toString(), u"A2"_s);

        store::session().CurrentUserID = u"Admin"_s;
        type(u"L2"_s, u"A1"_s);
        contacts.post();
        QCOMPARE(f.owner(u"tblLinkmans"_s, u"LinkmanID"_s, u"L2"_s), u"Admin"_s);
    }
};

QTEST_MAIN(TestAssign)
#include "tst_assign.moc"
