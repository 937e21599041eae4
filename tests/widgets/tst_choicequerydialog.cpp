// The shared query dialog of one chosen condition and one value: what 确定 passes on to the
// search, when it asks for a value, what it does with a choice typed by hand, and when the
// dialog closes.
#include "choicequerydialog.h"
#include "messagebox.h"
#include "testwidgets.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

QueryDialogDescription description(bool typed)
{
    QueryDialogDescription d{
        "TfrmSample",
        u"样本查询"_s,
        u"所有样本"_s,
        {{"代码", "Code", QueryChoice::Kind::Equals, "请输入代码!"}, {"名称", "Name"}}};
    d.typedChoice = typed;
    return d;
}

// A dialog on screen whose search records what it was given and finds what it is told to.
struct Sample {
    explicit Sample(bool typed = false)
        : d(description(typed), [this](const QueryChoice *c, const QString &v) {
              ++searches;
              chosen = c ? QString::fromUtf8(c->caption) : u"<all>"_s;
              value = v;
              return found;
          })
    {
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
    }
    void ok() { d.findChild<QPushButton *>(u"btnOK"_s)->click(); }

    ChoiceQueryDialog d;
    bool found = true;
    int searches = 0;
    QString chosen, value;
};

} // namespace

class TestChoiceQueryDialog : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void init()
    {
        MessageBox::setScripted(true);
        MessageBox::clearHistory();
    }

    // The value box is open only for a real condition, and emptied at every change of choice.
    void valueFollowsTheChoice()
    {
        Sample s;
        QCOMPARE(s.d.choice()->count(), 3);
        QCOMPARE(s.d.choice()->itemText(0), u"所有样本"_s);
        QTRY_VERIFY(s.d.choice()->hasFocus());
        QVERIFY(!s.d.value()->isEnabled());
        s.d.choice()->setCurrentIndex(2);
        QVERIFY(s.d.value()->isEnabled());
        testsupport::typeText(s.d.value(), u"abc"_s);
        s.d.choice()->setCurrentIndex(1);
        QVERIFY(s.d.value()->text().isEmpty());
        s.d.choice()->setCurrentIndex(0);
        QVERIFY(!s.d.value()->isEnabled());
    }

    // 确定 without a value names the choice's own message, or the dialog's, and searches
    // nothing; blanks are a value and go to the search as typed.
    void emptyValueIsRefused()
    {
        Sample s;
        s.d.choice()->setCurrentIndex(1);
        s.ok();
        QCOMPARE(MessageBox::last().text, u"请输入代码!"_s);
        QCOMPARE(s.searches, 0);
        QVERIFY(s.d.isVisible());
        QTRY_VERIFY(s.d.value()->hasFocus());

        s.d.choice()->setCurrentIndex(2);
        s.ok();
        QCOMPARE(MessageBox::last().text, u"请输入查询条件!"_s);
        QCOMPARE(s.searches, 0);

        testsupport::typeText(s.d.value(), u"  "_s);
        s.ok();
        QCOMPARE(s.searches, 1);
        QCOMPARE(s.chosen, u"名称"_s);
        QCOMPARE(s.value, u"  "_s);
        QCOMPARE(s.d.result(), int(QDialog::Accepted));
    }

    // Nothing found: the message, and the dialog stays for another try; the all-rows choice
    // searches with no condition.
    void nothingFoundKeepsTheDialog()
    {
        Sample s;
        s.found = false;
        s.ok();
        QCOMPARE(s.chosen, u"<all>"_s);
        QCOMPARE(MessageBox::last().text, u"对不起，没有找到符合条件的记录！"_s);
        QVERIFY(s.d.isVisible());
        s.found = true;
        s.ok();
        QVERIFY(!s.d.isVisible());
        QCOMPARE(s.d.result(), int(QDialog::Accepted));
    }

    // A hand-typed choice is found by its caption; one that names none closes the dialog
    // without a search.
    void typedChoice()
    {
        Sample s(true);
        s.d.choice()->setEditText(u"名称"_s);
        QVERIFY(s.d.value()->isEnabled());
        testsupport::typeText(s.d.value(), u"x"_s);
        s.ok();
        QCOMPARE(s.chosen, u"名称"_s);

        Sample t(true);
        t.d.choice()->setEditText(u"别的"_s);
        testsupport::typeText(t.d.value(), u"x"_s);
        t.ok();
        QCOMPARE(t.searches, 0);
        QCOMPARE(t.d.result(), int(QDialog::Rejected));
    }

    // The filter of each kind: a whole value, or a part of a field that holds something.
    void filters()
    {
        const QueryChoice equals{"代码", "Code", QueryChoice::Kind::Equals};
        const QueryChoice contains{"名称", "Name"};
        QCOMPARE(equals.filter(u"A%"_s).columns(), QStringList{u"Code"_s});
        QVariantMap values;
        int counter = 0;
        const QString eq = equals.filter(u"A%"_s).toSql(store::Engine::SQLite, values, counter);
        QVERIFY2(!eq.contains(u"like"_s, Qt::CaseInsensitive), qPrintable(eq));
        QVERIFY(values.values().contains(QVariant(u"A%"_s)));
        values.clear();
        const QString like = contains.filter(u"A%"_s).toSql(store::Engine::SQLite, values, counter);
        QVERIFY2(like.contains(u"like"_s, Qt::CaseInsensitive), qPrintable(like));
        QVERIFY2(like.contains(u"null"_s, Qt::CaseInsensitive), qPrintable(like));
        QVERIFY2(!like.contains(u"A%"_s), qPrintable(like)); // bound, never in the text
    }

    void dayInput()
    {
        QWidget parent;
        QDateEdit *d = QueryDialogParts::dayInput("dtpStart", QDate(2026, 3, 4), &parent);
        QCOMPARE(d->objectName(), u"dtpStart"_s);
        QCOMPARE(d->date(), QDate(2026, 3, 4));
        QCOMPARE(d->text(), u"2026-03-04"_s);
        QVERIFY(d->calendarPopup());
    }
};

QTEST_MAIN(TestChoiceQueryDialog)
#include "tst_choicequerydialog.moc"
