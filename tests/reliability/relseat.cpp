// One seat in its own process, working on a shared store the way a signed-in user would:
// log rows, new agents, changes to its own agents, contacts, contact records with detail items,
// referrers, schedule entries, notices, and reads of every list, the ledgers and the analyses,
// all through the data module's shared datasets and posting rules. Every row it has stored is
// printed at once, so the test that started it (or killed it) knows what the store must hold.
//
//   relseat LOCATION USER PASSWORD TAG SECONDS [MAXROUNDS]
//   relseat --admin=USER,USER,... LOCATION USER PASSWORD TAG SECONDS
//       an administrator handing agents (with their contacts) between those users, and backing
//       the store up now and then, until SECONDS have passed
//   relseat --assign=FROM,TO LOCATION USER PASSWORD TAG SECONDS
//       one assignment of every agent of FROM's to TO, reporting its progress; with
//       RELSEAT_STEP_PAUSE_MS set it dwells that long after each step, inside the transaction
//
// Lines on stdout, each flushed as soon as the row is stored:
//   log <text>                  a tblLog row
//   agent <CustId> <CustName>   a tblCustomers row
//   change <CustId> <Address>   an agent's Address changed to this value
//   record <OperateID> <CustID> a tblOperates row for that agent
//   <kind> <id> <value>         a row of another kind: contact (LinkmanID, CustID), item
//                               (OperateID/DetailNo, DTitle), referrer (OperaterID, Name), plan
//                               (Memo, CustID), notice (BTitle, Man)
//   <kind>-change <id> <value>  such a row changed: contact Telephone, referrer Mobile, plan Address
//   refused <what> <id>         a save refused as it should be: another user changed the row
//                               first (the lost-update message), or its agent was handed over
//   bump <n>                    the shared counter on the notice board raised to n
//   conflict <n>                another seat changed the counter first; read again and retried
//   move <CustId> <user>        the administrator handed the agent (and its contacts) over
//   backup <path>               a copy of the store made
//   progress <done> <total>     a step of a long assignment
//   error <what>: <text>        anything unexpected; the exit status is then 1
//   done <rounds>               the seat stopped on its own
#include "analysismember.h"
#include "condition.h"
#include "connection.h"
#include "datamodule.h"
#include "ledgerquery.h"
#include "passwords.h"
#include "serverfile.h"
#include "session.h"
#include "storecopy.h"
#include "storeerror.h"
#include "workassignment.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QSqlQuery>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <exception>

namespace {

void say(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout); // the row is stored: the caller may rely on it from now on
}

