#include "passwordwindow.h"

#include "datamodule.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "passwords.h"
#include "session.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PasswordWindow::PasswordWindow(store::DataModule &dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TfrmPassword"));
    setWindowTitle(QStringLiteral("口令设置"));
    const auto field = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setEchoMode(QLineEdit::Password);
        e->installEventFilter(this);
        return e;
    };
    m_old = field("edOld");
    m_new = field("edNew");
    m_confirm = field("edConfirm");
    m_save = new QPushButton(QStringLiteral("保存"), this);
    m_save->setObjectName(QStringLiteral("btnSave"));
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    m_save->setAutoDefault(false);
    cancel->setAutoDefault(false);
    m_save->installEventFilter(this); // Enter on 保存 saves, as Enter in the fields leads to it

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("旧口令："), m_old);
    form->addRow(QStringLiteral("新口令："), m_new);
    form->addRow(QStringLiteral("确认口令："), m_confirm);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_save, &QPushButton::clicked, this, [this] { ErrorDisplay::run(this, [this] { save(); }); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void PasswordWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_old->setFocus();
}

bool PasswordWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == m_save)
                m_save->click();
            else if (watched == m_old)
                m_new->setFocus();
            else if (watched == m_new)
                m_confirm->setFocus();
            else
                m_save->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PasswordWindow::save()
{
    const QString user = store::session().CurrentUserID;
    if (m_old->text().isEmpty()) {
        MessageBox::warning(this, QStringLiteral("对不起，请输入旧口令！"));
        m_old->selectAll();
        m_old->setFocus();
        return;
    }
    if (!store::Passwords::verify(m_dm.connection(), user, m_old->text())) {
        MessageBox::warning(this, QStringLiteral("对不起，输入的旧口令不正确！"));
        m_old->selectAll();
        m_old->setFocus();
        return;
    }
    if (m_new->text().isEmpty()) {
        MessageBox::warning(this, QStringLiteral("对不起，请输入新口令！"));
        m_new->setFocus();
        return;
    }
    if (m_confirm->text().isEmpty()) {
        MessageBox::warning(this, QStringLiteral("对不起，请输入确认口令！"));
        m_confirm->setFocus();
        return;
    }
    if (m_new->text() != m_confirm->text()) {
        MessageBox::warning(this, QStringLiteral("对不起，输入的确认口令与新口令不一致！"));
        m_confirm->clear();
        m_confirm->setFocus();
        return;
    }
    store::Passwords::set(m_dm.connection(), user, m_new->text());
    MessageBox::information(this, QStringLiteral("口令修改成功！"));
    accept();
}
