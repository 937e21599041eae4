#pragma once

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL cluster of the test's own, on 127.0.0.1 and a free port, that the test may stop
// and start again while seats are connected. Needs TESSALY_PG_BINDIR (the server's bin
// folder); as root the server runs as the postgres user.
class PgCluster
{
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    static QString binDir() { return qEnvironmentVariable("TESSALY_PG_BINDIR"); }

    // initdb and start; false with the reason in error() when it cannot. With a password,
    // connections over TCP must give it (the role tessaly has it); without, none is asked.
    bool init(const QString &password = {});
    bool start();
    // `mode` as pg_ctl takes it: "immediate" ends the server without a shutdown checkpoint,
    // the way a crashed or powered-off server goes.
    bool stop(const QString &mode = QStringLiteral("immediate"));
    bool isRunning() const { return m_running; }
    // pg_ctl restart: "fast" ends the sessions, checkpoints and starts again at once.
    bool restart(const QString &mode = QStringLiteral("fast"));

    QString uri(const QString &database) const;
    int port() const { return m_port; }
    QString error() const { return m_error; }

private:
    bool run(const QString &tool, const QStringList &args, int msecs);

    QTemporaryDir m_dir;
    QString m_data;
    int m_port = 0;
    bool m_running = false;
    QString m_error;
};
