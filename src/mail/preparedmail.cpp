#include "preparedmail.h"

#include "storeerror.h"
#include "vmimesupport.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QUuid>

#include <algorithm>
#include <sstream>

namespace
{

using vmimesupport::utf8;

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

// Bytes no file is likely to hold, as the content an attachment stands in with while the
// message is built; 18 bytes make one line of base64 without padding.
QByteArray standInContent()
{
    QByteArray bytes(18, '\0');
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), 18 / 4);
    bytes[16] = char(QRandomGenerator::global()->generate());
    bytes[17] = char(QRandomGenerator::global()->generate());
    return bytes;
}

// `path` as base64 in lines of 76 characters ended by CR LF (the last one without), appended
// to `spool`, read and written in blocks.
void encodeInto(QFile &spool, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw store::StoreError(
            QStringLiteral("无法读取附件“%1”：%2").arg(path, file.errorString()));
    constexpr qint64 Block = 57 * 1024; // whole lines of 57 bytes each
    bool first = true;
    for (;;) {
        const QByteArray block = file.read(Block);
        if (block.isEmpty())
            break;
        const QByteArray text = block.toBase64();
        QByteArray lines;
        lines.reserve(text.size() + text.size() / 76 * 2 + 2);
        for (qsizetype at = 0; at < text.size(); at += 76) {
            if (!first)
                lines += "\r\n";
            first = false;
            lines += QByteArrayView(text).sliced(at, qMin<qsizetype>(76, text.size() - at));
        }
        if (spool.write(lines) != lines.size())
            throw store::StoreError(
                QStringLiteral("无法准备附件“%1”：%2").arg(path, spool.errorString()));
    }
    if (file.error() != QFileDevice::NoError)
        throw store::StoreError(
            QStringLiteral("无法读取附件“%1”：%2").arg(path, file.errorString()));
}

} // namespace

struct PreparedMail::Impl {
    MailMessage message;
    // The message without its To, Date and Message-ID lines, in pieces: text, then the
    // encoded attachment `attachment` from the spool, and so on.
    struct Piece {
        std::string text;
        qint64 from = 0, size = 0; // of the spool
    };
    std::vector<Piece> pieces;
    QTemporaryFile spool;
};

