// The dictionary editors: every member walked through its checks, the store's refusals, delete
// with confirmation and close; rights at idle; the region's country list; Enter order and the
// shortcuts; and a saved row seen at once by the look-ups of other datasets.
#include "dictionaryeditor.h"
#include "dictionaryfixture.h"
#include "dictionarymember.h"
#include "messagebox.h"
#include "session.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using State = store::Dataset::State;

namespace
{

// What each member must be, typed from the description of the family (not read from the
// member table, so a slip in either shows).
struct Expected {
    const char *command, *objectName, *caption, *dataset, *logPrefix;
    const char *codeColumn;
    QStringList controls; // code, name, extra, colour: in check order
    QStringList messages; // the message of each control when it is empty
    const char *memoRefusal;
};

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

QList<Expected> expected()
{
    return {
        {"Act_Department",
         "TfrmDepartment",
         "部门设置",
         "tblDepartment",
         "基础资料-部门设置",
         "DepartmentID",
         {"dxDBEdtDepartmentID", "dxDBEdtDepartmentName"},
         {u("请输入部门代码！"), u("请输入部门名称！")},
         "请输入部门描述！"},
        {"Act_Region",
         "TfrmRegion",
         "省市设置",
         "tblCustDist",
         "基础资料-地区设置",
         "DistID",
         {"dxDBEdtDistID", "dxDBEdtDistName", "dxDBEdtCountryID", "dxDBEdtDistColor"},
         {u("请输入地区代码！"), u("请输入地区名称！"), u("请选择该地区所在的国家名称！"),
          u("请选择您要设置的颜色！")},
         "请输入地区描述！"},
        {"Act_Country",
         "TfrmCountry",
         "国家\\地区信息",
         "tblCountry",
         "基础资料-国家信息",
         "CountryID",
         {"dxDBEdtCountryID", "dxDBEdtCountryName", "dxDBEdtContinent", "dxDBEdtCountryColor"},
         {u("请输入国家代码！"), u("请输入国家名称！"), u("请选择所在的洲名称！"),
          u("请选择您要设置的颜色！")},
         "请输入描述内容！"},
        {"Act_Vocation",
         "TfrmVocation",
         "行业类别设置",
         "tblVocation",
         "基础资料-行业类别设置",
         "VocationId",
         {"dxDBEdtVocationId", "dxDBEdtVocationName", "dxDBEdtVocationColor"},
         {u("请输入行业代码！"), u("请输入行业名称！"), u("请选择输入颜色信息！")},
         "请输入行业描述！"},
        {"Act_OperateStyle",
         "TfrmOperateStyle",
         "档案有无情况",
         "tblOperateType",
         "基础资料-业务类型设置",
         "TypeID",
         {"dxDBEdtTypeID", "dxDBEdtTypeName", "dxDBEdtTypeColor"},
         {u("请输入业务类型代码！"), u("请输入业务类型名称！"), u("请选择输入业务类型颜色设置！")},
         "请输入业务类型描述！"},
        {"Act_OperateOrigin",
         "TfrmOperateOrigin",
         "档案完备情况设置",
         "tblOperateOrigin",
         "基础资料-业务来源设置",
         "OriginID",
         {"dxDBEdtOriginID", "dxDBEdtOriginName", "dxDBEdtOriginColor"},
         {u("请输入业务来源代码！"), u("请输入业务来源名称！"), u("请选择输入业务来源颜色设置！")},
         "请输入业务来源描述！"},
        {"Act_OperateState",
         "TfrmOperateState",
         "发证状态设置",
         "tblOperateState",
         "基础资料-业务状态设置",
         "OperateStateID",
         {"dxDBEdtOperateStateID", "dxDBEdtOperateStateName", "dxDBEdtStateColor"},
         {u("请输入业务状态代码！"), u("请输入业务状态名称！"), u("请选择输入业务状态颜色设置！")},
         "请输入业务状态描述！"},
        {"Act_CustLevel",
         "TfrmCustLevel",
         "商务代理级别设置",
         "tblCustLevel",
         "基础资料-客户级别定义",
         "LevelID",
         {"dxDBEdtLevelID", "dxDBEdtLevelName", "dxDBEdtLevelColor"},
         {u("请输入客户级别代码！"), u("请输入客户级别名称！"), u("请选择输入客户级别颜色设置！")},
         "请输入客户级别描述！"},
        {"Act_CustState",
         "TfrmState",
         "联络状态设置",
         "tblCustState",
         "基础资料-客户状态定义",
         "StateID",
         {"dxDBEdtStateID", "dxDBEdtStateName", "dxDBEdtStateColor"},
         {u("请输入客户状态代码！"), u("请输入客户状态名称！"), u("请选择输入客户状态颜色设置！")},
         "请输入客户状态描述！"},
        {"Act_CustOrigin",
         "TfrmCustOrigin",
         "商务代理来源设置",
         "tblCustOrigin",
         "基础资料-客户来源定义",
         "OriginID",
         {"dxDBEdtOriginID", "dxDBEdtOriginName", "dxDBEdtOriginColor"},
         {u("请输入客户来源代码！"), u("请输入客户来源名称！"), u("请选择输入客户来源颜色设置！")},
         "请输入客户来源描述！"},
    };
}

const DictionaryMember &memberFor(const char *command)
{
    const DictionaryMember *m = DictionaryMember::forCommand(QLatin1String(command));
    if (!m)
        qFatal("no dictionary member for %s", command);
    return *m;
}

bool hasFocusIn(QWidget *window, QWidget *field)
{
    QWidget *f = window->focusWidget();
    return f && field && (f == field || field->isAncestorOf(f));
}

// Fills a field as a user would: typing into a text field, the next item of a drop-down.
void fill(QWidget *field, const QString &text)
{
    if (auto *combo = qobject_cast<QComboBox *>(field)) {
        if (combo->isEditable())
            typeText(combo->lineEdit(), text);
        else
            QTest::keyClick(combo, Qt::Key_Down);
        return;
    }
    typeText(field, text);
}

void trigger(QWidget *window, const char *action)
{
    QAction *a = window->findChild<QAction *>(QLatin1String(action));
    QVERIFY2(a, action);
    a->trigger();
}

} // namespace

