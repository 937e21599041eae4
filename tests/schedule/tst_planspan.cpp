// The schedule list's order at start (overdue entries first, by date) and the "今天 / 本周 /
// 全部" choice above it, with the keyboard, the header click to 序号, 刷新 within the span and
// the search that shows every entry again.
#include "datagrid.h"
#include "datasetmodel.h"
#include "dblineedit.h"
#include "messagebox.h"
#include "planspan.h"
#include "schedulefixture.h"
#include "scheduleform.h"
#include "schedulepanel.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

QStringList places(store::Dataset &set)
{
    QStringList out;
    for (int row = 0; row < set.rowCount(); ++row)
        out << set.value(row, u"Address"_s).toString();
    return out;
}

void clickHeader(DataGrid *grid, int section)
{
    QHeaderView *h = grid->view()->header();
    const QPoint p(h->sectionViewportPosition(section) + h->sectionSize(section) / 2,
                   h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
}

} // namespace

class TestPlanSpan : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    void lastDays()
    {
        const QDate wednesday(2026, 12, 9), sunday(2026, 12, 13);
        QCOMPARE(PlanSpan::lastDay(PlanSpan::Today, wednesday), wednesday);
        QCOMPARE(PlanSpan::lastDay(PlanSpan::Week, wednesday), sunday);
        QCOMPARE(PlanSpan::lastDay(PlanSpan::Week, sunday), sunday);
        QCOMPARE(PlanSpan::lastDay(PlanSpan::Week, QDate(2026, 12, 14)), QDate(2026, 12, 20));
        QVERIFY(!PlanSpan::lastDay(PlanSpan::All, wednesday).isValid());
    }

    // Entries typed in any order show overdue ones first, by date; 今天 and 本周 keep the
    // overdue ones and those of today or of this week; a click on 序号 gives the order of
    // entry; 刷新 shows every entry again under 全部.
    void spansAndOrder_data() { testsupport::addEngineRows(); }
    void spansAndOrder()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        const QDate today = QDate::currentDate();
        const QDate sunday = PlanSpan::lastDay(PlanSpan::Week, today);
        f.addPlan(sunday.addDays(1), u"next week"_s);
        f.addPlan(today, u"today"_s);
        f.addPlan(today.addMonths(-2), u"long overdue"_s);
        f.addPlan(sunday, u"sunday"_s);
        f.addPlan(today.addDays(-1), u"yesterday"_s);
        f.addPlan(QDate(), u"no day"_s);
        ShownSchedulePanel s(f);
        store::Dataset &plans = f.dm.qryPlan;
        QCOMPARE(s.w->span()->span(), PlanSpan::All);
        QVERIFY(s.w->span()->button(PlanSpan::All)->isChecked());
        QCOMPARE(s.w->grid()->view()->header()->sortIndicatorSection(), 1); // 日期
        const QStringList byDate{u"no day"_s, u"long overdue"_s, u"yesterday"_s,
                                 u"today"_s,  u"sunday"_s,       u"next week"_s};
        if (sunday == today) // on a Sunday the two are one day, in the order of entry
            QCOMPARE(places(plans), (QStringList{u"no day"_s, u"long overdue"_s, u"yesterday"_s,
                                                 u"today"_s, u"sunday"_s, u"next week"_s}));
        else
            QCOMPARE(places(plans), byDate);

        // The choice from the keyboard: the arrow keys move within it.
        QRadioButton *all = s.w->span()->button(PlanSpan::All);
        all->setFocus();
        QTest::keyClick(all, Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), s.w->span()->button(PlanSpan::Week));
        QCOMPARE(s.w->span()->span(), PlanSpan::Week);
        QStringList week{u"long overdue"_s, u"yesterday"_s, u"today"_s, u"sunday"_s};
        QCOMPARE(places(plans), week);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QCOMPARE(s.w->span()->span(), PlanSpan::Today);
        QStringList todays{u"long overdue"_s, u"yesterday"_s, u"today"_s};
        QCOMPARE(places(plans), todays);

        // 序号: the order of entry, within the span.
        clickHeader(s.w->grid(), 0);
        QCOMPARE(places(plans), (QStringList{u"today"_s, u"long overdue"_s, u"yesterday"_s}));
        QCOMPARE(s.w->span()->span(), PlanSpan::Today);

        // 刷新 reads the span again; 查询全部 of the search shows every entry, under 全部.
        f.addPlan(today, u"another seat's"_s);
        s.w->action(u"spBtnRefresh"_s)->trigger();
        QCOMPARE(plans.rowCount(), 4);
        QCOMPARE(s.w->span()->span(), PlanSpan::Today);
        testsupport::whenModal(u"TfrmPlanQuery"_s, [](QWidget *dialog) {
            QPushButton *b = dialog->findChild<QPushButton *>(u"btnAll"_s);
            b->setFocus();
            QTest::keyClick(b, Qt::Key_Space);
        });
        s.w->action(u"Act_Query"_s)->trigger();
        QCOMPARE(plans.rowCount(), 7);
        QCOMPARE(s.w->span()->span(), PlanSpan::All);
        QVERIFY(all->isChecked());
    }

    // A change typed into an entry is not stored by choosing a span: the question comes first,
    // and Cancel keeps the entry in editing and the list as it was.
    void pendingEntryIsAskedFor_data() { testsupport::addEngineRows(); }
    void pendingEntryIsAskedFor()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.addPlan(QDate::currentDate().addYears(1), u"later"_s);
        f.addPlan(QDate::currentDate(), u"now"_s);
        ShownSchedulePanel s(f);
        store::Dataset &plans = f.dm.qryPlan;
        plans.moveTo(plans.find(u"Address"_s, u"later"_s));
        s.w->action(u"Act_Modify"_s)->trigger();
        testsupport::typeText(s.w->form()->address(), u" typed"_s);
        QVERIFY(plans.isEditing());
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        s.w->span()->button(PlanSpan::Today)->click();
        QCOMPARE(shownTexts(), QStringList{u"日程安排尚未保存，保存吗？"_s});
        QVERIFY(plans.isEditing());
        QCOMPARE(s.w->span()->span(), PlanSpan::All);
        QVERIFY(s.w->span()->button(PlanSpan::All)->isChecked());
        QCOMPARE(plans.rowCount(), 2);
        QCOMPARE(f.count(u"tblPlan"_s, u"Address"_s, u"later"_s), 1); // nothing stored
    }
};

QTEST_MAIN(TestPlanSpan)
#include "tst_planspan.moc"
