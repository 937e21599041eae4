// Awkward values typed by users, through the real shared datasets and filter conditions:
// quotes, LIKE wildcards, backslashes, control characters, NUL, other scripts and emoji,
// texts longer than their column, and text where a date belongs. Each is stored and found
// literally, or refused with a clear message; none is cut short in silence and none becomes
// part of a statement.
#include "awkwardtexts.h"
#include "condition.h"
#include "datamodule.h"
#include "session.h"
#include "storeerror.h"
#include "teststore.h"

#include <QSet>
#include <QSqlQuery>
#include <QTest>

using namespace store;
using namespace awkward;

namespace {

// The value of `field` for every row of the dataset as it is filtered now, by its code.
QHash<QString, QVariant> rowsBy(Dataset &d, const QString &codeField, const QString &field)
{
    QHash<QString, QVariant> out;
    for (int r = 0; r < d.rowCount(); ++r)
        out.insert(d.value(r, codeField).toString(), d.value(r, field));
    return out;
}

QSet<QString> codesFound(Dataset &d, const Condition &c, const QString &codeField)
{
    d.setFilter(c);
    const QHash<QString, QVariant> rows = rowsBy(d, codeField, codeField);
    d.clearFilter();
    return QSet<QString>(rows.keyBegin(), rows.keyEnd());
}

void addAgentRow(Dataset &agents, const QString &code, const QString &name)
{
    agents.append();
    agents.setValue(QStringLiteral("CustId"), code);
    agents.setValue(QStringLiteral("CustName"), name);
    agents.post();
}

QString listed(const QSet<QString> &s)
{
    QStringList l(s.begin(), s.end());
    l.sort();
    return l.join(QStringLiteral(" | "));
}

} // namespace

class TestBadInput : public QObject
{
    Q_OBJECT

    // Posts and expects a refusal of the given kind naming the column; the row stays pending.
    static void expectRefusal(Dataset &d, StoreError::Kind kind, const QString &column)
    {
        bool refused = false;
        try {
            d.post();
        } catch (const StoreError &e) {
            refused = true;
            QVERIFY2(e.kind() == kind, qPrintable(e.text()));
            QVERIFY2(e.column().compare(column, Qt::CaseInsensitive) == 0, qPrintable(e.text()));
            QVERIFY2(e.text().contains(column, Qt::CaseInsensitive), qPrintable(e.text()));
        }
        QVERIFY2(refused, qPrintable(QStringLiteral("%1: stored without a refusal").arg(column)));
        QVERIFY(d.isEditing());
    }

private Q_SLOTS:
    void init() { session().CurrentUserID = QStringLiteral("Admin"); }

    void awkwardTextsAreStoredAndFoundLiterally_data() { testsupport::addEngineRows(); }
    void awkwardTextsAreStoredAndFoundLiterally()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.tblCustomers.open();
        dm.qryPlan.open();
        const QList<Case> all = cases();
        for (const Case &c : all) {
            QVERIFY2(charCount(c.code) <= 30, c.name);
            dm.tblCustomers.append();
            dm.tblCustomers.setValue(QStringLiteral("CustId"), c.code);
            dm.tblCustomers.setValue(QStringLiteral("CustName"), c.text);
            dm.tblCustomers.setValue(QStringLiteral("Address"), QString(c.text + c.text));
            dm.tblCustomers.setValue(QStringLiteral("Memo"),
                                     QString(c.text + QLatin1Char('\n') + c.text));
            dm.tblCustomers.post();

            dm.tblOperates2.append();
            dm.tblOperates2.setValue(QStringLiteral("OperateID"), c.code);
            dm.tblOperates2.setValue(QStringLiteral("CustID"), c.code);
            dm.tblOperates2.setValue(QStringLiteral("OperateTitle"), c.text);
            dm.tblOperates2.setValue(QStringLiteral("InOrOut"), c.text);
            dm.tblOperates2.post();

            dm.qryPlan.append();
            dm.qryPlan.setValue(QStringLiteral("PlanDate"), QDate(2026, 2, 28));
            dm.qryPlan.setValue(QStringLiteral("CustID"), c.code);
            dm.qryPlan.setValue(QStringLiteral("Memo"), c.text);
            dm.qryPlan.setValue(QStringLiteral("Address"), c.text);
            dm.qryPlan.post();
        }

