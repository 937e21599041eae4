#include "smtpclient.h"

#include "storeerror.h"
#include "vmimesupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vmime/net/smtp/smtp.hpp>
#include <vmime/security/cert/defaultCertificateVerifier.hpp>
#include <vmime/security/cert/serverIdentityException.hpp>
#include <vmime/vmime.hpp>

#include <chrono>
#include <cstring>

namespace
{

using vmimesupport::utf8;

// A network operation that waits longer than this for the server gives up, so a host that went
// silent neither hangs the dialog nor the send run.
class Timeout : public vmime::net::timeoutHandler
{
  public:
    bool isTimeOut() override
    {
        return std::chrono::steady_clock::now() - m_start >
               std::chrono::seconds(SmtpClient::timeoutSeconds());
    }
    void resetTimeOut() override { m_start = std::chrono::steady_clock::now(); }
    bool handleTimeOut() override { return false; }

  private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

class TimeoutFactory : public vmime::net::timeoutHandlerFactory
{
  public:
    vmime::shared_ptr<vmime::net::timeoutHandler> create() override
    {
        return vmime::make_shared<Timeout>();
    }
};

// Every certificate block of a PEM file.
void readCertificates(const QString &path,
                      std::vector<vmime::shared_ptr<vmime::security::cert::X509Certificate>> &out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray all = file.readAll();
    static const QByteArray begin = "-----BEGIN CERTIFICATE-----";
    static const QByteArray end = "-----END CERTIFICATE-----";
    for (qsizetype from = all.indexOf(begin); from >= 0; from = all.indexOf(begin, from + 1)) {
        const qsizetype to = all.indexOf(end, from);
        if (to < 0)
            break;
        const QByteArray pem = all.mid(from, to + end.size() - from) + '\n';
        if (auto cert = vmime::security::cert::X509Certificate::import(
                reinterpret_cast<const vmime::byte_t *>(pem.constData()), size_t(pem.size())))
            out.push_back(cert);
    }
}

vmime::shared_ptr<vmime::security::cert::certificateVerifier> verifierFor(const SmtpSettings &s)
{
    using Certs = std::vector<vmime::shared_ptr<vmime::security::cert::X509Certificate>>;
    Certs authorities, trusted;
    for (const char *bundle :
         {"/etc/ssl/certs/ca-certificates.crt", "/etc/pki/tls/certs/ca-bundle.crt"})
        if (QFileInfo::exists(QLatin1String(bundle))) {
            readCertificates(QLatin1String(bundle), authorities);
            break;
        }
    for (const QString &folder : s.certificateFolders)
        for (const QFileInfo &f : QDir(folder).entryInfoList(
                 {QStringLiteral("*.pem"), QStringLiteral("*.crt")}, QDir::Files))
            readCertificates(f.filePath(), trusted);
    auto verifier = vmime::make_shared<vmime::security::cert::defaultCertificateVerifier>();
    Certs roots = authorities;
    roots.insert(roots.end(), trusted.begin(), trusted.end());
    verifier->setX509RootCAs(roots);
    verifier->setX509TrustedCerts(trusted);
    return verifier;
}

QString silence()
{
    return QStringLiteral("服务器在 %1 秒内没有应答").arg(SmtpClient::timeoutSeconds());
}

// A reply as the user reads it: its code and text.
QString replyText(const vmime::net::smtp::SMTPResponse &r)
{
    return QString::number(r.getCode()) + QLatin1Char(' ') +
           QString::fromStdString(r.getText()).trimmed();
}

// The lines of a message onto the connection, in blocks, each line that begins with a dot
// given another one so that none ends the message early.
class DataStream
{
  public:
    explicit DataStream(vmime::net::socket &socket) : m_socket(socket) { m_buffer.reserve(Block); }

    void write(const char *data, size_t size)
    {
        const char *const end = data + size;
        while (data < end) {
            if (m_lineStart && *data == '.')
                m_buffer += '.';
            const char *newline =
                static_cast<const char *>(std::memchr(data, '\n', size_t(end - data)));
            const char *stop = newline ? newline + 1 : end;
            m_buffer.append(data, size_t(stop - data));
            m_lineStart = newline != nullptr;
            data = stop;
            if (m_buffer.size() >= Block)
                flush();
        }
    }
    // The line with a dot alone that ends the message.
    void finish()
    {
        m_buffer += m_lineStart ? ".\r\n" : "\r\n.\r\n";
        flush();
    }