PreparedMail::PreparedMail(const MailMessage &m) : d(std::make_unique<Impl>())
{
    vmimesupport::initialise();
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
    b.setExpeditor(vmime::mailbox(utf8(m.from.trimmed())));
    // vmime builds no message without a To; each copy's own takes its place below.
    b.getRecipients().appendAddress(vmime::make_shared<vmime::mailbox>(utf8(m.from.trimmed())));
    for (const QString &a : m.cc)
        b.getCopyRecipients().appendAddress(vmime::make_shared<vmime::mailbox>(utf8(a)));
    b.setSubject(vmime::text(utf8(m.subject), vmime::charsets::UTF_8));
    b.getTextPart()->setCharset(vmime::charsets::UTF_8);
    QString body = m.body;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    b.getTextPart()->setText(vmime::make_shared<vmime::stringContentHandler>(utf8(body)));
    // vmime leaves "'" and "\\" unescaped in RFC 2231 file names, which readers then cut
    // short; each attachment goes out under a stand-in name that our own encoding replaces.
    // Its content stands in too, and the file, encoded once into the spool, takes its place.
    QStringList standIns;
    QList<QByteArray> contents;
    for (const QString &path : m.attachments) {
        standIns << QStringLiteral("tessaly-attachment-%1.bin").arg(standIns.size() + 1);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw store::StoreError(
                QStringLiteral("无法读取附件“%1”：%2").arg(path, file.errorString()));
        contents << standInContent();
        auto data = vmime::make_shared<vmime::stringContentHandler>(contents.last().toStdString());
        b.appendAttachment(vmime::make_shared<vmime::fileAttachment>(
            data, vmime::word(utf8(standIns.last()), vmime::charsets::US_ASCII),
            vmime::mediaType(vmime::mediaTypes::APPLICATION,
                             vmime::mediaTypes::APPLICATION_OCTET_STREAM),
            vmime::text(), vmime::encoding(vmime::encodingTypes::BASE64)));
    }
    auto mime = b.construct();
    // Each copy gets its own.
    for (const auto &field : {mime->getHeader()->findField(vmime::fields::TO),
                              mime->getHeader()->findField(vmime::fields::DATE),
                              mime->getHeader()->findField(vmime::fields::MESSAGE_ID)})
        if (field)
            mime->getHeader()->removeField(field);
    // Headers stay 7-bit (RFC 2047 words), also for servers that would take raw UTF-8.
    vmime::generationContext ctx(vmime::generationContext::getDefaultContext());
    ctx.setInternationalizedEmailSupport(false);
    std::ostringstream text;
    vmime::utility::outputStreamAdapter out(text);
    mime->generate(ctx, out);
    std::string generated = text.str();
    for (qsizetype i = 0; i < standIns.size(); ++i)
        putFileName(generated, standIns[i], QFileInfo(m.attachments[i]).fileName());

    if (!m.attachments.isEmpty() && !d->spool.open())
        throw store::StoreError(QStringLiteral("无法建立临时文件：%1").arg(d->spool.errorString()));
    size_t at = 0;
    for (qsizetype i = 0; i < contents.size(); ++i) {
        const std::string encoded = contents[i].toBase64().toStdString();
        const size_t found = generated.find(encoded, at);
        if (found == std::string::npos)
            throw store::StoreError(QStringLiteral("无法准备附件“%1”。").arg(m.attachments[i]));
        Impl::Piece piece{generated.substr(at, found - at)};
        piece.from = d->spool.pos();
        encodeInto(d->spool, m.attachments[i]);
        piece.size = d->spool.pos() - piece.from;
        d->pieces.push_back(std::move(piece));
        at = found + encoded.size();
    }
    d->pieces.push_back({generated.substr(at)});
    if (!m.attachments.isEmpty() && !d->spool.flush())
        throw store::StoreError(QStringLiteral("无法建立临时文件：%1").arg(d->spool.errorString()));
}

PreparedMail::~PreparedMail() = default;

const MailMessage &PreparedMail::message() const
{
    return d->message;
}

QString PreparedMail::sender() const
{
    return d->message.from.trimmed();
}

QStringList PreparedMail::copyRecipients() const
{
    return d->message.cc + d->message.bcc;
}

QString PreparedMail::newMessageId(const QString &sender)
{
    const QString domain = sender.section(QLatin1Char('@'), -1);
    return QStringLiteral("<%1.%2@%3>")
        .arg(QUuid::createUuid().toString(QUuid::Id128))
        .arg(QDateTime::currentMSecsSinceEpoch())
        .arg(domain);
}

void PreparedMail::write(const QString &to, const Output &out) const
{
    vmime::addressList toList;
    toList.appendAddress(vmime::make_shared<vmime::mailbox>(utf8(to)));
    const std::string head =
        "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toStdString() +
        "\r\nMessage-ID: " + newMessageId(sender()).toStdString() + "\r\nTo: " + toList.generate() +
        "\r\n";
    out(head.data(), head.size());
    QFile spool(d->spool.fileName());
    const auto cannotRead = [&spool] {
        return store::StoreError(
            QStringLiteral("无法读取准备好的附件：%1").arg(spool.errorString()));
    };
    for (const Impl::Piece &piece : d->pieces) {
        out(piece.text.data(), piece.text.size());
        if (piece.size == 0)
            continue;
        if (!spool.isOpen() && !spool.open(QIODevice::ReadOnly))
            throw cannotRead();
        if (!spool.seek(piece.from))
            throw cannotRead();
        QByteArray block;
        for (qint64 left = piece.size; left > 0; left -= block.size()) {
            block = spool.read(qMin<qint64>(left, 1 << 16));
            if (block.isEmpty())
                throw cannotRead();
            out(block.constData(), size_t(block.size()));
        }
    }
}
