// The agent condition dialogs and the agent pickers, driven by objectName as a user would.
#include "agentpicker.h"
#include "agentquerydialog.h"
#include "agentsfixture.h"
#include "datagrid.h"
#include "messagebox.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;
using Member = AgentQueryDialog::Member;
using Picker = AgentPicker::Member;
using State = store::Dataset::State;

namespace
{

const QString NoMatch = u"对不起，没有找到符合条件的记录！"_s;
const QString Zhang = u"Zhang"_s;

template <class T = QPushButton> T *control(QWidget *window, const char *name)
{
    T *c = window->findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("%s has no control %s", qPrintable(window->objectName()), name);
    return c;
}

QAction *command(QWidget *window, const char *name)
{
    auto *a = window->findChild<QAction *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!a)
        qFatal("%s has no command %s", qPrintable(window->objectName()), name);
    return a;
}

// Picks a condition by its caption, types the value and presses 确定.
void runQuery(QWidget *dialog, const QString &condition, const QString &value)
{
    auto *choice = control<QComboBox>(dialog, "cbCondition");
    choice->setCurrentIndex(choice->findText(condition));
    if (choice->currentIndex() <= 0)
        qFatal("no condition %s", qPrintable(condition));
    testsupport::typeText(control<QLineEdit>(dialog, "edValue"), value);
    control(dialog, "btnOK")->click();
}

QStringList codesOf(store::Dataset &set)
{
    QStringList codes;
    for (int row = 0; row < set.rowCount(); ++row)
        codes << set.value(row, u"CustID"_s).toString();
    codes.sort();
    return codes;
}

void addSeatUser(AgentsFixture &f, const QString &user)
{
    testsupport::addUser(f.dm.connection(), user, u"pw"_s, false, testsupport::allRights());
}

void insertRow(AgentsFixture &f, const QString &table, const QVariantMap &values)
{
    store::Connection &db = f.dm.connection();
    QStringList idents, marks;
    for (const QString &c : values.keys()) {
        idents << db.ident(c);
        marks << u"?"_s;
    }
    db.exec(u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(table, idents.join(u','), marks.join(u',')),
            values.values());
}

// Three agents of Admin's holding the awkward cases: a quote, "%" and "_" in values, a key
// that is part of another key, empty and missing columns.
void addAwkwardAgents(AgentsFixture &f)
{
    f.addAgent(u"A1"_s, u"O'Brien 贸易"_s, u"Admin"_s,
               {{u"MainLinkman"_s, u"张三"_s},
                {u"Address"_s, u"长安街100%号"_s},
                {u"CountryID"_s, u"China"_s},
                {u"DistID"_s, u"BJ"_s},
                {u"Telephone"_s, u"010_88"_s},
                {u"Fax"_s, u"6601"_s},
                {u"OperaterID"_s, u"OP10"_s},
                {u"VocationID"_s, u"V1"_s}});
    f.addAgent(u"A2"_s, u"Obrien 公司"_s, u"Admin"_s,
               {{u"MainLinkman"_s, u""_s},
                {u"Address"_s, u"长安街100号"_s},
                {u"CountryID"_s, u"USA"_s},
                {u"DistID"_s, u""_s},
                {u"Telephone"_s, u"010988"_s},
                {u"OperaterID"_s, u"OP1"_s},
                {u"VocationID"_s, u"V10"_s}});
    f.addAgent(u"X_3"_s, u"第三"_s);
    f.dm.tblCustomers2.refresh(); // opened at start-up, before these rows existed
}

// Two agents of Admin's and two of Zhang's; a contact, a contact record and a schedule entry
// referring to A1, each current in the set a picker fills.
void addPickerRows(AgentsFixture &f)
{
    addSeatUser(f, Zhang);
    f.addAgent(u"A1"_s, u"甲公司"_s);
    f.addAgent(u"A2"_s, u"乙公司"_s);
    f.addAgent(u"Z1"_s, u"丙公司"_s, Zhang);
    f.addAgent(u"Z2"_s, u"丁商行"_s, Zhang);
    insertRow(f, u"tblLinkmans"_s,
              {{u"LinkmanID"_s, u"L1"_s}, {u"CustID"_s, u"A1"_s}, {u"Name"_s, u"李四"_s}});
    insertRow(f, u"tblOperates"_s,
              {{u"OperateID"_s, u"R1"_s}, {u"CustID"_s, u"A1"_s}, {u"LinkCustID"_s, u"A1"_s}});
    insertRow(f, u"tblPlan"_s, {{u"CustID"_s, u"A1"_s}, {u"Address"_s, u"会议室"_s}});
    f.openAgentsModule();
    f.dm.tblCustomers.locate(u"CustID"_s, u"A1"_s);
    f.dm.tblCustomers2.refresh();
    f.dm.tblOperates2.refresh();
    f.dm.qryLinkmans1.open();
    f.dm.qryPlan.open();
}

