#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace store {
class DataModule;
}

// TfrmLogin: who is working. Sets CurrentUserID on success; cancelling or a fourth failed
// password ends the start-up.
class LoginWindow : public QDialog
{
    Q_OBJECT
public:
    explicit LoginWindow(store::DataModule &dm, QWidget *parent = nullptr);

    int failures() const { return m_failures; }
    bool tooManyFailures() const { return m_failures > 3; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void fillUsers();
    void confirm();

    store::DataModule &m_dm;
    QComboBox *m_user;
    QLineEdit *m_password;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    int m_failures = 0;
    bool m_leaving = false;
};
