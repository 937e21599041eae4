// 导出日历 on the schedule list: the file read back by python3-icalendar and python3-vobject,
// with its events, stable UIDs, Chinese texts, local times and their zone.
#include "contentlines.h"
#include "datagrid.h"
#include "filedialog.h"
#include "plancalendar.h"
#include "pythonreader.h"
#include "schedulefixture.h"
#include "schedulepanel.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <ctime>

using namespace Qt::StringLiterals;

namespace
{

// Each event as both libraries read it: its UID, texts, start (local, as written), the zone it
// names, and the offset from UTC that the file's own VTIMEZONE gives that start.
const char *const Reader = R"PY(
import json, sys, icalendar, vobject
raw = open(sys.argv[1], 'rb').read()
cal = icalendar.Calendar.from_ical(raw)
events = []
for e in cal.walk('VEVENT'):
    start = e['DTSTART']
    events.append({
        'uid': str(e['UID']), 'summary': str(e.get('SUMMARY', '')),
        'location': str(e.get('LOCATION', '')), 'contact': str(e.get('CONTACT', '')),
        'description': str(e.get('DESCRIPTION', '')),
        'start': start.dt.strftime('%Y-%m-%dT%H:%M:%S') if hasattr(start.dt, 'hour') else start.dt.isoformat(),
        'tzid': str(start.params.get('TZID', '')),
    })
zones = [str(z['TZID']) for z in cal.walk('VTIMEZONE')]
v = vobject.readOne(raw.decode('utf-8'))
tz = v.vtimezone.gettzinfo()
offsets = {}
for e in v.vevent_list:
    d = e.dtstart.value
    if hasattr(d, 'hour'):
        offsets[e.uid.value] = int(tz.utcoffset(d.replace(tzinfo=None)).total_seconds())
print(json.dumps({'events': events, 'zones': zones, 'offsets': offsets}))
)PY";

QJsonObject readCalendar(const QString &path)
{
    return testsupport::pythonJson(QString::fromUtf8(Reader), {path}).toObject();
}

QJsonObject byUid(const QJsonArray &events, const QString &uid)
{
    for (const QJsonValue &e : events)
        if (e[u"uid"].toString() == uid)
            return e.toObject();
    return {};
}

// 导出日历 from the keyboard: Tab from the list to the button of the list's tool bar, and
// the space bar.
void exportTo(ShownSchedulePanel &s, const QString &path)
{
    FileDialog::setNextFileName(path);
    testsupport::tabToAndPress(s.w->grid()->view(),
                               s.w->findChild<QToolBar *>(u"tbList"_s)
                                   ->widgetForAction(s.w->action(u"Act_ExportCalendar"_s)));
}

const QString LongMemo =
    u"请带上合同样本、报价单和样品目录；参观生产线后与厂长商谈下一季度的供货安排，"
    u"并确认运输方式。\n第二行备注"_s;

} // namespace

