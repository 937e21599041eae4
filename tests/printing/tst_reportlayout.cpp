#include "reportengine.h"
#include "reportlayout.h"

#include <QTest>

// The page settings and bands of a layout file, and the check of its tags.
class TestReportLayout : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void settingsAreRead();
    void defaultsAndForgivingInput();
    void bandsAreRead();
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
                                                              "cell-padding: 0.5\n"
                                                              "group: CustID\n"
                                                              "----\n"
                                                              "[record]\n"
                                                              "<p>{{title}}</p>\n"
                                                              "---\n"));
    QVERIFY2(l.problems().isEmpty(), qPrintable(l.problems().join(QLatin1Char('\n'))));
    QCOMPARE(l.title(), QStringLiteral("商务代理资料列表"));
    QCOMPARE(l.pageLayout().pageSize().id(), QPageSize::A5);
    QCOMPARE(l.orientation(), QPageLayout::Landscape);
    QCOMPARE(l.margins(), QMarginsF(10, 20, 30, 40));
    QCOMPARE(l.fontSize(), 8.5);
    QCOMPARE(l.cellPadding(), 0.5);
    QCOMPARE(l.groupField(), QStringLiteral("CustID"));
    // Landscape A5 is 210 x 148 mm; the body is what the margins leave.
    QCOMPARE(l.paperSize(), QSizeF(210, 148));
    QCOMPARE(l.bodySize(), QSizeF(210 - 10 - 30, 148 - 20 - 40));
    // Only the first separator ends the settings; later dashes belong to the band.
    QCOMPARE(l.band(ReportLayout::Band::Record), QStringLiteral("<p>{{title}}</p>\n---\n"));
    QVERIFY(!l.isLabels());
}

void TestReportLayout::defaultsAndForgivingInput()
{
    // Windows line ends, a full-width colon, upper case keys and names, a size in millimetres.
    const ReportLayout l = ReportLayout::parse(
        QStringLiteral("TITLE：信封\r\npage: 220 x 110\r\nmargins: 5\r\n---\r\n[RECORD]\r\nbody"));
    QVERIFY2(l.problems().isEmpty(), qPrintable(l.problems().join(QLatin1Char('\n'))));
    QCOMPARE(l.title(), QStringLiteral("信封"));
    QCOMPARE(l.pageLayout().fullRect(QPageLayout::Millimeter).size(), QSizeF(220, 110));
    QCOMPARE(l.margins(), QMarginsF(5, 5, 5, 5));
    QCOMPARE(l.orientation(), QPageLayout::Portrait);
    QCOMPARE(l.cellPadding(), 1.0);
    QCOMPARE(l.band(ReportLayout::Band::Record), QStringLiteral("body\n"));
}

void TestReportLayout::bandsAreRead()
{
    const ReportLayout l = ReportLayout::parse(QStringLiteral("margins: 10\n---\n"
                                                              "[report-header]\n<h1>{{title}}</h1>\n"
                                                              "[columns]\n"
                                                              "# 标题 | 宽度 | 对齐 | 内容\n"
                                                              "序号 | 10% | center | {{rowNo}}\n"
                                                              "名称 |  |  | {{CustName}}（{{CustId}}）\n"
                                                              "金额 | 40 | right | {{RMB}}\n"
                                                              "备注 | | | a|b\n"
                                                              "\n"
                                                              "[summary]\n<p>{{sum.RMB}}</p>\n"
                                                              "[empty]\n<p>无</p>\n"));
    QVERIFY2(l.problems().isEmpty(), qPrintable(l.problems().join(QLatin1Char('\n'))));
    QCOMPARE(l.band(ReportLayout::Band::ReportHeader), QStringLiteral("<h1>{{title}}</h1>\n"));
    QVERIFY(l.hasBand(ReportLayout::Band::Summary));
    QVERIFY(!l.hasBand(ReportLayout::Band::PageHeader));
    QCOMPARE(l.columns().size(), 4);
    QCOMPARE(l.columns()[0].caption, QStringLiteral("序号"));
    QCOMPARE(l.columns()[0].percent, 10.0);
    QCOMPARE(l.columns()[0].align, Qt::AlignHCenter);
    QCOMPARE(l.columns()[1].text, QStringLiteral("{{CustName}}（{{CustId}}）"));
    QCOMPARE(l.columns()[1].align, Qt::Alignment());
    QCOMPARE(l.columns()[2].millimetres, 40.0);
    QCOMPARE(l.columns()[3].text, QStringLiteral("a|b")); // the text keeps its bars
    // A4 portrait with 10 mm margins: 190 mm; 10 % and 40 mm given, the rest shared evenly.
    QCOMPARE(l.columnWidths(190), (QList<qreal>{19, 65.5, 40, 65.5}));
}

