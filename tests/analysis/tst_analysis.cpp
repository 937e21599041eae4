// The chart analyses: slices (values, labels, colours, the slice pulled out), the text lists,
// the titles, the period of the state and trade analyses, the context menu and the picture
// export, on every engine.
#include "agentsfixture.h"
#include "analysis.h"
#include "analysispanel.h"
#include "filedialog.h"
#include "messagebox.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QChart>
#include <QComboBox>
#include <QDateEdit>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QListWidget>
#include <QPieSeries>
#include <QPieSlice>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

const AnalysisMember &member(const char *objectName)
{
    for (const AnalysisMember &m : AnalysisMember::all())
        if (m.objectName == QLatin1String(objectName))
            return m;
    qFatal("no analysis %s", objectName);
}

struct Slice {
    QString label;
    double value;
    QColor colour;
    bool exploded;
};

QList<Slice> slices(const AnalysisPanel &p)
{
    QList<Slice> out;
    for (QPieSlice *s : p.series()->slices())
        out.append({s->label(), s->value(), s->brush().color(), s->isExploded() && s->explodeDistanceFactor() == 0.1});
    return out;
}

const Slice *sliceNamed(const QList<Slice> &all, const QString &label)
{
    for (const Slice &s : all)
        if (s.label == label)
            return &s;
    return nullptr;
}

QStringList lines(const AnalysisPanel &p)
{
    QStringList out;
    for (int i = 0; i < p.list()->count(); ++i)
        out << p.list()->item(i)->text();
    return out;
}

// The category lines come in the store's order: compared as a set.
QStringList sorted(QStringList l)
{
    l.sort();
    return l;
}

// The colour the chart gives a slice of its own, at each place of a pie.
QColor themeColour(int index)
{
    QChart chart;
    auto *series = new QPieSeries;
    chart.addSeries(series);
    for (int i = 0; i <= index; ++i)
        series->append(QString::number(i), 1);
    return series->slices().at(index)->brush().color();
}

