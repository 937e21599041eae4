// The contact queries: TfrmLinkmanQuery1 over the contact list (keeping ownership) and
// TfrmLinkmanQuery over the contacts of group mail and envelopes (every user's).
#include "contactquerydialog.h"
#include "contactsfixture.h"
#include "messagebox.h"
#include "session.h"
#include "testusers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

using Member = ContactQueryDialog::Member;

// The dialog with a choice and a value, 确定 clicked: the codes of the rows found, in order.
struct Query {
    Query(ContactsFixture &f, Member member) : d(member, f.dm) { d.show(); }
    ContactQueryDialog d;
    QComboBox *condition() { return d.findChild<QComboBox *>(u"cbCondition"_s); }
    QLineEdit *value() { return d.findChild<QLineEdit *>(u"edValue"_s); }
    QStringList run(int choice, const QString &text)
    {
        condition()->setCurrentIndex(choice);
        value()->clear();
        testsupport::typeText(value(), text);
        d.findChild<QPushButton *>(u"btnOK"_s)->click();
        QStringList codes;
        store::Dataset &set = d.dataset();
        for (int row = 0; row < set.rowCount(); ++row)
            codes << set.value(row, u"LinkmanID"_s).toString();
        codes.sort();
        return codes;
    }
};

} // namespace

class TestContactQueries : public QObject
{
    Q_OBJECT

