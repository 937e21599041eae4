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
} // namespace MailAddresses

// An attachment read into memory once for a whole run, so a thousand copies read the file once.
struct MailAttachment {
    QString name; // the file's own name, without its folder
    QByteArray content;
};
