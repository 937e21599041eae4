#include "reportengine.h"
#include "reportlayout.h"

#include <QTest>

// The page settings at the head of a layout file and the check of its tags.
class TestReportLayout : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void settingsAreRead();
    void defaultsAndForgivingInput();
    void problemsAreListed_data();
    void problemsAreListed();
    void labelGrid();
    void tagsAreCheckedAgainstFields();
};

void TestReportLayout::settingsAreRead()
{
    const ReportLayout l = ReportLayout::parse(QStringLiteral("# a comment line\n"
                                                              "title: 商务代理资料列表\n"
                                                              "page: A5\n"
                                                              "orientation: landscape\n"
                                                              "margins: 10 20 30 40\n"
                                                              "font-size: 8.5\n"
                                                              "----\n"
                                                              "<p>{{title}}</p>\n"
                                                              "---\n"
                                                              "second part"));
    QVERIFY2(l.problems().isEmpty(), qPrintable(l.problems().join(QLatin1Char('\n'))));
    QCOMPARE(l.title(), QStringLiteral("商务代理资料列表"));
    QCOMPARE(l.pageLayout().pageSize().id(), QPageSize::A5);
    QCOMPARE(l.orientation(), QPageLayout::Landscape);
    QCOMPARE(l.margins(), QMarginsF(10, 20, 30, 40));
    QCOMPARE(l.fontSize(), 8.5);
    // Landscape A5 is 210 x 148 mm; the body is what the margins leave.
    QCOMPARE(l.bodySize(), QSizeF(210 - 10 - 30, 148 - 20 - 40));
    // Only the first separator ends the settings; later dashes belong to the template.
    QCOMPARE(l.templateText(), QStringLiteral("<p>{{title}}</p>\n---\nsecond part"));
    QVERIFY(!l.isLabels());
}

void TestReportLayout::defaultsAndForgivingInput()
{
    // Windows line ends, a full-width colon, upper case keys and a size in millimetres.
    const ReportLayout l = ReportLayout::parse(
        QStringLiteral("TITLE：信封\r\npage: 220 x 110\r\nmargins: 5\r\n---\r\nbody"));
    QVERIFY2(l.problems().isEmpty(), qPrintable(l.problems().join(QLatin1Char('\n'))));
    QCOMPARE(l.title(), QStringLiteral("信封"));
    QCOMPARE(l.pageLayout().fullRect(QPageLayout::Millimeter).size(), QSizeF(220, 110));
    QCOMPARE(l.margins(), QMarginsF(5, 5, 5, 5));
    QCOMPARE(l.orientation(), QPageLayout::Portrait);
    QCOMPARE(l.templateText(), QStringLiteral("body"));
}

void TestReportLayout::problemsAreListed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("unknown key") << "colour: red\n---\nx"
                                 << "colour";
    QTest::newRow("bad orientation") << "orientation: sideways\n---\nx"
                                     << "sideways";
    QTest::newRow("three margins") << "margins: 1 2 3\n---\nx"
                                   << "margins";
    QTest::newRow("page name") << "page: Z9\n---\nx"
                               << "Z9";
    QTest::newRow("fractional labels") << "labels: 2.5 3\n---\nx"
                                       << "labels";
    QTest::newRow("no key") << "just words\n---\nx"
                            << "just words";
    QTest::newRow("grid too large") << "labels: 3 1\nlabel-size: 99 30\n---\nx"
                                    << "标签网格";
    QTest::newRow("no separator") << "<p>{{title}}</p>"
                                  << "---";
}

void TestReportLayout::problemsAreListed()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);
    const ReportLayout l = ReportLayout::parse(text);
    QCOMPARE(l.problems().size(), 1);
    QVERIFY2(l.problems().first().contains(mentions), qPrintable(l.problems().first()));
    if (!text.contains(QLatin1String("---")))
        QCOMPARE(l.templateText(), text); // the whole file is still printed
}

void TestReportLayout::labelGrid()
{
    const ReportLayout l =
        ReportLayout::parse(QStringLiteral("labels: 2 7\nlabel-size: 99 38\nlabel-padding: "
                                           "3\npage-header: yes\nmargins: 6 15 6 15\n---\n"));
    QVERIFY2(l.problems().isEmpty(), qPrintable(l.problems().join(QLatin1Char('\n'))));
    QVERIFY(l.isLabels());
    QCOMPARE(l.labelColumns(), 2);
    QCOMPARE(l.labelRows(), 7);
    QCOMPARE(l.labelsPerPage(), 14);
    QCOMPARE(l.labelSize(), QSizeF(99, 38));
    QCOMPARE(l.labelPadding(), 3.0);
    QVERIFY(l.hasPageHeader());

    // Without a size the labels share the body evenly.
    const ReportLayout even =
        ReportLayout::parse(QStringLiteral("labels: 2 4\nmargins: 5 10 5 10\n---\n"));
    QCOMPARE(even.labelSize(), QSizeF((210 - 10) / 2.0, (297 - 20) / 4.0));
}

void TestReportLayout::tagsAreCheckedAgainstFields()
{
    const ReportLayout l = ReportLayout::parse(QStringLiteral(
        "---\n{{title}} {{printDate}} {{! a comment }}\n"
        "{{#rows}}{{rowNo}} {{custid}} {{{CustName}}} {{&Memo}} {{CustNmae}}{{/rows}}\n"
        "{{#sender}}{{UserName}} {{Fax}}{{/sender}} {{sender.PostCode}} {{sender.Nope}}\n"
        "{{UserName}} {{^rows}}无{{/rows}}"));
    const QList<QStringList> paths = l.tagPaths();
    QVERIFY(paths.contains(QStringList{QStringLiteral("rows"), QStringLiteral("custid")}));
    QVERIFY(paths.contains(QStringList{QStringLiteral("sender"), QStringLiteral("Fax")}));
    QVERIFY(paths.contains(QStringList{QStringLiteral("UserName")})); // outside the section

    const QStringList fields{QStringLiteral("CustId"), QStringLiteral("CustName"),
                             QStringLiteral("Memo")};
    // A misspelt field, a column the sender does not have, and a sender column used outside
    // the sender section are reported; field names match without letter case.
    QCOMPARE(ReportEngine::unknownNames(l, fields),
             (QStringList{QStringLiteral("CustNmae"), QStringLiteral("sender.Nope"),
                          QStringLiteral("UserName")}));
}

QTEST_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
