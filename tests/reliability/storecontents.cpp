#include "storecontents.h"

#include "connection.h"

#include <QSqlQuery>
#include <QSqlRecord>

StoreContents::StoreContents(store::Connection &db)
{
    QSqlQuery q =
        db.exec(QStringLiteral("SELECT CustId, CustName, Address, SUser FROM tblCustomers"));
    while (q.next()) {
        const QString id = q.value(0).toString();
        Agent &a = agents[id];
        ++a.count;
        a.name = q.value(1).toString();
        a.address = q.value(2).toString();
        a.owner = q.value(3).toString();
        if (id.isEmpty() || a.name.isEmpty())
            m_halfWritten << QStringLiteral("agent '%1' name '%2'").arg(id, a.name);
    }
    q = db.exec(QStringLiteral("SELECT OperateID, CustID, OperateTitle, SUser FROM tblOperates"));
    while (q.next()) {
        const QString id = q.value(0).toString();
        Record &r = records[id];
        ++r.count;
        r.agent = q.value(1).toString();
        r.title = q.value(2).toString();
        r.owner = q.value(3).toString();
        if (id.isEmpty() || r.agent.isEmpty() || r.title.isEmpty())
            m_halfWritten
                << QStringLiteral("record '%1' agent '%2' title '%3'").arg(id, r.agent, r.title);
    }
    QSet<qint64> ids;
    q = db.exec(QStringLiteral("SELECT LogID, UserID, Operate, LogDateTime FROM tblLog"));
    while (q.next()) {
        ++logRows;
        ids.insert(q.value(0).toLongLong());
        const QString text = q.value(2).toString();
        Log &l = logs[text];
        ++l.count;
        l.user = q.value(1).toString();
        if (text.isEmpty() || l.user.isEmpty() || q.value(3).toString().isEmpty())
            m_halfWritten << QStringLiteral("log %1 '%2'").arg(q.value(0).toString(), text);
    }
    distinctLogIds = int(ids.size());

    struct Source {
        const char *kind, *sql;
    };
    for (const Source &src :
         {Source{"contact", "SELECT LinkmanID, CustID, Telephone, SUser FROM tblLinkmans"},
          Source{"item", "SELECT OperateID, DetailNo, DTitle FROM tblOperateDetail"},
          Source{"referrer", "SELECT OperaterID, Name, Mobile FROM tblOperaters"},
          Source{"plan", "SELECT Memo, CustID, Address FROM tblPlan"},
          Source{"notice", "SELECT BTitle, Man FROM tblBoard"}}) {
        const QString kind = QLatin1String(src.kind);
        const bool item = kind == QLatin1String("item");
        q = db.exec(QLatin1String(src.sql));
        while (q.next()) {
            QString id = q.value(0).toString();
            if (item)
                id += QLatin1Char('/') + q.value(1).toString();
            Row &row = rows[kind][id];
            ++row.count;
            row.value = q.value(item ? 2 : 1).toString();
            if (kind == QLatin1String("plan") && row.value.isEmpty())
                row.value = QStringLiteral("-");
            if (!item && q.record().count() > 2)
                row.change = q.value(2).toString();
            if (q.record().count() > 3)
                row.owner = q.value(3).toString();
            if (id.isEmpty() || row.value.isEmpty())
                m_halfWritten << QStringLiteral("%1 '%2' value '%3'").arg(kind, id, row.value);
            if (item && !records.contains(q.value(0).toString()))
                m_halfWritten << QStringLiteral("item %1 belongs to no record").arg(id);
        }
    }
    const QVariant c =
        db.scalar(QStringLiteral("SELECT Memo FROM tblBoard WHERE BTitle = ?"), {counterTitle()});
    counter = c.isValid() ? c.toString().toInt() : -1;
}

QString StoreContents::counterTitle()
{
    return QStringLiteral("共享计数");
}

void StoreContents::addCounter(store::Connection &db)
{
    db.exec(QStringLiteral("INSERT INTO tblBoard (BTitle, Man, Memo) VALUES (?, ?, ?)"),
            {counterTitle(), QStringLiteral("test"), QStringLiteral("0")});
}

