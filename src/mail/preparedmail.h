#pragma once

#include "mailmessage.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// The message as it goes out, built once for a run: headers and text in memory, every
// attachment encoded once into a spool file beside. A copy is the To line, its own Date and
// Message-ID, then these pieces as they are, so memory stays the same whatever the number of
// copies and whatever the size of the attachments.
class PreparedMail
{
  public:
    // Reads every attachment; an unreadable one throws a store::StoreError naming the file.
    explicit PreparedMail(const MailMessage &message);
    ~PreparedMail();
    PreparedMail(const PreparedMail &) = delete;
    PreparedMail &operator=(const PreparedMail &) = delete;

    const MailMessage &message() const;
    // The sender's address, and the CC and BCC addresses every copy goes to besides its To.
    QString sender() const;
    QStringList copyRecipients() const;

    // The copy for `to`, dated now, handed to `out` piece by piece in the form it takes on the
    // wire (lines ended by CR LF). Throws store::StoreError when the spool cannot be read.
    using Output = std::function<void(const char *data, size_t size)>;
    void write(const QString &to, const Output &out) const;

    // A new Message-ID on the sender's domain, with its angle brackets.
    static QString newMessageId(const QString &sender);

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
