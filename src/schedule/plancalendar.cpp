#include "plancalendar.h"

#include "dataset.h"

#include <QTime>

namespace PlanCalendar
{

namespace
{

QString offsetText(int seconds)
{
    const QChar sign = seconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    seconds = qAbs(seconds);
    QString out = sign + QStringLiteral("%1%2")
                             .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
    if (seconds % 60)
        out += QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return out;
}

QString localText(const QDateTime &utc, int offset)
{
    return utc.toUTC().addSecs(offset).toString(QStringLiteral("yyyyMMdd'T'HHmmss"));
}

QStringList onset(bool daylight, const QString &start, int from, int to, const QString &name)
{
    const QString kind = daylight ? QStringLiteral("DAYLIGHT") : QStringLiteral("STANDARD");
    QStringList out{QStringLiteral("BEGIN:") + kind, QStringLiteral("DTSTART:") + start,
                    QStringLiteral("TZOFFSETFROM:") + offsetText(from),
                    QStringLiteral("TZOFFSETTO:") + offsetText(to)};
    if (!name.isEmpty())
        out << QStringLiteral("TZNAME:") + ContentLines::escaped(name);
    out << QStringLiteral("END:") + kind;
    return out;
}

QString zoneId(const QTimeZone &zone)
{
    const QString id = QString::fromUtf8(zone.id());
    return id.isEmpty() ? QStringLiteral("UTC") : id;
}

// The fields of qryPlan an event is made of, by their index in the rows.
struct Fields {
    explicit Fields(const store::Dataset &d)
        : id(d.fieldIndex(QStringLiteral("PlanID"))),
          date(d.fieldIndex(QStringLiteral("PlanDate"))),
          time(d.fieldIndex(QStringLiteral("PlanTime"))),
          address(d.fieldIndex(QStringLiteral("Address"))),
          agent(d.fieldIndex(QStringLiteral("CustName"))),
          linkman(d.fieldIndex(QStringLiteral("Linkman"))),
          content(d.fieldIndex(QStringLiteral("OperateId"))),
          department(d.fieldIndex(QStringLiteral("AttendMan"))),
          memo(d.fieldIndex(QStringLiteral("Memo")))
    {
    }
    int id, date, time, address, agent, linkman, content, department, memo;
};

QStringList eventLines(const Fields &f, const QVector<QVariant> &v, const QString &zone,
                       const QString &stamp)
{
    const auto text = [&v](int field) {
        return field >= 0 ? v.value(field).toString().trimmed() : QString();
    };
    const QDate date = f.date >= 0 ? v.value(f.date).toDate() : QDate();
    if (!date.isValid())
        return {}; // an event has a day; an entry without one stays out
    const QString timeText = text(f.time);
    const QTime time = QTime::fromString(timeText, QStringLiteral("hh:mm:ss"));
    QStringList out{QStringLiteral("BEGIN:VEVENT"),
                    QStringLiteral("UID:tessaly-plan-") + text(f.id),
                    QStringLiteral("DTSTAMP:") + stamp};
    if (time.isValid())
        out << QStringLiteral("DTSTART;TZID=%1:%2")
                   .arg(zone, QDateTime(date, time).toString(QStringLiteral("yyyyMMdd'T'HHmmss")));
    else
        out << QStringLiteral("DTSTART;VALUE=DATE:") + date.toString(QStringLiteral("yyyyMMdd"))
            << QStringLiteral("DTEND;VALUE=DATE:") +
                   date.addDays(1).toString(QStringLiteral("yyyyMMdd"));
    QStringList title;
    for (int field : {f.agent, f.content})
        if (const QString t = text(field); !t.isEmpty())
            title << t;
    if (title.isEmpty())
        title << (text(f.linkman).isEmpty() ? QStringLiteral("日程安排") : text(f.linkman));
    out << QStringLiteral("SUMMARY:") + ContentLines::escaped(title.join(QLatin1Char(' ')));
    if (const QString a = text(f.address); !a.isEmpty())
        out << QStringLiteral("LOCATION:") + ContentLines::escaped(a);
    if (const QString l = text(f.linkman); !l.isEmpty())
        out << QStringLiteral("CONTACT:") + ContentLines::escaped(l);
    QStringList about;
    const std::pair<const char *, int> described[] = {{"商务代理", f.agent},
                                                      {"联系人", f.linkman},
                                                      {"考察内容", f.content},
                                                      {"负责处室", f.department},
                                                      {"备注", f.memo}};
    for (const auto &[caption, field] : described)
        if (const QString t = text(field); !t.isEmpty())
            about << QString::fromUtf8(caption) + QStringLiteral("：") + t;
    if (!time.isValid() && !timeText.isEmpty())
        about << QStringLiteral("时间：") + timeText;
    if (!about.isEmpty())
        out << QStringLiteral("DESCRIPTION:") +
                   ContentLines::escaped(about.join(QLatin1Char('\n')));
    out << QStringLiteral("END:VEVENT");
    return out;
}

} // namespace

QStringList timeZone(const QTimeZone &zone, const QDate &from, const QDate &to)
{
    const QDateTime start(QDate(from.year() - 1, 1, 1), QTime(0, 0), Qt::UTC);
    const QDateTime end(QDate(to.year() + 2, 1, 1), QTime(0, 0), Qt::UTC);
    QStringList out{QStringLiteral("BEGIN:VTIMEZONE"), QStringLiteral("TZID:") + zoneId(zone)};
    // The offset in force at the start of the span, then each change within it.
    int offset = zone.offsetFromUtc(start);
    out << onset(zone.isDaylightTime(start), localText(start, offset), offset, offset,
                 zone.abbreviation(start));
    if (zone.hasTransitions())
        for (const QTimeZone::OffsetData &t : zone.transitions(start, end)) {
            if (!t.atUtc.isValid() || t.atUtc <= start)
                continue;
            out << onset(t.daylightTimeOffset != 0, localText(t.atUtc, offset), offset,
                         t.offsetFromUtc, t.abbreviation);
            offset = t.offsetFromUtc;
        }
    out << QStringLiteral("END:VTIMEZONE");
    return out;
}

ContentLines::Export calendarExport(const QTimeZone &zone, const QDateTime &stamp)
{
    const QString stampText = stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString id = zoneId(zone);
    auto fields = std::make_shared<std::optional<Fields>>();
    ContentLines::Export e;
    e.caption = QStringLiteral("导出日历");
    e.proposedName = QStringLiteral("日程安排");
    e.filter = QStringLiteral("iCalendar 文件(*.ics)");
    e.suffix = QStringLiteral("ics");
    e.head = [zone, fields](store::Dataset &plans) {
        QStringList out{QStringLiteral("BEGIN:VCALENDAR"), QStringLiteral("VERSION:2.0"),
                        QStringLiteral("PRODID:-//Tessaly//Schedule//ZH"),
                        QStringLiteral("CALSCALE:GREGORIAN")};
        fields->emplace(plans);
        QDate first = QDate::currentDate(), last = first;
        if (plans.isOpen() && (*fields)->date >= 0)
            for (const QVariant &v : plans.columnValues(QStringLiteral("PlanDate")))
                if (const QDate d = v.toDate(); d.isValid()) {
                    first = qMin(first, d);
                    last = qMax(last, d);
                }
        return out + timeZone(zone, first, last);
    };
    e.row = [fields, id, stampText](const QVector<QVariant> &values) {
        return eventLines(**fields, values, id, stampText);
    };
    e.tail = {QStringLiteral("END:VCALENDAR")};
    e.doneText = QStringLiteral("日历导出成功！共导出 %1 条日程安排到“%2”。");
    e.skippedText = QStringLiteral("另有 %1 条没有日期的日程安排未导出。");
    return e;
}

} // namespace PlanCalendar
