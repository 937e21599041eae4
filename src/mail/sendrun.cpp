#include "sendrun.h"

#include "mailmessage.h"
#include "smtpclient.h"

#include <QMetaObject>

SendRun::SendRun(SmtpClient &client, std::shared_ptr<const PreparedMail> mail,
                 const QStringList &addresses, QObject *parent)
    : QObject(parent), m_client(client), m_mail(std::move(mail)), m_addresses(addresses)
{
}

SendRun::~SendRun()
{
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

void SendRun::start()
{
    m_thread = std::thread([this] { work(); });
}

void SendRun::report(const QString &address, const QString &reason)
{
    ++m_outcome.failed;
    QMetaObject::invokeMethod(
        this, [this, address, reason] { Q_EMIT copyFailed(address, reason); },
        Qt::QueuedConnection);
}

void SendRun::reportCopyRecipient(const QString &address, const QString &reply)
{
    if (m_refusedCopyRecipients.contains(address))
        return; // once a run
    m_refusedCopyRecipients.insert(address);
    ++m_outcome.refusedCopyRecipients;
    QMetaObject::invokeMethod(
        this, [this, address, reply] { Q_EMIT copyFailed(address, reply); }, Qt::QueuedConnection);
}

void SendRun::stop(int next, const QString &reason, const QString &sentence)
{
    m_outcome.stopped = true;
    m_outcome.stopReason = sentence;
    m_outcome.notSent = int(m_addresses.size()) - next;
    const QStringList rest = m_addresses.mid(next);
    const QString why = QStringLiteral("未发送：") + reason;
    QMetaObject::invokeMethod(
        this,
        [this, rest, why] {
            for (const QString &a : rest)
                Q_EMIT copyNotSent(a, why);
        },
        Qt::QueuedConnection);
}

void SendRun::work()
{
    Outcome &o = m_outcome;
    const int total = int(m_addresses.size());
    for (int i = 0; i < total; ++i) {
        if (m_cancel) {
            o.cancelled = true;
            o.notSent = total - i;
            break;
        }
        const QString address = m_addresses[i];
        if (address.trimmed().isEmpty()) {
            report(address, QStringLiteral("地址为空"));
        } else if (!MailAddresses::isValid(address)) {
            report(address, QStringLiteral("地址不合法"));
        } else {
            bool retried = false;
            for (;;) {
                try {
                    const QList<SmtpClient::Refusal> refused = m_client.send(*m_mail, address);
                    ++o.sent;
                    for (const SmtpClient::Refusal &r : refused)
                        reportCopyRecipient(r.address, r.reply);
                } catch (const SmtpError &e) {
                    if (e.kind == SmtpError::Kind::Timeout) {
                        // A server that stopped answering would cost every further copy the
                        // same wait: the run ends here.
                        report(address, e.text);
                        stop(i + 1, e.text, e.text);
                    } else if (e.kind != SmtpError::Kind::ConnectionLost) {
                        report(address, e.text);
                    } else if (!retried) {
                        // The connection went away: made again once, then this copy again.
                        retried = true;
                        try {
                            m_client.reconnect();
                            continue;
                        } catch (const SmtpError &again) {
                            const QString reason = QStringLiteral("与服务器的连接已断开");
                            report(address, reason + QStringLiteral("：") + again.text);
                            stop(i + 1, reason,
                                 reason + QStringLiteral("，且无法重新连接（%1）").arg(again.text));
                        }
                    } else {
                        report(address, e.text);
                    }
                }
                break;
            }
        }
        const int sent = o.sent, failed = o.failed, remaining = total - i - 1;
        QMetaObject::invokeMethod(
            this, [this, sent, failed, remaining] { Q_EMIT progressed(sent, failed, remaining); },
            Qt::QueuedConnection);
        if (o.stopped)
            break;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_finished = true;
            Q_EMIT finished();
        },
        Qt::QueuedConnection);
}
