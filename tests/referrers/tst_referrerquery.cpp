// The referrer search TfrmOperaterQuery: its five choices and four messages, the trimmed text
// matched literally, a blank text, a hand-typed choice and 取消.
#include "condition.h"
#include "messagebox.h"
#include "referrerquerydialog.h"
#include "referrersfixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

struct Dialog {
    explicit Dialog(ReferrersFixture &f) : d(f.dm)
    {
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
    }
    ReferrerQueryDialog d;
    QComboBox *choice() { return d.findChild<QComboBox *>(u"dxPickEdit1"_s); }
    QLineEdit *text() { return d.findChild<QLineEdit *>(u"Edit1"_s); }
    void ok() { d.findChild<QPushButton *>(u"SpeedButton2"_s)->click(); }
    void cancel() { d.findChild<QPushButton *>(u"SpeedButton4"_s)->click(); }
    // Picks a choice from the list and types the text.
    void search(int index, const QString &value)
    {
        choice()->setCurrentIndex(index);
        testsupport::typeText(text(), value);
        ok();
    }
};

QStringList codes(store::Dataset &set)
{
    QStringList out;
    for (int row = 0; row < set.rowCount(); ++row)
        out << set.value(row, u"OperaterID"_s).toString();
    out.sort();
    return out;
}

// Referrers whose columns hold texts that a concatenated pattern would get wrong.
void addReferrers(ReferrersFixture &f)
{
    f.addReferrer(u"P01"_s, u"华东100%代理"_s,
                  {{u"NickName"_s, u"王_明"_s}, {u"Duty"_s, u"区域经理"_s}});
    f.addReferrer(u"X010"_s, u"O'Brien"_s, {{u"NickName"_s, u"王大明"_s}});
    f.addReferrer(u"P02"_s, u"华东1000代理"_s, {{u"Duty"_s, u"业务经理"_s}});
    f.addReferrer(u"Q1"_s, u"华南"_s);
}

} // namespace

class TestReferrerQuery : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    void choicesAndTheTextField()
    {
        ReferrersFixture f(u"sqlite"_s);
        Dialog dlg(f);
        QCOMPARE(dlg.d.objectName(), u"TfrmOperaterQuery"_s);
        QCOMPARE(dlg.d.windowTitle(), u"推荐人/单位查询"_s);
        QStringList items;
        for (int i = 0; i < dlg.choice()->count(); ++i)
            items << dlg.choice()->itemText(i);
        QCOMPARE(items, (QStringList{u"所有推荐人"_s, u"推荐人代码"_s, u"推荐人名称"_s, u"联系人"_s,
                                     u"职务"_s}));
        QCOMPARE(dlg.choice()->currentText(), u"所有推荐人"_s);
        QTRY_VERIFY(dlg.choice()->hasFocus());
        QVERIFY(!dlg.text()->isEnabled());
        dlg.choice()->setCurrentIndex(2);
        QVERIFY(dlg.text()->isEnabled());
        testsupport::typeText(dlg.text(), u"华东"_s);
        dlg.choice()->setCurrentIndex(3); // another choice empties the text
        QCOMPARE(dlg.text()->text(), QString());
        testsupport::typeText(dlg.text(), u"王"_s);
        dlg.choice()->setCurrentIndex(0);
        QCOMPARE(dlg.text()->text(), QString());
        QVERIFY(!dlg.text()->isEnabled());
    }

    // Each column choice with no text says so, keeps the dialog open and changes nothing.
    void emptyTextMessages()
    {
        ReferrersFixture f(u"sqlite"_s);
        addReferrers(f);
        f.openReferrersModule();
        const QStringList messages{u"请输入匹配的推荐人代码!"_s, u"请输入匹配的推荐人名称!"_s,
                                   u"请输入匹配的联系人名称!"_s, u"请输入匹配的职务!"_s};
        for (int i = 0; i < messages.size(); ++i) {
            resetScripts();
            Dialog dlg(f);
            dlg.search(i + 1, QString());
            QCOMPARE(shownTexts(), QStringList{messages[i]});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QCOMPARE(MessageBox::last().title, u"系统提示"_s);
            QVERIFY(dlg.d.isVisible());
            QTRY_VERIFY(dlg.text()->hasFocus());
            QVERIFY(!f.dm.tblOperaters.isFiltered());
        }
    }

    // The text is trimmed and bound: a substring match of that one column, "%", "_" and "'"
    // meaning themselves; blanks only find every row with something in the column.
    void searches_data() { testsupport::addEngineRows(); }
    void searches()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        addReferrers(f);
        f.openReferrersModule();
        store::Dataset &set = f.dm.tblOperaters;
        const struct {
            int choice;
            QString text;
            QStringList found;
        } cases[] = {
            {1, u"  01 "_s, {u"P01"_s, u"X010"_s}},
            {1, u"p0"_s, {u"P01"_s, u"P02"_s}},
            {2, u"100%"_s, {u"P01"_s}},
            {2, u"o'b"_s, {u"X010"_s}},
            {3, u"王_"_s, {u"P01"_s}},
            {3, u"大"_s, {u"X010"_s}},
            {4, u"经理"_s, {u"P01"_s, u"P02"_s}},
            {4, u"   "_s, {u"P01"_s, u"P02"_s}},
            {3, u" "_s, {u"P01"_s, u"X010"_s}},
            {2, u"无此人"_s, {}},
        };
        for (const auto &c : cases) {
            Dialog dlg(f);
            dlg.search(c.choice, c.text);
            QCOMPARE(shownTexts(), QStringList());
            QVERIFY(!dlg.d.isVisible());
            QCOMPARE(dlg.d.result(), int(QDialog::Accepted));
            QCOMPARE(codes(set), c.found);
        }
        // 所有推荐人 lifts the search.
        Dialog dlg(f);
        dlg.ok();
        QVERIFY(!set.isFiltered());
        QCOMPARE(set.rowCount(), 4);
    }

    // A choice typed by hand that is none of the five, or 取消, closes and changes nothing.
    void handTypedChoiceAndCancel()
    {
        ReferrersFixture f(u"sqlite"_s);
        addReferrers(f);
        f.openReferrersModule();
        store::Dataset &set = f.dm.tblOperaters;
        set.setFilter(store::Condition::like(u"Name"_s, u"华东"_s));
        {
            Dialog dlg(f);
            dlg.choice()->setEditText(u"推荐人"_s);
            QVERIFY(dlg.text()->isEnabled());
            testsupport::typeText(dlg.text(), u"Q"_s);
            dlg.ok();
            QVERIFY(!dlg.d.isVisible());
            QCOMPARE(shownTexts(), QStringList());
            QCOMPARE(codes(set), (QStringList{u"P01"_s, u"P02"_s}));
        }
        Dialog dlg(f);
        dlg.search(4, QString());
        QCOMPARE(shownTexts(), QStringList{u"请输入匹配的职务!"_s});
        testsupport::typeText(dlg.text(), u"区域"_s);
        dlg.cancel();
        QVERIFY(!dlg.d.isVisible());
        QCOMPARE(codes(set), (QStringList{u"P01"_s, u"P02"_s}));
    }
};

QTEST_MAIN(TestReferrerQuery)
#include "tst_referrerquery.moc"