QStringList StoreContents::checkCounter(const QList<SeatReport> &reports, int killed,
                                        int &verified) const
{
    QStringList problems;
    QHash<int, QString> seen; // value -> the seat that reported it
    for (const SeatReport &r : reports) {
        for (int v : r.bumps) {
            if (v < 1 || v > counter)
                problems << QStringLiteral("%1 raised the counter to %2, but it holds %3")
                                .arg(r.tag)
                                .arg(v)
                                .arg(counter);
            else if (seen.contains(v))
                problems << QStringLiteral(
                                "%1 and %2 both raised the counter to %3: a raise was lost")
                                .arg(seen.value(v), r.tag)
                                .arg(v);
            else {
                seen.insert(v, r.tag);
                ++verified;
            }
        }
    }
    const int unreported = counter - int(seen.size());
    if (counter < 0)
        problems << QStringLiteral("the shared counter row is gone");
    else if (unreported < 0 || unreported > killed)
        problems << QStringLiteral("the counter holds %1 after %2 reported raises")
                        .arg(counter)
                        .arg(seen.size());
    return problems;
}

QStringList StoreContents::check(const SeatReport &r, bool killed, int &verified) const
{
    QStringList problems;
    const auto problem = [&](const QString &p) {
        if (problems.size() < 20)
            problems << r.tag + QStringLiteral(": ") + p;
        else if (problems.size() == 20)
            problems << r.tag + QStringLiteral(": ...");
    };
    const int allowed = killed ? 1 : 0;

    int changedElsewhere = 0;
    for (auto it = r.agents.begin(); it != r.agents.end(); ++it) {
        const Agent a = agents.value(it.key());
        if (a.count != 1) {
            problem(QStringLiteral("agent %1 stored %2 times").arg(it.key()).arg(a.count));
            continue;
        }
        const QString owner = movedTo.value(it.key(), r.user);
        if (a.name != it.value() || a.owner.compare(owner, Qt::CaseInsensitive) != 0) {
            problem(QStringLiteral("agent %1 holds name '%2' owner '%3'")
                        .arg(it.key(), a.name, a.owner));
            continue;
        }
        ++verified;
        // The last change of each agent stands over the earlier ones. Only a change stored in
        // the instant before a kill may be missing from the report.
        const QString want = r.lastChange.value(it.key());
        if (a.address == want ||
            (++changedElsewhere <= allowed &&
             a.address.startsWith(QStringLiteral("地址-") + it.key() + QLatin1Char('-'))))
            verified += r.changeCount.value(it.key());
        else
            problem(QStringLiteral("agent %1 holds address '%2', last reported '%3'")
                        .arg(it.key(), a.address, want));
    }
    for (auto it = r.lastChange.begin(); it != r.lastChange.end(); ++it)
        if (!r.agents.contains(it.key()))
            problem(QStringLiteral("change of an agent it never reported: %1").arg(it.key()));
    for (auto it = r.records.begin(); it != r.records.end(); ++it) {
        const Record rec = records.value(it.key());
        if (rec.count != 1)
            problem(QStringLiteral("record %1 stored %2 times").arg(it.key()).arg(rec.count));
        else if (rec.agent != it.value() || rec.owner.compare(r.user, Qt::CaseInsensitive) != 0)
            problem(QStringLiteral("record %1 holds agent '%2' owner '%3'")
                        .arg(it.key(), rec.agent, rec.owner));
        else
            ++verified;
    }
    for (const QString &text : r.logs) {
        const Log l = logs.value(text);
        if (l.count != 1)
            problem(QStringLiteral("log '%1' stored %2 times").arg(text).arg(l.count));
        else if (l.user.compare(r.user, Qt::CaseInsensitive) != 0)
            problem(QStringLiteral("log '%1' holds user '%2'").arg(text, l.user));
        else
            ++verified;
    }

    // The other kinds: each reported row once, as reported, with its last reported change.
    static const QHash<QString, QString> prefixes{{QStringLiteral("contact"), QStringLiteral("-L")},
                                                  {QStringLiteral("referrer"), QStringLiteral("-P")},
                                                  {QStringLiteral("plan"), QStringLiteral("-N")},
                                                  {QStringLiteral("notice"), QStringLiteral("-B")},
                                                  {QStringLiteral("item"), QStringLiteral("-R")}};
    for (auto kind = prefixes.begin(); kind != prefixes.end(); ++kind) {
        const QHash<QString, Row> stored = rows.value(kind.key());
        const QHash<QString, QString> reported = r.rows.value(kind.key());
        const QHash<QString, QString> changed = r.lastChanges.value(kind.key());
        int changedUnseen = 0;
        for (auto it = reported.begin(); it != reported.end(); ++it) {
            const Row row = stored.value(it.key());
            if (row.count != 1) {
                problem(QStringLiteral("%1 %2 stored %3 times").arg(kind.key(), it.key()).arg(row.count));
                continue;
            }
            if (row.value != it.value()) {
                problem(QStringLiteral("%1 %2 holds '%3', reported '%4'")
                            .arg(kind.key(), it.key(), row.value, it.value()));
                continue;
            }
            ++verified;
            if (!changed.contains(it.key()))
                continue;
            if (row.change == changed.value(it.key()) || ++changedUnseen <= allowed)
                verified += r.kindChangeCount.value(kind.key()).value(it.key());
            else
                problem(QStringLiteral("%1 %2 holds '%3', last reported change '%4'")
                            .arg(kind.key(), it.key(), row.change, changed.value(it.key())));
        }
        for (auto it = changed.begin(); it != changed.end(); ++it)
            if (!reported.contains(it.key()))
                problem(QStringLiteral("change of a %1 it never reported: %2").arg(kind.key(), it.key()));
        // Rows of this seat that it never reported. A killed seat may have stored one, and the
        // items of the record it was saving.
        const QString prefix = r.tag + kind.value();
        int extra = 0;
        for (auto it = stored.begin(); it != stored.end(); ++it)
            if (it.key().startsWith(prefix) && !reported.contains(it.key()))
                ++extra;
        if (extra > (kind.key() == QLatin1String("item") ? 3 * allowed : allowed))
            problem(QStringLiteral("%1 %2 rows stored but never reported").arg(extra).arg(kind.key()));
    }

    // Rows of this seat that it never reported.
    const QString agentPrefix = r.tag + QLatin1Char('-');
    const QString recordPrefix = r.tag + QStringLiteral("-R");
    const QString logPrefix = r.tag + QStringLiteral("-日志-");
    int extraAgents = 0, extraRecords = 0, extraLogs = 0;
    for (auto it = agents.begin(); it != agents.end(); ++it)
        if (it.key().startsWith(agentPrefix) && !r.agents.contains(it.key()))
            ++extraAgents;
    for (auto it = records.begin(); it != records.end(); ++it)
        if (it.key().startsWith(recordPrefix) && !r.records.contains(it.key()))
            ++extraRecords;
    const QSet<QString> reportedLogs(r.logs.begin(), r.logs.end());
    for (auto it = logs.begin(); it != logs.end(); ++it)
        if (it.key().startsWith(logPrefix) && !reportedLogs.contains(it.key()))
            extraLogs += it.value().count;
    if (extraAgents > allowed || extraRecords > allowed || extraLogs > allowed)
        problem(QStringLiteral("rows stored but never reported: %1 agents, %2 records, %3 log rows")
                    .arg(extraAgents)
                    .arg(extraRecords)
                    .arg(extraLogs));
    return problems;
}

