#pragma once

#include "mailmessage.h"
#include "preparedmail.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// Where and as whom group mail connects. `certificateFolders` hold certificates (PEM) the seat
// trusts besides the system's authorities, such as a company's own mail server certificate.
struct SmtpSettings {
    QString host;
    int port = 25;
    QString user;
    QString password;
    QStringList certificateFolders;
};

// A failure of the SMTP exchange, told by kind so the window and the send run can react.
struct SmtpError {
    enum class Kind {
        Connect,        // unreachable host, refused connection, no greeting
        Certificate,    // the server's certificate does not verify
        Identity,       // a valid certificate, but for another host
        Tls,            // the TLS handshake broke down
        Timeout,        // the server did not answer within timeoutSeconds()
        AuthRefused,    // the server answered the login with a refusal
        AuthFailed,     // the login exchange broke off
        Rejected,       // the server refused this copy (its reply in `text`)
        ConnectionLost, // the connection went away while sending
    };
    Kind kind;
    QString text;
};

// One SMTP connection through vmime. STARTTLS is used whenever the server offers it, and port
// 465 speaks TLS from the start; a certificate is checked against the system's authorities and
// the seat's trusted certificates, and one that does not verify ends the connection. The login
// (AUTH LOGIN) is a step of its own, so the caller can say what happens before it.
// Blocking calls; one thread at a time.
class SmtpClient
{
  public:
    SmtpClient();
    ~SmtpClient();
    SmtpClient(const SmtpClient &) = delete;
    SmtpClient &operator=(const SmtpClient &) = delete;

    void connectToServer(const SmtpSettings &settings); // throws SmtpError
    bool isConnected() const;
    bool isSecured() const;      // TLS on the connection
    bool announcesLogin() const; // AUTH LOGIN offered (after STARTTLS, when it was used)
    void login();                // throws SmtpError (AuthRefused, AuthFailed)
    bool isLoggedIn() const;
    void disconnect();

    // The connection made again with the same settings, logged in again when it was before.
    void reconnect(); // throws SmtpError

    // A CC or BCC address the server turned away, with its reply.
    struct Refusal {
        QString address;
        QString reply;
    };
    // One copy to `to`, with the message's CC and BCC as further recipients. A further
    // recipient the server refuses does not stop the copy: it is returned with the reply.
    // Throws SmtpError (Rejected when the server refuses the copy or its To address,
    // ConnectionLost, Timeout).
    QList<Refusal> send(const PreparedMail &mail, const QString &to);

    const SmtpSettings &settings() const { return m_settings; }

    // How long each network step waits for the server: 30 seconds, or TESSALY_SMTP_TIMEOUT.
    static int timeoutSeconds();

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
    SmtpSettings m_settings;
    bool m_loggedIn = false;
};