void TestReportLayout::problemsAreListed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");
    const QString rows = QStringLiteral("\n[record]\nx");
    QTest::newRow("unknown key") << "colour: red\n---" + rows << "colour";
    QTest::newRow("bad orientation") << "orientation: sideways\n---" + rows << "sideways";
    QTest::newRow("three margins") << "margins: 1 2 3\n---" + rows << "margins";
    QTest::newRow("page name") << "page: Z9\n---" + rows << "Z9";
    QTest::newRow("fractional labels") << "labels: 2.5 3\n---" + rows << "labels";
    QTest::newRow("no key") << "just words\n---" + rows << "just words";
    QTest::newRow("grid too large") << "labels: 3 1\nlabel-size: 99 30\n---\n[label]\n{{Name}}"
                                    << "标签网格";
    QTest::newRow("no separator") << "[record]\n<p>{{title}}</p>"
                                  << "---";
    QTest::newRow("unknown band") << "---\n[rows]\nx\n[record]\ny"
                                  << "[rows]";
    QTest::newRow("old format") << "title: x\n---\n<html>{{#rows}}{{CustId}}{{/rows}}</html>"
                                << "旧格式";
    QTest::newRow("no row band") << "---\n[report-header]\n<p>x</p>"
                                 << "[columns]";
    QTest::newRow("column too short") << "---\n[columns]\n名称 | {{CustName}}"
                                      << "名称";
    QTest::newRow("bad width") << "---\n[columns]\n名称 | wide | | {{CustName}}"
                               << "列宽";
    QTest::newRow("bad alignment") << "---\n[columns]\n名称 | | middle | {{CustName}}"
                                   << "对齐";
    QTest::newRow("too wide") << "---\n[columns]\n甲 | 60% | | a\n乙 | 60% | | b"
                              << "列宽合计";
    QTest::newRow("label option") << "labels: 2 7\n---\n[label]\n{{Name}} | size=big"
                                  << "size=big";
    QTest::newRow("labels without lines") << "labels: 2 7\n---\n[empty]\n无"
                                          << "[label]";
}

void TestReportLayout::problemsAreListed()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);
    const ReportLayout l = ReportLayout::parse(text);
    QCOMPARE(l.problems().size(), 1);
    QVERIFY2(l.problems().first().contains(mentions), qPrintable(l.problems().first()));
}

void TestReportLayout::labelGrid()
{
    const ReportLayout l = ReportLayout::parse(QStringLiteral("labels: 2 7\nlabel-size: 99 38\nlabel-padding: "
                                                              "3\npage-header: yes\nmargins: 6 15 6 15\n---\n"
                                                              "[label]\n{{PostCode}} | size=12\n"
                                                              "{{Name}} 收 | size=13 bold indent=6 top=1 align=center\n"
                                                              "{{Address}}\n"));
    QVERIFY2(l.problems().isEmpty(), qPrintable(l.problems().join(QLatin1Char('\n'))));
    QVERIFY(l.isLabels());
    QCOMPARE(l.labelColumns(), 2);
    QCOMPARE(l.labelRows(), 7);
    QCOMPARE(l.labelsPerPage(), 14);
    QCOMPARE(l.labelSize(), QSizeF(99, 38));
    QCOMPARE(l.labelPadding(), 3.0);
    QVERIFY(l.hasPageHeader());
    QCOMPARE(l.labelLines().size(), 3);
    QCOMPARE(l.labelLines()[0].size, 12.0);
    const ReportLayout::LabelLine &name = l.labelLines()[1];
    QCOMPARE(name.text, QStringLiteral("{{Name}} 收"));
    QVERIFY(name.bold);
    QCOMPARE(name.indent, 6.0);
    QCOMPARE(name.top, 1.0);
    QCOMPARE(name.align, Qt::AlignHCenter);
    QCOMPARE(l.labelLines()[2].size, 0.0); // the layout's own size

    // Without a size the labels share the body evenly.
    const ReportLayout even =
        ReportLayout::parse(QStringLiteral("labels: 2 4\nmargins: 5 10 5 10\n---\n[label]\n{{Name}}"));
    QCOMPARE(even.labelSize(), QSizeF((210 - 10) / 2.0, (297 - 20) / 4.0));
}

void TestReportLayout::tagsAreCheckedAgainstFields()
{
    const ReportLayout l = ReportLayout::parse(QStringLiteral(
        "group: CustId\n---\n[report-header]\n{{title}} {{printDate}} {{rowCount}} {{! a comment }}\n"
        "[columns]\n甲 | | | {{rowNo}} {{custid}}\n乙 | | | {{{CustName}}} {{&Memo}} {{CustNmae}}\n"
        "[group-footer]\n{{group.value}} {{group.count}} {{group.sum.RMB}} {{group.sum.Nope}}\n"
        "[summary]\n{{#sender}}{{UserName}} {{Fax}}{{/sender}} {{sender.PostCode}} {{sender.Nope}}\n"
        "{{UserName}} {{sum.RMB}} {{sum.CustName}}"));
    QVERIFY2(l.problems().isEmpty(), qPrintable(l.problems().join(QLatin1Char('\n'))));
    const QList<QStringList> paths = l.tagPaths();
    QVERIFY(paths.contains(QStringList{QStringLiteral("sender"), QStringLiteral("Fax")}));
    QVERIFY(paths.contains(QStringList{QStringLiteral("UserName")})); // outside the section
    QVERIFY(paths.contains(QStringList{QStringLiteral("custid")}));

    const QStringList fields{QStringLiteral("CustId"), QStringLiteral("CustName"), QStringLiteral("Memo"),
                             QStringLiteral("RMB")};
    // A misspelt field, sums of fields that are not there, a column the sender does not
    // have, and a sender column used outside the sender section are reported; field names
    // match without letter case.
    QCOMPARE(ReportEngine::unknownNames(l, fields),
             (QStringList{QStringLiteral("group.sum.Nope"), QStringLiteral("sender.Nope"),
                          QStringLiteral("UserName"), QStringLiteral("CustNmae")}));
    // A group field the dataset lacks is reported too.
    const ReportLayout grouped = ReportLayout::parse(QStringLiteral("group: Nope\n---\n[record]\nx"));
    QCOMPARE(ReportEngine::unknownNames(grouped, fields), QStringList{QStringLiteral("Nope")});
}

QTEST_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