        // Read back by another seat: every value exactly as typed.
        DataModule other;
        other.openAtStartup(s.appDir());
        other.qryPlan.open();
        const auto names =
            rowsBy(other.tblCustomers2, QStringLiteral("CustId"), QStringLiteral("CustName"));
        const auto addresses =
            rowsBy(other.tblCustomers2, QStringLiteral("CustId"), QStringLiteral("Address"));
        const auto memos =
            rowsBy(other.tblCustomers2, QStringLiteral("CustId"), QStringLiteral("Memo"));
        const auto titles =
            rowsBy(other.tblOperates2, QStringLiteral("OperateID"), QStringLiteral("OperateTitle"));
        const auto inOut =
            rowsBy(other.tblOperates2, QStringLiteral("OperateID"), QStringLiteral("InOrOut"));
        const auto shownNames =
            rowsBy(other.tblOperates2, QStringLiteral("OperateID"), QStringLiteral("CustName"));
        const auto planMemos =
            rowsBy(other.qryPlan, QStringLiteral("CustID"), QStringLiteral("Memo"));
        const auto planAgents =
            rowsBy(other.qryPlan, QStringLiteral("CustID"), QStringLiteral("CustName"));
        QCOMPARE(names.size(), all.size());
        QCOMPARE(titles.size(), all.size());
        QCOMPARE(planMemos.size(), all.size());
        for (const Case &c : all) {
            QCOMPARE(names.value(c.code).toString(), c.text);
            QCOMPARE(addresses.value(c.code).toString(), c.text + c.text);
            QCOMPARE(memos.value(c.code).toString(), c.text + QLatin1Char('\n') + c.text);
            QCOMPARE(titles.value(c.code).toString(), c.text);
            QCOMPARE(inOut.value(c.code).toString(), c.text);
            QCOMPARE(shownNames.value(c.code).toString(),
                     c.text); // display field, looked up by code
            QCOMPARE(planMemos.value(c.code).toString(), c.text);
            QCOMPARE(planAgents.value(c.code).toString(), c.text);
        }

        // Searches: what a typed value finds is what contains it, character for character.
        QStringList terms;
        for (const Case &c : all)
            terms << c.text << c.code << firstChars(c.text, 3);
        terms << QStringLiteral("%") << QStringLiteral("_") << QStringLiteral("\\")
              << QStringLiteral("'") << QStringLiteral("%%") << QStringLiteral("\t")
              << QStringLiteral("--") << QStringLiteral(":v0") << u("😀") << u("👍🏽") << u("Ёё")
              << QString(5000, QLatin1Char('%'));
        int searches = 0;
        for (const QString &term : std::as_const(terms)) {
            // Letter case is left out of this test (see lettersOfEveryScriptCompareWithoutCase): a
            // search finds at least the rows holding the term exactly and at most those holding
            // it in any letter case.
            struct Expect
            {
                QSet<QString> exact, anyCase;
            };
            Expect contains, starts, equal, codeEqual;
            const auto add = [](Expect &e, bool exact, bool anyCase, const QString &code) {
                if (exact)
                    e.exact << code;
                if (anyCase)
                    e.anyCase << code;
            };
            for (const Case &c : all) {
                add(contains, c.text.contains(term), c.text.contains(term, Qt::CaseInsensitive),
                    c.code);
                add(starts, c.text.startsWith(term), c.text.startsWith(term, Qt::CaseInsensitive),
                    c.code);
                add(equal, c.text == term, c.text.compare(term, Qt::CaseInsensitive) == 0, c.code);
                add(codeEqual, c.code == term, c.code.compare(term, Qt::CaseInsensitive) == 0,
                    c.code);
            }
            const auto check = [&](Dataset &d, const QString &codeField, const QString &field) {
                const auto verify = [&](const Condition &cond, const Expect &e,
                                        const QString &what) {
                    if (QTest::currentTestFailed())
                        return;
                    const QSet<QString> found = codesFound(d, cond, codeField);
                    QVERIFY2(found.contains(e.exact) && e.anyCase.contains(found),
                             qPrintable(QStringLiteral("%1 %2 '%3' found: %4")
                                            .arg(field, what, term, listed(found))));
                    ++searches;
                };
                verify(Condition::like(field, term), contains, QStringLiteral("like"));
                verify(Condition::startsWith(field, term), starts, QStringLiteral("starts with"));
                verify(Condition::eq(field, term), equal, QStringLiteral("="));
                verify(Condition::eq(codeField, term), codeEqual, QStringLiteral("(code) ="));
            };
            check(other.tblCustomers2, QStringLiteral("CustId"), QStringLiteral("CustName"));
            if (QTest::currentTestFailed())
                return;
            check(other.tblOperates2, QStringLiteral("OperateID"), QStringLiteral("OperateTitle"));
            if (QTest::currentTestFailed())
                return;
            check(other.qryPlan, QStringLiteral("CustID"), QStringLiteral("Memo"));
            if (QTest::currentTestFailed())
                return;
        }

