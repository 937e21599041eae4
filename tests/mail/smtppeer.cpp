#include "smtppeer.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

SmtpPeer::SmtpPeer(Mode mode, int dropAfter, const QStringList &refused)
{
    const QString dir = m_dir.path();
    QStringList args{QStringLiteral(TESSALY_SMTP_SERVER), QStringLiteral("--out"),
                     dir + QStringLiteral("/events.jsonl")};
    const bool tls = mode == Mode::TlsAuth || mode == Mode::TlsOtherHost;
    if (tls) {
        const QString names = mode == Mode::TlsAuth
                                  ? QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1")
                                  : QStringLiteral("subjectAltName=DNS:mail.example.com");
        // A throwaway self-signed certificate for this run only.
        const int rc = QProcess::execute(
            QStringLiteral("openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
             QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
             dir + QStringLiteral("/key.pem"), QStringLiteral("-out"), certificate(),
             QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
             mode == Mode::TlsAuth ? QStringLiteral("/CN=127.0.0.1")
                                   : QStringLiteral("/CN=mail.example.com"),
             QStringLiteral("-addext"), names});
        if (rc != 0)
            qFatal("openssl could not make the test certificate");
        args << QStringLiteral("--cert") << certificate() << QStringLiteral("--key")
             << dir + QStringLiteral("/key.pem");
    }
    const char *modes[] = {"tls-auth", "plain", "plain-auth", "drop",
                           "slow",     "stall", "bad-tls",    "tls-auth"};
    args << QStringLiteral("--mode") << QLatin1String(modes[int(mode)]);
    if (dropAfter > 0)
        args << QStringLiteral("--drop-after") << QString::number(dropAfter);
    for (const QString &address : refused)
        args << QStringLiteral("--refuse") << address;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Debian's own interpreter, which has python3-aiosmtpd.
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process.waitForStarted(10000))
        qFatal("the SMTP server did not start");
    while (m_process.state() == QProcess::Running && !m_process.canReadLine())
        m_process.waitForReadyRead(10000);
    const QByteArray line = m_process.readLine().trimmed();
    if (!line.startsWith("PORT "))
        qFatal("the SMTP server did not say its port: %s", line.constData());
    m_port = line.mid(5).toInt();
}

SmtpPeer::~SmtpPeer()
{
    m_process.closeWriteChannel(); // the server stops when its input closes
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QList<QJsonObject> SmtpPeer::events(const QString &kind) const
{
    QList<QJsonObject> out;
    QFile file(m_dir.filePath(QStringLiteral("events.jsonl")));
    if (!file.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (kind.isEmpty() || o.value(QStringLiteral("event")).toString() == kind)
            out << o;
    }
    return out;
}
