#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The one message of the group-mail window, composed once and sent once per pending address.
struct MailMessage {
    QString subject;
    QString body;
    QStringList cc;
    QStringList bcc;
    QString from;
    QStringList attachments; // file paths

    bool hasSubject() const { return !subject.isEmpty(); }
    bool hasBody() const { return !body.isEmpty(); }
};

namespace MailAddresses
{
// A comma-separated list of addresses as typed: blanks around each dropped, empty ones left out.
QStringList parse(const QString &text);

// A plain address as servers take it on the envelope: local part "@" domain, in printable
// ASCII with no blanks, quotes, brackets or line breaks, at most 254 characters. Anything else
// is refused before it reaches the server, so no text of a user becomes an SMTP command or a
// header line.
bool isValid(const QString &address);

// The rule above in words, for the messages that refuse an address.
QString rule();
} // namespace MailAddresses

// Line breaks or other control characters, which a header (subject, file name) must not carry.
bool hasControlCharacters(const QString &text);

// An attachment read into memory once for a whole run, so a thousand copies read the file once.
struct MailAttachment {
    QString name; // the file's own name, without its folder
    QByteArray content;
};