QString number(int n, int width = 6)
{
    return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

class Seat
{
public:
    Seat(const QString &tag, const QString &user, quint32 seed)
        : m_tag(tag), m_user(user), m_random(seed)
    {}

    int errors = 0;

    // Runs one operation. A refusal a user is meant to meet (another user changed the row
    // first, or its agent went to another user) is reported and the lists are read again, as
    // after the message; any other store error is an error. The seat goes on either way.
    template <typename Fn>
    void guarded(const char *what, store::Dataset *pending, Fn fn, const QString &id = {})
    {
        try {
            fn();
        } catch (const store::StoreError &e) {
            if (pending)
                pending->cancel();
            using K = store::StoreError::Kind;
            if ((e.kind() == K::Conflict || e.kind() == K::NotOwner) && !id.isEmpty()) {
                say(QStringLiteral("refused %1 %2").arg(QLatin1String(what), id));
                forget(id);
                if (pending)
                    pending->refresh();
                return;
            }
            ++errors;
            say(QStringLiteral("error %1: %2").arg(QLatin1String(what), e.text()));
        }
    }

    void writeLog(store::DataModule &dm)
    {
        const QString text = QStringLiteral("%1-日志-%2").arg(m_tag).arg(++m_logs);
        dm.writeLog(text);
        say(QStringLiteral("log ") + text);
    }

    void addAgent(store::Dataset &agents)
    {
        const QString id = QStringLiteral("%1-%2").arg(m_tag, number(++m_agentCount));
        const QString name = QStringLiteral("代理%1").arg(id);
        agents.append();
        agents.setValue(QStringLiteral("CustId"), id);
        agents.setValue(QStringLiteral("CustName"), name);
        agents.setValue(QStringLiteral("CreateDate"), QDate::currentDate());
        agents.post();
        m_agents << id;
        say(QStringLiteral("agent %1 %2").arg(id, name));
    }

    // An agent of this seat's, as far as it knows; empty when it has none left.
    QString someAgent()
    {
        return m_agents.isEmpty() ? QString() : m_agents[int(m_random.bounded(quint32(m_agents.size())))];
    }

    // The agent the next change is about: chosen before the change, so that a refusal knows
    // which row it was.
    QString pickAgent() { return m_picked = someAgent(); }

    void changeAgent(store::Dataset &agents)
    {
        const QString id = m_picked;
        if (id.isEmpty())
            return;
        if (!agents.locate(QStringLiteral("CustId"), id)) {
            notListed(agents, "change", "tblCustomers", "CustId", id);
            return;
        }
        const QString value = QStringLiteral("地址-%1-%2").arg(id).arg(++m_changes);
        agents.setValue(QStringLiteral("Address"), value);
        agents.post();
        say(QStringLiteral("change %1 %2").arg(id, value));
    }

    // A contact as the contact window adds one: the owner is stamped with the signed-in user
    // by the list's posting rule.
    void addContact(store::Dataset &contacts)
    {
        const QString agent = m_picked;
        if (agent.isEmpty())
            return;
        const QString id = QStringLiteral("%1-L%2").arg(m_tag, number(++m_contactCount));
        contacts.append();
        contacts.setValue(QStringLiteral("LinkmanID"), id);
        contacts.setValue(QStringLiteral("CustID"), agent);
        contacts.setValue(QStringLiteral("Name"), QString(QStringLiteral("联系人") + id));
        contacts.post();
        m_contacts.insert(id, agent);
        say(QStringLiteral("contact %1 %2").arg(id, agent));
    }

    QString pickContact()
    {
        const QStringList ids = m_contacts.keys();
        return m_picked = ids.isEmpty() ? QString() : ids[int(m_random.bounded(quint32(ids.size())))];
    }

    void changeContact(store::Dataset &contacts)
    {
        const QString id = m_picked;
        if (id.isEmpty())
            return;
        if (!contacts.locate(QStringLiteral("LinkmanID"), id)) {
            notListed(contacts, "contact-change", "tblLinkmans", "LinkmanID", id);
            return;
        }
        const QString value = QStringLiteral("电话-%1-%2").arg(id).arg(++m_changes);
        contacts.setValue(QStringLiteral("Telephone"), value);
        contacts.post();
        say(QStringLiteral("contact-change %1 %2").arg(id, value));
    }

    // A contact record and then its detail items, each stored on its own as the record window
    // and its item dialog do.
    void addRecord(store::Dataset &records, store::Dataset &items)
    {
        const QString agent = someAgent();
        if (agent.isEmpty())
            return;
        const QString id = QStringLiteral("%1-R%2").arg(m_tag, number(++m_records));
        records.append();
        records.setValue(QStringLiteral("OperateID"), id);
        records.setValue(QStringLiteral("CustID"), agent);
        records.setValue(QStringLiteral("OperateTitle"), QStringLiteral("联络-%1").arg(id));
        records.setValue(QStringLiteral("CreateDate"), QDate::currentDate());
        records.setValue(QStringLiteral("EndDate"), QDate::currentDate().addDays(int(m_random.bounded(60))));
        records.setValue(QStringLiteral("InOrOut"), m_records % 2 ? QStringLiteral("收入") : QStringLiteral("支出"));
        records.setValue(QStringLiteral("CompactAmount"), double(m_records) * 1.5);
        records.post();
        say(QStringLiteral("record %1 %2").arg(id, agent));
        if (!items.isOpen())
            items.open();
        const int count = int(m_random.bounded(4));
        for (int n = 1; n <= count; ++n) {
            const QString title = QStringLiteral("子项-%1-%2").arg(id).arg(n);
            items.append();
            items.setValue(QStringLiteral("OperateID"), id);
            items.setValue(QStringLiteral("DetailNo"), QString::number(n));
            items.setValue(QStringLiteral("DTitle"), title);
            items.setValue(QStringLiteral("RMB"), double(n) * 10);
            items.post();
            say(QStringLiteral("item %1/%2 %3").arg(id).arg(n).arg(title));
        }
    }

    // Referrers, schedule entries and notices belong to nobody: every seat sees all of them.
    void addReferrer(store::Dataset &referrers)
    {
        const QString id = QStringLiteral("%1-P%2").arg(m_tag, number(++m_referrerCount));
        const QString name = QStringLiteral("推荐人") + id;
        referrers.append();
        referrers.setValue(QStringLiteral("OperaterID"), id);
        referrers.setValue(QStringLiteral("Name"), name);
        referrers.post();
        m_referrers << id;
        say(QStringLiteral("referrer %1 %2").arg(id, name));
    }

    void changeReferrer(store::Dataset &referrers)
    {
        changeOneOf(referrers, m_referrers, "OperaterID", "Mobile", "手机", "referrer-change",
                    "referrer");
    }

    // One of the rows this seat added (`keys`, found by `keyColumn`) gets a new `column` value.
    void changeOneOf(store::Dataset &set, const QStringList &keys, const char *keyColumn,
                     const char *column, const char *prefix, const char *kind, const char *noun)
    {
        if (keys.isEmpty())
            return;
        const QString key = keys[int(m_random.bounded(quint32(keys.size())))];
        if (!set.locate(QLatin1String(keyColumn), key)) {
            ++errors;
            say(QStringLiteral("error %1: %2 %3 not found")
                    .arg(QLatin1String(kind), QLatin1String(noun), key));
            return;
        }
        const QString value =
            QStringLiteral("%1-%2-%3").arg(QString::fromUtf8(prefix), key).arg(++m_changes);
        set.setValue(QLatin1String(column), value);
        set.post();
        say(QStringLiteral("%1 %2 %3").arg(QLatin1String(kind), key, value));
    }

    void addPlan(store::Dataset &plans)
    {
        const QString memo = QStringLiteral("%1-N%2").arg(m_tag, number(++m_planCount));
        const QString agent = someAgent();
        if (!plans.isOpen())
            plans.open();
        plans.append();
        plans.setValue(QStringLiteral("PlanDate"), QDate::currentDate().addDays(int(m_random.bounded(30))));
        plans.setValue(QStringLiteral("PlanTime"), QStringLiteral("09:30"));
        plans.setValue(QStringLiteral("CustID"), agent);
        plans.setValue(QStringLiteral("AttendMan"), m_user);
        plans.setValue(QStringLiteral("Memo"), memo);
        plans.post();
        m_plans << memo;
        say(QStringLiteral("plan %1 %2").arg(memo, agent.isEmpty() ? QStringLiteral("-") : agent));
    }

    void changePlan(store::Dataset &plans)
    {
        changeOneOf(plans, m_plans, "Memo", "Address", "地点", "plan-change", "entry");
    }

    void addNotice(store::Dataset &board)
    {
        const QString title = QStringLiteral("%1-B%2").arg(m_tag, number(++m_notices));
        board.append();
        board.setValue(QStringLiteral("BTitle"), title);
        board.setValue(QStringLiteral("BDate"), QDate::currentDate());
        board.setValue(QStringLiteral("Man"), m_user);
        board.setValue(QStringLiteral("Memo"), QString(QStringLiteral("通知内容 ") + title));
        board.post();
        say(QStringLiteral("notice %1 %2").arg(title, m_user));
    }

    // What the list windows do: reread and show the first screen of rows with display fields.
    // A row seen without its code would be one stored in halves.
    void readLists(store::DataModule &dm)
    {
        struct List {
            store::Dataset &set;
            const char *code;
            const char *shown;
        };
        for (const List &l : {List{dm.tblCustomers2, "CustId", "StateName"},
                              List{dm.tblOperates2, "OperateTitle", "CustName"},
                              List{dm.qryLinkmans1, "LinkmanID", "CustName"},
                              List{dm.tblOperaters, "OperaterID", "Name"},
                              List{dm.qryPlan, "PlanDate", "CustName"},
                              List{dm.tblBoard, "BTitle", "Memo"}}) {
            if (l.set.isOpen())
                l.set.refresh();
            else
                l.set.open();
            for (int r = 0; r < qMin(20, l.set.rowCount()); ++r) {
                l.set.value(r, QLatin1String(l.shown));
                if (l.set.value(r, QLatin1String(l.code)).toString().isEmpty()) {
                    ++errors;
                    say(QStringLiteral("error read: %1 row %2 without %3")
                            .arg(l.set.name())
                            .arg(r)
                            .arg(QLatin1String(l.code)));
                }
            }
        }
    }

    // The receivables and payables ledgers read whole, and every analysis's statements run.
    void readLedgersAndAnalyses(store::DataModule &dm)
    {
        for (const bool receivables : {true, false}) {
            store::Dataset &ledger = receivables ? dm.qryGathering : dm.qryPayment;
            LedgerQuery::open(ledger, receivables);
            ledger.readRest();
            for (int r = 0; r < ledger.rowCount(); ++r)
                if (ledger.value(r, QStringLiteral("OperateID")).toString().isEmpty()) {
                    ++errors;
                    say(QStringLiteral("error read: ledger row %1 without its contract").arg(r));
                    break;
                }
            ledger.close();
        }
        store::Dataset &q = dm.qryPubQuery;
        const auto run = [&q](const QStringList &lines, const QVariantMap &values = {}) {
            q.close();
            q.setSql(lines);
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                q.setParam(it.key(), it.value());
            q.open();
            const int rows = q.rowCount();
            q.close();
            return rows;
        };
        const QVariantMap period{{QStringLiteral("CreateDate1"), QDate::currentDate().addDays(-30)},
                                 {QStringLiteral("CreateDate2"), QDate::currentDate()}};
        store::Connection &db = dm.connection();
        for (const AnalysisMember &m : AnalysisMember::all()) {
            using K = AnalysisMember::Kind;
            if (m.kind == K::Region) {
                run(AnalysisMember::regionChart(int(m_random.bounded(3))));
                continue;
            }
            run(m.agentLines());
            if (m.kind == K::Period) {
                run(m.periodLines(), period);
                continue;
            }
            db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(AnalysisMember::RecordCounts));
            db.exec(m.recordCountsLines().join(QLatin1Char('\n')));
            run(AnalysisMember::recordTotal());
            run(m.recordLines());
            db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(AnalysisMember::RecordCounts));
        }
    }

    // Every seat raises one shared counter (a notice-board row): read, add one, post. When
    // another seat got there first the post is refused as a conflict, and the seat reads the
    // row again, as a user would after the message. No raise may be lost or made twice.
    void bumpCounter(store::Dataset &board)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            board.refresh();
            if (!board.locate(QStringLiteral("BTitle"), counterTitle())) {
                ++errors;
                say(QStringLiteral("error bump: the shared counter row is missing"));
                return;
            }
            const int n = board.value(QStringLiteral("Memo")).toString().toInt();
            board.setValue(QStringLiteral("Memo"), QString::number(n + 1));
            try {
                board.post();
                say(QStringLiteral("bump %1").arg(n + 1));
                return;
            } catch (const store::StoreError &e) {
                if (e.kind() != store::StoreError::Kind::Conflict)
                    throw;
                board.cancel();
                say(QStringLiteral("conflict %1").arg(n + 1));
                QThread::msleep(m_random.bounded(1, 10 + 5 * attempt));
            }
        }
        ++errors;
        say(QStringLiteral("error bump: still in conflict after 100 tries"));
    }

    static QString counterTitle() { return QStringLiteral("共享计数"); }

    quint32 pick(quint32 n) { return m_random.bounded(n); }

