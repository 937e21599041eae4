// One seat in its own process, working on a shared store the way a signed-in user would:
// log rows, new agents, changes to its own agents, new contact records and list reads, all
// through the data module's shared datasets. Every row it has stored is printed at once, so
// the test that started it (or killed it) knows exactly what the store must hold.
//
//   relseat LOCATION USER PASSWORD TAG SECONDS [MAXROUNDS]
//
// Lines on stdout, each flushed as soon as the row is stored:
//   log <text>                 a tblLog row
//   agent <CustId> <CustName>  a tblCustomers row
//   change <CustId> <Address>  an agent's Address changed to this value
//   record <OperateID> <CustID> a tblOperates row for that agent
//   bump <n>                   the shared counter on the notice board raised to n
//   conflict <n>               another seat changed the counter first; read again and retried
//   error <what>: <text>       anything unexpected; the exit status is then 1
//   done <rounds>              the seat stopped on its own
#include "condition.h"
#include "datamodule.h"
#include "passwords.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"

#include <QCoreApplication>
#include <QDate>
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

class Seat
{
public:
    Seat(const QString &tag, quint32 seed) : m_tag(tag), m_random(seed) {}

    int errors = 0;

    // Runs one operation; a store error is reported and the seat goes on with the next one.
    template <typename Fn> void guarded(const char *what, store::Dataset *pending, Fn fn)
    {
        try {
            fn();
        } catch (const store::StoreError &e) {
            ++errors;
            say(QStringLiteral("error %1: %2").arg(QLatin1String(what), e.text()));
            if (pending)
                pending->cancel();
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
        const QString id =
            QStringLiteral("%1-%2").arg(m_tag).arg(m_agents.size() + 1, 6, 10, QLatin1Char('0'));
        const QString name = QStringLiteral("代理%1").arg(id);
        agents.append();
        agents.setValue(QStringLiteral("CustId"), id);
        agents.setValue(QStringLiteral("CustName"), name);
        agents.setValue(QStringLiteral("CreateDate"), QDate::currentDate());
        agents.post();
        m_agents << id;
        say(QStringLiteral("agent %1 %2").arg(id, name));
    }

    void changeAgent(store::Dataset &agents)
    {
        if (m_agents.isEmpty())
            return;
        const QString id = m_agents[int(m_random.bounded(quint32(m_agents.size())))];
        if (!agents.locate(QStringLiteral("CustId"), id)) {
            ++errors;
            say(QStringLiteral("error change: own agent %1 not found").arg(id));
            return;
        }
        const QString value = QStringLiteral("地址-%1-%2").arg(id).arg(++m_changes);
        agents.setValue(QStringLiteral("Address"), value);
        agents.post();
        say(QStringLiteral("change %1 %2").arg(id, value));
    }

    void addRecord(store::Dataset &records)
    {
        if (m_agents.isEmpty())
            return;
        const QString agent = m_agents[int(m_random.bounded(quint32(m_agents.size())))];
        const QString id =
            QStringLiteral("%1-R%2").arg(m_tag).arg(++m_records, 6, 10, QLatin1Char('0'));
        records.append();
        records.setValue(QStringLiteral("OperateID"), id);
        records.setValue(QStringLiteral("CustID"), agent);
        records.setValue(QStringLiteral("OperateTitle"), QStringLiteral("联络-%1").arg(id));
        records.setValue(QStringLiteral("CreateDate"), QDate::currentDate());
        records.setValue(QStringLiteral("CompactAmount"), double(m_records) * 1.5);
        records.post();
        say(QStringLiteral("record %1 %2").arg(id, agent));
    }

    // What a list window does: reread and show the first screen of rows with display fields.
    // A row seen without its name would be one stored in halves.
    void readLists(store::DataModule &dm)
    {
        dm.tblCustomers2.refresh();
        for (int r = 0; r < qMin(20, dm.tblCustomers2.rowCount()); ++r) {
            const QString id = dm.tblCustomers2.value(r, QStringLiteral("CustId")).toString();
            const QString name = dm.tblCustomers2.value(r, QStringLiteral("CustName")).toString();
            dm.tblCustomers2.value(r, QStringLiteral("StateName"));
            if (id.isEmpty() || name.isEmpty()) {
                ++errors;
                say(QStringLiteral("error read: agent row %1 without code or name").arg(r));
            }
        }
        dm.tblOperates2.refresh();
        for (int r = 0; r < qMin(20, dm.tblOperates2.rowCount()); ++r) {
            const QString title =
                dm.tblOperates2.value(r, QStringLiteral("OperateTitle")).toString();
            dm.tblOperates2.value(r, QStringLiteral("CustName"));
            if (title.isEmpty()) {
                ++errors;
                say(QStringLiteral("error read: record row %1 without title").arg(r));
            }
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
    QString m_tag;
    QRandomGenerator m_random;
    QStringList m_agents;
    int m_logs = 0, m_changes = 0, m_records = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 6) {
        std::fputs("usage: relseat LOCATION USER PASSWORD TAG SECONDS [MAXROUNDS]\n", stderr);
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

    Seat seat(tag, quint32(qHash(tag)) ^ quint32(QCoreApplication::applicationPid()));
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
        // A user who is no administrator sees only the rows they own.
        dm.tblCustomers.setFilter(store::Condition::eq(QStringLiteral("SUser"), user));
        dm.tblCustomers.open();
        dm.tblOperates2.setFilter(store::Condition::eq(QStringLiteral("SUser"), user));

        QElapsedTimer clock;
        clock.start();
        while (rounds < maxRounds && clock.elapsed() < millis) {
            ++rounds;
            seat.guarded("log", nullptr, [&] { seat.writeLog(dm); });
            seat.guarded("agent", &dm.tblCustomers, [&] { seat.addAgent(dm.tblCustomers); });
            if (seat.pick(3) != 0)
                seat.guarded("change", &dm.tblCustomers,
                             [&] { seat.changeAgent(dm.tblCustomers); });
            seat.guarded("record", &dm.tblOperates2, [&] { seat.addRecord(dm.tblOperates2); });
            if (rounds % 2 == 0)
                seat.guarded("bump", &dm.tblBoard, [&] { seat.bumpCounter(dm.tblBoard); });
            if (rounds % 4 == 0)
                seat.guarded("read", nullptr, [&] { seat.readLists(dm); });
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