class TestCalendarExport : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase()
    {
        // A zone with summer time, so that winter and summer entries have different offsets.
        qputenv("TZ", "Europe/Berlin");
        tzset();
        QCOMPARE(QTimeZone::systemTimeZoneId(), QByteArray("Europe/Berlin"));
    }
    void init() { resetScripts(); }

    void exportReadsBack_data() { testsupport::addEngineRows(); }
    void exportReadsBack()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.addAgent(u"A1"_s, u"甲公司"_s, u"Admin"_s);
        f.addPlan(QDate(2026, 1, 15), u"北京市朝阳区，建国路;88号"_s, u"A1"_s,
                  {{u"PlanTime"_s, u"09:30:00"_s},
                   {u"Linkman"_s, u"张三"_s},
                   {u"OperateId"_s, u"考察新厂房"_s},
                   {u"Memo"_s, LongMemo}});
        f.addPlan(QDate(2026, 7, 1), u"上海"_s, u"A1"_s,
                  {{u"PlanTime"_s, u"14:00:00"_s}, {u"Linkman"_s, u"李四"_s}});
        f.addPlan(QDate(2026, 3, 29), u"广州"_s, u"A1"_s, {{u"PlanTime"_s, u"下午"_s}});
        f.addPlan(QDate(), u"无日期"_s, u"A1"_s);
        ShownSchedulePanel s(f);
        QCOMPARE(f.dm.qryPlan.rowCount(), 4);
        const QStringList ids = [&] {
            QStringList out;
            for (const QString &place : {u"北京市朝阳区，建国路;88号"_s, u"上海"_s, u"广州"_s})
                out << u"tessaly-plan-"_s +
                           f.dm.qryPlan.value(f.dm.qryPlan.find(u"Address"_s, place), u"PlanID"_s)
                               .toString();
            return out;
        }();
        f.dm.qryPlan.moveTo(1);

        const QString first = f.store.appDir() + u"first.ics"_s;
        exportTo(s, first);
        QCOMPARE(FileDialog::last().caption, u"导出日历"_s);
        QCOMPARE(FileDialog::last().defaultSuffix, u"ics"_s);
        QCOMPARE(f.logCount(u"商务代理业务管理-日程安排-导出日历"_s), 1);
        QCOMPARE(
            shownTexts(),
            QStringList{
                u"日历导出成功！共导出 3 条日程安排到“%1”。另有 1 条没有日期的日程安排未导出。"_s
                    .arg(QDir::toNativeSeparators(first))});
        QCOMPARE(f.dm.qryPlan.currentRow(), 1); // the list stays where it was

        // Every physical line ends in CR LF and holds at most 75 octets.
        QFile file(first);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray raw = file.readAll();
        QVERIFY(raw.endsWith("\r\n"));
        for (const QByteArray &line : raw.split('\n'))
            QVERIFY2(line.isEmpty() || (line.endsWith('\r') && line.size() <= 76),
                     line.constData());

        const QJsonObject cal = readCalendar(first);
        const QJsonArray events = cal[u"events"].toArray();
        QCOMPARE(events.size(), 3);
        QCOMPARE(cal[u"zones"].toArray(), QJsonArray{u"Europe/Berlin"_s});

        const QJsonObject winter = byUid(events, ids[0]);
        QCOMPARE(winter[u"summary"].toString(), u"甲公司 考察新厂房"_s);
        QCOMPARE(winter[u"location"].toString(), u"北京市朝阳区，建国路;88号"_s);
        QCOMPARE(winter[u"contact"].toString(), u"张三"_s);
        QCOMPARE(winter[u"description"].toString(),
                 u"商务代理：甲公司\n联系人：张三\n考察内容：考察新厂房\n备注："_s + LongMemo);
        QCOMPARE(winter[u"start"].toString(), u"2026-01-15T09:30:00"_s);
        QCOMPARE(winter[u"tzid"].toString(), u"Europe/Berlin"_s);
        const QJsonObject summer = byUid(events, ids[1]);
        QCOMPARE(summer[u"start"].toString(), u"2026-07-01T14:00:00"_s);
        // The file's own zone description: an hour ahead of UTC in winter, two in summer.
        QCOMPARE(cal[u"offsets"][ids[0]].toInt(), 3600);
        QCOMPARE(cal[u"offsets"][ids[1]].toInt(), 7200);
        // A time that is no time of day: an all-day event that keeps the text.
        const QJsonObject allDay = byUid(events, ids[2]);
        QCOMPARE(allDay[u"start"].toString(), u"2026-03-29"_s);
        QCOMPARE(allDay[u"tzid"].toString(), QString());
        QVERIFY(allDay[u"description"].toString().endsWith(u"时间：下午"_s));

        // A second export, the list in another order (a header click) and one entry changed:
        // the same UIDs stand for the same entries.
        f.dm.qryPlan.setSort(u"PlanDate"_s, Qt::DescendingOrder);
        f.dm.qryPlan.moveTo(f.dm.qryPlan.find(u"Address"_s, u"上海"_s));
        f.dm.qryPlan.setValue(u"Address"_s, u"上海浦东"_s);
        f.dm.qryPlan.post();
        const QString second = f.store.appDir() + u"second.ics"_s;
        resetScripts();
        exportTo(s, second);
        const QJsonArray again = readCalendar(second)[u"events"].toArray();
        QCOMPARE(again.size(), 3);
        QCOMPARE(again[0][u"uid"].toString(), ids[1]); // the latest day first
        for (const QString &id : ids)
            QCOMPARE(byUid(again, id)[u"start"], byUid(events, id)[u"start"]);
        QCOMPARE(byUid(again, ids[1])[u"location"].toString(), u"上海浦东"_s);
    }

    // What the list shows after 查询: only the span asked for.
    void exportFollowsTheList_data() { testsupport::addEngineRows(); }
    void exportFollowsTheList()
    {
        QFETCH(QString, engine);
        ScheduleFixture f(engine);
        f.addAgent(u"A1"_s, u"甲公司"_s, u"Admin"_s);
        for (int day = 1; day <= 5; ++day)
            f.addPlan(QDate(2026, 5, day), u"地点%1"_s.arg(day), u"A1"_s,
                      {{u"PlanTime"_s, u"10:00:00"_s}});
        ShownSchedulePanel s(f);
        f.dm.qryPlan.close();
        f.dm.qryPlan.setSql(QStringList{u"select * from tblPlan "_s,
                                        u" where PlanDate between :planDate1 and :planDate2 "_s});
        f.dm.qryPlan.setParam(u"planDate1"_s, QDate(2026, 5, 2));
        f.dm.qryPlan.setParam(u"planDate2"_s, QDate(2026, 5, 3));
        f.dm.qryPlan.open();
        const QString path = f.store.appDir() + u"span.ics"_s;
        exportTo(s, path);
        QStringList places;
        for (const QJsonValue &e : readCalendar(path)[u"events"].toArray())
            places << e[u"location"].toString();
        QCOMPARE(places, (QStringList{u"地点2"_s, u"地点3"_s}));
    }

    // A cancelled dialog writes nothing; a file that cannot be written is refused with its
    // reason and the old file stays as it was.
    void cancelAndFailure()
    {
        ScheduleFixture f(u"sqlite"_s);
        f.addPlan(QDate(2026, 5, 1), u"地点"_s, {}, {{u"PlanTime"_s, u"10:00:00"_s}});
        ShownSchedulePanel s(f);
        exportTo(s, QString());
        QCOMPARE(shownTexts(), QStringList());
        const QString missing = f.store.appDir() + u"no/such/folder/x.ics"_s;
        exportTo(s, missing);
        QCOMPARE(shownTexts().size(), 1);
        QVERIFY(shownTexts().constFirst().startsWith(u"对不起，文件“"_s));
        QVERIFY(!QFile::exists(missing));
    }

    // The zone description over a span: each change of offset with the offsets before and
    // after it, and a zone without summer time as one standard time.
    void timeZoneDescription()
    {
        const QStringList berlin = PlanCalendar::timeZone(QTimeZone("Europe/Berlin"),
                                                          QDate(2026, 1, 1), QDate(2026, 12, 31));
        // 2025 to 2027: three springs and three autumns after the state at 1 January 2025.
        QCOMPARE(berlin.count(u"BEGIN:DAYLIGHT"_s), 3);
        QCOMPARE(berlin.count(u"BEGIN:STANDARD"_s), 4);
        const int spring = int(berlin.indexOf(u"DTSTART:20260329T020000"_s));
        QVERIFY(spring > 0);
        QCOMPARE(berlin.mid(spring - 1, 4),
                 (QStringList{u"BEGIN:DAYLIGHT"_s, u"DTSTART:20260329T020000"_s,
                              u"TZOFFSETFROM:+0100"_s, u"TZOFFSETTO:+0200"_s}));
        const QStringList shanghai = PlanCalendar::timeZone(QTimeZone("Asia/Shanghai"),
                                                            QDate(2026, 1, 1), QDate(2026, 1, 1));
        QCOMPARE(shanghai.count(u"BEGIN:STANDARD"_s), 1);
        QCOMPARE(shanghai.count(u"BEGIN:DAYLIGHT"_s), 0);
        QVERIFY(shanghai.contains(u"TZOFFSETTO:+0800"_s));
    }
};

QTEST_MAIN(TestCalendarExport)
#include "tst_calendarexport.moc"
