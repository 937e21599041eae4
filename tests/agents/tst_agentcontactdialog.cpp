#include "agentcontactdialog.h"
#include "agentsfixture.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbnavigator.h"
#include "dbnumberedit.h"
#include "dbpicklist.h"
#include "dbtimeedit.h"
#include "messagebox.h"
#include "testusers.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using State = store::Dataset::State;

namespace
{

QAction *act(QWidget *w, const char *name)
{
    return w->findChild<QAction *>(QLatin1String(name));
}

bool enabled(QWidget *w, const char *name)
{
    testsupport::untilIdle();
    return act(w, name)->isEnabled();
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (!edit->inputMask().isEmpty())
        edit->setCursorPosition(0); // a mask is typed over from its start
    testsupport::typeText(edit, text);
}

void closeWith(AgentContactDialog &d, QMessageBox::StandardButton answer)
{
    resetScripts();
    MessageBox::setNextAnswer(answer);
    d.findChild<QPushButton *>(u"btnClose"_s)->click();
}

// Every field but the duty, as a user fills them in screen order.
void fillAllButDuty(AgentContactDialog &d, const QString &day = u"2026-04-01"_s)
{
    typeInto(d.date(), day);
    typeInto(d.time(), u"093000"_s);
    typeInto(d.linkType()->lineEdit(), u"电话联系"_s);
    typeInto(d.linkman(), u"张经理"_s);
    typeInto(d.content(), u"续签"_s);
    typeInto(d.address(), u"上海"_s);
    typeInto(d.charge(), u"12.5"_s);
    typeInto(d.memo(), u"无"_s);
}

} // namespace

class TestAgentContactDialog : public QObject
{
    Q_OBJECT

