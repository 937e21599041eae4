#include "mailserverdialog.h"

#include "enterchain.h"
#include "errordisplay.h"
#include "mailmessage.h"
#include "messagebox.h"
#include "session.h"
#include "smtpclient.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <exception>
#include <thread>

MailServerDialog::MailServerDialog(MailServerForm &form, MailMessage &message, SmtpClient &client,
                                   QWidget *parent)
    : QDialog(parent), m_form(form), m_message(message), m_client(client),
      m_host(new QComboBox(this)), m_port(new QLineEdit(this)), m_sender(new QLineEdit(this)),
      m_user(new QLineEdit(this)), m_password(new QLineEdit(this)), m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("TfrmMailServer"));
    setWindowTitle(QStringLiteral("服务器设置"));

    m_host->setObjectName(QStringLiteral("cbHost"));
    m_host->setEditable(true);
    m_host->addItems(presetHosts());
    m_port->setObjectName(QStringLiteral("edPort"));
    m_sender->setObjectName(QStringLiteral("edSender"));
    m_user->setObjectName(QStringLiteral("edUser"));
    m_password->setObjectName(QStringLiteral("edPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
    m_status->setObjectName(QStringLiteral("StatusBar1"));

    // What was typed last time in this process; the presets the first time.
    if (!m_form.host.isEmpty())
        m_host->setCurrentText(m_form.host);
    m_port->setText(m_form.port);
    m_sender->setText(m_form.sender);
    m_user->setText(m_form.user);
    m_password->setText(m_form.password);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("服务器设置："), m_host);
    fields->addRow(QStringLiteral("端口号："), m_port);
    fields->addRow(QStringLiteral("发件人地址："), m_sender);
    fields->addRow(QStringLiteral("用户名："), m_user);
    fields->addRow(QStringLiteral("密码："), m_password);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (auto [name, caption, work] : {
             std::tuple<const char *, QString, std::function<void()>>{
                 "btnConnect", QStringLiteral("连接"), [this] { connectToServer(); }},
             {"btnDisconnect", QStringLiteral("断开"), [this] { disconnectFromServer(); }},
             {"btnClose", QStringLiteral("关闭"), [this] { reject(); }},
         })
        buttons->addWidget(ErrorDisplay::commandButton(this, name, caption, work));

    auto *bar = new QStatusBar(this);
    bar->setSizeGripEnabled(false);
    bar->addWidget(m_status, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->addWidget(bar);
    setMinimumWidth(380);

    new EnterChain({m_host, m_port, m_sender, m_user, m_password}, this);
}

QStringList MailServerDialog::presetHosts()
{
    return {QStringLiteral("smtp.163.com"),  QStringLiteral("smtp.126.com"),
            QStringLiteral("smtp.qq.com"),   QStringLiteral("smtp.sina.com"),
            QStringLiteral("smtp.sohu.com"), QStringLiteral("smtp.263.net")};
}

QString MailServerDialog::status() const
{
    return m_status->text();
}

void MailServerDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_host->setFocus();
}

void MailServerDialog::done(int result)
{
    if (m_busy)
        return; // closed when the step on its way has ended
    keepForm();
    QDialog::done(result);
}

void MailServerDialog::setStatus(const QString &text)
{
    m_status->setText(text);
    m_statusHistory << text;
    m_status->repaint(); // the steps of a slow connection show as they happen
}

void MailServerDialog::keepForm()
{
    m_form.host = m_host->currentText();
    m_form.port = m_port->text();
    m_form.sender = m_sender->text();
    m_form.user = m_user->text();
    m_form.password = m_password->text();
}

bool MailServerDialog::checkFields()
{
    const struct {
        QWidget *field;
        QString text;
        const char *message;
    } required[] = {
        {m_host, m_host->currentText(), "请输入服务器地址!"},
        {m_port, m_port->text(), "请输入服务器端口号!"},
        {m_sender, m_sender->text(), "请输入发件人地址!"},
        {m_user, m_user->text(), "请输入用户名!"},
        {m_password, m_password->text(), "请输入用户密码!"},
    };
    for (const auto &r : required)
        if (r.text.isEmpty()) {
            MessageBox::warning(this, QString::fromUtf8(r.message));
            r.field->setFocus();
            return false;
        }
    if (!MailAddresses::isValid(m_sender->text().trimmed())) {
        MessageBox::warning(this, QStringLiteral("您输入的邮件地址不合法!"));
        m_sender->selectAll();
        m_sender->setFocus();
        return false;
    }
    return true;
}

