// tessaly-bench-mail: a group-mail run through the real main window (offscreen) to a local SMTP
// server (aiosmtpd on loopback, started here): F8, the pending list filled, one message with a
// 100 kB attachment sent once per address, and how quickly the window answers a click while
// the run goes on; then one run with a large attachment (20 MB to 200 addresses) and the memory
// it takes at its peak.
//
//   tessaly-bench-mail LOCATION [--runs N] [--count N] [--large-mb N] [--large-count N]
//
// Figures are printed with their targets; a missed target is reported, never a failure.
#include "mail.h"
#include "mailwindow.h"
#include "modulesupport.h"
#include "smtpclient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>

namespace
{

using bench::Figure;
using bench::median;
using bench::timed;

int Count = 1000;
int LargeMb = 20, LargeCount = 200;

// The local server, for as long as the benchmark runs.
struct Server {
    QTemporaryDir dir;
    QProcess process;
    int port = 0;
    Server()
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(TESSALY_SMTP_SERVER), QStringLiteral("--mode"),
                       QStringLiteral("sink"), QStringLiteral("--out"),
                       dir.filePath(QStringLiteral("events.jsonl"))});
        while (process.waitForReadyRead(10000) && !process.canReadLine()) {
        }
        const QByteArray line = process.readLine().trimmed();
        if (!line.startsWith("PORT "))
            throw store::StoreError(QStringLiteral("the SMTP server did not start"));
        port = line.mid(5).toInt();
    }
    ~Server()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(5000))
            process.kill();
    }
    int received()
    {
        QFile f(dir.filePath(QStringLiteral("events.jsonl")));
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count("\"message\"")) : 0;
    }
};

// Posts a click to the pending list every 50 ms and notes how long each waited for its answer.
class ClickProbe : public QObject
{
  public:
    explicit ClickProbe(QWidget *target) : m_target(target)
    {
        target->installEventFilter(this);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_waiting)
                return;
            m_waiting = true;
            m_clock.start();
            const QPointF at(5, 5);
            QCoreApplication::postEvent(
                m_target, new QMouseEvent(QEvent::MouseButtonPress, at, m_target->mapToGlobal(at),
                                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(
                m_target, new QMouseEvent(QEvent::MouseButtonRelease, at, m_target->mapToGlobal(at),
                                          Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        });
        m_timer.start(50);
    }
    std::vector<double> waits;

  protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::MouseButtonPress && m_waiting) {
            waits.push_back(m_clock.nsecsElapsed() / 1e6);
            m_waiting = false;
        }
        return false;
    }

  private:
    QWidget *m_target;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_waiting = false;
};

// One run of a message with a LargeMb attachment to LargeCount addresses: how high the memory
// goes over where it stood before (the process's peak, reset just before the run).
std::vector<Figure> measureLarge(MailWindow *w, Server &server, const QTemporaryDir &files)
{
    const QString attachment = files.filePath(QStringLiteral("图纸.bin"));
    {
        QFile f(attachment);
        f.open(QIODevice::WriteOnly);
        QByteArray block(1 << 20, '\0');
        for (int mb = 0; mb < LargeMb; ++mb) {
            for (int i = 0; i < block.size(); ++i)
                block[i] = char((i * 131 + mb * 7) % 251);
            f.write(block);
        }
    }
    w->message().attachments = {attachment};
    w->pending()->clear();
    for (int i = 0; i < LargeCount; ++i)
        w->pending()->addItem(QStringLiteral("customer%1@example.com").arg(i));
    SmtpSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = server.port;
    w->client().connectToServer(s);
    const int before = server.received();
    const double residentBefore = double(bench::statusKb("VmRSS")) / 1024;
    QFile peak(QStringLiteral("/proc/self/clear_refs"));
    if (peak.open(QIODevice::WriteOnly))
        peak.write("5"); // the peak starts again from now
    peak.close();
    const double seconds = timed([&] { w->action(QStringLiteral("Act_Send"))->trigger(); }) / 1000;
    const double grown = double(bench::statusKb("VmHWM")) / 1024 - residentBefore;
    const int received = server.received() - before;
    return {
        {QStringLiteral(
             "发送: %1 copies with a %2 MB attachment: memory at the peak, over the level before")
             .arg(LargeCount)
             .arg(LargeMb),
         grown, 100, QStringLiteral("%1 received, %2 s").arg(received).arg(seconds, 0, 'f', 1),
         QStringLiteral("MB")}};
}

std::vector<Figure> measure(const QString &appDir, int runs)
{
    Server server;
    bench::Seat seat(appDir, QStringLiteral("Admin"), installMail);
    auto *w = qobject_cast<MailWindow *>(seat.run("Act_Mail"));
    if (!w)
        throw store::StoreError(QStringLiteral("the mail module is not shown"));

    QTemporaryDir files;
    const QString attachment = files.filePath(QStringLiteral("价目表.bin"));
    {
        QFile f(attachment);
        f.open(QIODevice::WriteOnly);
        QByteArray data(100 * 1024, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char((i * 131) % 251);
        f.write(data);
    }
    MailMessage &m = w->message();
    m.subject = QStringLiteral("新品报价");
    m.body = QStringLiteral("您好！\n附件是最新的价目表。");
    m.from = QStringLiteral("sales@example.com");
    m.attachments = {attachment};
    w->pending()->clear();
    for (int i = 0; i < Count; ++i)
        w->pending()->addItem(QStringLiteral("customer%1@example.com").arg(i));

    std::vector<double> sends, worst, typical;
    int received = 0;
    for (int r = 0; r < runs; ++r) {
        SmtpSettings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = server.port;
        w->client().connectToServer(s);
        const int before = server.received();
        ClickProbe probe(w->pending()->viewport());
        sends.push_back(timed([&] { w->action(QStringLiteral("Act_Send"))->trigger(); }));
        received = server.received() - before;
        std::sort(probe.waits.begin(), probe.waits.end());
        worst.push_back(probe.waits.empty() ? 0 : probe.waits.back());
        typical.push_back(median(probe.waits));
    }
    std::vector<Figure> figures = {
        {QStringLiteral("发送: %1 copies with a 100 kB attachment to a local server").arg(Count),
         median(sends) / 1000.0, 30,
         QStringLiteral("%1 received by the server in the last run").arg(received),
         QStringLiteral("s")},
        {QStringLiteral("a click during the run: slowest answer"), median(worst), 100, {}},
        {QStringLiteral("a click during the run: typical answer"), median(typical), 100, {}}};
    if (LargeCount > 0 && LargeMb > 0)
        for (const Figure &f : measureLarge(w, server, files))
            figures.push_back(f);
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::runModuleBench(
        argc, argv, "tessaly-bench-mail",
        [](const QString &appDir, int runs) { return measure(appDir, runs); },
        [](const QStringList &args, int at) {
            if (args[at] == QLatin1String("--count") && at + 1 < args.size()) {
                Count = std::max(1, args[at + 1].toInt());
                return 2;
            }
            if (args[at] == QLatin1String("--large-mb") && at + 1 < args.size()) {
                LargeMb = std::max(0, args[at + 1].toInt());
                return 2;
            }
            if (args[at] == QLatin1String("--large-count") && at + 1 < args.size()) {
                LargeCount = std::max(0, args[at + 1].toInt());
                return 2;
            }
            return 0;
        });
}
