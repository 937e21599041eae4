// The schedule as a month or a week of days: entries in their days by time, every entry of the
// days shown whatever the list's span, the keyboard and the double clicks that open an entry
// or add one on a day, and a saved change showing in the calendar.
#include "datagrid.h"
#include "messagebox.h"
#include "pendingedit.h"
#include "planmonthview.h"
#include "planspan.h"
#include "schedulefixture.h"
#include "scheduleform.h"
#include "schedulepanel.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace
{

QStringList texts(const QList<PlanMonthView::Entry> &entries)
{
    QStringList out;
    for (const auto &e : entries)
        out << e.text;
    return out;
}

// Keys for the popup menu with this objectName as soon as it is shown.
void whenPopup(const QString &objectName, QList<int> keys)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, keys] {
        QWidget *w = QApplication::activePopupWidget();
        if (!w || w->objectName() != objectName || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        for (int key : keys)
            QTest::keyClick(w, Qt::Key(key));
    });
    timer->start();
}

// The point of line `line` of the day's cell (line 0: the day's number).
QPoint linePoint(PlanMonthView *view, const QDate &day, int line)
{
    const qint64 at = view->firstShown().daysTo(day);
    QTableWidget *t = view->table();
    const QRect cell = t->visualItemRect(t->item(int(at / 7), int(at % 7)));
    const int spacing = t->fontMetrics().lineSpacing();
    return {cell.left() + 20, cell.top() + line * spacing + spacing / 2};
}

} // namespace

