#include "smtpclient.h"

#include "storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vmime/net/smtp/smtp.hpp>
#include <vmime/platforms/posix/posixHandler.hpp>
#include <vmime/security/cert/defaultCertificateVerifier.hpp>
#include <vmime/security/cert/serverIdentityException.hpp>
#include <vmime/vmime.hpp>

#include <algorithm>
#include <chrono>
#include <mutex>

namespace
{

std::string utf8(const QString &s)
{
    return s.toStdString();
}

void initialiseVmime()
{
    static std::once_flag once;
    std::call_once(once,
                   [] { vmime::platform::setHandler<vmime::platforms::posix::posixHandler>(); });
}

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

QString replyOf(const vmime::exceptions::command_error &e)
{
    const QString reply = QString::fromStdString(e.response()).trimmed();
    return reply.isEmpty() ? QString::fromStdString(e.what()) : reply;
}

// A reply with a code of its own is the server's answer to this copy; anything else (a
// closed socket, a reply cut off, "421 closing") means the connection is gone.
bool isServerRefusal(const vmime::exceptions::command_error &e)
{
    const std::string r = e.response();
    if (r.size() < 3 || !std::isdigit(static_cast<unsigned char>(r[0])))
        return false;
    return r.compare(0, 3, "421") != 0;
}

// A file name as a Content-Disposition parameter: quoted as it is when it is plain ASCII,
// else RFC 2231 (UTF-8, every byte outside the attribute characters as %XX), in continuation
// pieces short enough for a header line.
std::string fileNameParameter(const QString &name)
{
    const auto attributeChar = [](char c) {
        static const QByteArray signs = "!#$&+-.^_`|~";
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               signs.contains(c);
    };
    const QByteArray bytes = name.toUtf8();
    if (std::all_of(bytes.begin(), bytes.end(),
                    [&](char c) { return attributeChar(c) || c == ' '; }))
        return "filename=\"" + bytes.toStdString() + "\"";
    static const char hex[] = "0123456789ABCDEF";
    std::vector<std::string> pieces(1);
    for (const char c : bytes) {
        const std::string unit = attributeChar(c)
                                     ? std::string(1, c)
                                     : std::string{'%', hex[uchar(c) >> 4], hex[uchar(c) & 15]};
        if (pieces.back().size() + unit.size() > 54)
            pieces.emplace_back();
        pieces.back() += unit;
    }
    std::string out;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out += ";\r\n ";
        out += "filename*" + std::to_string(i) + "*=" + (i == 0 ? "utf-8''" : "") + pieces[i];
    }
    return out;
}

// The stand-in's parameter, as vmime wrote it (quoted or not), replaced by the real name.
void putFileName(std::string &message, const QString &standIn, const QString &name)
{
    const std::string token = standIn.toStdString();
    for (const std::string &written : {"filename=\"" + token + "\"", "filename=" + token}) {
        const size_t at = message.find(written);
        if (at != std::string::npos) {
            message.replace(at, written.size(), fileNameParameter(name));
            return;
        }
    }
}

} // namespace

// ---------------------------------------------------------------- the prepared message

struct PreparedMail::Impl {
    MailMessage message;
    vmime::shared_ptr<vmime::message> mime;
    vmime::mailbox from;
    vmime::mailboxList copies; // CC and BCC: envelope recipients of every copy
    std::string generated;     // the whole message without its To line
};