  private:
    static constexpr size_t Block = 1 << 16;
    void flush()
    {
        m_socket.sendRaw(reinterpret_cast<const vmime::byte_t *>(m_buffer.data()), m_buffer.size());
        m_buffer.clear();
    }

    vmime::net::socket &m_socket;
    std::string m_buffer;
    bool m_lineStart = true;
};

} // namespace

// ---------------------------------------------------------------- the connection

struct SmtpClient::Impl {
    vmime::shared_ptr<vmime::net::session> session;
    vmime::shared_ptr<vmime::net::transport> transport;

    vmime::shared_ptr<vmime::net::smtp::SMTPConnection> connection() const
    {
        auto smtp = vmime::dynamicCast<vmime::net::smtp::SMTPTransport>(transport);
        return smtp ? smtp->getConnection() : nullptr;
    }
};

SmtpClient::SmtpClient() : d(std::make_unique<Impl>())
{
    vmimesupport::initialise();
}

SmtpClient::~SmtpClient()
{
    disconnect();
}

void SmtpClient::connectToServer(const SmtpSettings &s)
{
    disconnect();
    m_settings = s;
    m_loggedIn = false;
    const bool implicitTls = s.port == 465;
    try {
        d->session = vmime::net::session::create();
        vmime::utility::url url(implicitTls ? "smtps" : "smtp", utf8(s.host), s.port);
        d->transport = d->session->getTransport(url);
        d->transport->setTimeoutHandlerFactory(vmime::make_shared<TimeoutFactory>());
        d->transport->setCertificateVerifier(verifierFor(s));
        // STARTTLS whenever the server offers it; the login comes later, on its own.
        d->transport->setProperty("connection.tls", !implicitTls);
        d->transport->setProperty("connection.tls.required", false);
        d->transport->setProperty("options.need-authentication", false);
        d->transport->connect();
    } catch (const vmime::security::cert::serverIdentityException &e) {
        d->transport.reset();
        throw SmtpError{SmtpError::Kind::Identity, QString::fromStdString(e.what())};
    } catch (const vmime::security::cert::certificateException &e) {
        d->transport.reset();
        throw SmtpError{SmtpError::Kind::Certificate, QString::fromStdString(e.what())};
    } catch (const vmime::exceptions::tls_exception &e) {
        d->transport.reset();
        throw SmtpError{SmtpError::Kind::Tls, QString::fromStdString(e.what())};
    } catch (const vmime::exceptions::operation_timed_out &) {
        d->transport.reset();
        throw SmtpError{SmtpError::Kind::Timeout, silence()};
    } catch (const vmime::exception &e) {
        d->transport.reset();
        throw SmtpError{SmtpError::Kind::Connect, QString::fromStdString(e.what())};
    } catch (const std::exception &e) {
        d->transport.reset();
        throw SmtpError{SmtpError::Kind::Connect, QString::fromStdString(e.what())};
    }
}

bool SmtpClient::isConnected() const
{
    return d->transport && d->transport->isConnected();
}

bool SmtpClient::isSecured() const
{
    return isConnected() && d->transport->isSecuredConnection();
}

bool SmtpClient::announcesLogin() const
{
    auto c = isConnected() ? d->connection() : nullptr;
    std::vector<vmime::string> mechanisms;
    if (!c || !c->hasExtension("AUTH", &mechanisms))
        return false;
    for (const vmime::string &m : mechanisms)
        if (QString::fromStdString(m).compare(QLatin1String("LOGIN"), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void SmtpClient::login()
{
    using vmime::net::smtp::SMTPCommand;
    auto c = isConnected() ? d->connection() : nullptr;
    if (!c)
        throw SmtpError{SmtpError::Kind::AuthFailed, QStringLiteral("未连接到服务器")};
    const auto step = [&c](vmime::shared_ptr<SMTPCommand> command) {
        c->sendRequest(command);
        return c->readResponse();
    };
    try {
        auto r = step(SMTPCommand::AUTH("LOGIN"));
        if (r->getCode() == 334)
            r = step(SMTPCommand::createCommand(m_settings.user.toUtf8().toBase64().toStdString(),
                                                "***"));
        if (r->getCode() == 334)
            r = step(SMTPCommand::createCommand(
                m_settings.password.toUtf8().toBase64().toStdString(), "***"));
        if (r->getCode() != 235)
            throw SmtpError{SmtpError::Kind::AuthRefused,
                            QString::number(r->getCode()) + QLatin1Char(' ') +
                                QString::fromStdString(r->getText()).trimmed()};
        m_loggedIn = true;
    } catch (const vmime::exceptions::operation_timed_out &) {
        throw SmtpError{SmtpError::Kind::Timeout, silence()};
    } catch (const vmime::exception &e) {
        throw SmtpError{SmtpError::Kind::AuthFailed, QString::fromStdString(e.what())};
    }
}

bool SmtpClient::isLoggedIn() const
{
    return m_loggedIn && isConnected();
}

void SmtpClient::disconnect()
{
    if (d->transport) {
        try {
            if (d->transport->isConnected())
                d->transport->disconnect();
        } catch (const vmime::exception &) {
            // The server went away first: there is nothing left to close.
        }
    }
    d->transport.reset();
    d->session.reset();
}

int SmtpClient::timeoutSeconds()
{
    static const int seconds = [] {
        bool ok = false;
        const int n = qEnvironmentVariableIntValue("TESSALY_SMTP_TIMEOUT", &ok);
        return ok && n > 0 ? n : 30;
    }();
    return seconds;
}

void SmtpClient::reconnect()
{
    const bool wasLoggedIn = m_loggedIn;
    const SmtpSettings s = m_settings;
    connectToServer(s);
    if (wasLoggedIn)
        login();
}

QList<SmtpClient::Refusal> SmtpClient::send(const PreparedMail &mail, const QString &to)
{
    using vmime::net::smtp::SMTPCommand;
    using Response = vmime::shared_ptr<vmime::net::smtp::SMTPResponse>;
    if (!MailAddresses::isValid(to))
        throw SmtpError{SmtpError::Kind::Rejected, QStringLiteral("地址不合法")};
    auto c = isConnected() ? d->connection() : nullptr;
    if (!c)
        throw SmtpError{SmtpError::Kind::ConnectionLost, QStringLiteral("未连接到服务器")};
    const auto ask = [&c](vmime::shared_ptr<SMTPCommand> command) {
        c->sendRequest(command);
        return c->readResponse();
    };
    // The copy is refused: the transaction is dropped and the connection kept, unless the
    // server said it is closing it ("421").
    const auto refuse = [&](const Response &r) {
        if (r->getCode() == 421)
            throw SmtpError{SmtpError::Kind::ConnectionLost, replyText(*r)};
        ask(SMTPCommand::RSET());
        throw SmtpError{SmtpError::Kind::Rejected, replyText(*r)};
    };
    const auto accepted = [](const Response &r) { return r->getCode() / 100 == 2; };
    QList<Refusal> refused;
    try {
        Response r = ask(SMTPCommand::MAIL(vmime::mailbox(utf8(mail.sender())), false));
        if (!accepted(r))
            refuse(r);
        if (!accepted(r = ask(SMTPCommand::RCPT(vmime::mailbox(utf8(to)), false))))
            refuse(r);
        // A CC or BCC address turned away keeps no one else from the copy.
        for (const QString &other : mail.copyRecipients()) {
            r = ask(SMTPCommand::RCPT(vmime::mailbox(utf8(other)), false));
            if (r->getCode() == 421)
                refuse(r);
            if (!accepted(r))
                refused.append({other, replyText(*r)});
        }
        if ((r = ask(SMTPCommand::DATA()))->getCode() != 354)
            refuse(r);
        DataStream data(*c->getSocket());
        try {
            mail.write(to, [&data](const char *p, size_t n) { data.write(p, n); });
        } catch (const store::StoreError &e) {
            // The message broke off half-way: the connection cannot carry on.
            disconnect();
            throw SmtpError{SmtpError::Kind::ConnectionLost, e.text()};
        }
        data.finish();
        if (!accepted(r = c->readResponse()))
            refuse(r);
    } catch (const vmime::exceptions::operation_timed_out &) {
        throw SmtpError{SmtpError::Kind::Timeout, silence()};
    } catch (const vmime::exception &e) {
        const bool lost = !d->transport || !d->transport->isConnected() ||
                          dynamic_cast<const vmime::exceptions::socket_exception *>(&e) ||
                          dynamic_cast<const vmime::exceptions::connection_error *>(&e) ||
                          dynamic_cast<const vmime::exceptions::not_connected *>(&e);
        throw SmtpError{lost ? SmtpError::Kind::ConnectionLost : SmtpError::Kind::Rejected,
                        QString::fromStdString(e.what())};
    }
    return refused;
}