private:
    // A row of this seat's that its list no longer shows: right when the administrator has
    // handed it to another user (the list was read again since), an error when it is still ours.
    void notListed(store::Dataset &set, const char *what, const char *table, const char *code,
                   const QString &id)
    {
        const QVariant owner = set.connection().scalar(
            QStringLiteral("SELECT SUser FROM %1 WHERE %2 = ?").arg(QLatin1String(table), QLatin1String(code)),
            {id});
        if (owner.isValid() && owner.toString().compare(m_user, Qt::CaseInsensitive) != 0) {
            say(QStringLiteral("refused %1 %2").arg(QLatin1String(what), id));
            forget(id);
            return;
        }
        // Handed away and back again while the list was read: read afresh, it shows it again.
        set.refresh();
        if (set.find(QLatin1String(code), id) >= 0)
            return;
        ++errors;
        say(QStringLiteral("error %1: own row %2 not in the list").arg(QLatin1String(what), id));
    }

    // A row refused because its agent went to another user: this seat leaves that agent and
    // its contacts alone from now on, as its lists no longer show them.
    void forget(const QString &id)
    {
        const QString agent = m_contacts.value(id, id);
        m_agents.removeAll(agent);
        for (auto it = m_contacts.begin(); it != m_contacts.end();)
            it = it.value() == agent ? m_contacts.erase(it) : std::next(it);
    }

    QString m_tag, m_user, m_picked;
    QRandomGenerator m_random;
    QStringList m_agents, m_referrers, m_plans;
    QHash<QString, QString> m_contacts; // LinkmanID -> CustID
    int m_agentCount = 0, m_contactCount = 0, m_referrerCount = 0, m_planCount = 0;
    int m_logs = 0, m_changes = 0, m_records = 0, m_notices = 0;
};