PreparedMail::PreparedMail(const MailMessage &m) : d(std::make_unique<Impl>())
{
    initialiseVmime();
    // The dialogs refuse such addresses already; a message made elsewhere meets the same rule
    // here, so nothing unchecked reaches MAIL FROM, RCPT TO or a header.
    for (const QString &a : QStringList{m.from.trimmed()} + m.cc + m.bcc)
        if (!MailAddresses::isValid(a))
            throw store::StoreError(
                QStringLiteral("邮件地址“%1”不合法。%2").arg(a, MailAddresses::rule()));
    if (hasControlCharacters(m.subject))
        throw store::StoreError(QStringLiteral("邮件主题中不能含有换行符或其他控制字符！"));
    d->message = m;
    vmime::messageBuilder b;
    d->from = vmime::mailbox(utf8(m.from.trimmed()));
    b.setExpeditor(d->from);
    b.getRecipients().appendAddress(
        vmime::make_shared<vmime::mailbox>(utf8(m.from.trimmed()))); // set per copy
    for (const QString &a : m.cc) {
        b.getCopyRecipients().appendAddress(vmime::make_shared<vmime::mailbox>(utf8(a)));
        d->copies.appendMailbox(vmime::make_shared<vmime::mailbox>(utf8(a)));
    }
    for (const QString &a : m.bcc)
        d->copies.appendMailbox(vmime::make_shared<vmime::mailbox>(utf8(a)));
    b.setSubject(vmime::text(utf8(m.subject), vmime::charsets::UTF_8));
    b.getTextPart()->setCharset(vmime::charsets::UTF_8);
    QString body = m.body;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    b.getTextPart()->setText(vmime::make_shared<vmime::stringContentHandler>(utf8(body)));
    // vmime leaves "'" and "\\" unescaped in RFC 2231 file names, which readers then cut
    // short; each attachment goes out under a stand-in name that our own encoding replaces.
    QStringList standIns;
    for (const QString &path : m.attachments) {
        standIns << QStringLiteral("tessaly-attachment-%1.bin").arg(standIns.size() + 1);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw store::StoreError(
                QStringLiteral("无法读取附件“%1”：%2").arg(path, file.errorString()));
        const QByteArray content = file.readAll();
        auto data = vmime::make_shared<vmime::stringContentHandler>(
            std::string(content.constData(), size_t(content.size())));
        auto att = vmime::make_shared<vmime::fileAttachment>(
            data, vmime::word(utf8(standIns.last()), vmime::charsets::US_ASCII),
            vmime::mediaType(vmime::mediaTypes::APPLICATION,
                             vmime::mediaTypes::APPLICATION_OCTET_STREAM),
            vmime::text(), vmime::encoding(vmime::encodingTypes::BASE64));
        b.appendAttachment(att);
    }
    d->mime = b.construct();
    d->mime->getHeader()->removeField(d->mime->getHeader()->To());
    // Headers stay 7-bit (RFC 2047 words), also for servers that would take raw UTF-8.
    vmime::generationContext ctx(vmime::generationContext::getDefaultContext());
    ctx.setInternationalizedEmailSupport(false);
    std::ostringstream text;
    vmime::utility::outputStreamAdapter out(text);
    d->mime->generate(ctx, out);
    d->generated = text.str();
    for (qsizetype i = 0; i < standIns.size(); ++i)
        putFileName(d->generated, standIns[i], QFileInfo(m.attachments[i]).fileName());
}

PreparedMail::~PreparedMail() = default;

const MailMessage &PreparedMail::message() const
{
    return d->message;
}

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
    initialiseVmime();
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

void SmtpClient::send(const PreparedMail &mail, const QString &to)
{
    if (!MailAddresses::isValid(to))
        throw SmtpError{SmtpError::Kind::Rejected, QStringLiteral("地址不合法")};
    if (!isConnected())
        throw SmtpError{SmtpError::Kind::ConnectionLost, QStringLiteral("未连接到服务器")};
    try {
        auto recipient = vmime::make_shared<vmime::mailbox>(utf8(to));
        vmime::mailboxList recipients;
        recipients.appendMailbox(recipient);
        for (size_t i = 0; i < mail.d->copies.getMailboxCount(); ++i)
            recipients.appendMailbox(mail.d->copies.getMailboxAt(i));
        // The message was generated once; each copy only puts its own To line in front.
        vmime::addressList toList;
        toList.appendAddress(recipient);
        const std::string data = "To: " + toList.generate() + "\r\n" + mail.d->generated;
        vmime::utility::inputStreamStringAdapter in(data);
        d->transport->send(mail.d->from, recipients, in, data.size());
    } catch (const vmime::exceptions::operation_timed_out &) {
        throw SmtpError{SmtpError::Kind::Timeout, silence()};
    } catch (const vmime::exceptions::command_error &e) {
        if (isServerRefusal(e))
            throw SmtpError{SmtpError::Kind::Rejected, replyOf(e)};
        throw SmtpError{SmtpError::Kind::ConnectionLost, replyOf(e)};
    } catch (const vmime::exception &e) {
        const bool lost = !d->transport->isConnected() ||
                          dynamic_cast<const vmime::exceptions::socket_exception *>(&e) ||
                          dynamic_cast<const vmime::exceptions::connection_error *>(&e) ||
                          dynamic_cast<const vmime::exceptions::not_connected *>(&e);
        throw SmtpError{lost ? SmtpError::Kind::ConnectionLost : SmtpError::Kind::Rejected,
                        QString::fromStdString(e.what())};
    }
}
