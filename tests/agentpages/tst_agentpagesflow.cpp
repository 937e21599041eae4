// The agent's related pages reached from the main window: a user who is no administrator adds,
// changes, prints and deletes an agent's contacts, contact records, agent contacts and bank
// and tax data end to end, each new row in its grid as soon as its editor closes.
#include "agentcontactdialog.h"
#include "agentform.h"
#include "agentotherinfopage.h"
#include "agentpages.h"
#include "agents.h"
#include "agentswindow.h"
#include "contactform.h"
#include "contacts.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbpicklist.h"
#include "dbtimeedit.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "printing.h"
#include "recordentrydialog.h"
#include "recordform.h"
#include "records.h"
#include "recordsfixture.h"
#include "testusers.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

void typeOver(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (!edit->inputMask().isEmpty())
        edit->setCursorPosition(0);
    testsupport::typeText(edit, text);
}

} // namespace

class TestAgentPagesFlow : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    void endToEnd_data() { testsupport::addEngineRows(); }
    void endToEnd()
    {
        QFETCH(QString, engine);
        RecordsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"wang"_s, u"pw"_s, false,
                             testsupport::allRights());
        f.signIn(u"wang"_s);
        MainWindow main(f.dm);
        QVERIFY(main.runShowStep());
        installAgentPages(main.workspace(), *installAgents(main.workspace()));
        installContacts(main.workspace());
        installRecords(main.workspace());
        main.show();

        main.action(u"Act_Customers"_s)->trigger();
        auto *w = qobject_cast<AgentsWindow *>(main.currentContent());
        QVERIFY(w);
        const auto act = [w](const char *name) {
            QAction *a = w->findChild<QAction *>(QLatin1String(name));
            testsupport::untilIdle();
            if (!a->isEnabled())
                qWarning("%s is disabled", name);
            return a;
        };
        act("Act_Insert")->trigger();
        fillAgent(w->form(), u"W01"_s, u"王氏代理"_s);
        act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QTabWidget *related = w->relatedPages();

        // A contact.
        related->setCurrentIndex(0);
        testsupport::whenModal(u"TfrmLinkmanNew1"_s, [](QWidget *d) {
            auto *form = d->findChild<ContactForm *>();
            testsupport::typeText(form->code(), u"WL1"_s);
            testsupport::typeText(form->name(), u"王经理"_s);
            d->findChild<QAction *>(u"Act_Save"_s)->trigger();
            qobject_cast<QDialog *>(d)->reject();
        });
        QVERIFY(act("Act_InsertLink")->isEnabled());
        act("Act_InsertLink")->trigger();
        QCOMPARE(w->findChild<DataGrid *>(u"gridLinkmans"_s)->model()->rowCount(), 1);

        // A contact record naming that contact.
        related->setCurrentIndex(1);
        testsupport::whenModal(u"TfrmOperateNew1"_s, [](QWidget *d) {
            auto *dialog = qobject_cast<RecordEntryDialog *>(d);
            fillRecord(dialog->form(), u"WR1"_s, u"首份代理协议"_s);
            choose(dialog->form()->linkman(), u"王经理"_s);
            d->findChild<QAction *>(u"Act_Save"_s)->trigger();
            dialog->reject();
        });
        QVERIFY(act("Act_InsertOperate")->isEnabled());
        act("Act_InsertOperate")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        DataGrid *records = w->findChild<DataGrid *>(u"gridOperates"_s);
        QCOMPARE(records->model()->rowCount(), 1);
        QCOMPARE(records->model()->index(0, 5).data().toString(), u"王经理"_s);
        QCOMPARE(
            f.count(
                u"tblOperates"_s,
                u"OperateID = 'WR1' AND CustID = 'W01' AND LinkmanID = 'WL1' AND SUser = 'wang'"_s),
            1);

        // The contact is named by the record now.
        related->setCurrentIndex(0);
        act("Act_DeleteLink")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"对不起，业务资料有该联系人信息，不能删除！"_s});

        // An agent contact.
        resetScripts();
        related->setCurrentIndex(2);
        testsupport::whenModal(u"TfrmCustStateNew"_s, [](QWidget *d) {
            auto *dialog = qobject_cast<AgentContactDialog *>(d);
            typeOver(dialog->date(), u"2026-06-01"_s);
            typeOver(dialog->time(), u"140000"_s);
            typeOver(dialog->linkType()->lineEdit(), u"登门拜访"_s);
            typeOver(dialog->linkman(), u"王经理"_s);
            typeOver(dialog->duty(), u"经理"_s);
            d->findChild<QAction *>(u"Act_Save"_s)->trigger();
            dialog->reject();
        });
        act("Act_InsertState")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(w->findChild<DataGrid *>(u"gridCustomerState"_s)->model()->rowCount(), 1);
        QCOMPARE(f.count(u"tblCustomerState"_s, u"CustID = 'W01' AND LinkTime = '14:00:00'"_s), 1);

        // Bank and tax data.
        related->setCurrentIndex(3);
        auto *other = w->findChild<AgentOtherInfoPage *>();
        act("Act_ModifyOther")->trigger();
        choose(other->bank(), u"招商银行"_s);
        testsupport::typeText(other->field(u"VATaxID"_s), u"91310000X"_s);
        act("Act_SaveOther")->trigger();
        QCOMPARE(f.count(u"tblCustomerAddInfo"_s,
                         u"CustID = 'W01' AND BankID = 'CMB' AND VATaxID = '91310000X'"_s),
                 1);

        // Each page prints its rows.
        for (const auto &[command, layout] :
             {std::pair{"Act_PrintLink", u"frCustomerLinkman.frf"_s},
              std::pair{"Act_PrintOperate", u"frCustomerOperate.frf"_s},
              std::pair{"Act_PrintState", u"frCustomerState.frf"_s},
              std::pair{"Act_PrintOther", u"frCustomerOther.frf"_s}}) {
            Printing::clearHistory();
            act(command)->trigger();
            QCOMPARE(Printing::last().layout, layout);
            QVERIFY(Printing::last().layoutFound);
            QCOMPARE(Printing::last().rowCount, 1);
        }
        QVERIFY(Printing::last().text.contains(u"91310000X"_s));

        // And away again: the agent-contact entry, the record and then the contact.
        related->setCurrentIndex(2);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        act("Act_DeleteState")->trigger();
        related->setCurrentIndex(1);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        act("Act_DeleteOperate")->trigger();
        related->setCurrentIndex(0);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        act("Act_DeleteLink")->trigger();
        QCOMPARE(f.count(u"tblCustomerState"_s) + f.count(u"tblOperates"_s) +
                     f.count(u"tblLinkmans"_s),
                 0);
    }
};

QTEST_MAIN(TestAgentPagesFlow)
#include "tst_agentpagesflow.moc"