// The administrator's seat: agents of the seats' users handed from one to another in small
// sets, with their contacts, and a backup of the store now and then.
int administer(store::DataModule &dm, const QStringList &users, const QString &tag, qint64 millis,
               quint32 seed)
{
    QRandomGenerator random(seed);
    store::Connection &db = dm.connection();
    QTemporaryDir backups(QDir::tempPath() + QStringLiteral("/relseat-backup-XXXXXX"));
    backups.setAutoRemove(false); // the test opens every copy afterwards, then removes them
    int errors = 0, rounds = 0, copies = 0;
    QElapsedTimer clock, sinceBackup;
    clock.start();
    sinceBackup.start();
    while (clock.elapsed() < millis) {
        ++rounds;
        try {
            const int from = int(random.bounded(quint32(users.size())));
            const int to = (from + 1 + int(random.bounded(quint32(users.size() - 1)))) % int(users.size());
            QStringList codes;
            QSqlQuery q = db.exec(QStringLiteral("SELECT CustId FROM tblCustomers WHERE SUser = ? "
                                                 "ORDER BY random() LIMIT %1")
                                      .arg(1 + random.bounded(12)),
                                  {users[from]});
            while (q.next())
                codes << q.value(0).toString();
            q.finish();
            if (!codes.isEmpty()) {
                store::WorkAssignment::run(db, store::WorkAssignment::Kind::Agents, codes, users[to]);
                for (const QString &c : std::as_const(codes))
                    say(QStringLiteral("move %1 %2").arg(c, users[to]));
            }
            if (sinceBackup.elapsed() > 3000) {
                const QString target = QDir(backups.path()).filePath(QStringLiteral("%1-%2.wdb").arg(tag).arg(++copies));
                StoreCopy().backup(db, target);
                say(QStringLiteral("backup ") + target);
                sinceBackup.restart();
            }
        } catch (const store::StoreError &e) {
            ++errors;
            say(QStringLiteral("error admin: ") + e.text());
        }
        QThread::msleep(100 + random.bounded(200));
    }
    say(QStringLiteral("done %1").arg(rounds));
    return errors == 0 ? 0 : 1;
}