// The legend names that can be read: text items of the legend that lie whole inside it (the
// legend clips the rows it has no room for).
QStringList legendNamesShown(QChart *chart)
{
    QLegend *legend = chart->legend();
    const QRectF box = legend->sceneBoundingRect().adjusted(-0.5, -0.5, 0.5, 0.5);
    QStringList out;
    QList<QGraphicsItem *> items = legend->childItems();
    while (!items.isEmpty()) {
        QGraphicsItem *item = items.takeFirst();
        items << item->childItems();
        QString text;
        if (auto *t = dynamic_cast<QGraphicsTextItem *>(item))
            text = t->toPlainText();
        else if (auto *s = dynamic_cast<QGraphicsSimpleTextItem *>(item))
            text = s->text();
        if (!text.isEmpty() && item->isVisible() && box.contains(item->sceneBoundingRect()))
            out << text;
    }
    return out;
}

} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // By number of agents every level is a line and a slice, also with none; by number of
    // records only levels with records, and records whose agent is gone or has no known level
    // count in the total alone. A user who is not an administrator counts everyone's agents.
    void levelsByAgentsAndByRecords_data() { testsupport::addEngineRows(); }
    void levelsByAgentsAndByRecords()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhao"_s, u"pw"_s, false, testsupport::allRights());
        for (int i = 0; i < 3; ++i)
            f.addAgent(u"A%1"_s.arg(i), u"甲"_s, u"someone"_s, {{u"LevelID"_s, u"A"_s}});
        f.addAgent(u"B1"_s, u"乙"_s, u"zhao"_s, {{u"LevelID"_s, u"B"_s}});
        f.addAgent(u"Z1"_s, u"无级别"_s, u"zhao"_s, {{u"LevelID"_s, u"ZZ"_s}});
        f.addAgent(u"N1"_s, u"空"_s, u"zhao"_s);
        store::Connection &db = f.dm.connection();
        db.exec(u"INSERT INTO tblOperates (OperateID, CustID) VALUES ('R1', 'A0'), ('R2', 'A1'), ('R3', 'B1'), "
                "('R4', 'GONE'), ('R5', 'GONE'), ('R6', 'Z1')"_s);
        f.signIn(u"zhao"_s);

        AnalysisPanel p(f.ws, member("TfrmCustLevelAnalyse"));
        QCOMPARE(p.chart()->title(), u"商务代理级别分析"_s);
        QCOMPARE(p.series()->count(), 0); // nothing is computed before 刷新
        p.refresh();
        QCOMPARE(shownTexts(), QStringList());
        QStringList shown = lines(p);
        QCOMPARE(shown.mid(0, 3), (QStringList{u"商务代理数量总计： 6 个"_s, QString(), u"其中："_s}));
        QCOMPARE(sorted(shown.mid(3)), sorted({u"  一级代理：3 个"_s, u"  二级代理：1 个"_s, u"  三级代理：0 个"_s,
                                               u"  普通代理：0 个"_s}));
        QList<Slice> s = slices(p);
        QCOMPARE(s.size(), 4);
        const Slice *first = sliceNamed(s, u"一级代理 75.00%"_s);
        QVERIFY(first);
        QCOMPARE(first->value, 3.0);
        QCOMPARE(first->colour, QColor(255, 0, 0)); // 0x0000FF: red in the lowest byte
        QVERIFY(first->exploded);
        const Slice *third = sliceNamed(s, u"三级代理 0.00%"_s);
        QVERIFY(third);
        QCOMPARE(third->colour, QColor(0, 0, 255));
        QVERIFY(!third->exploded);
        QVERIFY(sliceNamed(s, u"二级代理 25.00%"_s));
        QCOMPARE(p.chart()->title(), u"按商务代理数量分析"_s);

        p.selector()->setCurrentIndex(1);
        p.refresh();
        shown = lines(p);
        QCOMPARE(shown.mid(0, 3), (QStringList{u"数量总计：6 个"_s, QString(), u"其中："_s}));
        QCOMPARE(sorted(shown.mid(3)), sorted({u"  一级代理：2 个"_s, u"  二级代理：1 个"_s}));
        s = slices(p);
        QCOMPARE(s.size(), 2);
        QVERIFY(sliceNamed(s, u"一级代理 66.67%"_s) && sliceNamed(s, u"一级代理 66.67%"_s)->exploded);
        QVERIFY(sliceNamed(s, u"二级代理 33.33%"_s));
        QCOMPARE(p.chart()->title(), u"按联络记录数量分析"_s);
    }

    // Countries, and abroad: every country but the one coded exactly "China", or every
    // country when none is; provinces by default.
    void regionsCountriesAndAbroad_data() { testsupport::addEngineRows(); }
    void regionsCountriesAndAbroad()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"C1"_s, u"一"_s, u"Admin"_s, {{u"CountryID"_s, u"China"_s}, {u"DistID"_s, u"SH"_s}});
        f.addAgent(u"C2"_s, u"二"_s, u"Admin"_s, {{u"CountryID"_s, u"China"_s}, {u"DistID"_s, u"SH"_s}});
        f.addAgent(u"J1"_s, u"三"_s, u"Admin"_s, {{u"CountryID"_s, u"Japan"_s}});
        f.addAgent(u"U1"_s, u"四"_s, u"Admin"_s, {{u"CountryID"_s, u"USA"_s}, {u"DistID"_s, u"BJ"_s}});
        AnalysisPanel p(f.ws, member("TfrmRegionAnalyse"));
        QCOMPARE(p.chart()->title(), u"省份分布分析"_s);
        QCOMPARE(p.selector()->currentText(), u"省份"_s);

        p.refresh();
        QList<Slice> s = slices(p);
        QCOMPARE(s.size(), 34);
        // The list beside the pie names every province with its number of agents.
        QCOMPARE(lines(p).size(), 34);
        QVERIFY(lines(p).contains(u"  上海市：2 个"_s) && lines(p).contains(u"  北京市：1 个"_s));
        QVERIFY(sliceNamed(s, u"上海市 66.67%"_s) && sliceNamed(s, u"上海市 66.67%"_s)->exploded);
        QVERIFY(sliceNamed(s, u"北京市 33.33%"_s));
        QCOMPARE(p.chart()->title(), u"省份分布分析"_s);

        p.selector()->setCurrentIndex(1);
        p.refresh();
        s = slices(p);
        QCOMPARE(s.size(), 14);
        QVERIFY(sliceNamed(s, u"中国 50.00%"_s));
        QCOMPARE(p.chart()->title(), u"国家/地区分布分析"_s);

        p.selector()->setCurrentIndex(2);
        p.refresh();
        s = slices(p);
        QCOMPARE(s.size(), 13);
        QVERIFY(!sliceNamed(s, u"中国 50.00%"_s));
        QVERIFY(sliceNamed(s, u"日本 50.00%"_s));
        QVERIFY(sliceNamed(s, u"美国 50.00%"_s));
        QCOMPARE(p.chart()->title(), u"境外投资国家/地区分布分析"_s);

        // The home country under another code: then it is abroad like every other.
        store::Connection &db = f.dm.connection();
        db.exec(u"UPDATE tblCountry SET CountryID = 'PRC' WHERE CountryID = 'China'"_s);
        db.exec(u"UPDATE tblCustomers SET CountryID = 'PRC' WHERE CountryID = 'China'"_s);
        p.refresh();
        s = slices(p);
        QCOMPARE(s.size(), 14);
        QVERIFY(sliceNamed(s, u"中国 50.00%"_s));
        QVERIFY(sliceNamed(s, u"日本 25.00%"_s));
    }

    // An empty dictionary gives the total lines and an empty chart; a category without a
    // colour takes the chart's own; two categories of one name are two lines and two slices.
    void emptyDictionaryEmptyColourAndOneNameTwice_data() { testsupport::addEngineRows(); }
    void emptyDictionaryEmptyColourAndOneNameTwice()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        f.addAgent(u"A1"_s, u"一"_s, u"Admin"_s, {{u"OriginID"_s, u"X"_s}});
        f.addAgent(u"A2"_s, u"二"_s, u"Admin"_s, {{u"OriginID"_s, u"Y"_s}});
        f.addAgent(u"A3"_s, u"三"_s, u"Admin"_s, {{u"OriginID"_s, u"Y"_s}});
        store::Connection &db = f.dm.connection();
        db.exec(u"DELETE FROM tblCustOrigin"_s);
        AnalysisPanel p(f.ws, member("TfrmCustOriginAnalyse"));
        p.refresh();
        QCOMPARE(lines(p), (QStringList{u"商务代理数量总计： 3 个"_s, QString(), u"其中："_s}));
        QCOMPARE(p.series()->count(), 0);
        p.selector()->setCurrentIndex(1);
        p.refresh();
        QCOMPARE(lines(p), (QStringList{u"数量总计：0 个"_s, QString(), u"其中："_s}));
        QCOMPARE(p.series()->count(), 0);

        db.exec(u"INSERT INTO tblCustOrigin (OriginID, OriginName, OriginColor, Memo) VALUES ('X', '展会', NULL, 'x'), "
                "('Y', '展会', 65280, 'y')"_s);
        p.selector()->setCurrentIndex(0);
        p.refresh();
        QCOMPARE(sorted(lines(p).mid(3)), sorted({u"  展会：1 个"_s, u"  展会：2 个"_s}));
        const QList<Slice> s = slices(p);
        QCOMPARE(s.size(), 2);
        for (int i = 0; i < 2; ++i) {
            if (s[i].value == 2) {
                QCOMPARE(s[i].label, u"展会 66.67%"_s);
                QCOMPARE(s[i].colour, QColor(0, 255, 0));
                QVERIFY(s[i].exploded);
            } else {
                QCOMPARE(s[i].label, u"展会 33.33%"_s);
                QCOMPARE(s[i].colour, themeColour(i));
                QVERIFY(!s[i].exploded);
            }
        }
    }

    // The state analysis: all-time lines, then the period's lines and chart, from the first
    // date to the second, both included; the command resets the period and keeps the chart.
    void statesInAPeriod_data() { testsupport::addEngineRows(); }
    void statesInAPeriod()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        const QDate today = QDate::currentDate();
        const auto agent = [&](const char *code, const char *state, int daysAgo) {
            f.addAgent(QLatin1String(code), u"代理"_s, u"Admin"_s,
                       {{u"StateId"_s, QLatin1String(state)}, {u"CreateDate"_s, today.addDays(-daysAgo)}});
        };
        agent("S1", "01", 40);
        agent("S2", "01", 30);
        agent("S3", "02", 0);
        agent("S4", "03", 31);
        AnalysisPanel p(f.ws, member("TfrmCustStateAnalyse"));
        p.from()->setDate(today.addDays(-100));
        p.prepare();
        QCOMPARE(p.from()->date(), today.addDays(-30));
        QCOMPARE(p.to()->date(), today);
        p.refresh();
        const QString from = p.from()->text(), to = p.to()->text();
        const QStringList shown = lines(p);
        QCOMPARE(shown.size(), 3 + 5 + 6 + 2);
        QCOMPARE(shown.mid(0, 3), (QStringList{u"商务代理数量总计： 4 个"_s, QString(), u"其中："_s}));
        QCOMPARE(sorted(shown.mid(3, 5)), sorted({u"  初次接触：2 个"_s, u"  意向洽谈：1 个"_s, u"  正式签约：1 个"_s,
                                                  u"  暂停联系：0 个"_s, u"  终止合作：0 个"_s}));
        QCOMPARE(shown.mid(8, 6), (QStringList{QString(), from + u" 至"_s, to + u" 期间："_s, u"商务代理数量总计：2 个"_s,
                                               QString(), u"其中："_s}));
        QCOMPARE(sorted(shown.mid(14)), sorted({u"  初次接触：1 个"_s, u"  意向洽谈：1 个"_s}));
        QList<Slice> s = slices(p);
        QCOMPARE(s.size(), 2);
        QVERIFY(sliceNamed(s, u"初次接触 50.00%"_s));
        QVERIFY(sliceNamed(s, u"意向洽谈 50.00%"_s));
        const QString title = from + u"至"_s + to + u"期间商务代理状态分析"_s;
        QCOMPARE(p.chart()->title(), title);

        // Opened again: the period back to the last 30 days, the old chart kept until 刷新.
        p.from()->setDate(today.addDays(5));
        p.prepare();
        QCOMPARE(p.from()->date(), today.addDays(-30));
        QCOMPARE(p.chart()->title(), title);
        QCOMPARE(p.series()->count(), 2);

        // A first date after the second: nothing in the period.
        p.from()->setDate(today.addDays(1));
        p.refresh();
        QCOMPARE(p.series()->count(), 0);
        QVERIFY(lines(p).contains(u"商务代理数量总计：0 个"_s));
    }

    // The context menu: the list and the navigation panel shown or hidden, only the applicable
    // entry enabled; 关闭 goes back to the chart page; the analyses attach to their commands.
    void menuCloseAndCommands()
    {
        AgentsFixture f(u"sqlite"_s);
        AnalysisPanel p(f.ws, member("TfrmCustVocationAnalyse"));
        const auto enabled = [&p](const char *name) { return p.action(QLatin1String(name))->isEnabled(); };
        QVERIFY(!enabled("N_ShowList") && enabled("N_HideList"));
        QVERIFY(!enabled("N_ShowNavigation") && enabled("N_HideNavigation"));
        p.action(u"N_HideList"_s)->trigger();
        QVERIFY(p.list()->isHidden());
        QVERIFY(enabled("N_ShowList") && !enabled("N_HideList"));
        p.action(u"N_ShowList"_s)->trigger();
        QVERIFY(!p.list()->isHidden());
        p.action(u"N_HideNavigation"_s)->trigger();
        QVERIFY(!f.host.navigationVisible);
        QVERIFY(enabled("N_ShowNavigation") && !enabled("N_HideNavigation"));
        f.host.navigationVisible = true; // shown again from the main menu
        p.prepare();
        QVERIFY(!enabled("N_ShowNavigation") && enabled("N_HideNavigation"));

        p.closePanel();
        QCOMPARE(f.host.navigationPage, u"图表分析"_s);

        installAnalysis(f.ws);
        for (const AnalysisMember &m : AnalysisMember::all()) {
            QWidget *panel = f.host.modules.value(m.command);
            QVERIFY2(panel && panel->objectName() == m.objectName, qPrintable(m.command));
            QVERIFY(f.host.windows.contains(m.command));
        }
        auto *state = qobject_cast<AnalysisPanel *>(f.host.modules.value(u"Act_CustStateAnalyse"_s));
        state->from()->setDate(QDate(2001, 1, 1));
        f.host.windows.value(u"Act_CustStateAnalyse"_s)();
        QCOMPARE(state->from()->date(), QDate::currentDate().addDays(-30));
        QCOMPARE(f.host.modules.value(u"Act_Gathering"_s)->objectName(), u"TfrmGathering"_s);
        QCOMPARE(f.host.modules.value(u"Act_Payment"_s)->objectName(), u"TfrmPayment"_s);
    }

    // Thirty-four provinces, a few with many agents and most with one: every slice can be read,
    // by its name in the legend beside the pie, by a label where one fits, and in the list.
    void regionPieCanBeReadWithEveryProvince()
    {
        AgentsFixture f(u"sqlite"_s);
        QSqlQuery provinces = f.dm.connection().exec(u"SELECT DistID, DistName FROM tblCustDist"_s);
        QHash<QString, QString> names;
        while (provinces.next())
            names.insert(provinces.value(0).toString(), provinces.value(1).toString());
        QCOMPARE(names.size(), 34);
        int n = 0;
        for (auto it = names.cbegin(); it != names.cend(); ++it)
            for (int i = 0; i < (n++ % 7 == 0 ? 12 : 1); ++i)
                f.addAgent(u"D%1"_s.arg(n * 100 + i), it.value(), u"Admin"_s,
                           {{u"DistID"_s, it.key()}});
        AnalysisPanel p(f.ws, member("TfrmRegionAnalyse"));
        p.resize(1000, 640);
        p.show();
        QVERIFY(QTest::qWaitForWindowExposed(&p));
        p.refresh();
        QCoreApplication::processEvents();

        QCOMPARE(p.chart()->legend()->alignment(), Qt::AlignRight);
        QStringList legend;
        for (QLegendMarker *m : p.chart()->legend()->markers())
            legend << m->label();
        QCOMPARE(sorted(legend), sorted(names.values()));
        QCOMPARE(lines(p).size(), 34);
        // Every name can be read beside the pie, at the size the main window gives the panel,
        // a smaller and a larger one: in the legend when every row fits it, else in the list,
        // each line with its slice's colour; never in a legend that drops rows.
        bool legendSeen = false, listSeen = false;
        for (const QSize size : {QSize(1000, 640), QSize(900, 520), QSize(1400, 1300)}) {
            p.resize(size);
            QTest::qWait(50);
            if (p.chart()->legend()->isVisible()) {
                legendSeen = true;
                QTRY_COMPARE(sorted(legendNamesShown(p.chart())), sorted(names.values()));
                QVERIFY(p.chart()->legend()->font().pointSizeF() >= 7);
                continue;
            }
            listSeen = true;
            QVERIFY(p.list()->isVisible());
            QHash<QString, QColor> colours;
            for (QPieSlice *slice : p.series()->slices())
                colours.insert(slice->label().section(u' ', 0, 0), slice->brush().color());
            for (int i = 0; i < p.list()->count(); ++i) {
                const QListWidgetItem *item = p.list()->item(i);
                const QString name = item->text().trimmed().section(u'：', 0, 0);
                QVERIFY2(colours.contains(name), qPrintable(name));
                QCOMPARE(item->icon().pixmap(12, 12).toImage().pixelColor(6, 6),
                         colours.value(name));
            }
        }
        QVERIFY(legendSeen && listSeen);
        p.resize(1000, 640);
        QCoreApplication::processEvents();

        QList<QRectF> shown;
        int hidden = 0;
        for (QPieSlice *slice : p.series()->slices()) {
            if (!slice->isLabelVisible()) {
                ++hidden;
                continue;
            }
            const QRectF r = p.labelRect(slice);
            QVERIFY2(p.chart()->rect().contains(r), qPrintable(slice->label()));
            for (const QRectF &other : std::as_const(shown))
                QVERIFY2(!r.intersects(other), qPrintable(slice->label()));
            shown << r;
        }
        QVERIFY(hidden > 0);        // the thin slices go without
        QVERIFY(shown.size() >= 5); // the five large ones keep theirs
    }

    // 导出图片: the chart as shown, to a PNG picture or a one-page PDF.
    void chartIsExportedAsPictureOrPdf()
    {
        AgentsFixture f(u"sqlite"_s);
        f.addAgent(u"A1"_s, u"一"_s, u"Admin"_s, {{u"CountryID"_s, u"Japan"_s}});
        // Characters whose glyphs CJK fonts share with radicals: a PDF reader must find these.
        QVERIFY(
            f.dm.connection()
                .exec(
                    u"UPDATE tblCountry SET CountryName = '大人一页长' WHERE CountryID = 'Japan'"_s)
                .isActive());
        AnalysisPanel p(f.ws, member("TfrmRegionAnalyse"));
        p.resize(800, 500);
        p.show();
        p.selector()->setCurrentIndex(1);
        p.refresh();
        const QString png = f.store.appDir() + u"chart.png"_s, pdf = f.store.appDir() + u"chart.pdf"_s;
        FileDialog::setNextFileName(png);
        p.action(u"N_ExportPicture"_s)->trigger();
        QCOMPARE(FileDialog::last().proposedName, u"国家-地区分布分析"_s);
        const QImage image(png);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 400);
        FileDialog::setNextFileName(pdf);
        p.action(u"N_ExportPicture"_s)->trigger();
        QProcess info;
        info.start(u"pdfinfo"_s, {pdf});
        QVERIFY(info.waitForFinished(30000));
        QCOMPARE(info.exitCode(), 0);
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput()).contains(QRegularExpression(u"Pages:\\s+1\\b"_s)));
        QProcess text;
        text.start(u"pdftotext"_s, {pdf, u"-"_s});
        QVERIFY(text.waitForFinished(30000));
        const QString extracted = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(extracted.contains(u"大人一页长"_s), qPrintable(extracted));
        QVERIFY2(!extracted.contains(QRegularExpression(u"[\\x{2E80}-\\x{2FDF}]"_s)),
                 qPrintable(extracted));
        QCOMPARE(shownTexts(), QStringList());

        // A folder that cannot be written: told, nothing half written left.
        FileDialog::setNextFileName(u"/proc/no-such/chart.png"_s);
        p.action(u"N_ExportPicture"_s)->trigger();
        QCOMPARE(shownTexts().size(), 1);
    }
};

QTEST_MAIN(TestAnalysis)
#include "tst_analysis.moc"
