// The record module's dialogs: the item editor (checks, duplicate numbers, the amounts, 关闭),
// the quick entry other windows open (checks, wording, owner stamp, rights) and the search.
#include "dbcheckbox.h"
#include "dblookupcombo.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbpagedlookupcombo.h"
#include "messagebox.h"
#include "printing.h"
#include "recordentrydialog.h"
#include "recordform.h"
#include "recorditemdialog.h"
#include "recordquerydialog.h"
#include "recordsfixture.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"客户业务管理-业务资料-"_s;

QAction *command(QWidget *w, const char *name)
{
    return w->findChild<QAction *>(QLatin1String(name));
}

// A command as a click on its button: once the enabling has caught up.
void fire(QWidget *w, const char *name)
{
    testsupport::untilIdle();
    command(w, name)->trigger();
}

QPushButton *button(QWidget *w, const char *name)
{
    return w->findChild<QPushButton *>(QLatin1String(name));
}

void typeDay(DbDateEdit *edit, const QString &day)
{
    edit->setFocus();
    edit->selectAll();
    edit->setCursorPosition(0);
    testsupport::typeText(edit, day);
}

QStringList codesOf(store::Dataset &set)
{
    QStringList out;
    for (int row = 0; row < set.rowCount(); ++row)
        out << set.value(row, u"OperateID"_s).toString();
    out.sort();
    return out;
}

void addUser(RecordsFixture &f, const QString &user)
{
    testsupport::addUser(f.dm.connection(), user, u"pw"_s, false, testsupport::allRights());
}

// A record R1 of agent A1, current in the module's list, with its items open.
void recordWithItems(RecordsFixture &f)
{
    f.addAgent(u"A1"_s, u"代理"_s);
    f.addRecord(u"R1"_s, u"记录"_s, u"A1"_s);
    f.addRecord(u"R2"_s, u"另一个"_s, u"A1"_s);
    f.addItem(u"R2"_s, u"1"_s);
    f.openRecordsModule();
    QVERIFY(f.dm.tblOperates2.locate(u"OperateID"_s, u"R1"_s));
    f.dm.tblOperateDetail.open();
}

} // namespace

class TestRecordDialogs : public QObject
{
    Q_OBJECT

    // The search dialog's 确定 with a choice and a text; the codes the list then shows.
    QStringList search(RecordsFixture &f, const QString &choice, const QString &text)
    {
        RecordQueryDialog dialog(f.dm);
        dialog.show();
        dialog.otherChoice()->setChecked(true);
        dialog.condition()->setCurrentText(choice);
        if (!text.isEmpty())
            testsupport::typeText(dialog.value(), text);
        button(&dialog, "btnOK")->click();
        return codesOf(f.dm.tblOperates2);
    }
    QStringList searchSpan(RecordsFixture &f, const QDate &start, const QDate &end)
    {
        RecordQueryDialog dialog(f.dm);
        dialog.show();
        dialog.start()->setDate(start);
        dialog.end()->setDate(end);
        button(&dialog, "btnOK")->click();
        return codesOf(f.dm.tblOperates2);
    }

  private Q_SLOTS:
    void init() { resetScripts(); }

    // The three checks in order; a second item with the same number in the record is refused
    // with the duplicate message; the same number in another record is fine.
    void itemChecksAndDuplicates_data() { testsupport::addEngineRows(); }
    void itemChecksAndDuplicates()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        recordWithItems(f);
        store::Dataset &items = f.dm.tblOperateDetail;
        RecordItemDialog dialog(f.ws);
        items.append();
        dialog.show();
        QCOMPARE(dialog.windowTitle(), u"联络事宜"_s);
        QVERIFY(QTest::qWaitFor([&] { return dialog.number()->hasFocus(); }, 2000));
        const auto saveShows = [&](const QString &message, QWidget *focus) {
            resetScripts();
            fire(&dialog, "Act_Save");
            QCOMPARE(shownTexts(), QStringList{message});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QVERIFY(focus->hasFocus());
        };
        saveShows(u"请输入子项编号！"_s, dialog.number());
        testsupport::typeText(dialog.number(), u"1"_s);
        saveShows(u"请选择输入子项发生日期！"_s, dialog.date());
        typeDay(dialog.date(), u"2026-05-06"_s);
        saveShows(u"请输入相关主题！"_s, dialog.subject());
        testsupport::typeText(dialog.subject(), u"首次拜访"_s);
        resetScripts();
        fire(&dialog, "Act_Save");
        QCOMPARE(shownTexts(), QStringList());
        QVERIFY(dialog.isVisible()); // stays open after a save
        QCOMPARE(f.count(u"tblOperateDetail"_s, u"OperateID = 'R1'"_s), 1);

