#include "loginwindow.h"

#include "datamodule.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "passwords.h"
#include "session.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginWindow::LoginWindow(store::DataModule &dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TfrmLogin"));
    setWindowTitle(QStringLiteral("星桥通商务代理管理系统（网络版）"));
    // No close box: the window is left through its buttons only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    m_user = new QComboBox(this);
    m_user->setObjectName(QStringLiteral("cbUserID"));
    m_user->setEditable(true);
    m_user->setInsertPolicy(QComboBox::NoInsert);
    // The ID is exactly what is typed: no completion may turn "cle" into a listed "clerk"
    // and sign in as someone else. Picking from the list still works.
    m_user->setCompleter(nullptr);
    m_user->setMinimumWidth(200);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("edPassword"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *hint = new QLabel(QStringLiteral("第一次使用：用户ID：Admin  口令：") +
                                QLatin1String(store::Passwords::Initial),
                            this);
    hint->setObjectName(QStringLiteral("lbHint"));

    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_ok->setObjectName(QStringLiteral("btnOK"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    m_ok->setAutoDefault(false);
    m_cancel->setAutoDefault(false);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("用户ID："), m_user);
    form->addRow(QStringLiteral("口  令："), m_password);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addLayout(buttons);

    m_user->installEventFilter(this);
    m_password->installEventFilter(this);
    connect(m_ok, &QPushButton::clicked, this, [this] { ErrorDisplay::run(this, [this] { confirm(); }); });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_leaving = true;
        reject();
    });
}

void LoginWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ErrorDisplay::run(this, [this] { fillUsers(); });
    m_failures = 0;
    m_user->setFocus();
}

void LoginWindow::fillUsers()
{
    // Read afresh, so users added by other seats are offered; only the exact text "No"
    // hides a user.
    m_dm.tblUser.close();
    m_dm.tblUser.open();
    const QString typed = m_user->currentText();
    m_user->clear();
    for (int r = 0; r < m_dm.tblUser.rowCount(); ++r)
        if (m_dm.tblUser.value(r, QStringLiteral("State")).toString() != QLatin1String("No"))
            m_user->addItem(m_dm.tblUser.value(r, QStringLiteral("UserID")).toString());
    m_user->setEditText(typed);
}

bool LoginWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == m_user)
                m_password->setFocus();
            else
                m_ok->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LoginWindow::closeEvent(QCloseEvent *event)
{
    // Only the buttons (and Escape, which is 取消) leave the window.
    if (!m_leaving && result() != QDialog::Accepted)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void LoginWindow::confirm()
{
    const QString user = m_user->currentText();
    if (user.isEmpty()) {
        MessageBox::warning(this, QStringLiteral("请选择要登录的用户名称！"));
        m_user->setFocus();
        return;
    }
    // Every row is looked at whatever its state: a user hidden from the list signs in by
    // typing the ID. IDs match without letter case, passwords exactly.
    if (store::Passwords::verify(m_dm.connection(), user, m_password->text())) {
        store::session().CurrentUserID = user;
        m_leaving = true;
        accept();
        return;
    }
    ++m_failures;
    if (m_failures > 3) {
        MessageBox::warning(this, QStringLiteral("对不起，请与系统管理员联系！"));
        m_leaving = true;
        reject();
        return;
    }
    MessageBox::warning(this, QStringLiteral("口令输入错误，请重新输入！"));
    m_password->selectAll();
    m_password->setFocus();
}
