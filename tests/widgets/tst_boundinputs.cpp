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
#include "modifyright.h"
#include "rights.h"
#include "session.h"
#include "teststore.h"

#include <QAction>
#include <QFocusEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using State = store::Dataset::State;

namespace
{
// What leaving an input does, without needing an active window.
void leave(QWidget *w, Qt::FocusReason reason = Qt::TabFocusReason)
{
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(w, &out);
}

// A window holding inputs under their labels, shown and active, so that the focus and the
// keys go where a user's would.
struct Form {
    QWidget window;
    QFormLayout *layout = new QFormLayout(&window);
    QLineEdit *other = new QLineEdit(&window);
    Form() { layout->addRow(QStringLiteral("其他"), other); }
    template <typename T> T *add(const QString &label, store::Dataset *set, const QString &field)
    {
        auto *e = new T(&window);
        e->bind(set, field);
        layout->addRow(label, e);
        return e;
    }
    bool show()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

void typeIntoFocus(const QString &keys)
{
    QTest::keyClicks(QApplication::focusWidget(), keys);
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

    // tblPlan holding the rows of `values` ("(PlanDate) VALUES (...)"), open on the first.
    std::unique_ptr<store::Dataset> plans(const char *values)
    {
        m_db->exec(QStringLiteral("INSERT INTO tblPlan ") + QLatin1String(values));
        return openTable(*m_db, QStringLiteral("tblPlan"));
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
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，“2024-13-41”不是有效的日期！"));
        QVERIFY(date.isBlank());
        QVERIFY(d->value(QStringLiteral("PlanDate")).isNull());

        CalendarDialog::setNextDate(QDate(2025, 1, 2));
        date.calendarAction()->trigger();
        QCOMPARE(date.text(), QStringLiteral("2025-01-02"));
        QCOMPARE(d->value(QStringLiteral("PlanDate")).toDate(), QDate(2025, 1, 2));
    }

    // An empty mask takes the digits typed from its first position however it was reached:
    // focused while its row turns empty (a new row), focused by the program (after a message),
    // or clicked anywhere.
    void emptyMaskTypesFromItsStart()
    {
        auto d = plans("(PlanDate) VALUES ('2024-03-15'), (NULL), (NULL), (NULL)");
        Form form;
        auto *date =
            form.add<DbDateEdit>(QStringLiteral("日期"), d.get(), QStringLiteral("PlanDate"));
        QVERIFY(form.show());

        date->setFocus();
        date->end(false);
        d->next();
        typeIntoFocus(QStringLiteral("20240401"));
        QCOMPARE(date->text(), QStringLiteral("2024-04-01"));
        QCOMPARE(d->value(QStringLiteral("PlanDate")).toDate(), QDate(2024, 4, 1));

        d->next();
        form.other->setFocus();
        date->end(false);
        date->setFocus();
        typeIntoFocus(QStringLiteral("20240502"));
        QCOMPARE(date->text(), QStringLiteral("2024-05-02"));

        d->next();
        form.other->setFocus();
        QTest::mouseClick(date, Qt::LeftButton, {}, QPoint(date->width() / 2, date->height() / 2));
        QVERIFY(date->hasFocus());
        typeIntoFocus(QStringLiteral("20240603"));
        QCOMPARE(date->text(), QStringLiteral("2024-06-03"));
        d->post();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM tblPlan WHERE PlanDate IS NULL"))
                     .toInt(),
                 0);
    }

    // A date that is no date is said once, naming the field by its label. Leaving the input
    // (Tab, a click) says it and shows the stored value again; a message box, another window,
    // a menu or the program taking the focus say nothing. A save's check says it, keeps what
    // was typed and puts the focus on it.
    void invalidTextIsSaidOnceByName()
    {
        auto d = plans("(PlanDate, PlanTime) VALUES ('2024-03-15', '09:00:00')");
        Form form;
        auto *time =
            form.add<DbTimeEdit>(QStringLiteral("时　间："), d.get(), QStringLiteral("PlanTime"));
        auto *date =
            form.add<DbDateEdit>(QStringLiteral("签约日期"), d.get(), QStringLiteral("PlanDate"));
        QVERIFY(form.show());
        date->setFocus();
        date->selectAll();
        typeIntoFocus(QStringLiteral("202405"));
        QCOMPARE(date->displayText(), QStringLiteral("2024-05-__"));
        for (Qt::FocusReason r :
             {Qt::ActiveWindowFocusReason, Qt::OtherFocusReason, Qt::PopupFocusReason})
            leave(date, r);
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(date->displayText(), QStringLiteral("2024-05-__"));
        d->setValue(QStringLiteral("Address"), QStringLiteral("别处")); // another field typed
        QCOMPARE(date->displayText(), QStringLiteral("2024-05-__"));

        QVERIFY(!DbFormattedEdit::refuseUnfinished(time)); // the time is fine
        form.other->setFocus();
        QVERIFY(DbFormattedEdit::refuseUnfinished(&form.window));
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，签约日期不是有效的日期！"));
        QVERIFY(date->hasFocus());
        QCOMPARE(date->displayText(), QStringLiteral("2024-05-__"));
        QCOMPARE(d->value(QStringLiteral("PlanDate")).toDate(), QDate(2024, 3, 15));

        MessageBox::clearHistory();
        QTest::keyClick(date, Qt::Key_Tab);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，签约日期不是有效的日期！"));
        QCOMPARE(date->text(), QStringLiteral("2024-03-15"));

        time->setFocus();
        time->selectAll();
        typeIntoFocus(QStringLiteral("2561"));
        MessageBox::clearHistory();
        QTest::mouseClick(form.other, Qt::LeftButton);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，时间不是有效的时间！"));
        QCOMPARE(time->text(), QStringLiteral("09:00:00"));
    }

