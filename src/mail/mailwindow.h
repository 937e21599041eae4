#pragma once

#include "mailmessage.h"
#include "mailserverdialog.h"

#include <QHash>
#include <QWidget>
#include <memory>

class DataGrid;
class PreparedMail;
class QAction;
class QListWidget;
class QProgressDialog;
class QTreeWidget;
class SendRun;
class SmtpClient;
struct Workspace;

namespace store
{
class Dataset;
}

// TfrmMail ("邮件群发"): one message, composed once, sent through an SMTP server to a list of
// contact addresses, one copy per address. The contacts are every user's (qryLinkmans3); the
// pending list is built from them with > >> < <<; the failed list shows the addresses of the
// last run that failed, each with the server's reason. Nothing of it is stored.
//
// The run goes on a worker thread behind a progress dialog that can be cancelled between
// copies, and ends with one summary, so a long list (or a server that went away) never
// freezes the window nor buries the user in boxes.
class MailWindow : public QWidget
{
    Q_OBJECT
  public:
    explicit MailWindow(Workspace &ws, QWidget *parent = nullptr);
    ~MailWindow() override;

    QAction *action(const QString &name) const;
    DataGrid *grid() const { return m_grid; }
    QListWidget *pending() const { return m_pending; }
    QTreeWidget *failed() const { return m_failed; }
    QStringList pendingAddresses() const;
    QStringList failedAddresses() const;
    MailMessage &message() { return m_message; }
    MailServerForm &serverForm() { return m_serverForm; }
    SmtpClient &client() { return *m_client; }
    bool isSending() const { return m_run != nullptr; }
    // The progress dialog while a run goes on.
    QProgressDialog *progress() const { return m_progress; }

  private:
    void buildToolBar();
    store::Dataset &contacts() const;

    void send();
    void runSend(std::shared_ptr<const PreparedMail> mail);
    void resendFailed();
    void editMessage();
    void query();
    void mailTool();
    void closeModule();
    void serverSettings();

    void addCurrent(bool moveOn);
    void addAll();
    void removeSelected();
    void removeAll();

    Workspace &m_ws;
    QHash<QString, QAction *> m_actions;
    DataGrid *m_grid;
    QListWidget *m_pending;
    QTreeWidget *m_failed;
    MailMessage m_message;
    MailServerForm m_serverForm;
    std::unique_ptr<SmtpClient> m_client;
    SendRun *m_run = nullptr;
    QProgressDialog *m_progress = nullptr;
};
