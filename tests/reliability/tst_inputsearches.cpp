// Awkward texts in the new rows of contacts, contact records and their items, referrers,
// schedule entries and notices, and typed into the real search dialogs: the contact query,
// the record search, the referrer search, the schedule and ledger queries by days, and the
// codes the work assignment hands over. Each is stored whole and found literally; a text
// longer than its column is refused with a message naming the field, one at its width is
// stored whole.
#include "agentsfixture.h"
#include "assignwindow.h"
#include "awkwardtexts.h"
#include "contactquerydialog.h"
#include "inoutquerydialog.h"
#include "messagebox.h"
#include "planquerydialog.h"
#include "recordquerydialog.h"
#include "referrerquerydialog.h"
#include "session.h"
#include "storeerror.h"
#include "testusers.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;
using namespace awkward;

namespace
{

const QDate Day(2026, 3, 2);

// A new row through a dataset on the table, as a window's dataset stores it.
void storeRow(store::Connection &db, const QString &table, const QVariantMap &values)
{
    store::Dataset d(db, u"new"_s + table);
    d.setTable(table);
    d.open();
    d.append();
    for (auto it = values.begin(); it != values.end(); ++it)
        d.setValue(it.key(), it.value());
    d.post();
}

// Every row of a table in the order it was stored, the given columns of each.
QList<QVariantList> rowsOf(store::Connection &db, const QString &table, const QStringList &columns)
{
    QStringList idents;
    for (const QString &c : columns)
        idents << db.ident(c);
    const store::Table *t = store::Schema::find(table);
    QSqlQuery q = db.exec(
        u"SELECT %1 FROM %2 ORDER BY %3"_s.arg(idents.join(u','), table, db.ident(t->keyColumn())));
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < columns.size(); ++i)
            row << q.value(i);
        out << row;
    }
    return out;
}

QStringList sorted(QSet<QString> s)
{
    QStringList l(s.begin(), s.end());
    l.sort();
    return l;
}

// What a search may find: at least the rows holding the term as typed, at most those holding
// it in any letter case (case is the subject of tst_badinput).
struct Expect {
    QSet<QString> exact, anyCase;
    bool admits(const QSet<QString> &found) const
    {
        return found.contains(exact) && anyCase.contains(found);
    }
};

enum class Match { Contains, Equals };

Expect expect(const QHash<QString, QString> &textByCode, const QString &term, Match how)
{
    Expect e;
    for (auto it = textByCode.begin(); it != textByCode.end(); ++it) {
        const QString &t = it.value();
        const bool exact = how == Match::Contains ? t.contains(term) : t == term;
        const bool any = how == Match::Contains ? t.contains(term, Qt::CaseInsensitive)
                                                : t.compare(term, Qt::CaseInsensitive) == 0;
        if (exact)
            e.exact << it.key();
        if (any)
            e.anyCase << it.key();
    }
    return e;
}

QSet<QString> codesIn(store::Dataset &d, const QString &codeField)
{
    QSet<QString> out;
    for (int r = 0; r < d.rowCount(); ++r)
        out << d.value(r, codeField).toString();
    return out;
}

// The terms typed into every search: each case's text, code and first characters, and the
// characters a pattern or a statement could take for its own.
QStringList searchTerms()
{
    QStringList terms;
    for (const Case &c : cases())
        terms << c.text << c.code << firstChars(c.text, 3);
    terms << u"%"_s << u"_"_s << u"\\"_s << u"'"_s << u"\""_s << u"%%"_s << u"\t"_s << u"\r\n"_s
          << u"--"_s << u":v0"_s << u"😀"_s << u"👍🏽"_s << u"ש"_s << u"'; --"_s
          << QString(5000, u'%');
    return terms;
}

void click(QWidget *dialog, const char *button)
{
    dialog->findChild<QPushButton *>(QLatin1String(button))->click();
}

} // namespace

class TestInputSearches : public QObject
{
    Q_OBJECT

