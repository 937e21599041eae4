// The notice board: F7 with its right and log row, the grid and inputs, 新增, the four checks of
// 保存, 删除 with its question, and 关闭 dropping what is unsaved.
#include "boardwindow.h"
#include "commandenabler.h"
#include "condition.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbnavigator.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "schedulefixture.h"
#include "testusers.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using State = store::Dataset::State;

namespace
{

const QString Prefix = u"工具-公告板-"_s;

void press(QWidget *window, const char *button)
{
    window->findChild<QPushButton *>(QLatin1String(button))->click();
}

// Shows the board and waits until it is the active window, as F7 leaves it.
bool showActive(BoardWindow &w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

} // namespace

class TestBoard : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // F7 opens the board on every notice, whatever filter the board set had; a user without a
    // "501" row cannot open it, whatever other rights the user holds.
    void f7OpensTheBoard_data() { testsupport::addEngineRows(); }
    void f7OpensTheBoard()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        QStringList rights = testsupport::allRights();
        rights.removeAll(u"501"_s);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, true, rights);
        f.insert(u"tblBoard"_s, {{u"BTitle"_s, u"放假"_s},
                                 {u"BDate"_s, QDate(2026, 1, 1)},
                                 {u"Man"_s, u"行政"_s},
                                 {u"Memo"_s, u"三天"_s}});
        f.insert(u"tblBoard"_s, {{u"BTitle"_s, u"开会"_s},
                                 {u"BDate"_s, QDate(2026, 1, 2)},
                                 {u"Man"_s, u"经理"_s},
                                 {u"Memo"_s, u"周一"_s}});
        f.dm.tblBoard.refresh();
        f.dm.tblBoard.setFilter(store::Condition::eq(u"BTitle"_s, u"开会"_s));
        ShownMain m(f);
        QAction *board = m.main->action(u"Act_Board"_s);
        testsupport::untilIdle();
        QVERIFY(board->isEnabled());
        int rows = -1;
        QString focused;
        QStringList captions;
        testsupport::whenModal(u"TfrmBoard"_s, [&](QWidget *w) {
            auto *window = static_cast<BoardWindow *>(w);
            rows = window->grid()->model()->rowCount();
            for (int c = 0; c < window->grid()->model()->columnCount(); ++c)
                captions << window->grid()->model()->headerData(c, Qt::Horizontal).toString();
            QTRY_VERIFY(w->isActiveWindow());
            focused = w->focusWidget() ? w->focusWidget()->objectName() : QString();
            press(window, "SpeedButton4");
        });
        QTest::keyClick(m.main, Qt::Key_F7);
        QCOMPARE(rows, 2);
        QCOMPARE(captions, (QStringList{u"主题"_s, u"公告日期"_s, u"公告人"_s, u"事项描述"_s}));
        QCOMPARE(focused, u"edtBTitle"_s);
        QVERIFY(!f.dm.tblBoard.isFiltered());
        QCOMPARE(f.logRows().last(), u"工具-公告板"_s);

        f.signIn(u"qian"_s);
        m.main->rights().invalidate();
        m.main->enabler().update();
        QVERIFY(!board->isEnabled());
        QTest::keyClick(m.main, Qt::Key_F7);
        QCOMPARE(f.logCount(u"工具-公告板"_s), 1);
    }

    // 新增 then 保存: each empty input in turn, with the focus on it; 保存 with only 主题 asks for
    // the date. A complete notice is stored; the navigator moves over the notices.
    void addAndSave_data() { testsupport::addEngineRows(); }
    void addAndSave()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.dm.tblBoard.open();
        BoardWindow w(f.ws);
        QVERIFY(showActive(w));
        QVERIFY(w.title()->hasFocus());
        press(&w, "SpeedButton1");
        QCOMPARE(f.dm.tblBoard.state(), State::Insert);
        QCOMPARE(f.logRows().last(), Prefix + u"新增"_s);

        const auto saveSays = [&](const QString &message, QWidget *focus) {
            resetScripts();
            press(&w, "SpeedButton2");
            QCOMPARE(shownTexts(), QStringList{message});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QCOMPARE(QApplication::focusWidget(), focus);
        };
        saveSays(u"请输入公告主题！"_s, w.title());
        testsupport::typeText(w.title(), u"停电通知"_s);
        saveSays(u"请输入公告日期！"_s, w.date());
        QTest::keyClick(w.title(), Qt::Key_Return); // Enter leads on to the date
        QVERIFY(w.date()->hasFocus());
        testsupport::typeText(w.date(), u"2026-07-01"_s);
        saveSays(u"请输入公告人！"_s, w.man());
        testsupport::typeText(w.man(), u"后勤"_s);
        saveSays(u"请输入公告事项描述内容！"_s, w.memo());
        testsupport::typeText(w.memo(), u"全天停电"_s);
        resetScripts();
        press(&w, "SpeedButton2");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.dm.tblBoard.state(), State::Browse);
        QCOMPARE(f.count(u"tblBoard"_s, u"BTitle"_s, u"停电通知"_s), 1);
        QCOMPARE(f.logCount(Prefix + u"保存"_s), 5);

        press(&w, "SpeedButton1");
        testsupport::typeText(w.title(), u"第二条"_s);
        w.navigator()->button(DbNavigator::Button::First)->click(); // moving stores without checks
        QCOMPARE(f.count(u"tblBoard"_s, u"BTitle"_s, u"第二条"_s), 1);
        QCOMPARE(w.title()->text(), u"停电通知"_s);
    }

    // A date typed in part: 保存 says so once and by name, keeping the text and the focus on it,
    // even while 主题 is empty too (no second message as the focus would move on). A message
    // that takes the focus to an empty date has the digits typed next fill it from its start.
    void partialDateIsSaidOnce_data() { testsupport::addEngineRows(); }
    void partialDateIsSaidOnce()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.dm.tblBoard.open();
        BoardWindow w(f.ws);
        QVERIFY(showActive(w));
        press(&w, "SpeedButton1");
        w.date()->setFocus();
        testsupport::typeIntoFocus(u"202607"_s);
        resetScripts();
        press(&w, "SpeedButton2");
        QCOMPARE(shownTexts(), QStringList{u"对不起，公告日期不是有效的日期！"_s});
        QCOMPARE(QApplication::focusWidget(), w.date());
        QCOMPARE(w.date()->displayText(), u"2026-07-__"_s);
        QCOMPARE(f.dm.tblBoard.state(), State::Insert);

        w.date()->clearAction()->trigger();
        w.title()->setFocus();
        testsupport::typeIntoFocus(u"停电通知"_s);
        resetScripts();
        press(&w, "SpeedButton2");
        QCOMPARE(shownTexts(), QStringList{u"请输入公告日期！"_s});
        QCOMPARE(QApplication::focusWidget(), w.date());
        testsupport::typeIntoFocus(u"20260701"_s);
        QCOMPARE(w.date()->text(), u"2026-07-01"_s);
        testsupport::typeText(w.man(), u"后勤"_s);
        testsupport::typeText(w.memo(), u"全天"_s);
        resetScripts();
        press(&w, "SpeedButton2");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(DbDateEdit::toDate(f.scalar(u"SELECT BDate FROM tblBoard"_s)), QDate(2026, 7, 1));
    }

    // 删除: nothing on an empty board but its log row; otherwise the question icon, and only OK
    // deletes. 关闭 drops a change and a new notice.
    void deleteAndClose_data() { testsupport::addEngineRows(); }
    void deleteAndClose()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.dm.tblBoard.open();
        {
            BoardWindow w(f.ws);
            w.show();
            press(&w, "SpeedButton3");
            QCOMPARE(shownTexts(), QStringList());
            QCOMPARE(f.logCount(Prefix + u"删除"_s), 1);
            w.reject();
        }
        f.insert(u"tblBoard"_s, {{u"BTitle"_s, u"甲"_s},
                                 {u"BDate"_s, QDate(2026, 1, 1)},
                                 {u"Man"_s, u"A"_s},
                                 {u"Memo"_s, u"一"_s}});
        f.dm.tblBoard.refresh();
        BoardWindow w(f.ws);
        w.show();
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        press(&w, "SpeedButton3");
        QCOMPARE(MessageBox::last().text, u"真的要删除该公告记录吗？"_s);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Question);
        QCOMPARE(MessageBox::last().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(f.dm.tblBoard.rowCount(), 1);

        w.title()->setFocus();
        w.title()->selectAll();
        testsupport::typeText(w.title(), u"乙"_s);
        QCOMPARE(f.dm.tblBoard.state(), State::Edit);
        const int logs = f.logRows().size();
        press(&w, "SpeedButton4");
        QCOMPARE(f.logRows().size(), logs); // 关闭 writes nothing
        QVERIFY(!w.isVisible());
        QCOMPARE(f.dm.tblBoard.state(), State::Browse);
        QCOMPARE(f.count(u"tblBoard"_s, u"BTitle"_s, u"甲"_s), 1);

        BoardWindow again(f.ws);
        again.show();
        press(&again, "SpeedButton1");
        testsupport::typeText(again.title(), u"没保存"_s);
        QTest::keyClick(&again, Qt::Key_Escape);
        QCOMPARE(f.dm.tblBoard.rowCount(), 1);
        QCOMPARE(f.count(u"tblBoard"_s, u"BTitle"_s, u"没保存"_s), 0);

        MessageBox::setNextAnswer(QMessageBox::Ok);
        BoardWindow last(f.ws);
        last.show();
        press(&last, "SpeedButton3");
        QCOMPARE(f.dm.tblBoard.rowCount(), 0);
        QCOMPARE(f.count(u"tblBoard"_s, u"BTitle"_s, u"甲"_s), 0);
    }
};

QTEST_MAIN(TestBoard)
#include "tst_board.moc"