    // One agent, current in tblCustomers, with the agent module's sets open.
    static void prepare(AgentsFixture &f)
    {
        f.addAgent(u"A1"_s, u"甲公司"_s);
        f.addAgent(u"B2"_s, u"乙公司"_s);
        f.openAgentsModule();
        f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s);
    }

    static int entries(AgentsFixture &f, const QString &where = u"1=1"_s)
    {
        return f.scalar(u"SELECT COUNT(*) FROM tblCustomerState WHERE "_s + where).toInt();
    }

  private Q_SLOTS:
    void init() { resetScripts(); }

    // 保存 checks date, time, way, person and duty in that order, each message taking the
    // focus to its field; a time that is no time of day is refused by name. The stored entry
    // belongs to the current agent, keeps the colons and a hand-typed way as typed, and no
    // log row is written.
    void saveChecksInOrder_data() { testsupport::addEngineRows(); }
    void saveChecksInOrder()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        prepare(f);
        const int logRows = f.logRows().size();
        testsupport::whenModal(u"TfrmCustStateNew"_s, [&f](QWidget *w) {
            auto &d = *qobject_cast<AgentContactDialog *>(w);
            QCOMPARE(d.windowTitle(), u"客户接触"_s);
            QCOMPARE(f.dm.tblCustomerState.state(), State::Insert);
            QVERIFY(QTest::qWaitForWindowActive(&d));
            QVERIFY(d.date()->hasFocus());
            const auto saveShows = [&d](const QString &message, QWidget *field) {
                resetScripts();
                act(&d, "Act_Save")->trigger();
                QCOMPARE(shownTexts(), QStringList{message});
                QVERIFY2(field->hasFocus() || field->isAncestorOf(QApplication::focusWidget()),
                         qPrintable(message));
            };
            saveShows(u"请选择输入联系日期！"_s, d.date());
            testsupport::typeIntoFocus(u"20260401"_s); // from the mask's first position
            QCOMPARE(d.date()->text(), u"2026-04-01"_s);
            saveShows(u"请输入联系时间！"_s, d.time());
            typeInto(d.time(), u"256100"_s);
            saveShows(u"对不起，联系时间不是有效的时间！"_s, d.time());
            QVERIFY(f.dm.tblCustomerState.value(u"LinkTime"_s).isNull());
            typeInto(d.time(), u"093005"_s);
            saveShows(u"请选择输入联系方式！"_s, d.linkType());
            typeInto(d.linkType()->lineEdit(), u"视频会议"_s); // not one of the five offered
            saveShows(u"请输入联系人名称！"_s, d.linkman());
            typeInto(d.linkman(), u"O'Brien"_s);
            saveShows(u"请输入联系人职务！"_s, d.duty());
            typeInto(d.duty(), u"经理"_s);
            typeInto(d.charge(), u"88.5"_s);
            resetScripts();
            act(&d, "Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList());
            QCOMPARE(f.dm.tblCustomerState.state(), State::Browse);
            QVERIFY(d.isVisible()); // 保存 keeps the editor open
            d.findChild<QPushButton *>(u"btnClose"_s)->click();
        });
        QCOMPARE(AgentContactDialog::addEntry(f.ws, nullptr), int(QDialog::Rejected));
        QCOMPARE(entries(f), 1);
        QCOMPARE(f.scalar(u"SELECT CustID || '|' || LinkTime || '|' || LinkType || '|' || Linkman "
                          "FROM tblCustomerState"_s)
                     .toString(),
                 u"A1|09:30:05|视频会议|O'Brien"_s);
        QCOMPARE(f.scalar(u"SELECT Charge FROM tblCustomerState"_s).toDouble(), 88.5);
        QCOMPARE(f.logRows().size(), logRows);
    }

    // 关闭 with Yes runs the same checks: an entry without its duty keeps the dialog open and
    // still being entered; No drops the entry; nothing pending closes without a question.
    void closeQuestion_data() { testsupport::addEngineRows(); }
    void closeQuestion()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        prepare(f);
        f.dm.tblCustomerState.append();
        {
            AgentContactDialog d(f.ws);
            d.show();
            fillAllButDuty(d);
            closeWith(d, QMessageBox::Yes);
            QCOMPARE(shownTexts(),
                     (QStringList{u"客户接触信息尚未保存，保存吗？"_s, u"请输入联系人职务！"_s}));
            QCOMPARE(MessageBox::history().first().buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(MessageBox::history().first().icon, QMessageBox::Question);
            QVERIFY(d.isVisible());
            QCOMPARE(f.dm.tblCustomerState.state(), State::Insert);
            // 保存 refuses it the same way.
            resetScripts();
            act(&d, "Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList{u"请输入联系人职务！"_s});
            QCOMPARE(entries(f), 0);
            typeInto(d.duty(), u"总监"_s);
            closeWith(d, QMessageBox::Yes);
            QVERIFY(!d.isVisible());
            QCOMPARE(entries(f, u"Duty = '总监' AND CustID = 'A1'"_s), 1);
        }
        f.dm.tblCustomerState.append();
        AgentContactDialog d(f.ws);
        d.show();
        typeInto(d.linkman(), u"不要的"_s);
        closeWith(d, QMessageBox::No);
        QVERIFY(!d.isVisible());
        QCOMPARE(f.dm.tblCustomerState.state(), State::Browse);
        QCOMPARE(entries(f), 1);
        // Escape is 关闭 too: a pending change is asked about, not left behind.
        f.dm.tblCustomerState.edit();
        d.show();
        typeInto(d.memo(), u"改了"_s);
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::No);
        QTest::keyClick(d.memo(), Qt::Key_Escape);
        QCOMPARE(shownTexts(), QStringList{u"客户接触信息尚未保存，保存吗？"_s});
        QCOMPARE(f.scalar(u"SELECT COALESCE(Memo, '') FROM tblCustomerState"_s).toString(),
                 u"无"_s);
        d.show();
        closeWith(d, QMessageBox::Yes);
        QCOMPARE(shownTexts(), QStringList());
        QVERIFY(!d.isVisible());
    }

    // Without the Modify right a stored entry is only shown, even when its caller put it into
    // editing: nothing typed goes into it and 保存 stores nothing of it. 新增 follows the
    // Insert right and is off while a new entry is being entered; 删除 follows the Delete right.
    void rights_data() { testsupport::addEngineRows(); }
    void rights()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        prepare(f);
        f.dm.connection().exec(
            u"INSERT INTO tblCustomerState (CustID, LinkDate, LinkTime, LinkType, "
            "Linkman, Duty) VALUES (?, ?, ?, ?, ?, ?)"_s,
            {u"A1"_s, QDate(2026, 4, 1), u"08:00:00"_s, u"电话联系"_s, u"李"_s, u"经理"_s});
        f.dm.tblCustomerState.refresh();
        f.setRightFlag(u"301"_s, u"Modify"_s, false);
        f.setRightFlag(u"301"_s, u"Delete"_s, false);
        testsupport::whenModal(u"TfrmCustStateNew"_s, [&f](QWidget *w) {
            auto &d = *qobject_cast<AgentContactDialog *>(w);
            QCOMPARE(f.dm.tblCustomerState.state(), State::Edit);
            QVERIFY(enabled(&d, "Act_Save"));
            QVERIFY(enabled(&d, "Act_Add"));
            QVERIFY(!enabled(&d, "Act_Del"));
            typeInto(d.linkman(), u"李四"_s);
            QCOMPARE(d.linkman()->text(), u"李"_s);
            act(&d, "Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList());
            QVERIFY(!enabled(&d, "Act_Save"));
            act(&d, "Act_Add")->trigger();
            QCOMPARE(f.dm.tblCustomerState.state(), State::Insert);
            QVERIFY(!enabled(&d, "Act_Add"));
            closeWith(d, QMessageBox::No);
        });
        AgentContactDialog::editEntry(f.ws, nullptr);
        QCOMPARE(f.scalar(u"SELECT Linkman FROM tblCustomerState"_s).toString(), u"李"_s);
        QCOMPARE(entries(f), 1);
    }

    // One day may hold several entries; the navigator walks them, storing a changed entry
    // on the way without the checks, and 删除 asks before it removes the current one.
    void severalEntriesOneDay_data() { testsupport::addEngineRows(); }
    void severalEntriesOneDay()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        prepare(f);
        store::Dataset &set = f.dm.tblCustomerState;
        set.append();
        AgentContactDialog d(f.ws);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        fillAllButDuty(d, u"2026-04-02"_s);
        typeInto(d.duty(), u"一"_s);
        act(&d, "Act_Save")->trigger();
        act(&d, "Act_Add")->trigger();
        QVERIFY(d.date()->hasFocus());
        fillAllButDuty(d, u"2026-04-02"_s);
        typeInto(d.duty(), u"二"_s);
        act(&d, "Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomerState WHERE LinkDate = ?"_s,
                          {QDate(2026, 4, 2)})
                     .toInt(),
                 2);

        QCOMPARE(set.rowCount(), 2);
        d.navigator()->button(DbNavigator::Button::First)->click();
        QCOMPARE(d.duty()->text(), u"一"_s);
        typeInto(d.duty(), u"甲"_s); // a changed entry is stored by the move
        d.navigator()->button(DbNavigator::Button::Next)->click();
        QCOMPARE(d.duty()->text(), u"二"_s);
        QCOMPARE(entries(f, u"Duty = '甲'"_s), 1);

        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        act(&d, "Act_Del")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该接触机会信息吗？"_s});
        QCOMPARE(MessageBox::history().first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(entries(f), 2);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        act(&d, "Act_Del")->trigger();
        QCOMPARE(entries(f, u"Duty = '二'"_s), 0);
        QCOMPARE(entries(f), 1);
        // The other agent has none of them.
        f.dm.tblCustomers.locate(u"CustId"_s, u"B2"_s);
        QCOMPARE(set.rowCount(), 0);
        resetScripts();
        act(&d, "Act_Del")->trigger();
        QCOMPARE(shownTexts(), QStringList());
    }

    // Enter walks date, time, way, person, duty, content, place, cost, memo.
    void enterChain_data() { testsupport::addEngineRows(); }
    void enterChain()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        prepare(f);
        f.dm.tblCustomerState.append();
        AgentContactDialog d(f.ws);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.date()->setFocus();
        const QList<QWidget *> order{d.time(),    d.linkType(), d.linkman(), d.duty(),
                                     d.content(), d.address(),  d.charge(),  d.memo()};
        for (QWidget *next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QWidget *now = QApplication::focusWidget();
            QVERIFY2(now == next || next->isAncestorOf(now), qPrintable(next->objectName()));
        }
        QCOMPARE(shownTexts(), QStringList());
    }
};

QTEST_MAIN(TestAgentContactDialog)
#include "tst_agentcontactdialog.moc"
