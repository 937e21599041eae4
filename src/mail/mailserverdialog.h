#pragma once

#include <QDialog>
#include <QSet>
#include <QStringList>
#include <functional>

struct MailMessage;
class QComboBox;
class QLabel;
class QLineEdit;
class SmtpClient;

// What was typed into the server dialog, kept by the mail window for the rest of the process,
// and the servers to which the user agreed to send the password without encryption.
struct MailServerForm {
    QString host;
    QString port = QStringLiteral("25");
    QString sender;
    QString user;
    QString password;
    QSet<QString> plainLoginAccepted; // "host:port"
};

// TfrmMailServer ("服务器设置"): the SMTP server, the sender address and the login. 连接 checks
// the fields, connects (TLS whenever the server offers it) and logs in when the server asks for
// AUTH LOGIN; its one-line status tells each step. 断开 disconnects; 关闭 leaves the connection
// as it is.
class MailServerDialog : public QDialog
{
    Q_OBJECT
  public:
    MailServerDialog(MailServerForm &form, MailMessage &message, SmtpClient &client,
                     QWidget *parent = nullptr);

    static QStringList presetHosts();

    QComboBox *host() const { return m_host; }
    QLineEdit *port() const { return m_port; }
    QLineEdit *sender() const { return m_sender; }
    QLineEdit *user() const { return m_user; }
    QLineEdit *password() const { return m_password; }
    QString status() const;
    // Every status text shown since the dialog opened, oldest first.
    QStringList statusHistory() const { return m_statusHistory; }

  protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override; // what was typed stays for the next opening

  private:
    void connectToServer();
    bool checkFields();
    void logIn();
    void disconnectFromServer();
    void setStatus(const QString &text);
    void keepForm();
    void waitFor(const std::function<void()> &work);

    MailServerForm &m_form;
    MailMessage &m_message;
    SmtpClient &m_client;
    QComboBox *m_host;
    QLineEdit *m_port;
    QLineEdit *m_sender;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLabel *m_status;
    QStringList m_statusHistory;
    bool m_busy = false;
};
