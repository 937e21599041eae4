#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

// TfrmUpdate: a small window without buttons that says long work is going on, and how far it
// has come (done / total).
class WaitWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit WaitWindow(QWidget *parent = nullptr);

    // The caption and the label together, as the work that opens it names itself.
    void setMessage(const QString &text);
    void setProgress(int done, int total);

    QLabel *label() const { return m_label; }
    QProgressBar *progress() const { return m_progress; }

  protected:
    void keyPressEvent(QKeyEvent *event) override; // Escape does not leave work half told
    void closeEvent(QCloseEvent *event) override;

  private:
    QLabel *m_label;
    QProgressBar *m_progress;
};
