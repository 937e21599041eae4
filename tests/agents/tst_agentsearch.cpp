// The filter box over the agent list, used with the keyboard: Ctrl+F, typing, the counts and
// filters beside the box, Escape, 清除筛选, and what 打印 takes.
#include "agentquerydialog.h"
#include "agentsfixture.h"
#include "agentswindow.h"
#include "datagrid.h"
#include "printing.h"
#include "testusers.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

struct Window : ShownAgentsWindow {
    using ShownAgentsWindow::ShownAgentsWindow;
    QLineEdit *box() { return w.findChild<QLineEdit *>(u"edSearch"_s); }
    QString count() { return w.findChild<QLabel *>(u"lblRowCount"_s)->text(); }
    QString filters() { return w.findChild<QLabel *>(u"lblFilters"_s)->text(); }
    QTreeView *list() { return w.grid()->view(); }
};

QWidget *focused()
{
    return QApplication::focusWidget();
}

void addAgents(AgentsFixture &f, const QString &other = u"Admin"_s)
{
    f.addAgent(u"W1"_s, u"王芳贸易"_s);
    f.addAgent(u"W2"_s, u"李明"_s);
    f.addAgent(u"W3"_s, u"王芳五金"_s, other);
}

} // namespace

class TestAgentSearch : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    void typingFiltersTheList_data() { testsupport::addEngineRows(); }
    void typingFiltersTheList()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addAgents(f);
        Window win(f);
        QTRY_COMPARE(win.count(), u"显示 3 / 3 条"_s);
        QCOMPARE(win.filters(), QString());
        // The only Ctrl+F of the window.
        int finders = 0;
        for (QAction *a : win.w.findChildren<QAction *>())
            finders += a->shortcut() == QKeySequence(u"Ctrl+F"_s) ? 1 : 0;
        QCOMPARE(finders, 1);

        win.list()->setFocus();
        QTest::keyClick(focused(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(focused(), win.box());
        QTest::keyClicks(focused(), u"WF"_s);
        QCOMPARE(win.w.grid()->dataset()->rowCount(), 3); // not before the pause
        QTRY_COMPARE(win.count(), u"显示 2 / 3 条"_s);
        QCOMPARE(win.filters(), u"筛选：文字“WF”"_s);
        QTest::keyClick(focused(), Qt::Key_M);
        QTRY_COMPARE(win.count(), u"显示 1 / 3 条"_s); // 王芳五金 is "wfwj"
        QCOMPARE(win.w.grid()->dataset()->value(0, u"CustId"_s).toString(), u"W1"_s);

        // 打印 takes the rows shown; 刷新 keeps the text.
        win.w.action(u"Act_Print"_s)->trigger();
        QCOMPARE(Printing::last().rowCount, 1);
        win.w.action(u"spBtnRefresh"_s)->trigger();
        QTRY_COMPARE(win.count(), u"显示 1 / 3 条"_s);

        // Escape clears the box and goes back to the list, every row there again.
        QTest::keyClick(focused(), Qt::Key_Escape);
        QCOMPARE(win.box()->text(), QString());
        QCOMPARE(focused(), static_cast<QWidget *>(win.list()));
        QTRY_COMPARE(win.count(), u"显示 3 / 3 条"_s);
        QCOMPARE(win.filters(), QString());

        // Ctrl+F from the details tab brings the list back with the keyboard in the box.
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        QVERIFY(win.w.detailPage()->isAncestorOf(focused()));
        QTest::keyClick(focused(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(win.w.pages()->currentWidget(), win.w.listPage());
        QCOMPARE(focused(), win.box());
    }

    void boxAndQueryTogetherAndClearedAtOnce_data() { testsupport::addEngineRows(); }
    void boxAndQueryTogetherAndClearedAtOnce()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addAgents(f);
        Window win(f);
        {
            AgentQueryDialog dialog(AgentQueryDialog::Member::List, f.dm);
            dialog.show();
            auto *choice = dialog.findChild<QComboBox *>(u"cbCondition"_s);
            choice->setCurrentIndex(choice->findText(u"商务代理名称"_s));
            dialog.findChild<QLineEdit *>(u"edValue"_s)->setText(u"王芳"_s);
            dialog.findChild<QAbstractButton *>(u"btnOK"_s)->click();
        }
        QTRY_COMPARE(win.count(), u"显示 2 / 2 条"_s);
        QCOMPARE(win.filters(), u"筛选：查询"_s);
        win.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&win.w));
        win.list()->setFocus();
        QTest::keyClick(focused(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(focused(), u"wj"_s);
        QTRY_COMPARE(win.count(), u"显示 1 / 2 条"_s);
        QCOMPARE(win.filters(), u"筛选：文字“wj”，查询"_s);
        // Enter keeps the text and goes back to the list.
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(win.list()));
        QCOMPARE(win.box()->text(), u"wj"_s);

        auto *clear = win.w.findChild<QToolButton *>(u"btnClearFilters"_s);
        QVERIFY(clear->isVisible());
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(win.box()->text(), QString());
        QTRY_COMPARE(win.count(), u"显示 3 / 3 条"_s);
        QCOMPARE(win.filters(), QString());
        QVERIFY(!clear->isVisible());
    }

    void otherUsersRowsAreNotFound_data() { testsupport::addEngineRows(); }
    void otherUsersRowsAreNotFound()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        const QString zhang = u"zhang"_s;
        testsupport::addUser(f.dm.connection(), zhang, u"pw"_s, false, testsupport::allRights());
        addAgents(f, zhang);
        f.signIn(zhang);
        Window win(f);
        QTRY_COMPARE(win.count(), u"显示 1 / 1 条"_s);
        win.list()->setFocus();
        QTest::keyClick(focused(), Qt::Key_F, Qt::ControlModifier);
        testsupport::typeText(focused(), u"王芳"_s);
        QTRY_COMPARE(win.filters(), u"筛选：文字“王芳”"_s);
        QTRY_COMPARE(win.count(), u"显示 1 / 1 条"_s);
        QCOMPARE(win.w.grid()->dataset()->value(0, u"CustId"_s).toString(), u"W3"_s);
        // Clearing leaves the user's own rows: ownership is no query.
        QTest::mouseClick(win.w.findChild<QToolButton *>(u"btnClearFilters"_s), Qt::LeftButton);
        QTRY_COMPARE(win.count(), u"显示 1 / 1 条"_s);
    }
};

QTEST_MAIN(TestAgentSearch)
#include "tst_agentsearch.moc"
