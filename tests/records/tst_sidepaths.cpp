// A row that a module's window keeps in editing is never stored behind the user's back, nor
// lost without a word: switching module and back, another module's window rereading the same
// list, a search, a 刷新 or a header click first ask the user. The row is stored only through
// its window's 保存, with its checks. Everything is driven from the main window by its keys.
#include "agentform.h"
#include "agentpages.h"
#include "agents.h"
#include "agentswindow.h"
#include "contactform.h"
#include "contacts.h"
#include "contactswindow.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbmemo.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "recordentrydialog.h"
#include "recordform.h"
#include "records.h"
#include "recordsfixture.h"
#include "recordswindow.h"
#include "referrerform.h"
#include "referrers.h"
#include "referrerswindow.h"
#include "scheduleform.h"
#include "schedulepanel.h"
#include "testusers.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

using namespace Qt::StringLiterals;
using State = store::Dataset::State;

namespace
{

const auto YesNoCancel = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;

// The main window with every record module, for `user`, keys sent where the keyboard is.
struct Seat {
    Seat(RecordsFixture &f, const QString &user) : f(f), main((prepare(f, user), f.dm))
    {
        QVERIFY(main.runShowStep());
        installAgentPages(main.workspace(), *installAgents(main.workspace()));
        installContacts(main.workspace());
        installRecords(main.workspace());
        installReferrers(main.workspace());
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        // Out of the schedule first: its 刷新 answers F5 as well, so F5 does nothing there.
        key(Qt::Key_F2);
    }
    static void prepare(RecordsFixture &f, const QString &user)
    {
        if (user != u"Admin"_s)
            testsupport::addUser(f.dm.connection(), user, u"pw"_s, false, testsupport::allRights());
        f.signIn(user);
        f.dm.tblCustomers2.refresh(); // agents added straight into the store
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        if (!QApplication::activeWindow())
            main.activateWindow(); // a closed modal window leaves none active offscreen
        QVERIFY(QTest::qWaitForWindowActive(&main));
        testsupport::untilIdle();
        QWidget *target = QApplication::focusWidget();
        QTest::keyClick(target ? target : &main, Qt::Key(key), modifiers);
    }
    template <typename W> W *shown() const { return qobject_cast<W *>(main.currentContent()); }
    // Into another module and back again by their keys.
    void awayAndBack(int back)
    {
        key(back == Qt::Key_F2 ? Qt::Key_F4 : Qt::Key_F2);
        key(back);
    }

    RecordsFixture &f;
    MainWindow main;
};

void answer(QMessageBox::StandardButton b)
{
    resetScripts();
    MessageBox::setNextAnswer(b);
}

QAction *act(QWidget *w, const char *name)
{
    return w->findChild<QAction *>(QLatin1String(name));
}

} // namespace