        // Nothing typed ran as a statement: every row and table is still there.
        auto db = s.connect();
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toInt(),
                 int(all.size()));
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblOperates")).toInt(),
                 int(all.size()));
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblPlan")).toInt(),
                 int(all.size()));
        qInfo().noquote() << QStringLiteral(
                                 "%1: %2 values stored in 3 tables and read back, %3 searches")
                                 .arg(engine)
                                 .arg(all.size())
                                 .arg(searches);
    }

    // A memo has no width: a very long one in every script comes back whole.
    void longMemoIsStoredWhole_data() { testsupport::addEngineRows(); }
    void longMemoIsStoredWhole()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.tblCustomers.open();
        const QList<Case> all = cases();
        QString memo;
        for (int i = 0; memo.size() < 1000000; ++i)
            memo += all[i % all.size()].text;
        addAgentRow(dm.tblCustomers, QStringLiteral("M1"), QStringLiteral("长备注"));
        dm.tblCustomers.setValue(QStringLiteral("Memo"), memo);
        dm.tblCustomers.post();
        DataModule other;
        other.openAtStartup(s.appDir());
        QVERIFY(other.tblCustomers2.locate(QStringLiteral("CustId"), QStringLiteral("M1")));
        const QString back = other.tblCustomers2.value(QStringLiteral("Memo")).toString();
        QCOMPARE(back.size(), memo.size());
        QVERIFY(back == memo);
        other.tblCustomers2.setFilter(Condition::like(QStringLiteral("Memo"), all.last().text));
        QCOMPARE(other.tblCustomers2.rowCount(), 1);
    }

    void describedStatementsBindTypedValues_data() { testsupport::addEngineRows(); }
    void describedStatementsBindTypedValues()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        auto db = s.connect();
        const int rights = db->scalar(QStringLiteral("SELECT count(*) FROM tblUserRight")).toInt();
        QVERIFY(rights > 0);
        // The user window deletes one user's rights with a described statement and a parameter.
        for (const QString &userId :
             {u("x' OR '1'='1"), u("Admin' --"), u("'; DROP TABLE tblUserRight; --")}) {
            dm.qryDelUserRight.setParam(QStringLiteral("userID"), userId);
            QCOMPARE(dm.qryDelUserRight.execute(), 0);
        }
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblUserRight")).toInt(), rights);
        // A log text that looks like a statement is a log text.
        const QString text = u("'); DELETE FROM tblLog; --");
        dm.writeLog(text);
        dm.writeLog(text);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblLog WHERE Operate = ?"), {text})
                     .toInt(),
                 2);
    }

    void textsLongerThanTheirColumnAreRefused_data() { testsupport::addEngineRows(); }
    void textsLongerThanTheirColumnAreRefused()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.tblCustomers.open();
        dm.qryPlan.open();
        struct Width
        {
            Dataset *set;
            const char *column;
            int width;
            const char *table;
        };
        const Width widths[] = {{&dm.tblCustomers, "CustName", 50, "tblCustomers"},
                                {&dm.tblCustomers, "CustId", 30, "tblCustomers"},
                                {&dm.tblOperates2, "OperateTitle", 100, "tblOperates"},
                                {&dm.qryPlan, "Memo", 100, "tblPlan"}};
        int n = 0, stored = 0, refused = 0;
        QHash<QString, int> storedIn; // rows each table must hold
        for (const Width &w : widths) {
            const QString column = QString::fromLatin1(w.column);
            const QString table = QString::fromLatin1(w.table);
            for (const QString &ch : {u("x"), u("商"), u("😀"), u("ع"), u("\t")}) {
                for (int length : {w.width, w.width + 1}) {
                    QString value;
                    for (int i = 0; i < length; ++i)
                        value += ch;
                    const QString code = QStringLiteral("W%1").arg(++n);
                    Dataset &d = *w.set;
                    d.append();
                    if (column == QLatin1String("CustId")) {
                        // The code column itself: the number leads, the test characters follow.
                        value = code + value.mid(code.size() * ch.size());
                        QCOMPARE(charCount(value), length);
                    } else if (&d == &dm.tblCustomers) {
                        d.setValue(QStringLiteral("CustId"), code);
                    } else if (&d == &dm.tblOperates2) {
                        d.setValue(QStringLiteral("OperateID"), code);
                    } else {
                        d.setValue(QStringLiteral("CustID"), code);
                    }
                    d.setValue(column, value);
                    if (length > w.width) {
                        expectRefusal(d, StoreError::Kind::TooLong, column);
                        if (QTest::currentTestFailed())
                            return;
                        QCOMPARE(d.value(column).toString(), value); // what was typed stays
                        d.cancel();
                        ++refused;
                    } else {
                        d.post();
                        QCOMPARE(d.value(column).toString(), value);
                        ++stored;
                        ++storedIn[table];
                    }
                }
            }
            // Nothing of a refused row reached the store; every row of full width did.
            auto db = s.connect();
            QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(table)).toInt(),
                     storedIn.value(table));
        }
        qInfo().noquote()
            << QStringLiteral("%1: %2 texts of full width stored, %3 one character longer refused")
                   .arg(engine)
                   .arg(stored)
                   .arg(refused);
    }

    // Texts compare without letter case on every engine, in every script that has case.
    void lettersOfEveryScriptCompareWithoutCase_data() { testsupport::addEngineRows(); }
    void lettersOfEveryScriptCompareWithoutCase()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.tblCustomers.open();
        const QList<std::pair<QString, QString>> pairs{
            {u("ACME Trading"), u("acme trading")},   // Latin letters without marks
            {u("ÉMILE ZOË"), u("émile zoë")},         // Latin letters with marks
            {u("ЁЛКА АГЕНТ"), u("ёлка агент")},       // Cyrillic
            {u("ΕΜΠΟΡΙΟ ΑΘΗΝΑ"), u("εμποριο αθηνα")}, // Greek
            {u("ＡＢＣ商贸"), u("ａｂｃ商贸")},       // full-width Latin
        };
        QStringList misses;
        int n = 0, searches = 0;
        for (const auto &[stored, typed] : pairs) {
            const QString code = QStringLiteral("C%1-").arg(++n) + stored.left(4);
            addAgentRow(dm.tblCustomers, code, stored);
            const QString part = typed.mid(1, 3);
            const struct
            {
                const char *what;
                Condition condition;
            } searchesOf[] = {
                {"=", Condition::eq(QStringLiteral("CustName"), typed)},
                {"like", Condition::like(QStringLiteral("CustName"), part)},
                {"starts with", Condition::startsWith(QStringLiteral("CustName"), typed.left(3))},
                {"code =", Condition::eq(QStringLiteral("CustId"), code.toLower())}};
            QStringList missed;
            for (const auto &search : searchesOf) {
                const QSet<QString> found =
                    codesFound(dm.tblCustomers2, search.condition, QStringLiteral("CustId"));
                ++searches;
                if (found != QSet<QString>{code})
                    missed << QLatin1String(search.what);
            }
            // A code is unique without letter case: the same code in other letters is a duplicate.
            dm.tblCustomers.append();
            dm.tblCustomers.setValue(QStringLiteral("CustId"), code.toLower());
            dm.tblCustomers.setValue(QStringLiteral("CustName"), typed);
            try {
                dm.tblCustomers.post();
                missed << QStringLiteral("code '%1' stored beside '%2'").arg(code.toLower(), code);
            } catch (const StoreError &e) {
                QCOMPARE(int(e.kind()), int(StoreError::Kind::Duplicate));
                dm.tblCustomers.cancel();
            }
            if (!missed.isEmpty())
                misses << QStringLiteral("'%1' typed as '%2': %3")
                              .arg(stored, typed, missed.join(QStringLiteral(", ")));
        }
        qInfo().noquote() << QStringLiteral("%1: %2 case-blind searches, %3 missed")
                                 .arg(engine)
                                 .arg(searches)
                                 .arg(misses.size());
        QVERIFY2(misses.isEmpty(), qPrintable(misses.join(QLatin1Char('\n'))));
    }

    void nulInsideATextIsNeverCutShortInSilence_data() { testsupport::addEngineRows(); }
    void nulInsideATextIsNeverCutShortInSilence()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.tblCustomers.open();
        const QString withNul = QStringLiteral("ab") + QChar(0) + QStringLiteral("cd");
        const QString nulThenLong =
            QStringLiteral("a") + QChar(0) + QString(60, QLatin1Char('x')); // 62 > 50

        QStringList outcomes;
        for (const auto &[code, value] :
             {std::pair{u("N1"), withNul}, std::pair{u("N2"), nulThenLong}}) {
            dm.tblCustomers.append();
            dm.tblCustomers.setValue(QStringLiteral("CustId"), code);
            QString refusal;
            bool clear = false;
            try {
                dm.tblCustomers.setValue(QStringLiteral("CustName"), value);
                dm.tblCustomers.post();
            } catch (const StoreError &e) {
                refusal = e.text();
                QVERIFY(!refusal.isEmpty());
                QVERIFY(dm.tblCustomers.isEditing());
                clear = e.column().compare(QStringLiteral("CustName"), Qt::CaseInsensitive) == 0 ||
                        refusal.contains(QStringLiteral("CustName"), Qt::CaseInsensitive);
                dm.tblCustomers.cancel();
            }
            auto db = s.connect();
            QSqlQuery q = db->exec(
                QStringLiteral("SELECT CustName FROM tblCustomers WHERE CustId = ?"), {code});
            const bool present = q.next();
            const QString held = present ? q.value(0).toString() : QString();
            outcomes << QStringLiteral("%1 (%2 chars): %3")
                            .arg(code)
                            .arg(value.size())
                            .arg(refusal.isEmpty()
                                     ? QStringLiteral("stored, read back %1 chars").arg(held.size())
                                     : QStringLiteral("refused: ") + refusal);
            if (refusal.isEmpty()) {
                QVERIFY2(present, qPrintable(outcomes.last()));
                QVERIFY2(held == value,
                         qPrintable(QStringLiteral("cut short in silence: ") + outcomes.last()));
            } else {
                QVERIFY2(!present, qPrintable(outcomes.last()));
            }
            if (value.size() > 50)
                QVERIFY2(!refusal.isEmpty(),
                         qPrintable(QStringLiteral("wider than its column: ") + outcomes.last()));
            // A refusal the user can act on says which field it is about.
            QVERIFY2(refusal.isEmpty() || clear,
                     qPrintable(QStringLiteral("unclear refusal: ") + outcomes.last()));
        }
        qInfo().noquote() << engine << outcomes.join(QStringLiteral("; "));
    }

    void textWhereADateBelongsIsRefused_data() { testsupport::addEngineRows(); }
    void textWhereADateBelongsIsRefused()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.tblCustomers.open();
        dm.qryPlan.open();
        struct DateField
        {
            Dataset *set;
            const char *column;
        };
        const DateField fields[] = {{&dm.tblCustomers, "CreateDate"},
                                    {&dm.tblOperates2, "CreateDate"},
                                    {&dm.tblOperates2, "WriteDate"},
                                    {&dm.qryPlan, "PlanDate"}};
        const QStringList bad{u("2026-02-30"),
                              u("abc"),
                              u("2026-13-01"),
                              u("2025-02-29"),
                              u("😀"),
                              u("٢٠٢٦-٠١-٠١"),
                              u("x'); DELETE FROM tblPlan; --"),
                              u("2026-02-3"),
                              u("0000-00-00")};
        int refused = 0;
        for (const DateField &f : fields) {
            const QString column = QString::fromLatin1(f.column);
            Dataset &d = *f.set;
            d.append();
            d.setValue(&d == &dm.tblCustomers   ? QStringLiteral("CustId")
                       : &d == &dm.tblOperates2 ? QStringLiteral("OperateID")
                                                : QStringLiteral("CustID"),
                       QString(QStringLiteral("D-") + column));
            for (const QString &v : bad) {
                bool threw = false;
                try {
                    d.setValue(column, v);
                    d.post();
                } catch (const StoreError &e) {
                    threw = true;
                    QVERIFY2(e.text().contains(column, Qt::CaseInsensitive), qPrintable(e.text()));
                }
                QVERIFY2(threw, qPrintable(QStringLiteral("%1 took '%2'").arg(column, v)));
                QVERIFY(d.isEditing());
                ++refused;
            }
            // The same row takes a real day, and keeps it.
            d.setValue(column, u("2024-02-29"));
            d.post();
            QCOMPARE(d.value(column).toDate(), QDate(2024, 2, 29));
        }
        auto db = s.connect();
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toInt(), 1);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblOperates")).toInt(), 2);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tblPlan")).toInt(), 1);
        // A day is found by the day.
        dm.qryPlan.setFilter(Condition::dateEq(QStringLiteral("PlanDate"), QDate(2024, 2, 29)));
        QCOMPARE(dm.qryPlan.rowCount(), 1);
        qInfo().noquote()
            << QStringLiteral("%1: %2 texts refused in 4 date fields").arg(engine).arg(refused);
    }
};

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
