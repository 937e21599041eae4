#pragma once

#include <QDialog>

struct MailMessage;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

// TfrmMailMemo ("邮件内容"): subject, CC, BCC, body and attachments of the group-mail message.
// It shows the message as it stands, and 确定 replaces it as a whole: what the dialog shows is
// what goes out, so attachments and addresses of an earlier composition never ride along
// unseen. 取消 leaves the message as it was.
class MailMemoDialog : public QDialog
{
    Q_OBJECT
  public:
    MailMemoDialog(MailMessage &message, QWidget *parent = nullptr);

    QLineEdit *subject() const { return m_subject; }
    QLineEdit *cc() const { return m_cc; }
    QLineEdit *bcc() const { return m_bcc; }
    QPlainTextEdit *body() const { return m_body; }
    QListWidget *attachments() const { return m_attachments; }

  protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void addAttachment();
    void removeAttachment();
    void importBody();
    void saveBody();
    void accept() override;

    MailMessage &m_message;
    QLineEdit *m_subject;
    QLineEdit *m_cc;
    QLineEdit *m_bcc;
    QPlainTextEdit *m_body;
    QListWidget *m_attachments;
};