class TestPlanMonthView : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // Entries of the month by day and time, though the list shows only today's; the week view;
    // Page Down, Page Up and Home from the keyboard.
    void monthAndWeek_data() { testsupport::addEngineRows(); }
    void monthAndWeek()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.addAgent(u"C000001"_s, u"华东贸易"_s);
        const QDate today = QDate::currentDate();
        const QDate later = today.addMonths(1);
        f.addPlan(today, u"下午会"_s, u"C000001"_s, {{u"PlanTime"_s, u"14:00"_s}});
        f.addPlan(today, u"早会"_s, {}, {{u"PlanTime"_s, u"09:30"_s}, {u"Linkman"_s, u"王芳"_s}});
        f.addPlan(later, u"next month"_s, {}, {{u"PlanTime"_s, u"10:00"_s}});
        ShownSchedulePanel s(f);
        s.w->span()->button(PlanSpan::Today)->click();
        QCOMPARE(f.dm.qryPlan.rowCount(), 2);

        // From the keyboard: from 列表 to 月 with the arrow key, then Tab into the calendar.
        QRadioButton *list = s.w->viewButton(SchedulePanel::ListView);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Right);
        QVERIFY(s.w->viewButton(SchedulePanel::MonthView)->isChecked());
        PlanMonthView *view = s.w->calendar();
        QVERIFY(view->isVisible());
        QVERIFY(!s.w->grid()->isVisible());
        QCOMPARE(view->title()->text(), u"%1年%2月"_s.arg(today.year()).arg(today.month()));
        QCOMPARE(view->firstShown().dayOfWeek(), 1);
        QVERIFY(view->firstShown() <= QDate(today.year(), today.month(), 1));
        QCOMPARE(texts(view->entriesOn(today)),
                 (QStringList{u"09:30 早会 王芳"_s, u"14:00 下午会 华东贸易"_s}));
        const qint64 at = view->firstShown().daysTo(today);
        QTableWidgetItem *cell = view->table()->item(int(at / 7), int(at % 7));
        QVERIFY(cell->text().contains(u"（2 条）"_s));
        QVERIFY(cell->text().contains(u"14:00 下午会 华东贸易"_s));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->table());
        QTest::keyClick(view->table(), Qt::Key_PageDown);
        QCOMPARE(view->title()->text(), u"%1年%2月"_s.arg(later.year()).arg(later.month()));
        QCOMPARE(texts(view->entriesOn(later)), QStringList{u"10:00 next month"_s});
        QTest::keyClick(view->table(), Qt::Key_PageUp);
        QTest::keyClick(view->table(), Qt::Key_PageUp);
        QVERIFY(view->entriesOn(today).isEmpty() || today.month() == view->day().month());
        QTest::keyClick(view->table(), Qt::Key_Home);
        QCOMPARE(view->day(), today);
        QCOMPARE(view->entriesOn(today).size(), 2);

        // The week view: seven days from Monday, each headed by its date.
        s.w->viewButton(SchedulePanel::WeekView)->click();
        QCOMPARE(view->mode(), PlanMonthView::Week);
        QCOMPARE(view->table()->rowCount(), 1);
        QCOMPARE(view->lastShown(), view->firstShown().addDays(6));
        QVERIFY(view->firstShown() <= today && today <= view->lastShown());
        const QDate monday = view->firstShown();
        QCOMPARE(view->table()->horizontalHeaderItem(0)->text(),
                 u"一 %1/%2"_s.arg(monday.month()).arg(monday.day()));
        QCOMPARE(view->entriesOn(today).size(), 2);

        // Back to the list: its span is as it was.
        s.w->viewButton(SchedulePanel::ListView)->click();
        QVERIFY(s.w->grid()->isVisible());
        QVERIFY(!view->isVisible());
        QCOMPARE(f.dm.qryPlan.rowCount(), 2);
    }

    // Enter on a day offers its entries: the chosen one opens on the details tab, in editing;
    // Enter on an empty day adds an entry on that day, dropped without a question when nothing
    // was typed; a double click on an entry's line opens it, on the empty part adds one.
    void openAndAdd_data() { testsupport::addEngineRows(); }
    void openAndAdd()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        const QDate today = QDate::currentDate();
        const QDate farAway = today.addYears(2);
        f.addPlan(today, u"first"_s, {}, {{u"PlanTime"_s, u"08:00"_s}});
        f.addPlan(today, u"second"_s, {}, {{u"PlanTime"_s, u"11:00"_s}});
        f.addPlan(farAway, u"far"_s, {}, {{u"PlanTime"_s, u"09:00"_s}});
        ShownSchedulePanel s(f);
        store::Dataset &plans = f.dm.qryPlan;
        s.w->span()->button(PlanSpan::Today)->click();
        s.w->viewButton(SchedulePanel::MonthView)->click();
        PlanMonthView *view = s.w->calendar();
        view->table()->setFocus();

        // Enter, Down to the second entry, Enter.
        whenPopup(u"mnuDayEntries"_s, {Qt::Key_Down, Qt::Key_Return});
        QTest::keyClick(view->table(), Qt::Key_Return);
        QTRY_COMPARE(s.w->pages()->currentWidget(), s.w->detailPage());
        QCOMPARE(plans.value(u"Address"_s).toString(), u"second"_s);
        QVERIFY(plans.isEditing());
        plans.cancel();
        s.w->pages()->setCurrentWidget(s.w->listPage());

        // An entry outside the list's span: the list shows every entry again to open it.
        view->showDay(farAway);
        QCOMPARE(view->entriesOn(farAway).size(), 1);
        QTest::mouseDClick(view->table()->viewport(), Qt::LeftButton, {},
                           linePoint(view, farAway, 1));
        QCOMPARE(s.w->pages()->currentWidget(), s.w->detailPage());
        QCOMPARE(plans.value(u"Address"_s).toString(), u"far"_s);
        QCOMPARE(s.w->span()->span(), PlanSpan::All);
        plans.cancel();
        s.w->pages()->setCurrentWidget(s.w->listPage());

        // Enter on an empty day: a new entry on that day.
        const QDate empty = farAway.addDays(1);
        view->showDay(empty);
        QVERIFY(view->entriesOn(empty).isEmpty());
        view->table()->setFocus();
        QTest::keyClick(view->table(), Qt::Key_Return);
        QCOMPARE(plans.state(), store::Dataset::State::Insert);
        QCOMPARE(plans.value(u"PlanDate"_s).toDate(), empty);
        QCOMPARE(s.w->pages()->currentWidget(), s.w->detailPage());
        // Nothing typed: going back to the list drops it without a question.
        QVERIFY(PendingEdit::settle(plans));
        QVERIFY(shownTexts().isEmpty());
        QCOMPARE(f.count(u"tblPlan"_s, u"PlanDate"_s, empty), 0);
        s.w->pages()->setCurrentWidget(s.w->listPage());

        // A double click below the entries of a day adds one there.
        view->showDay(farAway);
        QTest::mouseDClick(view->table()->viewport(), Qt::LeftButton, {},
                           linePoint(view, farAway, 3));
        QCOMPARE(plans.state(), store::Dataset::State::Insert);
        QCOMPARE(plans.value(u"PlanDate"_s).toDate(), farAway);
        plans.cancel();
    }

    // An entry saved or deleted through the list shows so in the calendar.
    void followsTheList_data() { testsupport::addEngineRows(); }
    void followsTheList()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        const QDate today = QDate::currentDate();
        f.addPlan(today, u"old place"_s, {}, {{u"PlanTime"_s, u"08:00"_s}});
        ShownSchedulePanel s(f);
        store::Dataset &plans = f.dm.qryPlan;
        s.w->viewButton(SchedulePanel::MonthView)->click();
        PlanMonthView *view = s.w->calendar();
        QCOMPARE(texts(view->entriesOn(today)), QStringList{u"08:00 old place"_s});
        plans.moveTo(0);
        plans.edit();
        plans.setValue(u"Address"_s, u"new place"_s);
        plans.post();
        QCOMPARE(texts(view->entriesOn(today)), QStringList{u"08:00 new place"_s});
        plans.remove();
        QVERIFY(view->entriesOn(today).isEmpty());
    }
};

QTEST_MAIN(TestPlanMonthView)
#include "tst_planmonthview.moc"
