// The record module reached from the main window: an administrator and a normal user each add,
// change, find, print and delete contact records with their items end to end, keyboard first.
#include "agents.h"
#include "datagrid.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "printing.h"
#include "recordform.h"
#include "recorditemdialog.h"
#include "recorditemspage.h"
#include "records.h"
#include "recordsfixture.h"
#include "recordswindow.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"客户业务管理-业务资料-"_s;

void fire(RecordsWindow *w, const char *name)
{
    testsupport::untilIdle();
    QVERIFY2(w->action(QLatin1String(name))->isEnabled(), name);
    w->action(QLatin1String(name))->trigger();
}

// The search dialog's 确定 with one condition.
void search(RecordsWindow *w, const QString &choice, const QString &text)
{
    testsupport::whenModal(u"TfrmOperateQuery1"_s, [choice, text](QWidget *dialog) {
        dialog->findChild<QRadioButton *>(u"rbOther"_s)->setChecked(true);
        dialog->findChild<QComboBox *>(u"cbCondition"_s)->setCurrentText(choice);
        testsupport::typeText(dialog->findChild<QLineEdit *>(u"edtCondition"_s), text);
        dialog->findChild<QPushButton *>(u"btnOK"_s)->click();
    });
    fire(w, "Act_Query");
}

} // namespace

class TestRecordCommands : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    void endToEnd_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("user");
        for (const QString &engine : testsupport::engines()) {
            QTest::addRow("%s administrator", qPrintable(engine)) << engine << u"Admin"_s;
            QTest::addRow("%s normal user", qPrintable(engine)) << engine << u"zhao"_s;
        }
    }
    void endToEnd()
    {
        QFETCH(QString, engine);
        QFETCH(QString, user);
        RecordsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhao"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"A1"_s, u"东方贸易"_s, user);
        f.addAgent(u"B1"_s, u"别人的代理"_s, u"someone"_s);
        f.addRecord(u"OTHER"_s, u"别人的协议"_s, u"B1"_s, u"someone"_s);
        f.signIn(user);
        MainWindow main(f.dm);
        QVERIFY(main.runShowStep());
        installAgents(main.workspace());
        installRecords(main.workspace());
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));

        QCOMPARE(main.action(u"Act_OperatesInfo"_s)->shortcut(), QKeySequence(Qt::Key_F5));
        main.action(u"Act_OperatesInfo"_s)->trigger();
        auto *w = qobject_cast<RecordsWindow *>(main.currentContent());
        QVERIFY(w);
        QCOMPARE(w->objectName(), u"TfrmOperates"_s);
        QCOMPARE(f.logRows().last(), u"商务代理业务管理-业务资料"_s);
        const bool admin = user == u"Admin"_s;
        store::Dataset &records = *w->grid()->dataset();
        QCOMPARE(records.rowCount(), admin ? 1 : 0);
        // The keyboard reaches the list at once: Ctrl+N is 新增.
        QVERIFY(QTest::qWaitFor([&] { return w->grid()->view()->hasFocus(); }, 2000));
        QTest::keyClick(w->grid()->view(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(records.state(), store::Dataset::State::Insert);

        fillRecord(w->form(), u"R1"_s, u"首份协议"_s, u"东方贸易"_s);
        fire(w, "Act_Save");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT SUser FROM tblOperates WHERE OperateID = 'R1'"_s).toString(), user);

        // An item through the item dialog.
        testsupport::whenModal(u"TfrmOperateNewChild"_s, [](QWidget *dialog) {
            auto *d = qobject_cast<RecordItemDialog *>(dialog);
            testsupport::typeText(d->number(), u"1"_s);
            d->date()->setFocus();
            d->date()->selectAll();
            testsupport::typeText(d->date(), u"2026-04-03"_s);
            testsupport::typeText(d->subject(), u"拜访"_s);
            d->findChild<QAction *>(u"Act_Save"_s)->trigger();
            d->findChild<QPushButton *>(u"SpeedButton4"_s)->click();
        });
        w->itemsPage()->button("btnAddItem")->click();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.count(u"tblOperateDetail"_s, u"OperateID = 'R1'"_s), 1);

        // Change the record from the list. (The offscreen platform leaves no window active
        // after a modal dialog closes.)
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        w->pages()->setCurrentWidget(w->listPage());
        QVERIFY(records.locate(u"OperateID"_s, u"R1"_s));
        fire(w, "Act_Modify");
        testsupport::typeText(w->form()->title(), u"续签"_s);
        testsupport::untilIdle();
        QTest::keyClick(w->form()->title(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.scalar(u"SELECT OperateTitle FROM tblOperates WHERE OperateID = 'R1'"_s).toString(),
                 u"首份协议续签"_s);

        // Find by title: a user never sees another user's record.
        search(w, u"业务标题"_s, u"协议"_s);
        QStringList codes;
        for (int row = 0; row < records.rowCount(); ++row)
            codes << records.value(row, u"OperateID"_s).toString();
        codes.sort();
        QCOMPARE(codes, admin ? (QStringList{u"OTHER"_s, u"R1"_s}) : QStringList{u"R1"_s});

        // Print the list and the items.
        fire(w, "Act_Print");
        QCOMPARE(Printing::last().rowCount, codes.size());
        QVERIFY(Printing::last().text.contains(u"首份协议续签"_s));
        QVERIFY(records.locate(u"OperateID"_s, u"R1"_s));
        w->pages()->setCurrentWidget(w->detailPage());
        fire(w, "Act_Prt");
        QCOMPARE(Printing::last().layout, u"frOperateDetail.frf"_s);
        QVERIFY(Printing::last().text.contains(u"拜访"_s));

        // Delete: the item first, then the record.
        resetScripts();
        fire(w, "Act_Del");
        QCOMPARE(shownTexts(), QStringList{u"对不起，该业务资料包括业务子项信息，不能删除！"_s});
        MessageBox::setNextAnswer(QMessageBox::Ok);
        w->itemsPage()->button("btnDeleteItem")->click();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        fire(w, "Act_Del");
        QCOMPARE(f.count(u"tblOperates"_s, u"OperateID = 'R1'"_s), 0);
        QCOMPARE(f.count(u"tblOperateDetail"_s), 0);
        QCOMPARE(f.count(u"tblOperates"_s), 1);
    }
};

QTEST_MAIN(TestRecordCommands)
#include "tst_recordcommands.moc"
