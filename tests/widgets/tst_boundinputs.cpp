// Bound inputs show the current row, follow the dataset, and typing into a row that is only
// shown starts editing it with the typed value; dates, times and numbers store typed values.
#include "calculatordialog.h"
#include "calendardialog.h"
#include "condition.h"
#include "dataset.h"
#include "dbcheckbox.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblinklabel.h"
#include "dblookupcombo.h"
#include "dbmemo.h"
#include "dbnumberedit.h"
#include "dbpicklist.h"
#include "dbtimeedit.h"
#include "desktopservices.h"
#include "messagebox.h"
#include "teststore.h"

#include <QAction>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

using State = store::Dataset::State;

namespace
{
// What leaving an input does, without needing an active window.
void leave(QWidget *w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

std::unique_ptr<store::Dataset> openTable(store::Connection &db, const QString &table)
{
    auto d = std::make_unique<store::Dataset>(db, table);
    d->setTable(table);
    d->open();
    return d;
}
} // namespace

class TestBoundInputs : public QObject
{
    Q_OBJECT
  private:
    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::Connection> m_db;

  private Q_SLOTS:
    void init()
    {
        MessageBox::clearHistory();
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        m_db = m_store->connect();
        m_db->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, CountryID, Email, "
                                  "HomePage, Memo) VALUES (?, ?, ?, ?, ?, ?)"),
                   {QStringLiteral("C01"), QStringLiteral("华东代理"), QStringLiteral("china"),
                    QStringLiteral("zhang@example.cn"), QStringLiteral("www.example.cn"),
                    QStringLiteral("老客户")});
        m_db->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName) VALUES (?, ?)"),
                   {QStringLiteral("C02"), QStringLiteral("华南代理")});
    }
    void cleanup()
    {
        m_db.reset();
        m_store.reset();
    }

    void typingStartsEditingTheRow()
    {
        auto d = openTable(*m_db, QStringLiteral("tblCustomers"));
        DbLineEdit name, same;
        DbMemo memo;
        name.bind(d.get(), QStringLiteral("CustName"));
        same.bind(d.get(), QStringLiteral("custname"));
        memo.bind(d.get(), QStringLiteral("Memo"));
        QCOMPARE(name.text(), QStringLiteral("华东代理"));
        QCOMPARE(name.maxLength(), 50);
        QCOMPARE(memo.toPlainText(), QStringLiteral("老客户"));

        QTest::keyClicks(&name, QStringLiteral("AB"));
        QCOMPARE(d->state(), State::Edit);
        QCOMPARE(d->text(QStringLiteral("CustName")), QStringLiteral("华东代理AB"));
        QCOMPARE(same.text(), QStringLiteral("华东代理AB")); // every input on the field follows

        memo.moveCursor(QTextCursor::End);
        QTest::keyClicks(&memo, QStringLiteral(" VIP"));
        QCOMPARE(d->text(QStringLiteral("Memo")), QStringLiteral("老客户 VIP"));

        d->next(); // moving stores the row; the inputs show the next one
        QCOMPARE(
            m_db->scalar(QStringLiteral("SELECT CustName FROM tblCustomers WHERE CustId = 'C01'"))
                .toString(),
            QStringLiteral("华东代理AB"));
        QCOMPARE(name.text(), QStringLiteral("华南代理"));
        QVERIFY(memo.toPlainText().isEmpty());

        d->cancel();
        d->setFilter(store::Condition::eq(QStringLiteral("CustId"), QStringLiteral("none")));
        QVERIFY(name.text().isEmpty());
        QTest::keyClicks(&name, QStringLiteral("Z")); // no row to type into
        QVERIFY(name.text().isEmpty());
        QCOMPARE(d->state(), State::Browse);
    }

    void checkBoxWritesOnClick()
    {
        m_db->exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Main) VALUES "
                                  "('L1', 'C01', 0), ('L2', 'C01', 1)"));
        auto d = openTable(*m_db, QStringLiteral("tblLinkmans"));
        DbCheckBox main(QStringLiteral("主联系人"));
        main.bind(d.get(), QStringLiteral("Main"));
        QVERIFY(!main.isChecked());
        main.adjustSize();
        QTest::mouseClick(&main, Qt::LeftButton);
        QCOMPARE(d->state(), State::Edit);
        QCOMPARE(d->value(QStringLiteral("Main")), QVariant(true));
        d->cancel();
        QVERIFY(!main.isChecked());
        d->next();
        QVERIFY(main.isChecked());
    }

    void dateInputMayBeEmpty()
    {
        m_db->exec(QStringLiteral("INSERT INTO tblPlan (PlanDate, PlanTime) VALUES "
                                  "('2024-03-15', '14:05:00'), (NULL, NULL)"));
        auto d = openTable(*m_db, QStringLiteral("tblPlan"));
        DbDateEdit date;
        date.bind(d.get(), QStringLiteral("PlanDate"));
        QCOMPARE(date.text(), QStringLiteral("2024-03-15"));
        QCOMPARE(date.date(), QDate(2024, 3, 15));

        d->next();
        QVERIFY(date.isBlank());
        date.setCursorPosition(0);
        QTest::keyClicks(&date, QStringLiteral("2024"));
        QCOMPARE(d->state(), State::Edit); // editing starts with the first digit
        QVERIFY(d->value(QStringLiteral("PlanDate")).isNull());
        QTest::keyClicks(&date, QStringLiteral("0401"));
        QCOMPARE(date.text(), QStringLiteral("2024-04-01"));
        QCOMPARE(d->value(QStringLiteral("PlanDate")).toDate(), QDate(2024, 4, 1));
        d->post();

        date.clearAction()->trigger();
        QVERIFY(date.isBlank());
        d->post();
        QVERIFY(m_db->scalar(QStringLiteral("SELECT PlanDate FROM tblPlan WHERE PlanID = ?"),
                             {d->value(QStringLiteral("PlanID"))})
                    .isNull());

        // A date that cannot be is refused when the input is left.
        date.setCursorPosition(0);
        QTest::keyClicks(&date, QStringLiteral("20241341"));
        leave(&date);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::last().text, QStringLiteral("“2024-13-41”不是有效的日期。"));
        QVERIFY(date.isBlank());
        QVERIFY(d->value(QStringLiteral("PlanDate")).isNull());

        CalendarDialog::setNextDate(QDate(2025, 1, 2));
        date.calendarAction()->trigger();
        QCOMPARE(date.text(), QStringLiteral("2025-01-02"));
        QCOMPARE(d->value(QStringLiteral("PlanDate")).toDate(), QDate(2025, 1, 2));
    }

    void timeMaskStoresColons()
    {
        m_db->exec(QStringLiteral("INSERT INTO tblPlan (PlanDate, PlanTime) VALUES "
                                  "('2024-03-15', '14:05:00'), (NULL, NULL)"));
        auto d = openTable(*m_db, QStringLiteral("tblPlan"));
        DbTimeEdit time;
        time.bind(d.get(), QStringLiteral("PlanTime"));
        QCOMPARE(time.inputMask(), QStringLiteral("99:99:99;_"));
        QCOMPARE(time.text(), QStringLiteral("14:05:00"));

        d->next();
        QVERIFY(time.isBlank());
        leave(&time); // an empty time stays empty and nothing is said
        QCOMPARE(d->state(), State::Browse);
        QVERIFY(MessageBox::history().isEmpty());

        time.setCursorPosition(0);
        QTest::keyClicks(&time, QStringLiteral("093000"));
        QCOMPARE(d->value(QStringLiteral("PlanTime")), QVariant(QStringLiteral("09:30:00")));
        d->post();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT PlanTime FROM tblPlan WHERE PlanID = ?"),
                              {d->value(QStringLiteral("PlanID"))})
                     .toString(),
                 QStringLiteral("09:30:00"));

        time.setCursorPosition(0);
        QTest::keyClicks(&time, QStringLiteral("25"));
        leave(&time);
        QCOMPARE(MessageBox::last().text, QStringLiteral("“25:30:00”不是有效的时间。"));
        QCOMPARE(time.text(), QStringLiteral("09:30:00"));

        time.selectAll();
        QTest::keyClick(&time, Qt::Key_Backspace);
        QVERIFY(time.isBlank());
        QVERIFY(d->value(QStringLiteral("PlanTime")).isNull());
    }

    void numberInputWithCalculator()
    {
        m_db->exec(QStringLiteral("INSERT INTO tblOperates (OperateID, Rate, RMB) "
                                  "VALUES ('R1', 1500, 3.5)"));
        auto d = openTable(*m_db, QStringLiteral("tblOperates"));
        DbNumberEdit amount, rmb;
        amount.bind(d.get(), QStringLiteral("Rate"));
        rmb.bind(d.get(), QStringLiteral("RMB"));
        QCOMPARE(amount.text(), QStringLiteral("1500"));
        QCOMPARE(rmb.text(), QStringLiteral("3.50"));
        // Money shows four decimals where it has them, never a rounding error.
        d->setValue(QStringLiteral("RMB"), 0.1 + 0.2);
        QCOMPARE(rmb.text(), QStringLiteral("0.30"));
        d->setValue(QStringLiteral("RMB"), 12.34567);
        QCOMPARE(rmb.text(), QStringLiteral("12.3457"));
        d->cancel();

        amount.selectAll();
        QTest::keyClicks(&amount, QStringLiteral("12.5x"));
        QCOMPARE(amount.text(), QStringLiteral("12.5")); // letters are not taken
        QCOMPARE(d->state(), State::Edit);
        QCOMPARE(d->value(QStringLiteral("Rate")).toDouble(), 12.5);

        CalculatorDialog::clearHistory();
        CalculatorDialog::setNextResult(42);
        CalculatorDialog::setNextCancel();
        amount.calculatorAction()->trigger();
        QCOMPARE(CalculatorDialog::calls(), QList<double>{12.5}); // opens on the field's number
        QCOMPARE(amount.text(), QStringLiteral("42"));
        QCOMPARE(d->value(QStringLiteral("Rate")).toDouble(), 42.0);
        amount.calculatorAction()->trigger();
        QCOMPARE(d->value(QStringLiteral("Rate")).toDouble(), 42.0);
    }

    void pickListsAndLookups()
    {
        m_db->exec(QStringLiteral(
            "INSERT INTO tblOperaters (OperaterID, Name, Sex) VALUES ('P1', '王', '男')"));
        auto referrers = openTable(*m_db, QStringLiteral("tblOperaters"));
        DbPickList sex;
        sex.setItems({QStringLiteral("男"), QStringLiteral("女")});
        sex.bind(referrers.get(), QStringLiteral("Sex"));
        QCOMPARE(sex.shownText(), QStringLiteral("男"));
        QTest::keyClick(&sex, Qt::Key_Down);
        QCOMPARE(referrers->state(), State::Edit);
        QCOMPARE(referrers->text(QStringLiteral("Sex")), QStringLiteral("女"));
        sex.setFreeText(true);
        sex.lineEdit()->selectAll();
        QTest::keyClicks(sex.lineEdit(), QStringLiteral("n/a"));
        QCOMPARE(referrers->text(QStringLiteral("Sex")), QStringLiteral("n/a"));
        QCOMPARE(sex.count(), 2); // typed texts do not join the list

        auto countries = openTable(*m_db, QStringLiteral("tblCountry"));
        auto agents = openTable(*m_db, QStringLiteral("tblCustomers"));
        DbLookupCombo country;
        country.setSource(countries.get(), QStringLiteral("CountryName"),
                          QStringLiteral("CountryID"));
        country.bind(agents.get(), QStringLiteral("CountryID"));
        QCOMPARE(country.count(), countries->rowCount());
        QCOMPARE(country.currentText(), QStringLiteral("中国")); // stored as "china"

        const int japan = country.findText(QStringLiteral("日本"));
        QVERIFY(japan > 0);
        country.setCurrentIndex(japan - 1);
        QTest::keyClick(&country, Qt::Key_Down);
        QCOMPARE(agents->text(QStringLiteral("CountryID")), QStringLiteral("Japan"));
        QCOMPARE(country.currentKey().toString(), QStringLiteral("Japan"));

        // The list is the source as it is filtered now.
        countries->setFilter(
            store::Condition::eq(QStringLiteral("Continent"), QStringLiteral("欧洲")));
        QCoreApplication::processEvents();
        QCOMPARE(country.count(), countries->rowCount());
        QVERIFY(country.findText(QStringLiteral("德国")) >= 0);
        QCOMPARE(country.currentIndex(), -1); // Japan is not among them
        countries->append();
        countries->setValue(QStringLiteral("CountryID"), QStringLiteral("Spain"));
        countries->setValue(QStringLiteral("CountryName"), QStringLiteral("西班牙"));
        countries->setValue(QStringLiteral("Continent"), QStringLiteral("欧洲"));
        countries->setValue(QStringLiteral("Memo"), QStringLiteral("新增"));
        countries->post();
        QCoreApplication::processEvents();
        QVERIFY(country.findText(QStringLiteral("西班牙")) >= 0);

        QTest::keyClick(&country, Qt::Key_Delete);
        QVERIFY(agents->value(QStringLiteral("CountryID")).isNull());
    }

    void linkLabelsOpenMailAndWeb()
    {
        auto d = openTable(*m_db, QStringLiteral("tblCustomers"));
        DesktopServices::clearHistory();
        DbLinkLabel mail(nullptr, DbLinkLabel::Kind::Mail), web;
        mail.bind(d.get(), QStringLiteral("Email"));
        web.bind(d.get(), QStringLiteral("HomePage"));
        QVERIFY(mail.text().contains(QStringLiteral("zhang@example.cn")));

        Q_EMIT mail.linkActivated(QStringLiteral("#"));
        QCOMPARE(DesktopServices::last().kind, DesktopServices::Kind::Mail);
        QCOMPARE(DesktopServices::last().target, QStringLiteral("mailto:zhang@example.cn"));
        QVERIFY(web.openAddress());
        QCOMPARE(DesktopServices::last().target, QStringLiteral("http://www.example.cn"));

        d->next(); // no address: nothing to open
        QVERIFY(mail.text().isEmpty());
        QVERIFY(!mail.openAddress());
        QCOMPARE(DesktopServices::calls().size(), 2);
    }
};

QTEST_MAIN(TestBoundInputs)
#include "tst_boundinputs.moc"