// One assignment of every agent of `user`'s to `target`, as the assignment window runs it.
int assignAll(store::DataModule &dm, const QString &user, const QString &target)
{
    const int pause = qEnvironmentVariableIntValue("RELSEAT_STEP_PAUSE_MS");
    QStringList codes;
    QSqlQuery q = dm.connection().exec(
        QStringLiteral("SELECT CustId FROM tblCustomers WHERE SUser = ? ORDER BY CustId"), {user});
    while (q.next())
        codes << q.value(0).toString();
    q.finish();
    store::WorkAssignment::run(dm.connection(), store::WorkAssignment::Kind::Agents, codes, target,
                               [pause](int done, int total) {
                                   say(QStringLiteral("progress %1 %2").arg(done).arg(total));
                                   QThread::msleep(pause);
                               });
    say(QStringLiteral("assigned %1").arg(codes.size()));
    say(QStringLiteral("done 1"));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList a = app.arguments();
    QString mode, modeValue;
    if (a.size() > 1 && a[1].startsWith(QLatin1String("--"))) {
        const QString option = a.takeAt(1);
        const qsizetype eq = option.indexOf(QLatin1Char('='));
        mode = option.mid(2, eq - 2);
        modeValue = eq < 0 ? QString() : option.mid(eq + 1);
    }
    if (a.size() < 6) {
        std::fputs("usage: relseat [--admin=USERS|--assign=TARGET] LOCATION USER PASSWORD TAG SECONDS "
                   "[MAXROUNDS]\n",
                   stderr);
        return 2;
    }
    const QString location = a[1], user = a[2], password = a[3], tag = a[4];
    const qint64 millis = qint64(a[5].toDouble() * 1000);
    const int maxRounds = a.size() > 6 ? a[6].toInt() : 10'000'000;

    // A program directory of its own, as every seat on one machine has.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        say(QStringLiteral("error start: no program directory"));
        return 1;
    }
    const QString appDir = dir.path() + QLatin1Char('/');
    store::session().setAppDir(appDir);

    const quint32 seed = quint32(qHash(tag)) ^ quint32(QCoreApplication::applicationPid());
    Seat seat(tag, user, seed);
    int rounds = 0;
    try {
        store::ServerFile::write(appDir, location);
        store::DataModule dm;
        dm.openAtStartup(appDir);
        if (!store::Passwords::verify(dm.connection(), user, password)) {
            say(QStringLiteral("error login: %1 refused").arg(user));
            return 1;
        }
        store::session().CurrentUserID = user;
        if (mode == QLatin1String("admin"))
            return administer(dm, modeValue.split(QLatin1Char(',')), tag, millis, seed);
        if (mode == QLatin1String("assign"))
            return assignAll(dm, modeValue.section(QLatin1Char(','), 0, 0),
                             modeValue.section(QLatin1Char(','), 1, 1));
        // A user who is no administrator sees only the rows they own.
        const store::Condition own = store::Condition::eq(QStringLiteral("SUser"), user);
        dm.tblCustomers.setFilter(own);
        dm.tblCustomers.open();
        dm.tblOperates2.setFilter(own);
        // The contact list is the contact module's query over the user's own contacts.
        dm.qryLinkmans1.close();
        dm.qryLinkmans1.setSql(QStringList{QStringLiteral("select * from tblLinkmans "),
                                           QStringLiteral("where SUser=:SUser")});
        dm.qryLinkmans1.setParam(QStringLiteral("SUser"), user);
        dm.qryLinkmans1.open();
        dm.tblCustomers2.setFilter(own);

        QElapsedTimer clock;
        clock.start();
        while (rounds < maxRounds && clock.elapsed() < millis) {
            ++rounds;
            seat.guarded("log", nullptr, [&] { seat.writeLog(dm); });
            seat.guarded("agent", &dm.tblCustomers, [&] { seat.addAgent(dm.tblCustomers); });
            if (seat.pick(3) != 0)
                seat.guarded("change", &dm.tblCustomers, [&] { seat.changeAgent(dm.tblCustomers); },
                             seat.pickAgent());
            seat.guarded("contact", &dm.qryLinkmans1, [&] { seat.addContact(dm.qryLinkmans1); },
                         seat.pickAgent());
            if (seat.pick(2) != 0)
                seat.guarded("contact-change", &dm.qryLinkmans1,
                             [&] { seat.changeContact(dm.qryLinkmans1); }, seat.pickContact());
            seat.guarded("record", &dm.tblOperates2,
                         [&] { seat.addRecord(dm.tblOperates2, dm.tblOperateDetail); });
            if (dm.tblOperateDetail.isEditing())
                dm.tblOperateDetail.cancel();
            if (rounds % 2 == 0) {
                seat.guarded("referrer", &dm.tblOperaters, [&] { seat.addReferrer(dm.tblOperaters); });
                seat.guarded("plan", &dm.qryPlan, [&] { seat.addPlan(dm.qryPlan); });
                seat.guarded("bump", &dm.tblBoard, [&] { seat.bumpCounter(dm.tblBoard); });
            } else {
                seat.guarded("referrer-change", &dm.tblOperaters,
                             [&] { seat.changeReferrer(dm.tblOperaters); });
                seat.guarded("plan-change", &dm.qryPlan, [&] { seat.changePlan(dm.qryPlan); });
            }
            if (rounds % 3 == 0)
                seat.guarded("notice", &dm.tblBoard, [&] { seat.addNotice(dm.tblBoard); });
            if (rounds % 4 == 0)
                seat.guarded("read", nullptr, [&] { seat.readLists(dm); });
            if (rounds % 16 == 0)
                seat.guarded("analyses", nullptr, [&] { seat.readLedgersAndAnalyses(dm); });
        }
    } catch (const store::StoreError &e) {
        say(QStringLiteral("error start: ") + e.text());
        return 1;
    } catch (const std::exception &e) {
        say(QStringLiteral("error fatal: ") + QString::fromLocal8Bit(e.what()));
        return 1;
    }
    say(QStringLiteral("done %1").arg(rounds));
    return seat.errors == 0 ? 0 : 1;
}