class TestSidePaths : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // A new record left half-typed in the record module, by a user who sees only the own
    // records: F2 and F5 again ask, Cancel keeps it on its details tab, Yes runs 保存's checks,
    // No drops it. 刷新 and a header click ask as well. Nothing unchecked reaches the store.
    void recordModuleSwitch_data() { testsupport::addEngineRows(); }
    void recordModuleSwitch()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"W1"_s, u"王的代理"_s, u"wang"_s);
        Seat seat(f, u"wang"_s);
        const QString question = u"联络记录尚未保存，保存吗？"_s;
        store::Dataset &records = f.dm.tblOperates2;
        seat.key(Qt::Key_F5);
        auto *w = seat.shown<RecordsWindow>();
        QVERIFY(w);
        seat.key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(records.state(), State::Insert);
        testsupport::typeText(w->form()->code(), u"R9"_s);

        seat.awayAndBack(Qt::Key_F5);
        QCOMPARE(shownTexts(), QStringList{question});
        QCOMPARE(MessageBox::last().buttons, YesNoCancel);
        QCOMPARE(MessageBox::last().defaultButton, QMessageBox::Cancel);
        QCOMPARE(seat.shown<RecordsWindow>(), w);
        QCOMPARE(records.state(), State::Insert);
        QCOMPARE(records.text(u"OperateID"_s), u"R9"_s);
        QCOMPARE(w->pages()->currentWidget(), w->detailPage());
        QCOMPARE(f.count(u"tblOperates"_s), 0);

        answer(QMessageBox::Yes);
        seat.awayAndBack(Qt::Key_F5);
        QCOMPARE(shownTexts(), (QStringList{question, u"请输入业务标题！"_s}));
        QCOMPARE(records.state(), State::Insert);
        QCOMPARE(f.count(u"tblOperates"_s), 0);

        // On the list: 刷新 and a header click ask too, and Cancel leaves the list as it was.
        w->pages()->setCurrentWidget(w->listPage());
        resetScripts();
        w->findChild<QToolBar *>(u"tbList"_s)->widgetForAction(act(w, "spBtnRefresh"))->setFocus();
        seat.key(Qt::Key_Space);
        QCOMPARE(shownTexts(), QStringList{question});
        resetScripts();
        w->grid()->sortBy(u"OperateID"_s);
        QCOMPARE(shownTexts(), QStringList{question});
        QCOMPARE(records.sortColumn(), u"OperateTitle"_s);
        QCOMPARE(records.state(), State::Insert);
        QCOMPARE(f.count(u"tblOperates"_s), 0);

        // Completed, Yes stores it through 保存: logged, checked, stamped.
        w->pages()->setCurrentWidget(w->detailPage());
        fillRecord(w->form(), QString(), u"协议"_s, u"王的代理"_s);
        answer(QMessageBox::Yes);
        seat.awayAndBack(Qt::Key_F5);
        QCOMPARE(shownTexts(), QStringList{question});
        QCOMPARE(records.state(), State::Browse);
        QCOMPARE(f.count(u"tblOperates"_s,
                         u"OperateID = 'R9' AND OperateTitle = '协议' AND SUser = 'wang'"_s),
                 1);
        // Each Yes ran 保存, the one its checks stopped too.
        QCOMPARE(f.logRows().filter(u"客户业务管理-业务资料-保存"_s).size(), 2);

        // No drops another new one.
        w->pages()->setCurrentWidget(w->listPage());
        w->grid()->view()->setFocus();
        seat.key(Qt::Key_N, Qt::ControlModifier);
        testsupport::typeText(w->form()->code(), u"R8"_s);
        answer(QMessageBox::No);
        seat.awayAndBack(Qt::Key_F5);
        QCOMPARE(shownTexts(), QStringList{question});
        QCOMPARE(records.state(), State::Browse);
        QCOMPARE(f.count(u"tblOperates"_s), 1);
    }

    // Two lists of this seat hold the same record: a change stored through the agent's quick
    // entry is not taken for another user's when the record module's pending change is saved
    // on the user's Yes. Both changes are kept.
    void ownSaveIsNoConflict_data() { testsupport::addEngineRows(); }
    void ownSaveIsNoConflict()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addCompleteAgent(u"A1"_s, u"代理"_s);
        f.addRecord(u"R1"_s, u"记录"_s, u"A1"_s);
        Seat seat(f, u"Admin"_s);
        seat.key(Qt::Key_F5);
        auto *w = seat.shown<RecordsWindow>();
        QVERIFY(f.dm.tblOperates2.locate(u"OperateID"_s, u"R1"_s));
        w->grid()->view()->setFocus();
        seat.key(Qt::Key_M, Qt::ControlModifier); // 修改
        testsupport::typeText(w->form()->title(), u"改"_s);

        seat.key(Qt::Key_F2);
        auto *agents = seat.shown<AgentsWindow>();
        QVERIFY(f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s));
        agents->pages()->setCurrentWidget(agents->detailPage());
        agents->relatedPages()->setCurrentIndex(1);
        QVERIFY(f.dm.tblOperates.locate(u"OperateID"_s, u"R1"_s));
        testsupport::whenModal(u"TfrmOperateNew1"_s, [](QWidget *d) {
            auto *entry = qobject_cast<RecordEntryDialog *>(d);
            entry->form()->remark()->setFocus();
            testsupport::typeText(entry->form()->remark(), u"备注"_s);
            d->findChild<QAction *>(u"Act_Save"_s)->trigger();
            entry->reject();
        });
        resetScripts();
        act(agents, "Act_ModifyOperate")->trigger(); // no key: a click on its button
        QCOMPARE(shownTexts(), QStringList());

        answer(QMessageBox::Yes);
        seat.key(Qt::Key_F5);
        QCOMPARE(shownTexts(), QStringList{u"联络记录尚未保存，保存吗？"_s});
        QCOMPARE(f.dm.tblOperates2.state(), State::Browse);
        QCOMPARE(f.count(u"tblOperates"_s, u"OperateTitle = '记录改' AND FilePath = '备注'"_s), 1);
    }

    // A date typed in part is all that changed in a stored record. A module switch, by its key
    // or from the menu, takes the focus out of the input, which refuses the date with its one
    // message and shows the stored date again: no question follows, nothing is stored.
    void halfTypedDateIsRefusedOnModuleSwitch_data() { testsupport::addEngineRows(); }
    void halfTypedDateIsRefusedOnModuleSwitch()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s);
        f.addRecord(u"R1"_s, u"记录"_s, u"A1"_s);
        Seat seat(f, u"Admin"_s);
        store::Dataset &records = f.dm.tblOperates2;
        seat.key(Qt::Key_F5);
        auto *w = seat.shown<RecordsWindow>();
        QVERIFY(records.locate(u"OperateID"_s, u"R1"_s));
        w->pages()->setCurrentWidget(w->detailPage());
        DbDateEdit *date = w->form()->writeDate();
        const auto typeYear = [date] {
            date->setFocus();
            date->selectAll();
            testsupport::typeIntoFocus(u"2027"_s);
            QCOMPARE(date->displayText(), u"2027-__-__"_s);
        };
        const auto check = [&] {
            QCOMPARE(shownTexts(), QStringList{u"对不起，签约日期不是有效的日期！"_s});
            QCOMPARE(date->displayText(), u"2026-03-02"_s);
            QCOMPARE(DbDateEdit::toDate(
                         f.scalar(u"SELECT WriteDate FROM tblOperates WHERE OperateID = 'R1'"_s)),
                     QDate(2026, 3, 2));
        };

        typeYear();
        seat.awayAndBack(Qt::Key_F5);
        check();

        resetScripts();
        w->pages()->setCurrentWidget(w->detailPage());
        typeYear();
        // The business menu's entries, clicked.
        seat.main.findChild<QAction *>(u"Act_Customers"_s)->trigger();
        seat.main.findChild<QAction *>(u"Act_OperatesInfo"_s)->trigger();
        check();
    }

    // Without the Modify right of the record module a stored record is only shown: what is
    // typed into it is nothing to ask about, and a module switch or 刷新 stores nothing of it.
    void readOnlyRecordIsNeverAskedAbout_data() { testsupport::addEngineRows(); }
    void readOnlyRecordIsNeverAskedAbout()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"W1"_s, u"王的代理"_s, u"wang"_s);
        f.addRecord(u"R1"_s, u"记录"_s, u"W1"_s, u"wang"_s);
        Seat seat(f, u"wang"_s);
        f.setRightFlag(u"304"_s, u"Modify"_s, false);
        store::Dataset &records = f.dm.tblOperates2;
        seat.key(Qt::Key_F5);
        auto *w = seat.shown<RecordsWindow>();
        QVERIFY(records.locate(u"OperateID"_s, u"R1"_s));
        w->pages()->setCurrentWidget(w->detailPage());
        w->form()->title()->setFocus();
        testsupport::typeIntoFocus(u"改"_s);
        w->form()->writeDate()->setFocus();
        w->form()->writeDate()->selectAll();
        testsupport::typeIntoFocus(u"2027"_s);

        resetScripts();
        seat.awayAndBack(Qt::Key_F5);
        w->pages()->setCurrentWidget(w->listPage());
        w->findChild<QToolBar *>(u"tbList"_s)->widgetForAction(act(w, "spBtnRefresh"))->setFocus();
        seat.key(Qt::Key_Space); // 刷新
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(records.state(), State::Browse);
        QCOMPARE(
            f.scalar(u"SELECT OperateTitle FROM tblOperates WHERE OperateID = 'R1'"_s).toString(),
            u"记录"_s);
        QCOMPARE(DbDateEdit::toDate(
                     f.scalar(u"SELECT WriteDate FROM tblOperates WHERE OperateID = 'R1'"_s)),
                 QDate(2026, 3, 2));
    }

    // The referrer window's 修改 and 新增 reread the shared record list: a record being typed
    // in the record module is asked about first, and on Cancel the referrer command does
    // nothing.
    void referrerCommandsAskAboutAPendingRecord_data() { testsupport::addEngineRows(); }
    void referrerCommandsAskAboutAPendingRecord()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s);
        f.addReferrer(u"OP1"_s, u"推荐甲"_s);
        f.addRecord(u"R1"_s, u"记录"_s, u"A1"_s, u"Admin"_s, {{u"OperaterID"_s, u"OP1"_s}});
        Seat seat(f, u"Admin"_s);
        const QString question = u"联络记录尚未保存，保存吗？"_s;
        store::Dataset &records = f.dm.tblOperates2;
        store::Dataset &referrers = f.dm.tblOperaters;
        seat.key(Qt::Key_F5);
        seat.key(Qt::Key_N, Qt::ControlModifier);
        testsupport::typeText(seat.shown<RecordsWindow>()->form()->code(), u"R9"_s);
        seat.key(Qt::Key_F4);
        auto *rw = seat.shown<ReferrersWindow>();
        QVERIFY(rw);

        for (const Qt::Key command : {Qt::Key_M, Qt::Key_N}) {
            resetScripts();
            rw->grid()->view()->setFocus();
            seat.key(command, Qt::ControlModifier);
            QCOMPARE(shownTexts(), QStringList{question});
            QCOMPARE(referrers.state(), State::Browse);
            QCOMPARE(rw->pages()->currentWidget(), rw->listPage());
            QCOMPARE(records.state(), State::Insert);
        }
        QCOMPARE(f.count(u"tblOperates"_s), 1);

        // No: the record is dropped and 修改 shows the referrer's records.
        answer(QMessageBox::No);
        rw->grid()->view()->setFocus();
        seat.key(Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(referrers.state(), State::Edit);
        QCOMPARE(rw->pages()->currentWidget(), rw->detailPage());
        QCOMPARE(records.state(), State::Browse);
        QCOMPARE(records.rowCount(), 1);
        QCOMPARE(f.count(u"tblOperates"_s), 1);
    }

    // The referrer window lists a referrer's records in code order; back in the record module
    // the list is in the order that module had, by title.
    void referrerLeavesTheRecordOrderAlone_data() { testsupport::addEngineRows(); }
    void referrerLeavesTheRecordOrderAlone()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s);
        f.addReferrer(u"OP1"_s, u"推荐甲"_s);
        f.addRecord(u"R1"_s, u"b second"_s, u"A1"_s, u"Admin"_s, {{u"OperaterID"_s, u"OP1"_s}});
        f.addRecord(u"R2"_s, u"a first"_s, u"A1"_s, u"Admin"_s, {{u"OperaterID"_s, u"OP1"_s}});
        Seat seat(f, u"Admin"_s);
        store::Dataset &records = f.dm.tblOperates2;
        const auto firstShown = [](RecordsWindow *w) {
            return w->grid()->model()->index(0, 0).data().toString();
        };
        seat.key(Qt::Key_F5);
        auto *w = seat.shown<RecordsWindow>();
        QCOMPARE(firstShown(w), u"R2"_s);

        seat.key(Qt::Key_F4);
        seat.shown<ReferrersWindow>()->grid()->view()->setFocus();
        seat.key(Qt::Key_M, Qt::ControlModifier); // 修改: the referrer's records by code
        QCOMPARE(records.sortColumn(), u"OperateID"_s);
        QCOMPARE(records.value(0, u"OperateID"_s).toString(), u"R1"_s);

        seat.key(Qt::Key_F5);
        QCOMPARE(seat.shown<RecordsWindow>(), w);
        QCOMPARE(records.sortColumn(), u"OperateTitle"_s);
        QCOMPARE(records.rowCount(), 2);
        QCOMPARE(firstShown(w), u"R2"_s);
    }

    // The agent, referrer and schedule modules: a row left half-typed there is asked about when
    // the module is shown again (or, for referrers, when another module clears their search),
    // and stays in editing on Cancel.
    void otherModulesAsk_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("module");
        for (const QString &engine : testsupport::engines())
            for (const auto &[name, key] :
                 {std::pair{"agents", Qt::Key_F2}, std::pair{"referrers", Qt::Key_F4},
                  std::pair{"schedule", Qt::Key_F6}})
                QTest::addRow("%s %s", qPrintable(engine), name) << engine << int(key);
    }
    void otherModulesAsk()
    {
        QFETCH(QString, engine);
        QFETCH(int, module);
        RecordsFixture f(engine);
        // The referrers' search is cleared by the agent module (F2); the others are read again
        // when they are shown again.
        f.addReferrer(u"OP1"_s, u"推荐甲"_s);
        f.addReferrer(u"OP2"_s, u"推荐乙"_s);
        Seat seat(f, u"wang"_s);
        seat.key(module);
        store::Dataset *set = nullptr;
        QString question, table;
        if (module == Qt::Key_F2) {
            set = &f.dm.tblCustomers;
            seat.key(Qt::Key_N, Qt::ControlModifier);
            testsupport::typeText(seat.shown<AgentsWindow>()->form()->code(), u"N1"_s);
            question = u"商务代理资料尚未保存，保存吗？"_s;
            table = u"tblCustomers"_s;
        } else if (module == Qt::Key_F4) {
            // A search first: the agent module (F2) shows every referrer again.
            auto *rw = seat.shown<ReferrersWindow>();
            testsupport::whenModal(u"TfrmOperaterQuery"_s, [](QWidget *d) {
                d->findChild<QComboBox *>(u"dxPickEdit1"_s)->setCurrentIndex(1); // 推荐人代码
                testsupport::typeText(d->findChild<QLineEdit *>(u"Edit1"_s), u"1"_s);
                d->findChild<QPushButton *>(u"SpeedButton2"_s)->click();
            });
            seat.key(Qt::Key_Q, Qt::ControlModifier);
            QCOMPARE(f.dm.tblOperaters.rowCount(), 1);
            rw->grid()->view()->setFocus();
            seat.key(Qt::Key_N, Qt::ControlModifier);
            testsupport::typeText(rw->form()->code(), u"OP9"_s);
            set = &f.dm.tblOperaters;
            question = u"推荐人资料尚未保存，保存吗？"_s;
            table = u"tblOperaters"_s;
        } else {
            set = &f.dm.qryPlan;
            seat.key(Qt::Key_N, Qt::ControlModifier);
            testsupport::typeText(seat.main.schedulePanel()->findChild<ScheduleForm *>()->address(),
                                  u"会议室"_s);
            question = u"日程安排尚未保存，保存吗？"_s;
            table = u"tblPlan"_s;
        }
        QCOMPARE(set->state(), State::Insert);
        const int before = f.count(table);
        const auto trip = [&seat, module] {
            if (module == Qt::Key_F4)
                seat.key(Qt::Key_F2);
            else
                seat.awayAndBack(module);
        };

        resetScripts();
        trip();
        QCOMPARE(shownTexts(), QStringList{question});
        QCOMPARE(set->state(), State::Insert);
        QCOMPARE(f.count(table), before);
        if (module == Qt::Key_F4)
            QVERIFY(f.dm.tblOperaters.isFiltered()); // the search stays while the row does

        // Yes: the checks of 保存 stop it, and nothing is stored.
        answer(QMessageBox::Yes);
        trip();
        QCOMPARE(shownTexts().size(), 2);
        QCOMPARE(shownTexts().first(), question);
        QCOMPARE(set->state(), State::Insert);
        QCOMPARE(f.count(table), before);

        answer(QMessageBox::No);
        trip();
        QCOMPARE(set->state(), State::Browse);
        QCOMPARE(f.count(table), before);
    }

    // F3 keeps an administrator's contact list as it stands (the last query's result, a
    // contact being typed); anyone else's list is the own contacts again, after the user has
    // answered for a contact being typed.
    void contactModuleKeepsItsList_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("user");
        for (const QString &engine : testsupport::engines()) {
            QTest::addRow("%s administrator", qPrintable(engine)) << engine << u"Admin"_s;
            QTest::addRow("%s normal user", qPrintable(engine)) << engine << u"wang"_s;
        }
    }
    void contactModuleKeepsItsList()
    {
        QFETCH(QString, engine);
        QFETCH(QString, user);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s, user);
        f.addContact(u"C1"_s, u"A1"_s, u"张三"_s);
        f.addContact(u"C2"_s, u"A1"_s, u"李四"_s);
        f.dm.connection().exec(u"UPDATE tblLinkmans SET SUser = ?"_s, {user});
        Seat seat(f, user);
        const bool admin = user == u"Admin"_s;
        store::Dataset &contacts = f.dm.qryLinkmans1;
        seat.key(Qt::Key_F3);
        auto *w = seat.shown<ContactsWindow>();
        QVERIFY(w);
        QCOMPARE(contacts.rowCount(), 2);
        testsupport::whenModal(u"TfrmLinkmanQuery1"_s, [](QWidget *dialog) {
            dialog->findChild<QComboBox *>(u"cbCondition"_s)->setCurrentIndex(3);
            testsupport::typeText(dialog->findChild<QLineEdit *>(u"edValue"_s), u"张"_s);
            dialog->findChild<QPushButton *>(u"btnOK"_s)->click();
        });
        testsupport::untilIdle();
        act(w, "Act_Query")->trigger(); // no key: a click on its button
        QCOMPARE(contacts.rowCount(), 1);
        act(w, "Act_Insert")->trigger();
        testsupport::typeText(w->form()->code(), u"C9"_s);

        resetScripts();
        seat.awayAndBack(Qt::Key_F3);
        QCOMPARE(shownTexts(),
                 admin ? QStringList() : QStringList{u"联系人资料尚未保存，保存吗？"_s});
        QCOMPARE(contacts.state(), State::Insert);
        QCOMPARE(contacts.text(u"LinkmanID"_s), u"C9"_s);
        QCOMPARE(contacts.rowCount(), 2); // the one found and the new one
        QCOMPARE(f.count(u"tblLinkmans"_s), 2);

        if (admin) {
            testsupport::untilIdle();
            act(w, "Act_Cancel")->trigger(); // 放弃
            QCOMPARE(contacts.rowCount(), 1);
        } else {
            answer(QMessageBox::No);
            seat.awayAndBack(Qt::Key_F3);
            QCOMPARE(contacts.rowCount(), 2); // the own contacts again
        }
        QCOMPARE(contacts.state(), State::Browse);
        QCOMPARE(f.count(u"tblLinkmans"_s), 2);
    }
};

QTEST_MAIN(TestSidePaths)
#include "tst_sidepaths.moc"
