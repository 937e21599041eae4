#include "agenteditordialog.h"
#include "agentform.h"
#include "agentsfixture.h"
#include "dblineedit.h"
#include "messagebox.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"客户业务管理-客户资料-"_s;

QAction *act(QWidget *w, const char *name)
{
    return w->findChild<QAction *>(QLatin1String(name));
}

bool enabled(QWidget *w, const char *name)
{
    testsupport::untilIdle();
    return act(w, name)->isEnabled();
}

QStringList labels(QWidget *w)
{
    QStringList out;
    for (QLabel *l : w->findChildren<QLabel *>())
        out << l->text();
    return out;
}

} // namespace

class TestAgentEditor : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // 新增 and 保存 on tblCustomers2 with this editor's own messages, owner and folder.
    void addWithOwnMessages_data() { testsupport::addEngineRows(); }
    void addWithOwnMessages()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.openAgentsModule();
        AgentEditorDialog d(f.ws);
        d.show();
        QVERIFY(labels(&d).contains(u"国家地区"_s));
        QCOMPARE(labels(&d).count(u"联系电话"_s), 2);
        QVERIFY(!labels(&d).contains(u"手机"_s));
        act(&d, "Act_Add")->trigger();
        QCOMPARE(f.dm.tblCustomers2.state(), store::Dataset::State::Insert);
        act(&d, "Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"请输入客户简称！"_s});
        resetScripts();
        testsupport::typeText(d.form()->code(), u"Q01"_s);
        act(&d, "Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"请输入客户名称！"_s});
        resetScripts();
        fillAgent(d.form(), QString(), u"弹窗新增"_s);
        act(&d, "Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT SUser FROM tblCustomers WHERE CustId = 'Q01'"_s).toString(),
                 u"Admin"_s);
        QVERIFY(QFileInfo(store::session().FilesDir + u"Q01"_s).isDir());
        QCOMPARE(f.logCount(Prefix + u"新增"_s), 1);
        QCOMPARE(f.logCount(Prefix + u"保存"_s), 3);
    }

    // This editor trims the code it checks; the detail page does not.
    void trimmedCodeCheck_data() { testsupport::addEngineRows(); }
    void trimmedCodeCheck()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"T01"_s, u"已有名称"_s);
        f.openAgentsModule();
        AgentEditorDialog d(f.ws);
        d.show();
        f.dm.tblCustomers2.append();
        testsupport::typeText(d.form()->code(), u" T01 "_s);
        d.form()->codeCheckButton()->click();
        QCOMPARE(shownTexts(), QStringList{u"对不起，该客户代码已存在！"_s});
        resetScripts();
        testsupport::typeText(d.form()->name(), u"已有名称 "_s); // the name is not trimmed
        d.form()->nameCheckButton()->click();
        QCOMPARE(shownTexts(), QStringList());
    }

    // Without the Modify right a stored agent is only shown here too: typing does not go into
    // it, so there is nothing to save, and a row put into editing otherwise stores nothing.
    void storedAgentWithoutModifyRight_data() { testsupport::addEngineRows(); }
    void storedAgentWithoutModifyRight()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addCompleteAgent(u"V01"_s, u"旧名"_s);
        f.setRightFlag(u"301"_s, u"Modify"_s, false);
        f.setRightFlag(u"301"_s, u"Insert"_s, false);
        f.openAgentsModule();
        AgentEditorDialog d(f.ws);
        d.show();
        QVERIFY(!enabled(&d, "Act_Add"));
        QVERIFY(!enabled(&d, "Act_Save"));
        testsupport::typeText(d.form()->name(), u"新"_s);
        QCOMPARE(d.form()->name()->text(), u"旧名"_s);
        QVERIFY(!enabled(&d, "Act_Save"));
        f.dm.tblCustomers2.edit();
        f.dm.tblCustomers2.setValue(u"CustName"_s, u"另名"_s);
        act(&d, "Act_Save")->trigger();
        QCOMPARE(f.scalar(u"SELECT CustName FROM tblCustomers"_s).toString(), u"旧名"_s);
    }

    // An agent saved through the module's list set, then changed in the modal editor over the
    // second agent set, as from a picker's 详细资料: this seat's own save is no other user's.
    void ownSaveThenTheEditor_data() { testsupport::addEngineRows(); }
    void ownSaveThenTheEditor()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addCompleteAgent(u"V01"_s, u"旧名"_s);
        f.openAgentsModule();
        QCOMPARE(f.dm.tblCustomers2.text(u"CustName"_s), u"旧名"_s); // read before the first save
        f.dm.tblCustomers.setValue(u"City"_s, u"南京"_s);
        f.dm.tblCustomers.post();
        AgentEditorDialog d(f.ws);
        d.show();
        testsupport::typeText(d.form()->name(), u"新"_s);
        act(&d, "Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT CustName || City FROM tblCustomers"_s).toString(), u"旧名新南京"_s);
    }

    // 关闭 with unsaved changes: No drops them, Yes saves them or keeps the dialog on the gap.
    void closeQuestion_data() { testsupport::addEngineRows(); }
    void closeQuestion()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"wang"_s, u"pw"_s, false,
                             testsupport::allRights());
        f.signIn(u"wang"_s);
        f.openAgentsModule();
        {
            AgentEditorDialog d(f.ws);
            d.show();
            f.dm.tblCustomers2.append();
            testsupport::typeText(d.form()->code(), u"X01"_s);
            MessageBox::setNextAnswer(QMessageBox::Yes);
            d.findChild<QPushButton *>(u"btnClose"_s)->click();
            QCOMPARE(shownTexts(),
                     (QStringList{u"客户资料数据尚未保存，保存吗？"_s, u"请输入客户名称！"_s}));
            QCOMPARE(MessageBox::history().first().buttons, QMessageBox::Yes | QMessageBox::No);
            QVERIFY(d.isVisible());
            QCOMPARE(f.dm.tblCustomers2.state(), store::Dataset::State::Insert);
            fillAgent(d.form(), QString(), u"关闭时保存"_s);
            resetScripts();
            MessageBox::setNextAnswer(QMessageBox::Yes);
            d.findChild<QPushButton *>(u"btnClose"_s)->click();
            QVERIFY(!d.isVisible());
            QCOMPARE(f.scalar(u"SELECT SUser FROM tblCustomers WHERE CustId = 'X01'"_s).toString(),
                     u"wang"_s);
            QCOMPARE(f.logCount(Prefix + u"保存"_s), 0); // this path writes no log row
        }
        AgentEditorDialog d(f.ws);
        d.show();
        f.dm.tblCustomers2.append();
        testsupport::typeText(d.form()->code(), u"X02"_s);
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::No);
        d.findChild<QPushButton *>(u"btnClose"_s)->click();
        QVERIFY(!d.isVisible());
        QCOMPARE(f.dm.tblCustomers2.state(), store::Dataset::State::Browse);
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 1);
        // Nothing pending: 关闭 just closes.
        AgentEditorDialog quiet(f.ws);
        quiet.show();
        resetScripts();
        quiet.findChild<QPushButton *>(u"btnClose"_s)->click();
        QCOMPARE(shownTexts(), QStringList());
        QVERIFY(!quiet.isVisible());
    }

    void deleteWithOwnMessages_data() { testsupport::addEngineRows(); }
    void deleteWithOwnMessages()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"Y01"_s, u"删"_s);
        f.dm.connection().exec(
            u"INSERT INTO tblOperates (OperateID, CustID, SUser) VALUES ('OP', 'Y01', 'x')"_s);
        f.openAgentsModule();
        AgentEditorDialog d(f.ws);
        d.show();
        act(&d, "Act_Del")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"对不起，该客户有业务资料，不能删除！"_s});
        f.dm.connection().exec(u"DELETE FROM tblOperates"_s);
        resetScripts();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        act(&d, "Act_Del")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"您真的要删除该客户吗？"_s});
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblCustomers"_s).toInt(), 0);
        QCOMPARE(f.logCount(Prefix + u"删除"_s), 2);
    }
};

QTEST_MAIN(TestAgentEditor)
#include "tst_agenteditor.moc"