    // With real message boxes: the box that says a date is no date takes the focus from it,
    // and that is no leaving of the input. One box, not a second one stacked on it.
    void realMessageBoxIsShownOnce()
    {
        auto d = plans("(PlanDate) VALUES ('2024-03-15')");
        Form form;
        auto *date =
            form.add<DbDateEdit>(QStringLiteral("日期"), d.get(), QStringLiteral("PlanDate"));
        QVERIFY(form.show());
        date->setFocus();
        date->selectAll();
        typeIntoFocus(QStringLiteral("2024"));
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        closer.start(100);
        MessageBox::setScripted(false);
        DbFormattedEdit::refuseUnfinished(&form.window);
        MessageBox::setScripted(true);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(date->displayText(), QStringLiteral("2024-__-__"));
    }

    // Stored rows of a dataset that needs a right's Modify flag: without it no input changes
    // them and nothing of them is posted, whatever posts; a new row takes what is typed.
    void storedRowsNeedTheModifyRight()
    {
        store::session().CurrentUserID = QStringLiteral("Admin");
        m_db->exec(QStringLiteral("UPDATE tblUserRight SET \"Modify\" = ? WHERE RightID = '305'"),
                   {false});
        m_db->exec(QStringLiteral("INSERT INTO tblPlan (PlanDate, Address, Memo) VALUES "
                                  "('2024-03-15', '旧', '备')"));
        auto rightRows = openTable(*m_db, QStringLiteral("tblUserRight"));
        Rights rights(rightRows.get());
        auto d = openTable(*m_db, QStringLiteral("tblPlan"));
        ModifyRight::require(*d, rights, QStringLiteral("305"));
        DbLineEdit address;
        DbDateEdit date;
        DbMemo memo;
        address.bind(d.get(), QStringLiteral("Address"));
        date.bind(d.get(), QStringLiteral("PlanDate"));
        memo.bind(d.get(), QStringLiteral("Memo"));

        QTest::keyClicks(&address, QStringLiteral("X"));
        date.setCursorPosition(0);
        QTest::keyClicks(&date, QStringLiteral("2025"));
        QTest::keyClicks(&memo, QStringLiteral("Y"));
        date.clearAction()->trigger();
        QCOMPARE(d->state(), State::Browse);
        QCOMPARE(address.text(), QStringLiteral("旧"));
        QCOMPARE(date.text(), QStringLiteral("2024-03-15"));
        QCOMPARE(memo.toPlainText(), QStringLiteral("备"));
        d->edit(); // whatever started editing, the row is not stored
        d->setValue(QStringLiteral("Address"), QStringLiteral("改"));
        d->post();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT Address FROM tblPlan")).toString(),
                 QStringLiteral("旧"));

        d->append();
        QTest::keyClicks(&address, QStringLiteral("N"));
        QCOMPARE(d->state(), State::Insert);
        d->post();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM tblPlan")).toInt(), 2);

        m_db->exec(QStringLiteral("UPDATE tblUserRight SET \"Modify\" = ?"), {true});
        rightRows->refresh();
        d->first();
        QTest::keyClicks(&address, QStringLiteral("X"));
        QCOMPARE(d->state(), State::Edit);
        QCOMPARE(d->text(QStringLiteral("Address")), QStringLiteral("旧X"));
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
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，“25:30:00”不是有效的时间！"));
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

        // A sign alone is a number begun, not an empty one: the value stays and a save is
        // refused.
        amount.selectAll();
        QTest::keyClicks(&amount, QStringLiteral("-"));
        QCOMPARE(d->value(QStringLiteral("Rate")).toDouble(), 42.0);
        QVERIFY(DbFormattedEdit::refuseUnfinished(&amount));
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，“-”不是有效的数字！"));
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