// Notices a modal window while alive and closes it, so a window that should not open is seen
// instead of blocking the test.
class ModalWatch
{
  public:
    explicit ModalWatch(const QString &objectName)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, objectName] {
            auto *w = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (w && w->objectName() == objectName) {
                seen = true;
                w->reject();
            }
        });
        m_timer.start(5);
    }
    bool seen = false;

  private:
    QTimer m_timer;
};

} // namespace

class TestAgentQueries : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void conditionFilters_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("found");
        const struct {
            const char *name, *condition, *value;
            QStringList found;
        } cases[] = {
            {"underscore is no wildcard", "商务代理代码", "_", {"X_3"}},
            {"code without letter case", "商务代理代码", "a", {"A1", "A2"}},
            {"quote in a name", "商务代理名称", "o'b", {"A1"}},
            {"quote alone", "商务代理名称", "'", {"A1"}},
            {"value trimmed", "商务代理名称", "  obrien  ", {"A2"}},
            {"percent is no wildcard", "地址", "100%", {"A1"}},
            {"underscore in telephone", "电话", "010_8", {"A1"}},
            {"blanks keep filled columns only", "主要联系人", "   ", {"A1"}},
            {"blanks on a province", "省市", " ", {"A1"}},
            {"country key", "国家/地区", "hin", {"A1"}},
            {"country name is not the key", "国家/地区", "中国", {}},
            {"fax", "传真", "66", {"A1"}},
            {"referrer exact", "推荐人代码", "OP1", {"A2"}},
            {"referrer without letter case", "推荐人代码", " op10 ", {"A1"}},
            {"part of a referrer key", "推荐人代码", "OP", {}},
            {"trade exact", "行业代码", "V1", {"A1"}},
            {"part of a trade key", "行业代码", "V", {}},
        };
        for (const QString &engine : testsupport::engines())
            for (const auto &c : cases)
                QTest::addRow("%s: %s", qPrintable(engine), c.name)
                    << engine << QString::fromUtf8(c.condition) << QString::fromUtf8(c.value)
                    << c.found;
    }

    // Each condition as an administrator on the agent list: what it finds, and that the dialog
    // closes on a find and stays open with its message on none. Nothing is logged.
    void conditionFilters()
    {
        QFETCH(QString, engine);
        QFETCH(QString, condition);
        QFETCH(QString, value);
        QFETCH(QStringList, found);
        AgentsFixture f(engine);
        addAwkwardAgents(f);
        f.openAgentsModule();
        const int logRows = f.logRows().size();

        AgentQueryDialog dialog(Member::List, f.dm);
        dialog.show();
        runQuery(&dialog, condition, value);

        QCOMPARE(codesOf(f.dm.tblCustomers), found);
        QCOMPARE(f.dm.tblCustomers2.rowCount(), 3); // the picker list is another set
        QCOMPARE(dialog.isVisible(), found.isEmpty());
        QCOMPARE(shownTexts(), found.isEmpty() ? QStringList{NoMatch} : QStringList{});
        QCOMPARE(f.logRows().size(), logRows);
    }

    // The choice list drives the text box; the two members differ in names and the set.
    void choiceListAndTextBox()
    {
        AgentsFixture f(u"sqlite"_s);
        const struct {
            Member member;
            QString objectName, all;
            store::Dataset *set;
        } members[] = {
            {Member::List, u"TfrmCustomerQuery3"_s, u"所有代理"_s, &f.dm.tblCustomers},
            {Member::Picker, u"TfrmCustomerQuery4"_s, u"所有商务代理"_s, &f.dm.tblCustomers2},
        };
        for (const auto &m : members) {
            AgentQueryDialog dialog(m.member, f.dm);
            QCOMPARE(dialog.objectName(), m.objectName);
            QCOMPARE(&dialog.dataset(), m.set);
            auto *choice = control<QComboBox>(&dialog, "cbCondition");
            auto *value = control<QLineEdit>(&dialog, "edValue");
            QCOMPARE(choice->count(), 11);
            QCOMPARE(choice->itemText(0), m.all);

            dialog.show();
            QCOMPARE(choice->currentIndex(), 0);
            QCOMPARE(dialog.focusWidget(), choice);
            testsupport::typeText(value, u"x"_s);
            QCOMPARE(value->text(), QString()); // disabled on the all-agents choice

            choice->setCurrentIndex(2);
            testsupport::typeText(value, u"甲"_s);
            QCOMPARE(value->text(), u"甲"_s);
            choice->setCurrentIndex(5);
            QVERIFY(value->isEnabled());
            QCOMPARE(value->text(), QString());
            testsupport::typeText(value, u"abc"_s);
            choice->setCurrentIndex(0);
            QVERIFY(!value->isEnabled());
            QCOMPARE(value->text(), QString());
        }
    }

    // An empty text box is refused before the list is touched; blanks are not empty.
    void emptyValueRefused()
    {
        AgentsFixture f(u"sqlite"_s);
        addAwkwardAgents(f);
        f.openAgentsModule();
        f.dm.tblCustomers.setFilter(store::Condition::eq(u"CustID"_s, u"A2"_s));

        AgentQueryDialog dialog(Member::List, f.dm);
        dialog.show();
        runQuery(&dialog, u"商务代理名称"_s, QString());
        QCOMPARE(shownTexts(), QStringList{u"请输入查询条件!"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::last().title, u"系统提示"_s);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), control<QLineEdit>(&dialog, "edValue"));
        QCOMPARE(codesOf(f.dm.tblCustomers), QStringList{u"A2"_s});

        resetScripts();
        testsupport::typeText(control<QLineEdit>(&dialog, "edValue"), u"  "_s);
        control(&dialog, "btnOK")->click();
        QCOMPARE(shownTexts(), QStringList{});
        QVERIFY(!dialog.isVisible());
        QCOMPARE(codesOf(f.dm.tblCustomers), (QStringList{u"A1"_s, u"A2"_s, u"X_3"_s}));
    }

    void noMatchLeavesListEmpty_data() { testsupport::addEngineRows(); }
    // With nothing found the filter stays: the list is empty behind the open dialog, and
    // 取消 and a refresh leave it so until the next query.
    void noMatchLeavesListEmpty()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addAwkwardAgents(f);
        f.openAgentsModule();

        AgentQueryDialog dialog(Member::List, f.dm);
        dialog.show();
        runQuery(&dialog, u"商务代理名称"_s, u"不存在"_s);
        QCOMPARE(shownTexts(), QStringList{NoMatch});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QVERIFY(dialog.isVisible());
        QCOMPARE(f.dm.tblCustomers.rowCount(), 0);

        control(&dialog, "btnCancel")->click();
        QVERIFY(!dialog.isVisible());
        f.dm.tblCustomers.refresh();
        QCOMPARE(f.dm.tblCustomers.rowCount(), 0);

        AgentQueryDialog again(Member::List, f.dm);
        again.show();
        control(&again, "btnOK")->click(); // all agents
        QVERIFY(!again.isVisible());
        QVERIFY(!f.dm.tblCustomers.isFiltered());
        QCOMPARE(f.dm.tblCustomers.rowCount(), 3);
    }

    void ownershipJoinsEveryCondition_data() { testsupport::addEngineRows(); }
    // A user who is not an administrator finds only own agents, whatever the condition; the
    // quick search narrows the picker set and leaves the agent list alone.
    void ownershipJoinsEveryCondition()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addSeatUser(f, Zhang);
        f.addAgent(u"A1"_s, u"同名公司"_s);
        f.addAgent(u"Z1"_s, u"同名公司"_s, Zhang);
        f.addAgent(u"Z2"_s, u"别的公司"_s, Zhang);
        f.signIn(Zhang);
        f.openAgentsModule();
        const QStringList own{u"Z1"_s, u"Z2"_s};
        const auto query = [&f](Member member, const QString &condition, const QString &value) {
            AgentQueryDialog dialog(member, f.dm);
            dialog.show();
            if (condition.isEmpty())
                control(&dialog, "btnOK")->click();
            else
                runQuery(&dialog, condition, value);
        };

        query(Member::List, u"商务代理名称"_s, u"同名"_s);
        QCOMPARE(codesOf(f.dm.tblCustomers), QStringList{u"Z1"_s});
        query(Member::List, {}, {});
        QCOMPARE(codesOf(f.dm.tblCustomers), own);
        query(Member::Picker, u"商务代理名称"_s, u"别的"_s);
        QCOMPARE(codesOf(f.dm.tblCustomers2), QStringList{u"Z2"_s});
        QCOMPARE(codesOf(f.dm.tblCustomers), own);
        QCOMPARE(shownTexts(), QStringList{});

        // The administrator test runs at each 确定: signed in as Admin, all agents means all.
        f.signIn(u"Admin"_s);
        query(Member::Picker, {}, {});
        QVERIFY(!f.dm.tblCustomers2.isFiltered());
        QCOMPARE(codesOf(f.dm.tblCustomers2), QStringList{u"A1"_s} + own);
    }

    void pickerListAndQuickSearch_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("visible");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("found");
        for (const QString &engine : testsupport::engines()) {
            QTest::addRow("%s: administrator", qPrintable(engine))
                << engine << u"Admin"_s << QStringList{u"A1"_s, u"A2"_s, u"Z1"_s, u"Z2"_s}
                << u"甲"_s << QStringList{u"A1"_s};
            // Admin's agents are named 公司 too: the search stays within the user's own.
            QTest::addRow("%s: own agents", qPrintable(engine))
                << engine << Zhang << QStringList{u"Z1"_s, u"Z2"_s} << u"公司"_s
                << QStringList{u"Z1"_s};
        }
    }

    // Showing a picker lists what the user may see, dropping any earlier narrowing; a quick
    // search narrows it; 选择 keeps the search in force and 取消 undoes it.
    void pickerListAndQuickSearch()
    {
        QFETCH(QString, engine);
        QFETCH(QString, user);
        QFETCH(QStringList, visible);
        QFETCH(QString, search);
        QFETCH(QStringList, found);
        AgentsFixture f(engine);
        addPickerRows(f);
        f.signIn(user);
        f.dm.tblCustomers2.setFilter(store::Condition::eq(u"CustID"_s, u"none"_s));
        const int logRows = f.logRows().size();
        const auto quickSearch = [&](AgentPicker &picker) {
            testsupport::whenModal(u"TfrmCustomerQuery4"_s,
                                   [&](QWidget *w) { runQuery(w, u"商务代理名称"_s, search); });
            control(&picker, "btnQuickQuery")->click();
        };

        {
            AgentPicker picker(Picker::Schedule, f.ws);
            QCOMPARE(picker.objectName(), u"TfrmCustomerQuery2"_s);
            picker.show();
            QCOMPARE(codesOf(f.dm.tblCustomers2), visible);
            QAbstractItemModel *model = picker.grid()->view()->model();
            QCOMPARE(model->rowCount(), visible.size());
            QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), u"商务代理名称"_s);

            quickSearch(picker);
            QCOMPARE(codesOf(f.dm.tblCustomers2), found);
            control(&picker, "btnSelect")->click();
            QVERIFY(!picker.isVisible());
            QCOMPARE(codesOf(f.dm.tblCustomers2), found);
        }
        AgentPicker picker(Picker::Record, f.ws);
        picker.show();
        QCOMPARE(codesOf(f.dm.tblCustomers2), visible);
        quickSearch(picker);
        QCOMPARE(codesOf(f.dm.tblCustomers2), found);
        control(&picker, "btnCancel")->click();
        QVERIFY(!picker.isVisible());
        QCOMPARE(codesOf(f.dm.tblCustomers2), visible);
        QCOMPARE(f.logRows().size(), logRows);
    }

    void selectFillsTarget_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("member");
        QTest::addColumn<QString>("pickTarget");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("untouched");
        QTest::addColumn<bool>("newRow");
        const struct {
            const char *name;
            Picker member;
            const char *pickTarget, *target, *field, *untouched;
            bool newRow;
        } cases[] = {
            {"contact", Picker::Contact, "联系人详细资料", "qryLinkmans1", "CustID", "Name", false},
            {"record agent", Picker::Record, "相关客户", "tblOperates2", "CustID", "LinkCustID",
             false},
            {"record linked agent", Picker::Record, "联系客户", "tblOperates2", "LinkCustID",
             "CustID", false},
            {"record of the agent list", Picker::Record, "联系客户1", "tblOperates", "LinkCustID",
             "CustID", false},
            {"schedule entry", Picker::Schedule, "联系客户", "qryPlan", "CustID", "Address", false},
            {"new schedule entry", Picker::Schedule, "", "qryPlan", "CustID", "Address", true},
        };
        for (const QString &engine : testsupport::engines())
            for (const auto &c : cases)
                QTest::addRow("%s: %s", qPrintable(engine), c.name)
                    << engine << int(c.member) << QString::fromUtf8(c.pickTarget)
                    << QString::fromLatin1(c.target) << QString::fromLatin1(c.field)
                    << QString::fromLatin1(c.untouched) << c.newRow;
    }

    // 选择 puts the picked agent's code into the field PickTarget names, starting to edit a
    // row that is only shown and leaving a new row new.
    void selectFillsTarget()
    {
        QFETCH(QString, engine);
        QFETCH(int, member);
        QFETCH(QString, pickTarget);
        QFETCH(QString, target);
        QFETCH(QString, field);
        QFETCH(QString, untouched);
        QFETCH(bool, newRow);
        AgentsFixture f(engine);
        addPickerRows(f);
        store::Dataset &set = *f.dm.dataset(target);
        if (newRow)
            set.append();
        const QVariant before = set.value(untouched);
        store::session().PickTarget = pickTarget;

        AgentPicker picker(Picker(member), f.ws);
        picker.show();
        QVERIFY(f.dm.tblCustomers2.locate(u"CustID"_s, u"A2"_s));
        control(&picker, "btnSelect")->click();

        QVERIFY(!picker.isVisible());
        QCOMPARE(set.state(), newRow ? State::Insert : State::Edit);
        QCOMPARE(set.value(field).toString(), u"A2"_s);
        QCOMPARE(set.value(untouched), before);
        QCOMPARE(shownTexts(), QStringList{});
    }

    void selectWithoutTarget_data() { testsupport::addEngineRows(); }
    // 选择 only closes when PickTarget names no field of the member, when the target has no
    // row, or when there is no agent to pick.
    void selectWithoutTarget()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addPickerRows(f);
        const auto unchanged = [&f] {
            for (store::Dataset *d : {&f.dm.qryLinkmans1, &f.dm.tblOperates, &f.dm.tblOperates2}) {
                QCOMPARE(d->state(), State::Browse);
                QCOMPARE(d->value(u"CustID"_s).toString(), u"A1"_s);
            }
            QCOMPARE(f.dm.tblOperates2.value(u"LinkCustID"_s).toString(), u"A1"_s);
        };
        const auto pick = [&f](Picker member, const QString &pickTarget) {
            store::session().PickTarget = pickTarget;
            AgentPicker picker(member, f.ws);
            picker.show();
            f.dm.tblCustomers2.last();
            control(&picker, "btnSelect")->click();
            QVERIFY(!picker.isVisible());
        };

        pick(Picker::Contact, u"相关客户"_s);
        unchanged();
        pick(Picker::Record, u"联系人详细资料"_s);
        unchanged();

        // A schedule with no entry: nothing to fill and nothing added.
        f.dm.connection().exec(u"DELETE FROM tblPlan"_s);
        f.dm.qryPlan.refresh();
        pick(Picker::Schedule, QString());
        QCOMPARE(f.dm.qryPlan.state(), State::Browse);
        QCOMPARE(f.dm.qryPlan.rowCount(), 0);

        // A user with no agents of their own picks nothing.
        addSeatUser(f, u"Li"_s);
        f.signIn(u"Li"_s);
        pick(Picker::Record, u"相关客户"_s);
        QCOMPARE(f.dm.tblCustomers2.rowCount(), 0);
        unchanged();
        QCOMPARE(shownTexts(), QStringList{});
    }

    void doubleClickPicks_data() { testsupport::addEngineRows(); }
    void doubleClickPicks()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addPickerRows(f);
        AgentPicker picker(Picker::Schedule, f.ws);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTreeView *view = picker.grid()->view();
        const QModelIndexList a2 = view->model()->match(view->model()->index(0, 0), Qt::DisplayRole,
                                                        u"A2"_s, 1, Qt::MatchExactly);
        QCOMPARE(a2.size(), 1);
        const QPoint at = view->visualRect(a2.first()).center();
        // The first click of a double-click, then the second (QTest sends only the latter).
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!picker.isVisible());
        QCOMPARE(f.dm.qryPlan.value(u"CustID"_s).toString(), u"A2"_s);
    }

    void rightsEnableAddAndDetail_data() { testsupport::addEngineRows(); }
    void rightsEnableAddAndDetail()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addPickerRows(f);
        f.signIn(Zhang);
        AgentPicker picker(Picker::Contact, f.ws);
        picker.show();
        const auto enabled = [&picker] {
            testsupport::untilIdle();
            return std::pair{command(&picker, "Act_Add")->isEnabled(),
                             command(&picker, "Act_Detail")->isEnabled()};
        };
        QCOMPARE(enabled(), std::pair(true, true));
        f.setRightFlag(u"301"_s, u"Insert"_s, false);
        QCOMPARE(enabled(), std::pair(false, true));
        f.setRightFlag(u"301"_s, u"Modify"_s, false);
        QCOMPARE(enabled(), std::pair(false, false));
        f.setRightFlag(u"301"_s, u"Insert"_s, true);
        QCOMPARE(enabled(), std::pair(true, false));
    }

    void addAndDetailOpenEditor_data() { testsupport::addEngineRows(); }
    // 新增 opens the modal editor on a new picker row, 详细资料 on the picked agent; with no
    // agent in the list there is nothing to show in detail.
    void addAndDetailOpenEditor()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addPickerRows(f);
        const int logRows = f.logRows().size();
        AgentPicker picker(Picker::Record, f.ws);
        picker.show();
        testsupport::untilIdle();

        State stateSeen = State::Closed;
        QString codeSeen = u"not shown"_s;
        const auto look = [&](QWidget *editor) {
            stateSeen = f.dm.tblCustomers2.state();
            codeSeen = f.dm.tblCustomers2.value(u"CustID"_s).toString();
            QCOMPARE(editor->parentWidget(), &picker);
            qobject_cast<QDialog *>(editor)->reject();
        };
        testsupport::whenModal(u"TfrmCustomerNew1"_s, look);
        command(&picker, "Act_Add")->trigger();
        QCOMPARE(stateSeen, State::Insert);
        QCOMPARE(codeSeen, QString());
        f.dm.tblCustomers2.cancel(); // the editor's close box leaves the new row pending

        QVERIFY(f.dm.tblCustomers2.locate(u"CustID"_s, u"A2"_s));
        testsupport::whenModal(u"TfrmCustomerNew1"_s, look);
        command(&picker, "Act_Detail")->trigger();
        QCOMPARE(stateSeen, State::Browse);
        QCOMPARE(codeSeen, u"A2"_s);
        QCOMPARE(f.logRows().size(), logRows);

        addSeatUser(f, u"Li"_s);
        f.signIn(u"Li"_s);
        AgentPicker empty(Picker::Record, f.ws);
        empty.show();
        testsupport::untilIdle();
        QCOMPARE(f.dm.tblCustomers2.rowCount(), 0);
        QVERIFY(command(&empty, "Act_Detail")->isEnabled());
        ModalWatch watch(u"TfrmCustomerNew1"_s);
        command(&empty, "Act_Detail")->trigger();
        testsupport::untilIdle();
        QVERIFY(!watch.seen);
        QCOMPARE(shownTexts(), QStringList{});
    }

    // An agent typed in the editor and left by its close box is stored before it is picked,
    // with its owner; the target then refers to a stored agent.
    void selectStoresPendingAgent_data() { testsupport::addEngineRows(); }
    void selectStoresPendingAgent()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addPickerRows(f);
        addSeatUser(f, u"Li"_s);
        f.signIn(u"Li"_s);
        store::session().PickTarget = u"联系客户"_s;
        AgentPicker picker(Picker::Schedule, f.ws);
        picker.show();
        testsupport::whenModal(u"TfrmCustomerNew1"_s, [](QWidget *editor) {
            testsupport::typeText(editor->findChild<QLineEdit *>(u"edtCustId"_s), u"NEW1"_s);
            qobject_cast<QDialog *>(editor)->reject();
        });
        command(&picker, "Act_Add")->trigger();
        QCOMPARE(f.dm.tblCustomers2.state(), State::Insert);
        control(&picker, "btnSelect")->click();
        QCOMPARE(f.dm.tblCustomers2.state(), State::Browse);
        QCOMPARE(f.scalar(u"SELECT SUser FROM tblCustomers WHERE CustId = 'NEW1'"_s).toString(),
                 u"Li"_s);
        QCOMPARE(f.dm.qryPlan.value(u"CustID"_s).toString(), u"NEW1"_s);
    }
};

QTEST_MAIN(TestAgentQueries)
#include "tst_agentqueries.moc"