QStringList StoreContents::contactsAwayFromTheirAgents() const
{
    QStringList problems;
    const QHash<QString, Row> contacts = rows.value(QStringLiteral("contact"));
    for (auto it = contacts.begin(); it != contacts.end() && problems.size() < 20; ++it) {
        const auto agent = agents.constFind(it.value().value);
        if (agent == agents.constEnd())
            continue;
        if (agent->owner.compare(it.value().owner, Qt::CaseInsensitive) != 0)
            problems << QStringLiteral("contact %1 is owned by '%2', its agent %3%4 by '%5'")
                            .arg(it.key(), it.value().owner, it.value().value,
                                 movedTo.contains(it.value().value) ? QStringLiteral(" (handed over)")
                                                                    : QString(),
                                 agent->owner);
    }
    return problems;
}

QStringList StoreContents::recordCountsOff(store::Connection &db)
{
    QStringList problems;
    QSqlQuery q = db.exec(QStringLiteral(
        "SELECT coalesce(r.CustID, o.CustID), coalesce(r.Records, 0), coalesce(o.n, 0) "
        "FROM tblRecordCounts r FULL OUTER JOIN "
        "(SELECT CustID, count(*) AS n FROM tblOperates WHERE CustID IS NOT NULL GROUP BY CustID) "
        "o "
        "ON o.CustID = r.CustID WHERE coalesce(r.Records, 0) <> coalesce(o.n, 0)"));
    while (q.next() && problems.size() < 20)
        problems << QStringLiteral("agent %1 is kept with %2 records, has %3")
                        .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
    return problems;
}