    // The rows of every case: an agent, a contact, a contact record with one item, a
    // referrer, a schedule entry and a notice, all holding the case's text and code.
    static void storeCases(AgentsFixture &f)
    {
        store::Connection &db = f.dm.connection();
        for (const Case &c : cases()) {
            storeRow(db, u"tblCustomers"_s,
                     {{u"CustId"_s, c.code}, {u"CustName"_s, c.text}, {u"SUser"_s, u"Admin"_s}});
            storeRow(db, u"tblLinkmans"_s,
                     {{u"LinkmanID"_s, c.code},
                      {u"CustID"_s, c.code},
                      {u"Name"_s, c.text},
                      {u"NickName"_s, c.text},
                      {u"Duty"_s, c.text},
                      {u"Memo"_s, c.text},
                      {u"SUser"_s, u"Admin"_s}});
            storeRow(db, u"tblOperates"_s,
                     {{u"OperateID"_s, c.code},
                      {u"OperateTitle"_s, c.text},
                      {u"CustID"_s, c.code},
                      {u"OperaterID"_s, c.code},
                      {u"OperateStateID"_s, c.code},
                      {u"InOrOut"_s, u"收款"_s},
                      {u"EndDate"_s, Day},
                      {u"RMB"_s, 100},
                      {u"SUser"_s, u"Admin"_s}});
            storeRow(db, u"tblOperateDetail"_s,
                     {{u"OperateID"_s, c.code},
                      {u"DetailNo"_s, u"1"_s},
                      {u"DTitle"_s, c.text},
                      {u"Memo"_s, c.text},
                      {u"RMB"_s, 40}});
            storeRow(db, u"tblOperaters"_s,
                     {{u"OperaterID"_s, c.code},
                      {u"Name"_s, c.text},
                      {u"NickName"_s, c.text},
                      {u"Duty"_s, firstChars(c.text, 30)},
                      {u"SUser"_s, u"Admin"_s}});
            storeRow(db, u"tblPlan"_s,
                     {{u"PlanDate"_s, Day},
                      {u"CustID"_s, c.code},
                      {u"Address"_s, c.text},
                      {u"Memo"_s, c.text},
                      {u"Linkman"_s, firstChars(c.text, 30)}});
            storeRow(db, u"tblBoard"_s,
                     {{u"BTitle"_s, c.text},
                      {u"BDate"_s, Day},
                      {u"Man"_s, c.text},
                      {u"Memo"_s, c.text}});
        }
    }

  private Q_SLOTS:
    void init() { resetScripts(); }

