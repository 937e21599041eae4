#include "pgcluster.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port on 127.0.0.1 that nothing listens on now: bind to port 0 and read what we got.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

bool asRoot()
{
    return ::geteuid() == 0;
}

} // namespace

PgCluster::PgCluster() = default;

PgCluster::~PgCluster()
{
    if (m_running)
        stop();
}

bool PgCluster::run(const QString &tool, const QStringList &args, int msecs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    const QString program = QDir(binDir()).filePath(tool);
    if (asRoot())
        p.start(QStringLiteral("runuser"),
                QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                            program} +
                    args);
    else
        p.start(program, args);
    if (!p.waitForFinished(msecs)) {
        p.kill();
        p.waitForFinished(5000);
        m_error = tool + QStringLiteral(" did not finish");
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = tool + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAll());
        return false;
    }
    return true;
}

bool PgCluster::init(const QString &password)
{
    if (binDir().isEmpty() || !m_dir.isValid()) {
        m_error = QStringLiteral("no PostgreSQL bin folder or no temporary folder");
        return false;
    }
    if (asRoot()) {
        // The server refuses to run as root; the folder becomes the postgres user's.
        QProcess::execute(QStringLiteral("chown"),
                          {QStringLiteral("postgres:postgres"), m_dir.path()});
    }
    m_data = m_dir.path() + QStringLiteral("/data");
    m_port = freePort();
    if (m_port == 0) {
        m_error = QStringLiteral("no free port");
        return false;
    }
    QStringList args{QStringLiteral("-D"), m_data, QStringLiteral("-U"), QStringLiteral("tessaly"),
                     QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
                     QStringLiteral("--no-sync")};
    if (password.isEmpty()) {
        args << QStringLiteral("--auth=trust");
    } else {
        const QString file = m_dir.path() + QStringLiteral("/pwfile");
        QFile pw(file);
        if (!pw.open(QIODevice::WriteOnly)) {
            m_error = QStringLiteral("cannot write the password file");
            return false;
        }
        pw.write(password.toUtf8() + '\n');
        pw.close();
        args << QStringLiteral("--auth-local=trust") << QStringLiteral("--auth-host=scram-sha-256")
             << (QStringLiteral("--pwfile=") + file);
    }
    if (!run(QStringLiteral("initdb"), args, 120000))
        return false;
    return start();
}

bool PgCluster::start()
{
    // fsync off: the test stops the server process, not the machine, so what the server wrote
    // is in the system's cache either way; recovery after an immediate stop is still needed.
    const QString options =
        QStringLiteral("-h 127.0.0.1 -p %1 -k %2 -c max_connections=40 -c fsync=off")
            .arg(m_port)
            .arg(m_dir.path());
    m_running = run(QStringLiteral("pg_ctl"),
                    {QStringLiteral("-D"), m_data, QStringLiteral("-l"),
                     m_dir.path() + QStringLiteral("/server.log"), QStringLiteral("-w"),
                     QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"), options,
                     QStringLiteral("start")},
                    90000);
    return m_running;
}

bool PgCluster::restart(const QString &mode)
{
    m_running = run(QStringLiteral("pg_ctl"),
                    {QStringLiteral("-D"), m_data, QStringLiteral("-l"),
                     m_dir.path() + QStringLiteral("/server.log"), QStringLiteral("-m"), mode,
                     QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                     QStringLiteral("restart")},
                    90000);
    return m_running;
}

bool PgCluster::stop(const QString &mode)
{
    const bool ok = run(QStringLiteral("pg_ctl"),
                        {QStringLiteral("-D"), m_data, QStringLiteral("-m"), mode,
                         QStringLiteral("-w"), QStringLiteral("stop")},
                        90000);
    if (ok)
        m_running = false;
    return ok;
}

QString PgCluster::uri(const QString &database) const
{
    return QStringLiteral("postgresql://tessaly@127.0.0.1:%1/%2").arg(m_port).arg(database);
}