class TestDictionaryEditor : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { MessageBox::clearHistory(); }

    void everyMemberWalksItsChecks_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("member");
        const QList<Expected> all = expected();
        for (const QString &engine : testsupport::engines())
            for (int i = 0; i < all.size(); ++i)
                QTest::newRow(
                    qPrintable(engine + QLatin1Char('/') + QLatin1String(all[i].objectName)))
                    << engine << i;
    }
    void everyMemberWalksItsChecks()
    {
        QFETCH(QString, engine);
        QFETCH(int, member);
        const Expected e = expected().at(member);
        DictionaryFixture f(engine);
        const QString prefix = u(e.logPrefix);
        const QString code = QStringLiteral("ZZ1");

        auto editor = std::make_unique<DictionaryEditor>(f.ws, memberFor(e.command));
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
        QCOMPARE(editor->objectName(), QLatin1String(e.objectName));
        QCOMPARE(editor->windowTitle(), u(e.caption));
        store::Dataset &ds = editor->dataset();
        QCOMPARE(&ds, f.dm.dataset(QLatin1String(e.dataset)));
        QWidget *memo = editor->findChild<QWidget *>(QStringLiteral("dxDBEdtDistribution"));
        QVERIFY(memo);

        // 新增 appends an empty row and focuses the code field.
        trigger(editor.get(), "Act_Add");
        QCOMPARE(ds.state(), State::Insert);
        QVERIFY(hasFocusIn(editor.get(), editor->findChild<QWidget *>(e.controls.first())));

        // 保存 stops at each empty field in screen order, with its message and focus.
        int saves = 0;
        for (int i = 0; i < e.controls.size(); ++i) {
            QWidget *field = editor->findChild<QWidget *>(e.controls[i]);
            QVERIFY2(field, qPrintable(e.controls[i]));
            MessageBox::clearHistory();
            trigger(editor.get(), "Act_Save");
            ++saves;
            QCOMPARE(MessageBox::history().size(), 1);
            QCOMPARE(MessageBox::last().text, e.messages[i]);
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QCOMPARE(MessageBox::last().title, QStringLiteral("系统提示"));
            QCOMPARE(MessageBox::last().buttons, MessageBox::Buttons(QMessageBox::Ok));
            QVERIFY2(hasFocusIn(editor.get(), field), qPrintable(e.controls[i]));
            fill(field, i == 0 ? code : i == 2 ? u("欧洲") : u("测试名称"));
        }

        // Every shown field filled but no description: the store refuses the row, the member's
        // message says why, and the row stays pending with what was typed.
        MessageBox::clearHistory();
        trigger(editor.get(), "Act_Save");
        ++saves;
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, u(e.memoRefusal));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QVERIFY(hasFocusIn(editor.get(), memo));
        QCOMPARE(ds.state(), State::Insert);
        QCOMPARE(ds.text(QLatin1String(e.codeColumn)), code);
        QCOMPARE(f.storedRows(u(e.dataset), QLatin1String(e.codeColumn), code), 0);

        typeText(memo, u("测试描述"));
        MessageBox::clearHistory();
        trigger(editor.get(), "Act_Save");
        ++saves;
        QVERIFY2(MessageBox::history().isEmpty(), qPrintable(MessageBox::last().text));
        QCOMPARE(ds.state(), State::Browse);
        QCOMPARE(f.storedRows(u(e.dataset), QLatin1String(e.codeColumn), code), 1);
        QCOMPARE(f.storedRows(u(e.dataset), QStringLiteral("Memo"), u("测试描述")), 1);

        // A code that exists: the store refuses it with its own text (not the description
        // message, the description is filled), and the row stays pending until 关闭 drops it.
        trigger(editor.get(), "Act_Add");
        for (int i = 0; i < e.controls.size(); ++i)
            fill(editor->findChild<QWidget *>(e.controls[i]), i == 0   ? code
                                                              : i == 2 ? u("亚洲")
                                                                       : u("另一名称"));
        typeText(memo, u("重复"));
        MessageBox::clearHistory();
        trigger(editor.get(), "Act_Save");
        ++saves;
        QCOMPARE(MessageBox::history().size(), 1);
        QVERIFY(MessageBox::last().text != u(e.memoRefusal));
        QVERIFY2(MessageBox::last().text.contains(QLatin1String(e.codeColumn), Qt::CaseInsensitive),
                 qPrintable(MessageBox::last().text));
        QCOMPARE(ds.state(), State::Insert);
        MessageBox::clearHistory();
        QTest::mouseClick(editor->findChild<QToolButton *>(QStringLiteral("spBtnClose")),
                          Qt::LeftButton);
        QVERIFY(!editor->isVisible());
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(ds.state(), State::Browse);
        QCOMPARE(f.storedRows(u(e.dataset), QLatin1String(e.codeColumn), code), 1);
        QCOMPARE(f.storedRows(u(e.dataset), QStringLiteral("Memo"), u("重复")), 0);
        editor.reset();

        // 删除 asks first: Cancel keeps the row, OK deletes it.
        DictionaryEditor again(f.ws, memberFor(e.command));
        QVERIFY(ds.locate(QLatin1String(e.codeColumn), code));
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        trigger(&again, "Act_Del");
        QCOMPARE(MessageBox::last().text, QStringLiteral("真的要删除该条记录吗?"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Question);
        QCOMPARE(MessageBox::last().buttons,
                 MessageBox::Buttons(QMessageBox::Ok | QMessageBox::Cancel));
        QCOMPARE(f.storedRows(u(e.dataset), QLatin1String(e.codeColumn), code), 1);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        trigger(&again, "Act_Del");
        QCOMPARE(f.storedRows(u(e.dataset), QLatin1String(e.codeColumn), code), 0);

        QCOMPARE(f.logCount(prefix + QStringLiteral("-新增")), 2);
        QCOMPARE(f.logCount(prefix + QStringLiteral("-保存")), saves);
        QCOMPARE(f.logCount(prefix + QStringLiteral("-删除")), 2);
    }

    void quietCasesLogAndAskNothing_data() { testsupport::addEngineRows(); }
    void quietCasesLogAndAskNothing()
    {
        QFETCH(QString, engine);
        DictionaryFixture f(engine);
        const DictionaryMember &dept = memberFor("Act_Department");

        // 保存 with nothing changed on a filled row: the log row and nothing else.
        {
            DictionaryEditor editor(f.ws, dept);
            trigger(&editor, "Act_Save");
            QVERIFY(MessageBox::history().isEmpty());
            QCOMPARE(editor.dataset().state(), State::Browse);
        }
        QCOMPARE(f.logCount(QStringLiteral("基础资料-部门设置-保存")), 1);

        // 新增 then 关闭: nothing stored, nothing asked.
        const int before = f.dm.tblDepartment.rowCount();
        {
            DictionaryEditor editor(f.ws, dept);
            editor.show();
            trigger(&editor, "Act_Add");
            typeText(editor.findChild<QWidget *>(QStringLiteral("dxDBEdtDepartmentID")),
                     QStringLiteral("99"));
            QTest::mouseClick(editor.findChild<QToolButton *>(QStringLiteral("spBtnClose")),
                              Qt::LeftButton);
            QVERIFY(!editor.isVisible());
        }
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(f.dm.tblDepartment.rowCount(), before);
        QCOMPARE(f.storedRows(QStringLiteral("tblDepartment"), QStringLiteral("DepartmentID"),
                              QStringLiteral("99")),
                 0);

        // Unsaved edits are undone on any way out (here Escape), so the shared row is not left
        // half-changed for the next window.
        {
            DictionaryEditor editor(f.ws, dept);
            editor.show();
            QVERIFY(QTest::qWaitForWindowExposed(&editor));
            const QString was = f.dm.tblDepartment.text(QStringLiteral("DepartmentName"));
            typeText(editor.findChild<QWidget *>(QStringLiteral("dxDBEdtDepartmentName")),
                     QStringLiteral("X"));
            QCOMPARE(f.dm.tblDepartment.state(), State::Edit);
            QTest::keyClick(&editor, Qt::Key_Escape);
            QVERIFY(!editor.isVisible());
            QCOMPARE(f.dm.tblDepartment.state(), State::Browse);
            QCOMPARE(f.dm.tblDepartment.text(QStringLiteral("DepartmentName")), was);
        }

        // An empty table: 删除 writes its log row and asks nothing; 保存 names the code field.
        f.dm.connection().exec(QStringLiteral("DELETE FROM tblDepartment"));
        f.dm.tblDepartment.refresh();
        {
            DictionaryEditor editor(f.ws, dept);
            trigger(&editor, "Act_Del");
            QVERIFY(MessageBox::history().isEmpty());
            trigger(&editor, "Act_Save");
            QCOMPARE(MessageBox::history().size(), 1);
            QCOMPARE(MessageBox::last().text, QStringLiteral("请输入部门代码！"));
        }
        QCOMPARE(f.logCount(QStringLiteral("基础资料-部门设置-删除")), 1);
        QCOMPARE(f.logCount(QStringLiteral("基础资料-部门设置-保存")), 2);
        QCOMPARE(f.logCount(QStringLiteral("基础资料-部门设置-新增")), 1);
    }

    void rightsEnableAtIdle_data() { testsupport::addEngineRows(); }
    void rightsEnableAtIdle()
    {
        QFETCH(QString, engine);
        DictionaryFixture f(engine);
        DictionaryEditor editor(f.ws, memberFor("Act_CustLevel"));
        editor.show();
        QAction *add = editor.findChild<QAction *>(QStringLiteral("Act_Add"));
        QAction *save = editor.findChild<QAction *>(QStringLiteral("Act_Save"));
        QAction *del = editor.findChild<QAction *>(QStringLiteral("Act_Del"));
        QVERIFY(add->isEnabled());
        QVERIFY(del->isEnabled());

        f.setRightFlag(QStringLiteral("210"), QStringLiteral("Insert"), false);
        QVERIFY(add->isEnabled()); // nothing is recomputed until the window is idle
        untilIdle();
        QVERIFY(!add->isEnabled());
        QVERIFY(del->isEnabled());
        f.setRightFlag(QStringLiteral("210"), QStringLiteral("Delete"), false);
        untilIdle();
        QVERIFY(!del->isEnabled());
        QVERIFY(save->isEnabled());
        // Another dictionary's right decides nothing here.
        f.setRightFlag(QStringLiteral("203"), QStringLiteral("Insert"), true);
        untilIdle();
        QVERIFY(!add->isEnabled());

        // Existing rows may still be changed and saved.
        store::Dataset &levels = f.dm.tblCustLevel;
        QVERIFY(levels.locate(QStringLiteral("LevelID"), QStringLiteral("B")));
        auto *name = editor.findChild<QLineEdit *>(QStringLiteral("dxDBEdtLevelName"));
        name->selectAll();
        typeText(name, u("省级代理"));
        trigger(&editor, "Act_Save");
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(f.storedRows(QStringLiteral("tblCustLevel"), QStringLiteral("LevelName"),
                              u("省级代理")),
                 1);

        f.setRightFlag(QStringLiteral("210"), QStringLiteral("Insert"), true);
        untilIdle();
        QVERIFY(add->isEnabled());
        // Ctrl+A with 新增 disabled is left to the text field: it selects the text.
        name->setFocus();
        f.setRightFlag(QStringLiteral("210"), QStringLiteral("Insert"), false);
        untilIdle();
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(levels.state(), State::Browse);
        QCOMPARE(name->selectedText(), name->text());
    }

    void regionListsCountries_data() { testsupport::addEngineRows(); }
    void regionListsCountries()
    {
        QFETCH(QString, engine);
        DictionaryFixture f(engine);
        f.dm.tblCountry.close(); // the region editor opens it for its list
        DictionaryEditor editor(f.ws, memberFor("Act_Region"));
        QVERIFY(f.dm.tblCountry.isOpen());
        auto *country = editor.findChild<QComboBox *>(QStringLiteral("dxDBEdtCountryID"));
        QVERIFY(country);
        QCOMPARE(
            country->count(),
            f.dm.connection().scalar(QStringLiteral("SELECT COUNT(*) FROM tblCountry")).toInt());
        QVERIFY(country->findText(u("日本")) >= 0);
        QVERIFY(f.dm.tblCustDist.locate(QStringLiteral("DistID"), QStringLiteral("BJ")));
        QCOMPARE(country->currentText(), u("中国"));

        // A country added elsewhere is offered; choosing it stores its code.
        store::Dataset &countries = f.dm.tblCountry;
        countries.append();
        countries.setValue(QStringLiteral("CountryID"), QStringLiteral("Chile"));
        countries.setValue(QStringLiteral("CountryName"), u("智利"));
        countries.setValue(QStringLiteral("Memo"), u("国外"));
        countries.post();
        QTRY_VERIFY(country->findText(u("智利")) >= 0);
        country->setCurrentIndex(country->findText(u("智利")));
        Q_EMIT country->activated(country->currentIndex());
        QCOMPARE(f.dm.tblCustDist.text(QStringLiteral("CountryID")), QStringLiteral("Chile"));
        trigger(&editor, "Act_Save");
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(f.storedRows(QStringLiteral("tblCustDist"), QStringLiteral("CountryID"),
                              QStringLiteral("Chile")),
                 1);

        // A region whose country is gone shows no country, and 保存 asks for one.
        QVERIFY(countries.locate(QStringLiteral("CountryID"), QStringLiteral("Chile")));
        countries.remove();
        QTRY_COMPARE(country->currentText(), QString());
        trigger(&editor, "Act_Save");
        QCOMPARE(MessageBox::last().text, u("请选择该地区所在的国家名称！"));
        QVERIFY(hasFocusIn(&editor, country));
    }

    void enterOrderAndShortcuts()
    {
        DictionaryFixture f(QStringLiteral("sqlite"));
        DictionaryEditor editor(f.ws, memberFor("Act_Country"));
        editor.show();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QStringList order;
        for (int i = 0; i < 5; ++i) {
            QWidget *w = QApplication::focusWidget();
            QVERIFY(w);
            while (w && !w->objectName().startsWith(QLatin1String("dxDBEdt")))
                w = w->parentWidget();
            QVERIFY(w);
            order << w->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QCOMPARE(order, QStringList({"dxDBEdtCountryID", "dxDBEdtCountryName", "dxDBEdtContinent",
                                     "dxDBEdtCountryColor", "dxDBEdtDistribution"}));

        // Ctrl+A is 新增 even while a text field has the focus.
        editor.findChild<QWidget *>(QStringLiteral("dxDBEdtCountryName"))->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.dm.tblCountry.state(), State::Insert);
        QCOMPARE(f.logCount(QStringLiteral("基础资料-国家信息-新增")), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(MessageBox::last().text, QStringLiteral("请输入国家代码！"));

        // The origin editor's colour button and 关闭 answer Ctrl+F and Ctrl+X.
        DictionaryEditor origin(f.ws, memberFor("Act_CustOrigin"));
        auto *colours = origin.findChild<QToolButton *>(QStringLiteral("spBtnColor"));
        auto *close = origin.findChild<QToolButton *>(QStringLiteral("spBtnClose"));
        QCOMPARE(colours->text(), QStringLiteral("颜色设置"));
        QCOMPARE(colours->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        QCOMPARE(close->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
        auto *levelColours = editor.findChild<QToolButton *>(QStringLiteral("spBtnColor"));
        QCOMPARE(levelColours->text(), QStringLiteral("颜色信息"));
        QVERIFY(levelColours->shortcut().isEmpty());
        DictionaryEditor dept(f.ws, memberFor("Act_Department"));
        QVERIFY(!dept.findChild<QToolButton *>(QStringLiteral("spBtnColor")));
    }

    // 关闭 answers Ctrl+X from every field, text fields included, where Ctrl+X would cut.
    void closeKeyWorksFromEveryField()
    {
        DictionaryFixture f(QStringLiteral("sqlite"));
        for (const char *field : {"dxDBEdtOriginID", "dxDBEdtOriginName", "dxDBEdtOriginColor", "dxDBEdtDistribution"}) {
            f.dm.tblCustOrigin.first();
            const QString code = f.dm.tblCustOrigin.text(QStringLiteral("OriginID"));
            DictionaryEditor origin(f.ws, memberFor("Act_CustOrigin"));
            origin.show();
            QVERIFY(QTest::qWaitForWindowActive(&origin));
            QWidget *w = origin.findChild<QWidget *>(QLatin1String(field));
            QVERIFY2(w, field);
            w->setFocus();
            QVERIFY(QTest::qWaitFor([&] { return w->isAncestorOf(QApplication::focusWidget()) || w->hasFocus(); }, 2000));
            auto *text = qobject_cast<QLineEdit *>(QApplication::focusWidget());
            if (text) {
                QTest::keyClicks(text, QStringLiteral("xy"));
                text->selectAll();
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::ControlModifier);
            QVERIFY2(QTest::qWaitFor([&] { return !origin.isVisible(); }, 2000), field); // a button click takes a moment
            QCOMPARE(f.dm.tblCustOrigin.state(), State::Browse); // what was typed is dropped
            QCOMPARE(f.dm.tblCustOrigin.text(QStringLiteral("OriginID")), code);
        }
    }

    void renameSeenByLookups_data() { testsupport::addEngineRows(); }
    void renameSeenByLookups()
    {
        QFETCH(QString, engine);
        DictionaryFixture f(engine);
        f.dm.connection().exec(
            QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, CountryID, SUser) "
                           "VALUES ('C1', 'Agent', 'Japan', 'Admin')"));
        f.dm.tblCustomers.open();
        f.dm.tblCustomers2.refresh();
        QVERIFY(f.dm.tblCustomers.locate(QStringLiteral("CustId"), QStringLiteral("C1")));
        QVERIFY(f.dm.tblCustomers2.locate(QStringLiteral("CustId"), QStringLiteral("C1")));
        QCOMPARE(f.dm.tblCustomers.text(QStringLiteral("CountryName")), u("日本"));

        DictionaryEditor editor(f.ws, memberFor("Act_Country"));
        QVERIFY(f.dm.tblCountry.locate(QStringLiteral("CountryID"), QStringLiteral("Japan")));
        auto *name = editor.findChild<QLineEdit *>(QStringLiteral("dxDBEdtCountryName"));
        QCOMPARE(name->text(), u("日本"));
        name->selectAll();
        typeText(name, u("日本国"));
        trigger(&editor, "Act_Save");
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(f.dm.tblCustomers.text(QStringLiteral("CountryName")), u("日本国"));
        QCOMPARE(f.dm.tblCustomers2.text(QStringLiteral("CountryName")), u("日本国"));

        // A deleted code leaves the agent with its code and an empty name.
        MessageBox::setNextAnswer(QMessageBox::Ok);
        trigger(&editor, "Act_Del");
        QCOMPARE(f.dm.tblCustomers.text(QStringLiteral("CountryID")), QStringLiteral("Japan"));
        QCOMPARE(f.dm.tblCustomers.text(QStringLiteral("CountryName")), QString());
    }
};

QTEST_MAIN(TestDictionaryEditor)
#include "tst_dictionaryeditor.moc"
