#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real SMTP server (aiosmtpd, tests/mail/smtpserver.py) on a loopback port, started by the
// test and stopped with it. What it saw is read back as Python's email module parsed it.
class SmtpPeer
{
  public:
    // TlsOtherHost: as TlsAuth, with a certificate made out to mail.example.com only.
    enum class Mode { TlsAuth, Plain, PlainAuth, Drop, Slow, Stall, BadTls, TlsOtherHost };
    static constexpr const char *User = "sender";
    static constexpr const char *Password = "secret";

    // `refused` addresses are turned away at RCPT TO with a 550 reply.
    explicit SmtpPeer(Mode mode, int dropAfter = 0, const QStringList &refused = {});
    ~SmtpPeer();

    int port() const { return m_port; }
    // The server's throwaway certificate (TLS modes), to be trusted by the seat or not.
    QString certificate() const { return m_dir.filePath(QStringLiteral("cert.pem")); }

    // Events in order: {"event": "connect" | "auth" | "message", ...}.
    QList<QJsonObject> events(const QString &kind = {}) const;
    QList<QJsonObject> messages() const { return events(QStringLiteral("message")); }

  private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};