    // Every field comes back from the store as typed, read by another seat.
    void newRowsHoldTheirTextsWhole_data() { testsupport::addEngineRows(); }
    void newRowsHoldTheirTextsWhole()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        storeCases(f);
        auto other = f.store.connect();
        const QList<Case> all = cases();
        const struct {
            const char *table;
            QStringList columns;
            std::function<QVariantList(const Case &)> typed;
        } tables[] = {
            {"tblLinkmans",
             {u"LinkmanID"_s, u"Name"_s, u"NickName"_s, u"Duty"_s, u"Memo"_s},
             [](const Case &c) {
                 return QVariantList{c.code, c.text, c.text, c.text, c.text};
             }},
            {"tblOperates",
             {u"OperateID"_s, u"OperateTitle"_s, u"OperaterID"_s, u"OperateStateID"_s},
             [](const Case &c) {
                 return QVariantList{c.code, c.text, c.code, c.code};
             }},
            {"tblOperateDetail",
             {u"OperateID"_s, u"DTitle"_s, u"Memo"_s},
             [](const Case &c) {
                 return QVariantList{c.code, c.text, c.text};
             }},
            {"tblOperaters",
             {u"OperaterID"_s, u"Name"_s, u"NickName"_s, u"Duty"_s},
             [](const Case &c) {
                 return QVariantList{c.code, c.text, c.text, firstChars(c.text, 30)};
             }},
            {"tblPlan",
             {u"CustID"_s, u"Address"_s, u"Memo"_s, u"Linkman"_s},
             [](const Case &c) {
                 return QVariantList{c.code, c.text, c.text, firstChars(c.text, 30)};
             }},
            {"tblBoard",
             {u"BTitle"_s, u"Man"_s, u"Memo"_s},
             [](const Case &c) {
                 return QVariantList{c.text, c.text, c.text};
             }},
        };
        int values = 0;
        for (const auto &t : tables) {
            const QList<QVariantList> rows = rowsOf(*other, QLatin1String(t.table), t.columns);
            QCOMPARE(rows.size(), all.size());
            for (int i = 0; i < all.size(); ++i) {
                const QVariantList typed = t.typed(all[i]);
                for (int col = 0; col < t.columns.size(); ++col) {
                    QVERIFY2(rows[i][col].toString() == typed[col].toString(),
                             qPrintable(u"%1.%2 of %3"_s.arg(QLatin1String(t.table), t.columns[col],
                                                             QLatin1String(all[i].name))));
                    ++values;
                }
            }
        }
        qInfo().noquote() << engine << values << "values read back whole from 6 tables";
    }

    // Every text column of those tables, filled with awkward characters: at its width stored
    // whole, one character more refused with a message naming the field and nothing stored.
    void textsAtAndPastTheirWidth_data() { testsupport::addEngineRows(); }
    void textsAtAndPastTheirWidth()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        store::Connection &db = f.dm.connection();
        auto other = f.store.connect();
        int stored = 0, refused = 0;
        for (const char *name : {"tblLinkmans", "tblOperates", "tblOperateDetail", "tblOperaters",
                                 "tblPlan", "tblBoard"}) {
            const QString table = QLatin1String(name);
            const store::Table *t = store::Schema::find(table);
            QVERIFY(t);
            store::Dataset d(db, u"widths"_s);
            d.setTable(table);
            d.open();
            int row = 0;
            for (const store::Column &column : t->columns) {
                if (column.type != store::ColumnType::Text || column.width <= 0)
                    continue;
                for (const int length : {column.width, column.width + 1}) {
                    ++row;
                    d.append();
                    // Codes and required fields get short values of their own in every row.
                    for (const store::Column &other : t->columns)
                        if ((other.unique || other.required ||
                             t->uniqueTogether.contains(other.name)) &&
                            other.name != column.name)
                            d.setValue(other.name, u"k%1"_s.arg(row));
                    const QString value = filled(length, row);
                    QCOMPARE(charCount(value), length);
                    d.setValue(column.name, value);
                    if (length == column.width) {
                        d.post();
                        QSqlQuery q = other->exec(
                            u"SELECT %1 FROM %2 WHERE %3 = ?"_s.arg(
                                other->ident(column.name), table, other->ident(t->keyColumn())),
                            {d.rowKey(d.currentRow())});
                        QVERIFY2(q.next(), qPrintable(column.name));
                        QVERIFY2(q.value(0).toString() == value,
                                 qPrintable(u"%1.%2 not stored whole"_s.arg(table, column.name)));
                        ++stored;
                        continue;
                    }
                    QString refusal, named;
                    try {
                        d.post();
                    } catch (const store::StoreError &e) {
                        refusal = e.text();
                        named = e.column();
                    }
                    QVERIFY2(
                        !refusal.isEmpty(),
                        qPrintable(
                            u"%1.%2 took %3 characters"_s.arg(table, column.name).arg(length)));
                    QVERIFY2(refusal.contains(column.name, Qt::CaseInsensitive),
                             qPrintable(refusal));
                    QCOMPARE(named.toLower(), column.name.toLower());
                    QVERIFY(d.isEditing());
                    QCOMPARE(d.value(column.name).toString(), value); // what was typed stays
                    d.cancel();
                    ++refused;
                }
            }
            QCOMPARE(other->scalar(u"SELECT count(*) FROM %1"_s.arg(table)).toInt(), row / 2);
        }
        qInfo().noquote() << engine << stored << "texts at their width stored," << refused
                          << "one longer refused";
    }

    // The searches of the contact, record and referrer lists find what holds the typed text,
    // character for character, whatever it holds.
    void searchDialogsFindTextsLiterally_data() { testsupport::addEngineRows(); }
    void searchDialogsFindTextsLiterally()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        storeCases(f);
        const QList<Case> all = cases();
        QHash<QString, QString> codes, texts, duties;
        for (const Case &c : all) {
            codes.insert(c.code, c.code);
            texts.insert(c.code, c.text);
            duties.insert(c.code, firstChars(c.text, 30));
        }
        const QStringList terms = searchTerms();
        QStringList misses;
        int searches = 0;
        const auto check = [&](const char *where, const QString &term, const Expect &e,
                               const QSet<QString> &found) {
            ++searches;
            if (!e.admits(found))
                misses << u"%1 '%2' found: %3"_s.arg(QLatin1String(where), term,
                                                     sorted(found).join(u" | "_s));
        };

        // TfrmLinkmanQuery1: the value as typed, inside the chosen column.
        {
            ContactQueryDialog d(ContactQueryDialog::Member::List, f.dm);
            d.show();
            auto *condition = d.findChild<QComboBox *>(u"cbCondition"_s);
            auto *value = d.findChild<QLineEdit *>(u"edValue"_s);
            const struct {
                int choice;
                const char *name;
                const QHash<QString, QString> &column;
            } choices[] = {{1, "contact CustID", codes},
                           {2, "contact LinkmanID", codes},
                           {3, "contact Name", texts},
                           {4, "contact Duty", texts},
                           {5, "contact NickName", texts}};
            for (const auto &choice : choices) {
                for (const QString &term : terms) {
                    condition->setCurrentIndex(choice.choice);
                    value->setText(term);
                    resetScripts();
                    click(&d, "btnOK");
                    const QSet<QString> found = codesIn(d.dataset(), u"LinkmanID"_s);
                    check(choice.name, term, expect(choice.column, term, Match::Contains), found);
                    // Nothing found is said so, and only then.
                    if (found.isEmpty() !=
                        (shownTexts() == QStringList{u"对不起，没有找到符合条件的记录！"_s}))
                        misses << u"%1 '%2': %3"_s.arg(QLatin1String(choice.name), term,
                                                       shownTexts().join(u'/'));
                }
            }
        }

        // TfrmOperateQuery1: the value without its outer blanks; a referrer code or a state
        // code equal to it, the others inside.
        {
            store::Dataset &records = f.dm.tblOperates2;
            records.open();
            const struct {
                int choice;
                const char *name;
                const QHash<QString, QString> &column;
                Match how;
            } choices[] = {{1, "record OperateID", codes, Match::Contains},
                           {2, "record OperateTitle", texts, Match::Contains},
                           {3, "record CustID", codes, Match::Contains},
                           {4, "record OperaterID", codes, Match::Equals},
                           {5, "record OperateStateID", codes, Match::Equals}};
            for (const auto &choice : choices) {
                for (const QString &term : terms) {
                    RecordQueryDialog d(f.dm);
                    d.otherChoice()->setChecked(true);
                    d.condition()->setCurrentIndex(choice.choice);
                    d.value()->setText(term);
                    click(&d, "btnOK");
                    QCOMPARE(d.result(), int(QDialog::Accepted));
                    check(choice.name, term, expect(choice.column, term.trimmed(), choice.how),
                          codesIn(records, u"OperateID"_s));
                }
            }
            records.clearFilter();
        }

        // TfrmOperaterQuery: the text without its outer blanks, inside the column, and never a
        // row whose column is empty.
        {
            store::Dataset &referrers = f.dm.tblOperaters;
            const struct {
                const char *caption, *name;
                const QHash<QString, QString> &column;
            } choices[] = {{"推荐人代码", "referrer OperaterID", codes},
                           {"推荐人名称", "referrer Name", texts},
                           {"联系人", "referrer NickName", texts},
                           {"职务", "referrer Duty", duties}};
            for (const auto &choice : choices) {
                for (const QString &term : terms) {
                    ReferrerQueryDialog d(f.dm);
                    d.choice()->setCurrentText(QString::fromUtf8(choice.caption));
                    d.text()->setText(term);
                    click(&d, "SpeedButton2");
                    QCOMPARE(d.result(), int(QDialog::Accepted));
                    check(choice.name, term, expect(choice.column, term.trimmed(), Match::Contains),
                          codesIn(referrers, u"OperaterID"_s));
                }
            }
            referrers.clearFilter();
        }
        qInfo().noquote() << engine << searches << "searches through three dialogs,"
                          << misses.size() << "missed";
        QVERIFY2(misses.isEmpty(), qPrintable(misses.join(u'\n')));
    }

    // The schedule and ledger queries by days show the entries and contracts of those days with
    // their texts as stored; a direction text that only looks like the one asked for is not it.
    void queriesByDaysShowTextsAsStored_data() { testsupport::addEngineRows(); }
    void queriesByDaysShowTextsAsStored()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        storeCases(f);
        const QList<Case> all = cases();
        store::Connection &db = f.dm.connection();
        // Contracts whose direction would match if it were compared as a pattern or spliced in.
        for (const QString &direction : {u"收款' OR '1'='1"_s, u"收款%"_s, u"收_"_s}) {
            const QString code = u"T-"_s + QString::number(direction.size());
            storeRow(db, u"tblOperates"_s,
                     {{u"OperateID"_s, code},
                      {u"OperateTitle"_s, direction},
                      {u"CustID"_s, all[0].code},
                      {u"InOrOut"_s, direction},
                      {u"EndDate"_s, Day},
                      {u"RMB"_s, 1},
                      {u"SUser"_s, u"Admin"_s}});
            storeRow(db, u"tblOperateDetail"_s,
                     {{u"OperateID"_s, code}, {u"DetailNo"_s, u"1"_s}, {u"RMB"_s, 1}});
        }

        store::session().LedgerKind = u"应收账款"_s;
        InOutQueryDialog ledger(f.dm);
        ledger.findChild<QDateEdit *>(u"dtpBegin"_s)->setDate(Day.addDays(-1));
        ledger.findChild<QDateEdit *>(u"dtpEnd"_s)->setDate(Day);
        click(&ledger, "btnOK");
        store::Dataset &gathering = f.dm.qryGathering;
        QCOMPARE(gathering.rowCount(), int(all.size()));
        QHash<QString, int> byCode;
        for (int r = 0; r < gathering.rowCount(); ++r)
            byCode.insert(gathering.value(r, u"OperateID"_s).toString(), r);
        for (const Case &c : all) {
            QVERIFY2(byCode.contains(c.code), c.name);
            const int r = byCode.value(c.code);
            QCOMPARE(gathering.value(r, u"OperateTitle"_s).toString(), c.text);
            QCOMPARE(gathering.value(r, u"CustName"_s).toString(), c.text);
            QCOMPARE(gathering.value(r, u"gathering"_s).toDouble(), 60.0);
        }

        store::Dataset &plans = f.dm.qryPlan;
        PlanQueryDialog schedule(plans);
        schedule.findChild<QDateEdit *>(u"dtpStart"_s)->setDate(Day);
        schedule.findChild<QDateEdit *>(u"dtpEnd"_s)->setDate(Day.addDays(3));
        click(&schedule, "btnOk");
        QCOMPARE(plans.rowCount(), int(all.size()));
        QHash<QString, int> planOf;
        for (int r = 0; r < plans.rowCount(); ++r)
            planOf.insert(plans.value(r, u"CustID"_s).toString(), r);
        for (const Case &c : all) {
            QVERIFY2(planOf.contains(c.code), c.name);
            const int r = planOf.value(c.code);
            QCOMPARE(plans.value(r, u"Address"_s).toString(), c.text);
            QCOMPARE(plans.value(r, u"Memo"_s).toString(), c.text);
            QCOMPARE(plans.value(r, u"Linkman"_s).toString(), firstChars(c.text, 30));
        }
        schedule.findChild<QDateEdit *>(u"dtpStart"_s)->setDate(Day.addDays(1));
        click(&schedule, "btnOk");
        QCOMPARE(plans.rowCount(), 0);
    }

    // The work assignment hands over exactly the codes in its right list: codes with quotes,
    // wildcards, controls and other scripts move, and the look-alikes left behind stay.
    void assignmentMovesTheCodesListed_data() { testsupport::addEngineRows(); }
    void assignmentMovesTheCodesListed()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        storeCases(f);
        const QList<Case> all = cases();
        store::Connection &db = f.dm.connection();
        testsupport::addUser(db, u"zhao"_s, u"pw"_s, false, {});
        // Codes a pattern or a spliced list would take for some of the listed ones.
        const QStringList stay{u"%"_s, u"_"_s, u"O'B"_s, u"x"_s, u"\\"_s, u"1' OR '1'='1"_s};
        for (const QString &code : stay) {
            storeRow(db, u"tblCustomers"_s,
                     {{u"CustId"_s, code}, {u"CustName"_s, code}, {u"SUser"_s, u"Admin"_s}});
            storeRow(db, u"tblOperates"_s,
                     {{u"OperateID"_s, code}, {u"CustID"_s, code}, {u"SUser"_s, u"Admin"_s}});
        }
        const auto owner = [&](const QString &table, const QString &column, const QString &code) {
            QSqlQuery q = db.exec(
                u"SELECT SUser FROM %1 WHERE %2 = ?"_s.arg(table, db.ident(column)), {code});
            return q.next() ? q.value(0).toString() : u"(none)"_s;
        };

        for (const auto &[kind, table, column] :
             {std::tuple{u"商务代理资料"_s, u"tblCustomers"_s, u"CustId"_s},
              std::tuple{u"业务资料"_s, u"tblOperates"_s, u"OperateID"_s}}) {
            AssignWindow w(f.ws);
            w.show();
            w.kind()->setCurrentIndex(w.kind()->findText(kind));
            QCOMPARE(w.kind()->currentText(), kind);
            w.source()->setCurrentIndex(w.source()->findText(u"Admin"_s));
            w.target()->setCurrentIndex(w.target()->findText(u"zhao"_s));
            click(&w, "BitBtn1");
            QStringList listed = AssignWindow::items(w.left());
            QStringList expected;
            for (const Case &c : all)
                expected << c.code;
            expected << stay;
            listed.sort();
            expected.sort();
            QCOMPARE(listed, expected);
            for (const Case &c : all) {
                w.left()->setCurrentRow(AssignWindow::items(w.left()).indexOf(c.code));
                click(&w, "BitBtn4");
            }
            QCOMPARE(AssignWindow::items(w.right()).size(), all.size());
            resetScripts();
            click(&w, "BitBtn7");
            QCOMPARE(shownTexts(), QStringList{u"提醒用户：分配成功！"_s});
            for (const Case &c : all)
                QVERIFY2(owner(table, column, c.code) == u"zhao"_s, c.name);
            for (const QString &code : stay)
                QVERIFY2(owner(table, column, code) == u"Admin"_s, qPrintable(code));
        }
        // The contacts went with their agents.
        for (const Case &c : all)
            QVERIFY2(owner(u"tblLinkmans"_s, u"LinkmanID"_s, c.code) == u"zhao"_s, c.name);
    }
};

QTEST_MAIN(TestInputSearches)
#include "tst_inputsearches.moc"
