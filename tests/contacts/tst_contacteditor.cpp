// The modal contact editor of the agent window's contacts page (TfrmLinkmanNew1), opened as
// that page opens it: on tblLinkmans, after a new row was appended or the current one edited.
#include "contacteditordialog.h"
#include "contactform.h"
#include "contactsfixture.h"
#include "dbcheckbox.h"
#include "dblineedit.h"
#include "messagebox.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"客户业务管理-联系人资料-"_s;
using State = store::Dataset::State;

QAction *act(QWidget *w, const char *name)
{
    return w->findChild<QAction *>(QLatin1String(name));
}

bool enabled(QWidget *w, const char *name)
{
    testsupport::untilIdle();
    return act(w, name)->isEnabled();
}

void click(QWidget *w, const char *name)
{
    w->findChild<QPushButton *>(QLatin1String(name))->click();
}

// The agent window's state when its contacts page opens the editor: the agent current in
// tblCustomers, its contacts in tblLinkmans, the agent names current in tblCustomers2.
void onAgent(ContactsFixture &f, const QString &custId)
{
    f.openAgentsModule();
    QVERIFY(f.dm.tblCustomers.locate(u"CustId"_s, custId));
    f.dm.tblLinkmans.refresh();
}

} // namespace

class TestContactEditor : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // A new contact of the agent: its own labels, messages and log texts, the agent's name
    // shown, the owner stamped, the agent's folder.
    void addWithOwnTexts_data() { testsupport::addEngineRows(); }
    void addWithOwnTexts()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"A01"_s, u"东方贸易"_s, u"zhang"_s);
        f.signIn(u"zhang"_s);
        onAgent(f, u"A01"_s);
        f.dm.tblLinkmans.append();
        ContactEditorDialog d(f.ws);
        d.show();
        QCOMPARE(d.objectName(), u"TfrmLinkmanNew1"_s);
        QCOMPARE(d.windowTitle(), u"联系人"_s);
        QStringList labels;
        for (QLabel *l : d.findChildren<QLabel *>())
            labels << l->text();
        QVERIFY(labels.contains(u"商务代理"_s) && labels.contains(u"详细地址"_s));
        QVERIFY(!labels.contains(u"客户名称"_s) && !labels.contains(u"家庭地址"_s));
        ContactForm *form = d.form();
        QCOMPARE(qobject_cast<DbLineEdit *>(form->agent())->text(), u"东方贸易"_s);
        QVERIFY(QTest::qWaitFor([&] { return form->code()->hasFocus(); }, 2000));

        act(&d, "Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"请输入联系人代码！"_s});
        resetScripts();
        testsupport::typeText(form->code(), u"M1"_s);
        act(&d, "Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"请输入联系人姓名！"_s});
        QVERIFY(QTest::qWaitFor([&] { return form->name()->hasFocus(); }, 2000));
        resetScripts();
        testsupport::typeText(form->name(), u"弹窗联系人"_s);
        act(&d, "Act_Save")->trigger(); // no agent check: the agent is given
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.dm.tblLinkmans.state(), State::Browse);
        QCOMPARE(f.scalar(u"SELECT CustID FROM tblLinkmans WHERE LinkmanID = 'M1'"_s).toString(), u"A01"_s);
        QCOMPARE(f.scalar(u"SELECT SUser FROM tblLinkmans WHERE LinkmanID = 'M1'"_s).toString(), u"zhang"_s);
        QCOMPARE(f.host.lastFolder(), store::session().FilesDir + u"A01"_s);
        QVERIFY(QFileInfo(store::session().FilesDir + u"A01"_s).isDir());
        QCOMPARE(f.logCount(Prefix + u"保存"_s), 3);

        // Enter walks code, name, main mark, the agent's name, then the other fields.
        act(&d, "Act_Add")->trigger();
        QCOMPARE(f.logRows().last(), Prefix + u"新增"_s);
        QCOMPARE(f.dm.tblLinkmans.state(), State::Insert);
        QCOMPARE(f.dm.tblLinkmans.text(u"CustID"_s), u"A01"_s);
        QStringList order;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{u"edtName"_s, u"cbMain"_s, u"edtCustName"_s, u"edtNickName"_s}));
    }

    // 关闭 with unsaved changes asks; Yes checks the name in its own words and keeps the
    // window open; once complete the contact is stored, owned by the signed-in user, without
    // a log row; No drops the changes.
    void closeAsksToSave_data() { testsupport::addEngineRows(); }
    void closeAsksToSave()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"A01"_s, u"东方贸易"_s, u"zhang"_s);
        f.addContact(u"OLD"_s, u"旧名"_s, u"A01"_s, u"zhang"_s);
        f.signIn(u"zhang"_s);
        onAgent(f, u"A01"_s);
        f.dm.tblLinkmans.append();
        {
            ContactEditorDialog d(f.ws);
            d.show();
            testsupport::typeText(d.form()->code(), u"M2"_s);
            MessageBox::setNextAnswer(QMessageBox::Yes);
            click(&d, "btnClose");
            QCOMPARE(shownTexts(), (QStringList{u"联系人资料尚未保存，保存吗？"_s, u"请输入联系人名称！"_s}));
            QCOMPARE(MessageBox::history().first().icon, QMessageBox::Question);
            QVERIFY(d.isVisible());
            QCOMPARE(f.dm.tblLinkmans.state(), State::Insert);
            testsupport::typeText(d.form()->name(), u"关闭保存"_s);
            MessageBox::setNextAnswer(QMessageBox::Yes);
            click(&d, "btnClose");
            QVERIFY(!d.isVisible());
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }
        QCOMPARE(f.scalar(u"SELECT SUser FROM tblLinkmans WHERE LinkmanID = 'M2'"_s).toString(), u"zhang"_s);
        QCOMPARE(f.logRows(), QStringList());

        resetScripts();
        QVERIFY(f.dm.tblLinkmans.locate(u"LinkmanID"_s, u"OLD"_s));
        f.dm.tblLinkmans.edit();
        ContactEditorDialog d(f.ws);
        d.show();
        testsupport::typeText(d.form()->name(), u"改了"_s);
        MessageBox::setNextAnswer(QMessageBox::No);
        click(&d, "btnClose");
        QVERIFY(!d.isVisible());
        QCOMPARE(f.dm.tblLinkmans.state(), State::Browse);
        QCOMPARE(f.scalar(u"SELECT Name FROM tblLinkmans WHERE LinkmanID = 'OLD'"_s).toString(), u"旧名"_s);
        // Only shown: 关闭 closes without a question.
        resetScripts();
        d.show();
        click(&d, "btnClose");
        QCOMPARE(shownTexts(), QStringList());
        QVERIFY(!d.isVisible());
    }

    // 复制代理资料 copies what the agent has over what was typed into a new contact: a null
    // (or empty) agent column keeps the contact's own value; the address becomes the
    // contact's home address. An existing contact is left alone.
    void copyAgentData_data() { testsupport::addEngineRows(); }
    void copyAgentData()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s, u"Admin"_s,
                   {{u"Telephone"_s, u"021-555"_s}, {u"Address"_s, u"上海路1号"_s},
                    {u"Email"_s, u""_s}, {u"HomePage"_s, u"www.df.cn"_s}});
        f.addContact(u"OLD"_s, u"旧名"_s, u"A01"_s);
        onAgent(f, u"A01"_s);
        f.dm.tblLinkmans.append();
        ContactEditorDialog d(f.ws);
        d.show();
        ContactForm *form = d.form();
        testsupport::typeText(form->telephone(), u"139"_s);
        testsupport::typeText(form->fax(), u"自己的传真"_s);
        testsupport::typeText(form->email(), u"own@x.cn"_s);
        click(&d, "btnCopy");
        store::Dataset &c = f.dm.tblLinkmans;
        QCOMPARE(c.text(u"Telephone"_s), u"021-555"_s);
        QCOMPARE(c.text(u"Fax"_s), u"自己的传真"_s);
        QCOMPARE(c.text(u"HomeAddress"_s), u"上海路1号"_s);
        QCOMPARE(c.text(u"Email"_s), u"own@x.cn"_s);
        QCOMPARE(c.text(u"HomePage"_s), u"www.df.cn"_s);
        QCOMPARE(form->homeAddress()->text(), u"上海路1号"_s);
        c.cancel();

        QVERIFY(c.locate(u"LinkmanID"_s, u"OLD"_s));
        c.edit();
        click(&d, "btnCopy");
        QCOMPARE(c.text(u"Telephone"_s), QString());
        QVERIFY(!c.isModified());
    }

    // Without the agents' Modify right a stored contact is only shown: typing does not go into
    // it and there is nothing to save. 新增 and 删除 follow the agents' right; 删除 refuses a
    // contact that a record names, then asks in its own words.
    void rightsAndDelete_data() { testsupport::addEngineRows(); }
    void rightsAndDelete()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        f.addAgent(u"A01"_s, u"东方贸易"_s);
        f.addContact(u"L1"_s, u"张三"_s, u"A01"_s);
        f.addRecord(u"O1"_s, u"B99"_s, u"L1"_s, u"other"_s);
        f.setRightFlag(u"301"_s, u"Modify"_s, false);
        f.setRightFlag(u"301"_s, u"Insert"_s, false);
        onAgent(f, u"A01"_s);
        ContactEditorDialog d(f.ws);
        d.show();
        QVERIFY(!enabled(&d, "Act_Add"));
        QVERIFY(!enabled(&d, "Act_Save"));
        QVERIFY(enabled(&d, "Act_Del"));
        testsupport::typeText(d.form()->name(), u"改"_s);
        QCOMPARE(d.form()->name()->text(), u"张三"_s);
        QVERIFY(!enabled(&d, "Act_Save"));
        QCOMPARE(f.scalar(u"SELECT Name FROM tblLinkmans"_s).toString(), u"张三"_s);

        act(&d, "Act_Del")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"对不起，业务资料有该联系人信息，不能删除！"_s});
        f.dm.connection().exec(u"DELETE FROM tblOperates"_s);
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        act(&d, "Act_Del")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该联系人资料吗？"_s});
        QCOMPARE(f.count(u"tblLinkmans"_s), 0);
        resetScripts();
        act(&d, "Act_Del")->trigger(); // the agent has no contacts left: nothing happens
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.logCount(Prefix + u"删除"_s), 3);
    }
};

QTEST_MAIN(TestContactEditor)
#include "tst_contacteditor.moc"
