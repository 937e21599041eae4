#pragma once

#include "contactsfixture.h"

#include <QJsonValue>
#include <QStringList>

class MailWindow;
class SmtpPeer;

// A seat with contacts, and the group-mail window built on it as Act_Mail shows it: every
// user's contacts in qryLinkmans3 with the agent columns looked up.
class MailFixture : public ContactsFixture
{
  public:
    using ContactsFixture::ContactsFixture;

    // As Act_Mail prepares it: tblCustomers2 open, qryLinkmans3 over all contacts.
    void openMailContacts();
    // The peer's certificate among those this seat trusts.
    void trustCertificate(const SmtpPeer &peer);
    // Agent A01 with one contact per address, L01, L02, ... in that order.
    void addContactsWithEmails(const QStringList &emails);
};

// The texts of a JSON array (the peer's lists of recipients).
QStringList jsonStrings(const QJsonValue &array);

struct MailWindowOnFixture {
    explicit MailWindowOnFixture(MailFixture &f);
    ~MailWindowOnFixture();
    MailWindow *w;

    void trigger(const char *action);
    // 邮件内容 filled and confirmed through the composition dialog.
    void compose(const QString &subject, const QString &body, const QString &cc = {},
                 const QString &bcc = {}, const QStringList &attachments = {});
    // 服务器设置 → 连接 → 关闭; returns the status texts of the dialog. `answers` are queued for
    // the boxes 连接 may show.
    QStringList connectTo(const QString &host, int port, const QString &sender,
                          const QString &user = QStringLiteral("sender"),
                          const QString &password = QStringLiteral("secret"));
};

// Closes a modal window when the check that runs on it ends, also when a comparison in it
// failed half-way, so a failing check never leaves the test waiting on an open dialog.
struct CloseOnExit {
    QWidget *window;
    ~CloseOnExit();
};
