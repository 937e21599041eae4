#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace store {
class DataModule;
}

// TfrmPassword: the signed-in user changes the own password.
class PasswordWindow : public QDialog
{
    Q_OBJECT
public:
    explicit PasswordWindow(store::DataModule &dm, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void save();

    store::DataModule &m_dm;
    QLineEdit *m_old;
    QLineEdit *m_new;
    QLineEdit *m_confirm;
    QPushButton *m_save;
};