        fire(&dialog, "Act_Add");
        QCOMPARE(items.state(), store::Dataset::State::Insert);
        QVERIFY(dialog.number()->hasFocus());
        testsupport::typeText(dialog.number(), u"1"_s);
        typeDay(dialog.date(), u"2026-05-07"_s);
        testsupport::typeText(dialog.subject(), u"重复"_s);
        fire(&dialog, "Act_Save");
        QCOMPARE(shownTexts(), QStringList{u"对不起，已经存在相同的子项编码!"_s});
        QVERIFY(dialog.number()->hasFocus());
        QCOMPARE(items.state(), store::Dataset::State::Insert);
        QCOMPARE(f.count(u"tblOperateDetail"_s, u"OperateID = 'R1'"_s), 1);
        dialog.number()->clear();
        testsupport::typeText(dialog.number(), u"2"_s);
        resetScripts();
        fire(&dialog, "Act_Save");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.count(u"tblOperateDetail"_s, u"OperateID = 'R1'"_s), 2);
        QCOMPARE(f.count(u"tblOperateDetail"_s, u"OperateID = 'R2'"_s), 1);
        QCOMPARE(f.logRows().filter(Prefix).size(), 0); // item commands write no log rows
    }

    // A date typed in part is refused with one message naming it, the focus on it and the text
    // kept: by the item dialog's 保存 (Ctrl+S where the user types) and by the quick entry's
    // 关闭 answered Yes. Nothing is stored until the date is whole.
    void partialDatesAreRefused_data() { testsupport::addEngineRows(); }
    void partialDatesAreRefused()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        recordWithItems(f);
        {
            RecordItemDialog dialog(f.ws);
            f.dm.tblOperateDetail.append();
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            testsupport::typeIntoFocus(u"7"_s);
            testsupport::pressOnFocus(QKeyCombination(Qt::Key_Return));
            QVERIFY(dialog.date()->hasFocus());
            testsupport::typeIntoFocus(u"202605"_s);
            dialog.subject()->setFocus();
            testsupport::typeIntoFocus(u"主题"_s);
            dialog.date()->setFocus();
            testsupport::untilIdle();
            testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
            QCOMPARE(shownTexts(), QStringList{u"对不起，发生日期不是有效的日期！"_s});
            QVERIFY(dialog.date()->hasFocus());
            QCOMPARE(dialog.date()->displayText(), u"2026-05-__"_s);
            QCOMPARE(f.count(u"tblOperateDetail"_s, u"OperateID = 'R1'"_s), 0);
            dialog.date()->setCursorPosition(8);
            testsupport::typeIntoFocus(u"06"_s);
            resetScripts();
            testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
            QCOMPARE(shownTexts(), QStringList());
            QCOMPARE(DbDateEdit::toDate(f.scalar(
                         u"SELECT OperateDate FROM tblOperateDetail WHERE DetailNo = '7'"_s)),
                     QDate(2026, 5, 6));
        }

        resetScripts();
        QVERIFY(f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s));
        QVERIFY(f.dm.tblOperates.locate(u"OperateID"_s, u"R1"_s));
        f.dm.tblOperates.edit();
        RecordEntryDialog dialog(f.ws);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.form()->writeDate()->setFocus();
        dialog.form()->writeDate()->selectAll();
        testsupport::typeIntoFocus(u"2026"_s);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        button(&dialog, "SpeedButton4")->click();
        QCOMPARE(shownTexts(), (QStringList{u"业务资料尚未保存，保存吗？"_s,
                                            u"对不起，签约日期不是有效的日期！"_s}));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.form()->writeDate()->hasFocus());
        QCOMPARE(DbDateEdit::toDate(
                     f.scalar(u"SELECT WriteDate FROM tblOperates WHERE OperateID = 'R1'"_s)),
                 QDate(2026, 3, 2));
        f.dm.tblOperates.cancel();
    }

    // DTotal and RMB on every save, exactly in decimal: the rate of the item's currency, 0
    // while the list has no rate for it, empty values as 0.
    void itemAmountsAreExact_data() { testsupport::addEngineRows(); }
    void itemAmountsAreExact()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        recordWithItems(f);
        store::Dataset &items = f.dm.tblOperateDetail;
        store::Dataset &rates = f.dm.tblCurrencyRate;
        rates.open();
        RecordItemDialog dialog(f.ws);
        items.append();
        dialog.show();
        testsupport::typeText(dialog.number(), u"1"_s);
        typeDay(dialog.date(), u"2026-05-06"_s);
        testsupport::typeText(dialog.subject(), u"计价"_s);
        items.setValue(u"CurrID"_s, u"usd"_s); // 7.10, found without letter case
        items.setValue(u"Price"_s, 1.2345);
        items.setValue(u"Amount"_s, 2.5);
        fire(&dialog, "Act_Save");
        QCOMPARE(shownTexts(), QStringList());
        const auto stored = [&f](const char *column, const QString &number) {
            return f.scalar(u"SELECT %1 FROM tblOperateDetail WHERE OperateID = 'R1' AND DetailNo = ?"_s
                                .arg(QLatin1String(column)),
                            {number})
                .toDouble();
        };
        QCOMPARE(stored("DTotal", u"1"_s), 3.0863); // binary doubles give 3.0862
        QCOMPARE(stored("RMB", u"1"_s), 21.9124); // 1.2345 x 2.5 x 7.1 = 21.912375

        // Price without an amount: 0, and recomputed on a later save.
        fire(&dialog, "Act_Add");
        testsupport::typeText(dialog.number(), u"2"_s);
        typeDay(dialog.date(), u"2026-05-06"_s);
        testsupport::typeText(dialog.subject(), u"无数量"_s);
        items.setValue(u"CurrID"_s, u"USD"_s);
        items.setValue(u"Price"_s, 3.0);
        fire(&dialog, "Act_Save");
        QCOMPARE(stored("DTotal", u"2"_s), 0.0);
        items.setValue(u"Amount"_s, 2.0);
        fire(&dialog, "Act_Save");
        QCOMPARE(stored("DTotal", u"2"_s), 6.0);
        QCOMPARE(stored("RMB", u"2"_s), 42.6);

        // With no rate at all, RMB is 0.
        f.dm.connection().exec(u"DELETE FROM tblCurrencyRate"_s);
        rates.refresh();
        QVERIFY(rates.isEmpty());
        fire(&dialog, "Act_Add");
        testsupport::typeText(dialog.number(), u"3"_s);
        typeDay(dialog.date(), u"2026-05-06"_s);
        testsupport::typeText(dialog.subject(), u"无汇率"_s);
        items.setValue(u"CurrID"_s, u"USD"_s);
        items.setValue(u"Price"_s, 2.0);
        items.setValue(u"Amount"_s, 4.0);
        fire(&dialog, "Act_Save");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(stored("DTotal", u"3"_s), 8.0);
        QCOMPARE(stored("RMB", u"3"_s), 0.0);
    }

    // Saving an item that nobody changed keeps its amount in RMB, wherever the shared rate
    // list stands: the rate is that of the item's own currency. A currency the list does not
    // know keeps the amount as stored. Ctrl+S from the subject, then the item after it.
    void savingAnItemKeepsItsOwnRate_data() { testsupport::addEngineRows(); }
    void savingAnItemKeepsItsOwnRate()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s);
        f.addRecord(u"R1"_s, u"记录"_s, u"A1"_s);
        const auto day = [&f] {
            const QDate d(2026, 5, 6);
            return f.store.isServer() ? QVariant(d) : QVariant(d.toString(Qt::ISODate));
        };
        f.addItem(u"R1"_s, u"1"_s,
                  {{u"OperateDate"_s, day()},
                   {u"CurrID"_s, u"USD"_s},
                   {u"Price"_s, 110478.37},
                   {u"Amount"_s, 1},
                   {u"DTotal"_s, 110478.37},
                   {u"RMB"_s, 784396.427}});
        f.addItem(u"R1"_s, u"2"_s,
                  {{u"OperateDate"_s, day()},
                   {u"CurrID"_s, u"XYZ"_s},
                   {u"Price"_s, 10},
                   {u"Amount"_s, 2},
                   {u"DTotal"_s, 20},
                   {u"RMB"_s, 500}});
        f.openRecordsModule();
        QVERIFY(f.dm.tblOperates2.locate(u"OperateID"_s, u"R1"_s));
        store::Dataset &items = f.dm.tblOperateDetail;
        items.refresh();
        QCOMPARE(items.rowCount(), 2);
        QVERIFY(f.dm.tblCurrencyRate.locate(u"CurrID"_s, u"RMB"_s)); // rate 1

        RecordItemDialog dialog(f.ws);
        dialog.show();
        const auto rmb = [&f](const char *number) {
            return f
                .scalar(u"SELECT RMB FROM tblOperateDetail WHERE DetailNo = ?"_s,
                        {QString::fromLatin1(number)})
                .toDouble();
        };
        for (int row : {0, 1}) {
            QVERIFY(items.moveTo(row));
            items.edit();
            resetScripts();
            dialog.subject()->setFocus();
            testsupport::untilIdle();
            QTest::keyClick(dialog.subject(), Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(shownTexts(), QStringList());
            QCOMPARE(items.state(), store::Dataset::State::Browse);
        }
        QCOMPARE(rmb("1"), 784396.427);
        QCOMPARE(rmb("2"), 500.0);
    }

    // 关闭: no question without a pending item; No drops it; Yes checks, stays open on a
    // failure, stores and closes otherwise.
    void itemCloseAsks_data() { testsupport::addEngineRows(); }
    void itemCloseAsks()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        recordWithItems(f);
        store::Dataset &items = f.dm.tblOperateDetail;
        {
            RecordItemDialog dialog(f.ws);
            dialog.show();
            button(&dialog, "SpeedButton4")->click();
            QCOMPARE(shownTexts(), QStringList());
            QVERIFY(!dialog.isVisible());
        }
        {
            RecordItemDialog dialog(f.ws);
            items.append();
            dialog.show();
            testsupport::typeText(dialog.number(), u"9"_s);
            MessageBox::setNextAnswer(QMessageBox::No);
            button(&dialog, "SpeedButton4")->click();
            QCOMPARE(shownTexts(), QStringList{u"业务子项资料尚未保存，保存吗？"_s});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Question);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(items.state(), store::Dataset::State::Browse);
            QCOMPARE(f.count(u"tblOperateDetail"_s, u"OperateID = 'R1'"_s), 0);
        }
        {
            resetScripts();
            RecordItemDialog dialog(f.ws);
            items.append();
            dialog.show();
            testsupport::typeText(dialog.number(), u"9"_s);
            MessageBox::setNextAnswer(QMessageBox::Yes);
            button(&dialog, "SpeedButton4")->click();
            QCOMPARE(shownTexts(), (QStringList{u"业务子项资料尚未保存，保存吗？"_s, u"请选择输入子项发生日期！"_s}));
            QVERIFY(dialog.isVisible());
            typeDay(dialog.date(), u"2026-05-06"_s);
            testsupport::typeText(dialog.subject(), u"关闭时保存"_s);
            MessageBox::setNextAnswer(QMessageBox::Yes);
            QTest::keyClick(dialog.subject(), Qt::Key_Escape); // Escape is 关闭 too
            QVERIFY(!dialog.isVisible());
            QCOMPARE(f.count(u"tblOperateDetail"_s, u"OperateID = 'R1' AND DetailNo = '9'"_s), 1);
        }
    }

    // The quick entry on a record of the current agent: the agent shown, the related agent
    // enabled at once for a ticked box, the eight checks without the agent's.
    void quickEntryChecks_data() { testsupport::addEngineRows(); }
    void quickEntryChecks()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"甲代理"_s);
        f.addAgent(u"B9"_s, u"别人的代理"_s, u"someone"_s);
        f.addRecord(u"R1"_s, u"旧记录"_s, u"A1"_s, u"Admin"_s, {{u"Link"_s, true}, {u"LinkCustID"_s, u"B9"_s}});
        f.openRecordsModule();
        f.dm.qryCustomers1.setFilter(store::Condition::eq(u"CustId"_s, u"A1"_s));
        QVERIFY(f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s));
        QVERIFY(f.dm.tblOperates.locate(u"OperateID"_s, u"R1"_s));
        f.dm.tblOperates.edit();
        {
            RecordEntryDialog dialog(f.ws);
            dialog.show();
            RecordForm *form = dialog.form();
            QCOMPARE(dialog.objectName(), u"TfrmOperateNew1"_s);
            QCOMPARE(dialog.windowTitle(), u"联络记录"_s);
            QVERIFY(QTest::qWaitFor([&] { return form->code()->hasFocus(); }, 2000));
            QVERIFY(form->linkAgent()->isEnabled());
            QVERIFY(!form->agentChoice());
            QCOMPARE(qobject_cast<DbLineEdit *>(form->agent())->text(), u"甲代理"_s);
            QVERIFY(qobject_cast<DbLineEdit *>(form->agent())->isReadOnly());
            // Entering the related-agent list widens it to every agent.
            form->linkAgent()->setFocus();
            testsupport::untilIdle();
            QVERIFY(!f.dm.qryCustomers1.isFiltered());
            QCOMPARE(form->linkAgent()->currentText(), u"别人的代理"_s);
            // 查询... beside it: the picker writes the related agent of this record.
            testsupport::whenModal(u"TfrmCustomerQuery1"_s, [&f](QWidget *picker) {
                QVERIFY(f.dm.tblCustomers2.locate(u"CustId"_s, u"A1"_s));
                picker->findChild<QPushButton *>(u"btnSelect"_s)->click();
            });
            form->linkQueryButton()->click();
            QCOMPARE(store::session().PickTarget, u"联系客户1"_s);
            QCOMPARE(f.dm.tblOperates.text(u"LinkCustID"_s), u"A1"_s);
            QCOMPARE(form->linkAgent()->currentText(), u"甲代理"_s);
            fire(&dialog, "Act_Save");
            QCOMPARE(shownTexts(), QStringList());
            button(&dialog, "SpeedButton4")->click(); // saved: no question
            QCOMPARE(shownTexts(), QStringList());
            QVERIFY(!dialog.isVisible());
        }

        RecordEntryDialog dialog(f.ws);
        dialog.show();
        RecordForm *form = dialog.form();
        fire(&dialog, "Act_Add");
        QCOMPARE(f.dm.tblOperates.state(), store::Dataset::State::Insert);
        testsupport::untilIdle();
        QVERIFY(!command(&dialog, "Act_Add")->isEnabled()); // already inserting
        const auto saveShows = [&](const QString &message, QWidget *focus) {
            resetScripts();
            fire(&dialog, "Act_Save");
            QCOMPARE(shownTexts(), QStringList{message});
            QVERIFY(focus->hasFocus());
        };
        saveShows(u"请输入业务编码！"_s, form->code());
        testsupport::typeText(form->code(), u"Q1"_s);
        saveShows(u"请输入业务标题！"_s, form->title());
        testsupport::typeText(form->title(), u"快速"_s);
        saveShows(u"请输入业务资料建档时间！"_s, form->createDate());
        typeDay(form->createDate(), u"2026-06-01"_s);
        saveShows(u"请选择输入业务来源！"_s, form->origin());
        choose(form->origin(), u"完备"_s);
        saveShows(u"请选择输入业务类型！"_s, form->type());
        choose(form->type(), u"有档案"_s);
        saveShows(u"请选择输入签约日期！"_s, form->writeDate());
        typeDay(form->writeDate(), u"2026-06-02"_s);
        saveShows(u"请选择输入合同截止日期！"_s, form->endDate());
        typeDay(form->endDate(), u"2026-06-03"_s);
        saveShows(u"请选择业务状态！"_s, form->state());
        choose(form->state(), u"未发证"_s);
        resetScripts();
        fire(&dialog, "Act_Save");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT CustID FROM tblOperates WHERE OperateID = 'Q1'"_s).toString(), u"A1"_s);
        QCOMPARE(f.host.lastFolder(), store::session().FilesDir + u"A1"_s);
        QVERIFY(dialog.isVisible());

        fire(&dialog, "Act_Print");
        QCOMPARE(Printing::last().layout, u"frOperateDetail1.frf"_s);
        QVERIFY(Printing::last().layoutFound);
        QCOMPARE(Printing::last().rowCount, 2);
        QCOMPARE(f.logRows().last(), Prefix + u"打印"_s);
    }

    // 关闭 on a changed record: its own wording for the empty 建档时间, where 保存 has the
    // editor's; a record stored by 关闭 carries the user's SUser and shows in their list.
    void quickEntryCloseWordingAndOwner_data() { testsupport::addEngineRows(); }
    void quickEntryCloseWordingAndOwner()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        addUser(f, u"zhao"_s);
        f.addAgent(u"A1"_s, u"赵的代理"_s, u"zhao"_s);
        f.signIn(u"zhao"_s);
        f.openRecordsModule();
        QVERIFY(f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s));
        f.dm.tblOperates.append();
        RecordEntryDialog dialog(f.ws);
        dialog.show();
        RecordForm *form = dialog.form();
        testsupport::typeText(form->code(), u"Z1"_s);
        testsupport::typeText(form->title(), u"关闭保存"_s);
        fire(&dialog, "Act_Save");
        QCOMPARE(shownTexts(), QStringList{u"请输入业务资料建档时间！"_s});
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        button(&dialog, "SpeedButton4")->click();
        QCOMPARE(shownTexts(), (QStringList{u"业务资料尚未保存，保存吗？"_s, u"请输入客户建档时间！"_s}));
        QVERIFY(dialog.isVisible());
        QVERIFY(form->createDate()->hasFocus());
        typeDay(form->createDate(), u"2026-06-01"_s);
        choose(form->origin(), u"完备"_s);
        choose(form->type(), u"有档案"_s);
        typeDay(form->writeDate(), u"2026-06-02"_s);
        typeDay(form->endDate(), u"2026-06-03"_s);
        choose(form->state(), u"未发证"_s);
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        button(&dialog, "SpeedButton4")->click();
        QCOMPARE(shownTexts(), QStringList{u"业务资料尚未保存，保存吗？"_s});
        QVERIFY(!dialog.isVisible());
        QCOMPARE(f.scalar(u"SELECT SUser FROM tblOperates WHERE OperateID = 'Z1'"_s).toString(), u"zhao"_s);
        f.dm.applyOwnership(f.dm.tblOperates2);
        f.dm.tblOperates2.refresh();
        QCOMPARE(codesOf(f.dm.tblOperates2), QStringList{u"Z1"_s});

        // No discards a new record.
        f.dm.tblOperates.append();
        RecordEntryDialog again(f.ws);
        again.show();
        testsupport::typeText(again.form()->code(), u"Z2"_s);
        MessageBox::setNextAnswer(QMessageBox::No);
        button(&again, "SpeedButton4")->click();
        QVERIFY(!again.isVisible());
        QCOMPARE(f.count(u"tblOperates"_s), 1);
    }

    // 新增 and 删除 follow the agent right 301, 打印 the record right 304; 删除 is refused while
    // items exist and asks its own question otherwise.
    void quickEntryRightsAndDelete_data() { testsupport::addEngineRows(); }
    void quickEntryRightsAndDelete()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        f.addAgent(u"A1"_s, u"代理"_s);
        f.addRecord(u"R1"_s, u"有子项"_s, u"A1"_s);
        f.addRecord(u"R2"_s, u"无子项"_s, u"A1"_s);
        f.addItem(u"R1"_s, u"1"_s);
        f.openRecordsModule();
        QVERIFY(f.dm.tblCustomers.locate(u"CustId"_s, u"A1"_s));
        RecordEntryDialog dialog(f.ws);
        dialog.show();
        const auto enabled = [&](const char *name) {
            testsupport::untilIdle();
            return command(&dialog, name)->isEnabled();
        };
        f.setRightFlag(u"304"_s, u"Insert"_s, false);
        f.setRightFlag(u"304"_s, u"Delete"_s, false);
        f.rights.invalidate();
        QVERIFY(enabled("Act_Add"));
        QVERIFY(enabled("Act_Del"));
        f.setRightFlag(u"301"_s, u"Insert"_s, false);
        f.setRightFlag(u"301"_s, u"Delete"_s, false);
        f.setRightFlag(u"304"_s, u"Print"_s, false);
        f.rights.invalidate();
        QVERIFY(!enabled("Act_Add"));
        QVERIFY(!enabled("Act_Del"));
        QVERIFY(!enabled("Act_Print"));
        f.setRightFlag(u"301"_s, u"Delete"_s, true);
        f.rights.invalidate();
        QVERIFY(enabled("Act_Del"));

        QVERIFY(f.dm.tblOperates.locate(u"OperateID"_s, u"R1"_s));
        fire(&dialog, "Act_Del");
        QCOMPARE(shownTexts(), QStringList{u"对不起，该业务资料包括业务子项信息，不能删除！"_s});
        QCOMPARE(f.count(u"tblOperates"_s), 2);
        resetScripts();
        QVERIFY(f.dm.tblOperates.locate(u"OperateID"_s, u"R2"_s));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        fire(&dialog, "Act_Del");
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该业务资料吗？"_s});
        QCOMPARE(f.count(u"tblOperates"_s), 1);
        QCOMPARE(f.logRows().last(), Prefix + u"删除"_s);
    }

    // The span: start equal to end gives that day; start after end the same as exchanged; a
    // non-administrator keeps to their own records.
    void searchBySpan_data() { testsupport::addEngineRows(); }
    void searchBySpan()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        addUser(f, u"zhao"_s);
        const auto on = [&f](const QString &code, const QDate &d, const QString &owner) {
            f.addRecord(code, u"标题"_s, u"A1"_s, owner,
                        {{u"CreateDate"_s, f.store.isServer() ? QVariant(d) : QVariant(d.toString(Qt::ISODate))}});
        };
        on(u"R1"_s, QDate(2026, 3, 1), u"Admin"_s);
        on(u"R2"_s, QDate(2026, 3, 5), u"zhao"_s);
        on(u"R3"_s, QDate(2026, 3, 5), u"Admin"_s);
        on(u"R4"_s, QDate(2026, 3, 9), u"zhao"_s);
        f.openRecordsModule();
        {
            RecordQueryDialog dialog(f.dm);
            dialog.show();
            QCOMPARE(dialog.windowTitle(), u"业务查询"_s);
            QVERIFY(dialog.spanChoice()->isChecked());
            QCOMPARE(dialog.start()->date(), QDate::currentDate().addDays(-30));
            QCOMPARE(dialog.end()->date(), QDate::currentDate());
            QCOMPARE(dialog.condition()->currentText(), u"所有业务"_s);
            QVERIFY(!dialog.value()->isEnabled());
            dialog.condition()->setCurrentText(u"业务标题"_s);
            QVERIFY(dialog.value()->isEnabled());
        }
        QCOMPARE(searchSpan(f, QDate(2026, 3, 5), QDate(2026, 3, 5)), (QStringList{u"R2"_s, u"R3"_s}));
        QCOMPARE(searchSpan(f, QDate(2026, 3, 9), QDate(2026, 3, 1)),
                 (QStringList{u"R1"_s, u"R2"_s, u"R3"_s, u"R4"_s}));
        QCOMPARE(searchSpan(f, QDate(2026, 3, 2), QDate(2026, 3, 8)), (QStringList{u"R2"_s, u"R3"_s}));
        f.signIn(u"zhao"_s);
        QCOMPARE(searchSpan(f, QDate(2026, 3, 9), QDate(2026, 3, 1)), (QStringList{u"R2"_s, u"R4"_s}));
        QCOMPARE(searchSpan(f, QDate(2026, 3, 5), QDate(2026, 3, 5)), QStringList{u"R2"_s});
    }

    // The six conditions: 业务员代码 exact for the administrator, a part for anyone else; a quote
    // is matched as typed; an empty text is refused; a typed choice of none leaves the filter.
    void searchByCondition_data() { testsupport::addEngineRows(); }
    void searchByCondition()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        addUser(f, u"zhao"_s);
        f.addRecord(u"R1"_s, u"O'Brien 协议"_s, u"A1"_s, u"Admin"_s, {{u"OperaterID"_s, u"P100"_s}});
        f.addRecord(u"R2"_s, u"协议"_s, u"B7"_s, u"zhao"_s, {{u"OperaterID"_s, u"P100"_s}, {u"OperateStateID"_s, u"02"_s}});
        f.addRecord(u"X3"_s, u"合同"_s, u"A1"_s, u"zhao"_s, {{u"OperaterID"_s, u"P10"_s}});
        f.openRecordsModule();
        QCOMPARE(search(f, u"业务员代码"_s, u"P10"_s), QStringList{u"X3"_s});
        QCOMPARE(search(f, u"业务员代码"_s, u"10"_s), QStringList());
        QCOMPARE(search(f, u"业务标题"_s, u"O'Brien"_s), QStringList{u"R1"_s});
        QCOMPARE(search(f, u"业务代码"_s, u" R "_s), (QStringList{u"R1"_s, u"R2"_s}));
        QCOMPARE(search(f, u"客户代码"_s, u"B"_s), QStringList{u"R2"_s});
        QCOMPARE(search(f, u"业务状态代码"_s, u"02"_s), QStringList{u"R2"_s});
        QCOMPARE(search(f, u"所有业务"_s, QString()), (QStringList{u"R1"_s, u"R2"_s, u"X3"_s}));

        // An empty text: the message, the dialog open, the filter as it was.
        search(f, u"业务代码"_s, u"X"_s);
        {
            RecordQueryDialog dialog(f.dm);
            dialog.show();
            dialog.otherChoice()->setChecked(true);
            dialog.condition()->setCurrentText(u"业务标题"_s);
            button(&dialog, "btnOK")->click();
            QCOMPARE(shownTexts(), QStringList{u"请输入查询条件!"_s});
            QVERIFY(dialog.isVisible());
            dialog.condition()->setCurrentText(u"随便写的"_s);
            testsupport::typeText(dialog.value(), u"R"_s);
            button(&dialog, "btnOK")->click();
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(codesOf(f.dm.tblOperates2), QStringList{u"X3"_s});

        f.signIn(u"zhao"_s);
        QCOMPARE(search(f, u"业务员代码"_s, u"10"_s), (QStringList{u"R2"_s, u"X3"_s}));
        QCOMPARE(search(f, u"业务标题"_s, u"协议"_s), QStringList{u"R2"_s});
        // 所有业务 for a user: exactly what the module showed on opening.
        f.dm.applyOwnership(f.dm.tblOperates2);
        const QStringList opened = codesOf(f.dm.tblOperates2);
        QCOMPARE(search(f, u"所有业务"_s, QString()), opened);
        QCOMPARE(opened, (QStringList{u"R2"_s, u"X3"_s}));
    }
};

QTEST_MAIN(TestRecordDialogs)
#include "tst_recorddialogs.moc"