    // Contacts of two users, with names and codes that hold the characters a pattern could
    // take for its own.
    static void addBook(ContactsFixture &f)
    {
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false, testsupport::allRights());
        f.addAgent(u"AG_1"_s, u"东方贸易"_s, u"zhang"_s);
        f.addContact(u"C1"_s, u"O'Brien"_s, u"AG_1"_s, u"zhang"_s, {{u"Duty"_s, u"经理"_s}});
        f.addContact(u"C2"_s, u"100% 张"_s, u"AGX1"_s, u"zhang"_s, {{u"NickName"_s, u"张 先生"_s}});
        f.addContact(u"C3"_s, u"a_b\\c"_s, u"AG_1"_s, u"zhang"_s);
        f.addContact(u"C4"_s, u"张三 "_s, u"ag_1"_s, u"other"_s, {{u"Duty"_s, u"副经理"_s}});
        f.addContact(u"C5"_s, u"张三"_s, u"BB"_s, u"other"_s);
    }

  private Q_SLOTS:
    void init() { resetScripts(); }

    void dialogLayout()
    {
        ContactsFixture f(u"sqlite"_s);
        for (const auto &[member, name, choices] :
             {std::tuple{Member::List, u"TfrmLinkmanQuery1"_s,
                         QStringList{u"所有联系人"_s, u"商务代理代码"_s, u"联系人代码"_s,
                                     u"联系人姓名"_s, u"职务"_s, u"称呼"_s}},
              std::tuple{Member::Mail, u"TfrmLinkmanQuery"_s,
                         QStringList{u"所有联系人"_s, u"商务代理资料"_s, u"联系人资料"_s}}}) {
            Query q(f, member);
            QCOMPARE(q.d.objectName(), name);
            QCOMPARE(q.d.windowTitle(), u"联系人查询"_s);
            QStringList items;
            for (int i = 0; i < q.condition()->count(); ++i)
                items << q.condition()->itemText(i);
            QCOMPARE(items, choices);
            QVERIFY(QTest::qWaitFor([&] { return q.condition()->hasFocus(); }, 2000));
            QVERIFY(!q.value()->isEnabled());
            q.condition()->setCurrentIndex(1);
            QVERIFY(q.value()->isEnabled());
            q.value()->setText(u"x"_s);
            q.condition()->setCurrentIndex(2);
            QCOMPARE(q.value()->text(), QString()); // every change of the choice empties it
            q.condition()->setCurrentIndex(0);
            QVERIFY(!q.value()->isEnabled());
            QStringList labels;
            for (QLabel *l : q.d.findChildren<QLabel *>())
                labels << l->text();
            QCOMPARE(labels, (QStringList{u"请选择查询条件："_s, u"附加条件："_s}));
        }
    }

    // The list query keeps ownership: "所有联系人" and a name both find only the user's own
    // contacts; the mail query finds every user's.
    void ownership_data() { testsupport::addEngineRows(); }
    void ownership()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        addBook(f);
        f.signIn(u"zhang"_s);
        f.openContactsModule();
        Query list(f, Member::List);
        QCOMPARE(list.run(0, {}), (QStringList{u"C1"_s, u"C2"_s, u"C3"_s}));
        QCOMPARE(list.run(3, u"张"_s), QStringList{u"C2"_s});
        Query mail(f, Member::Mail);
        QCOMPARE(mail.run(0, {}), (QStringList{u"C1"_s, u"C2"_s, u"C3"_s, u"C4"_s, u"C5"_s}));
        QCOMPARE(mail.run(2, u"张三"_s), (QStringList{u"C4"_s, u"C5"_s}));
        // "商务代理资料" is part of the agent code (letter case ignored), never the agent's name.
        QCOMPARE(mail.run(1, u"ag_"_s), (QStringList{u"C1"_s, u"C3"_s, u"C4"_s}));
        resetScripts();
        QCOMPARE(mail.run(1, u"东方"_s), QStringList());
        QCOMPARE(shownTexts(), QStringList{u"对不起，没有找到符合条件的记录！"_s});
        QVERIFY(f.dm.tblCustomers2.isOpen());
    }

    // The value is bound exactly as typed: quotes, "%", "_" and "\" match themselves, a
    // trailing blank is part of it, and blanks alone match only columns that hold them.
    void awkwardValues_data() { testsupport::addEngineRows(); }
    void awkwardValues()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        addBook(f);
        f.openContactsModule();
        Query q(f, Member::List);
        QCOMPARE(q.run(3, u"o'b"_s), QStringList{u"C1"_s});
        QCOMPARE(q.run(3, u"% "_s), QStringList{u"C2"_s});
        QCOMPARE(q.run(3, u"_"_s), QStringList{u"C3"_s});
        QCOMPARE(q.run(3, u"\\"_s), QStringList{u"C3"_s});
        QCOMPARE(q.run(3, u"张三 "_s), QStringList{u"C4"_s});
        QCOMPARE(q.run(1, u"G_"_s), (QStringList{u"C1"_s, u"C3"_s, u"C4"_s}));
        QCOMPARE(q.run(4, u"经理"_s), (QStringList{u"C1"_s, u"C4"_s}));
        QCOMPARE(q.run(5, u" "_s), QStringList{u"C2"_s}); // only "张 先生" holds a blank
        QCOMPARE(q.run(2, u"c"_s), (QStringList{u"C1"_s, u"C2"_s, u"C3"_s, u"C4"_s, u"C5"_s}));
        QCOMPARE(shownTexts(), QStringList());
        QVERIFY(!q.d.isVisible()); // each query that found rows closed the dialog
    }

    // Nothing found: the dialog stays open and the list behind it is empty, also after
    // 取消; an empty value is refused before the list is touched.
    void noResultAndEmptyValue_data() { testsupport::addEngineRows(); }
    void noResultAndEmptyValue()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        addBook(f);
        f.openContactsModule();
        store::Dataset &list = f.dm.qryLinkmans1;
        Query q(f, Member::List);
        q.run(3, {}); // nothing typed: refused
        QCOMPARE(shownTexts(), QStringList{u"请输入附加查询条件!"_s});
        QVERIFY(QTest::qWaitFor([&] { return q.value()->hasFocus(); }, 2000));
        QCOMPARE(list.rowCount(), 5); // left as it was
        QVERIFY(q.d.isVisible());
        resetScripts();
        QCOMPARE(q.run(3, u"nobody"_s), QStringList());
        QCOMPARE(shownTexts(), QStringList{u"对不起，没有找到符合条件的记录！"_s});
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QVERIFY(q.d.isVisible());
        q.d.findChild<QPushButton *>(u"btnCancel"_s)->click();
        QVERIFY(!q.d.isVisible());
        QVERIFY(list.isOpen());
        QCOMPARE(list.rowCount(), 0);
    }
};

QTEST_MAIN(TestContactQueries)
#include "tst_contactqueries.moc"
