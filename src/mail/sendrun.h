#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>
#include <atomic>
#include <memory>
#include <thread>

class PreparedMail;
class SmtpClient;

// A send run on a worker thread: one copy per address, in list order, through a connection
// already made. An empty or malformed address fails at once without a word to the server. A
// connection that goes away is made again once; when that fails too, or the server stops
// answering, the run stops and says so, and every address not sent is reported with it. A CC
// or BCC address the server refuses is reported once, with the reply; the copies go on.
// Cancel takes effect between copies. Signals arrive on the thread that created the run.
class SendRun : public QObject
{
    Q_OBJECT
  public:
    struct Outcome {
        int sent = 0;
        int failed = 0;
        int notSent = 0; // left over by a cancel or a stop
        int refusedCopyRecipients = 0; // CC and BCC addresses the server turned away
        bool cancelled = false;
        bool stopped = false; // the connection went away for good, or the server fell silent
        QString stopReason;   // why, as a sentence
    };

    SendRun(SmtpClient &client, std::shared_ptr<const PreparedMail> mail,
            const QStringList &addresses, QObject *parent = nullptr);
    ~SendRun() override;

    void start();
    void cancel() { m_cancel = true; }
    bool isFinished() const { return m_finished; }
    Outcome outcome() const { return m_outcome; }
    int total() const { return int(m_addresses.size()); }

  Q_SIGNALS:
    void progressed(int sent, int failed, int remaining);
    void copyFailed(const QString &address, const QString &reason);
    // An address the run never came to because it stopped.
    void copyNotSent(const QString &address, const QString &reason);
    void finished();

  private:
    void work();
    void report(const QString &address, const QString &reason);
    // A CC or BCC address the server refused: told once a run, with the server's reply.
    void reportCopyRecipient(const QString &address, const QString &reply);
    // The run ends before address `next`: `reason` goes with each address left, `sentence`
    // into the outcome.
    void stop(int next, const QString &reason, const QString &sentence);

    SmtpClient &m_client;
    std::shared_ptr<const PreparedMail> m_mail;
    QStringList m_addresses;
    std::atomic_bool m_cancel{false};
    std::atomic_bool m_finished{false};
    Outcome m_outcome; // written by the worker, read after finished()
    QSet<QString> m_refusedCopyRecipients;
    std::thread m_thread;
};