void MailServerDialog::connectToServer()
{
    if (!checkFields())
        return;
    keepForm();
    m_message.from = m_sender->text().trimmed();
    setStatus(QStringLiteral("准备连接到服务器!"));

    bool portOk = false;
    const int port = m_port->text().trimmed().toInt(&portOk);
    SmtpSettings s;
    s.host = m_host->currentText().trimmed();
    s.port = port;
    s.user = m_user->text().trimmed();
    s.password = m_password->text().trimmed();
    s.certificateFolders = {store::session().AppDir + QStringLiteral("Data/Certificates")};
    try {
        if (!portOk || port <= 0 || port > 65535)
            throw SmtpError{SmtpError::Kind::Connect, QStringLiteral("端口号不是数字")};
        waitFor([this, s] { m_client.connectToServer(s); });
    } catch (const SmtpError &e) {
        setStatus(QStringLiteral("无法连接到服务器!"));
        // What we refused (a certificate, a broken TLS handshake) and a server that fell silent
        // are said as such; a host nobody answers on is just unreachable.
        QString why;
        switch (e.kind) {
        case SmtpError::Kind::Certificate:
            why = QStringLiteral("服务器的证书未能通过验证，连接已取消：%1").arg(e.text);
            break;
        case SmtpError::Kind::Identity:
            why = QStringLiteral("服务器的证书属于其他主机，不是“%1”，连接已取消。").arg(s.host);
            break;
        case SmtpError::Kind::Tls:
            why = QStringLiteral("与服务器建立加密连接（TLS）失败，连接已取消：%1").arg(e.text);
            break;
        case SmtpError::Kind::Timeout:
            why = e.text + QStringLiteral("。");
            break;
        default:
            break;
        }
        MessageBox::warning(this, why.isEmpty() ? QStringLiteral("无法连接到服务器!")
                                                : QStringLiteral("无法连接到服务器!\n") + why);
        return;
    }
    setStatus(QStringLiteral("已经连接到服务器 ") + m_host->currentText());
    if (m_client.announcesLogin()) {
        setStatus(QStringLiteral("服务器要求验证"));
        MessageBox::warning(this, QStringLiteral("服务器要求验证"));
        logIn();
    } else {
        setStatus(QStringLiteral("服务器不需要验证"));
    }
}

void MailServerDialog::logIn()
{
    // A password never crosses an unencrypted connection unless the user agreed to it, once
    // per server.
    const QString key =
        m_client.settings().host + QLatin1Char(':') + QString::number(m_client.settings().port);
    if (!m_client.isSecured() && !m_form.plainLoginAccepted.contains(key)) {
        const bool agreed = MessageBox::question(
            this,
            QStringLiteral("与服务器 %1 的连接没有加密（服务器不支持 TLS）。\n"
                           "继续验证，用户名和密码将以明文在网络上传送，可能被他人截获。\n\n"
                           "仍要继续验证吗？")
                .arg(key),
            MessageBox::defaultTitle(), QMessageBox::No);
        if (!agreed) {
            m_client.disconnect();
            setStatus(QStringLiteral("断开连接!"));
            return;
        }
        m_form.plainLoginAccepted.insert(key);
    }
    setStatus(QStringLiteral("开始验证"));
    try {
        waitFor([this] { m_client.login(); });
        setStatus(QStringLiteral("服务器验证通过!"));
    } catch (const SmtpError &e) {
        if (e.kind == SmtpError::Kind::AuthRefused) {
            // The server's own words say why (a wrong password, a locked account). A
            // connection without a login is of no use for sending, so it is closed: the
            // next 发送 asks for a new 连接 instead of failing every copy.
            setStatus(QStringLiteral("服务器验证失败!"));
            m_client.disconnect();
            MessageBox::warning(this,
                                QStringLiteral("服务器验证失败\n服务器的回答：%1").arg(e.text));
            setStatus(QStringLiteral("断开连接"));
        } else {
            setStatus(QStringLiteral("服务器验证失败"));
            m_client.disconnect();
            setStatus(QStringLiteral("断开连接"));
        }
    }
}

void MailServerDialog::disconnectFromServer()
{
    m_client.disconnect();
    setStatus(QStringLiteral("断开连接!"));
}

// A network step off the interface thread: the dialog keeps painting while a slow server
// takes its time (never longer than the client's timeout), and its buttons wait.
void MailServerDialog::waitFor(const std::function<void()> &work)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QList<QPushButton *> buttons = findChildren<QPushButton *>();
    for (QPushButton *b : buttons)
        b->setEnabled(false);
    m_busy = true;
    std::exception_ptr failure;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    m_busy = false;
    for (QPushButton *b : buttons)
        b->setEnabled(true);
    QApplication::restoreOverrideCursor();
    if (failure)
        std::rethrow_exception(failure);
}
