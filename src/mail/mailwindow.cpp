#include "mailwindow.h"

#include "commandaction.h"
#include "contactquerydialog.h"
#include "datagrid.h"
#include "datamodule.h"
#include "desktopservices.h"
#include "firstfocus.h"
#include "mailmemodialog.h"
#include "messagebox.h"
#include "modulehost.h"
#include "sendrun.h"
#include "smtpclient.h"
#include "storeerror.h"
#include "workspace.h"

#include <QAction>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{
const QString LogPrefix = QStringLiteral("工具-邮件群发-");
}

MailWindow::MailWindow(Workspace &ws, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_grid(new DataGrid(this)), m_pending(new QListWidget(this)),
      m_failed(new QTreeWidget(this)), m_client(std::make_unique<SmtpClient>())
{
    setObjectName(QStringLiteral("TfrmMail"));
    setWindowTitle(QStringLiteral("邮件群发"));

    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&contacts());
    m_grid->setColumns({{QStringLiteral("CustID"), QStringLiteral("公司代码"), 90},
                        {QStringLiteral("CustName"), QStringLiteral("公司名称"), 180},
                        {QStringLiteral("Name"), QStringLiteral("联系人"), 90},
                        {QStringLiteral("Email"), QStringLiteral("Email"), 180}});
    m_grid->setGroupBandVisible(false);
    connect(m_grid, &DataGrid::rowActivated, this, [this] { addCurrent(false); });

    m_pending->setObjectName(QStringLiteral("lbPending"));
    connect(m_pending, &QListWidget::itemDoubleClicked, this, [this] { removeSelected(); });
    m_failed->setObjectName(QStringLiteral("lvFailed"));
    m_failed->setHeaderLabels({QStringLiteral("地址"), QStringLiteral("原因")});
    m_failed->setRootIsDecorated(false);
    m_failed->setColumnWidth(0, 200);

    auto *moves = new QVBoxLayout;
    moves->addStretch();
    const auto move = [this, moves](const char *name, const QString &caption,
                                    std::function<void()> work) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, std::move(work));
        moves->addWidget(b);
    };
    move("btnAdd", QStringLiteral(">"), [this] { addCurrent(true); });
    move("btnAddAll", QStringLiteral(">>"), [this] { addAll(); });
    move("btnRemove", QStringLiteral("<"), [this] { removeSelected(); });
    move("btnRemoveAll", QStringLiteral("<<"), [this] { removeAll(); });
    moves->addStretch();

    auto *lists = new QGridLayout;
    lists->addWidget(new QLabel(QStringLiteral("联系人列表"), this), 0, 0);
    lists->addWidget(m_grid, 1, 0, 3, 1);
    lists->addLayout(moves, 1, 1, 3, 1);
    lists->addWidget(new QLabel(QStringLiteral("待发送邮件列表"), this), 0, 2);
    lists->addWidget(m_pending, 1, 2);
    lists->addWidget(new QLabel(QStringLiteral("发送失败邮件列表"), this), 2, 2);
    lists->addWidget(m_failed, 3, 2);
    // The addresses of the last run that were not delivered, back in the pending list for a
    // new 连接 and 发送.
    auto *resend = new QPushButton(QStringLiteral("失败重发"), this);
    resend->setObjectName(QStringLiteral("btnResendFailed"));
    resend->setAutoDefault(false);
    connect(resend, &QPushButton::clicked, this, [this] { resendFailed(); });
    auto *resendRow = new QHBoxLayout;
    resendRow->addStretch();
    resendRow->addWidget(resend);
    lists->addLayout(resendRow, 4, 2);
    lists->setColumnStretch(0, 3);
    lists->setColumnStretch(2, 2);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    buildToolBar();
    layout->addWidget(findChild<QToolBar *>(QStringLiteral("ToolBar1")));
    layout->addLayout(lists, 1);
    FirstFocus::set(this, m_grid->view());
}

MailWindow::~MailWindow()
{
    // A run still going belongs to runSend's frame; it stops after the copy on its way.
    if (m_run)
        m_run->cancel();
}

void MailWindow::buildToolBar()
{
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto command = [this, bar](const char *name, const QString &caption, const QString &log,
                                     std::function<void()> work) {
        QAction *a = addBarCommand(this, bar, m_actions, m_ws, name, caption, QString(), log, {},
                                   std::move(work));
        if (QWidget *b = bar->widgetForAction(a))
            b->setFocusPolicy(Qt::TabFocus); // every command within reach of Tab
    };
    command("Act_Send", QStringLiteral("发送"), LogPrefix + QStringLiteral("发送"),
            [this] { send(); });
    command("Act_Memo", QStringLiteral("邮件内容"), LogPrefix + QStringLiteral("邮件内容"),
            [this] { editMessage(); });
    command("Act_Query", QStringLiteral("查询"), LogPrefix + QStringLiteral("查询"),
            [this] { query(); });
    command("Act_MailTool", QStringLiteral("邮件工具"), QString(), [this] { mailTool(); });
    command("Act_Close", QStringLiteral("关闭"), QString(), [this] { closeModule(); });
    command("Act_Server", QStringLiteral("服务器设置"), LogPrefix + QStringLiteral("服务器设置"),
            [this] { serverSettings(); });
}

QAction *MailWindow::action(const QString &name) const
{
    return m_actions.value(name);
}

store::Dataset &MailWindow::contacts() const
{
    return m_ws.dm.qryLinkmans3;
}

QStringList MailWindow::pendingAddresses() const
{
    QStringList out;
    for (int i = 0; i < m_pending->count(); ++i)
        out << m_pending->item(i)->text();
    return out;
}

QStringList MailWindow::failedAddresses() const
{
    QStringList out;
    for (int i = 0; i < m_failed->topLevelItemCount(); ++i)
        out << m_failed->topLevelItem(i)->text(0);
    return out;
}

// ---------------------------------------------------------------- commands

void MailWindow::send()
{
    if (!m_message.hasSubject()) {
        MessageBox::warning(this, QStringLiteral("请输入邮件主题!"));
        editMessage();
        return;
    }
    if (!m_message.hasBody()) {
        MessageBox::warning(this, QStringLiteral("请输入邮件正文!"));
        editMessage();
        return;
    }
    if (!m_client->isConnected()) {
        MessageBox::warning(this, QStringLiteral("未连接到服务器!"));
        serverSettings();
        return;
    }
    if (m_message.from.isEmpty()) {
        MessageBox::warning(this, QStringLiteral("请输入发件人地址!"));
        serverSettings();
        return;
    }
    // An attachment that went away since it was chosen is named before anything is sent; the
    // connection stays, so the user can mend the message and send again.
    for (const QString &path : m_message.attachments)
        if (!QFileInfo(path).isFile()) {
            MessageBox::warning(
                this, QStringLiteral(
                          "附件“%1”已不存在，邮件没有发送。\n请在“邮件内容”中删除或重新选择它。")
                          .arg(path));
            return;
        }
    std::shared_ptr<const PreparedMail> mail;
    try {
        mail = std::make_shared<const PreparedMail>(m_message); // attachments read here, once
    } catch (const store::StoreError &e) {
        MessageBox::warning(this, e.text() + QStringLiteral("\n邮件没有发送。"));
        return;
    }
    m_failed->clear();
    runSend(mail);
}

void MailWindow::resendFailed()
{
    const QStringList addresses = failedAddresses();
    if (addresses.isEmpty())
        return;
    m_pending->clear();
    m_pending->addItems(addresses);
    m_failed->clear();
}

// The copies go out on a worker thread; the window keeps answering and shows each failure as
// it happens. The connection is closed at the end, so the next run needs a new 连接.
void MailWindow::runSend(std::shared_ptr<const PreparedMail> mail)
{
    struct Disconnect {
        SmtpClient &client;
        ~Disconnect() { client.disconnect(); }
    } disconnect{*m_client};
    const QStringList addresses = pendingAddresses();

    QProgressDialog progress(this);
    progress.setObjectName(QStringLiteral("dlgSendProgress"));
    progress.setWindowTitle(QStringLiteral("邮件群发"));
    progress.setCancelButtonText(QStringLiteral("取消"));
    progress.setRange(0, int(addresses.size()));
    progress.setMinimumDuration(0);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const auto describe = [&progress](int sent, int failed, int remaining) {
        progress.setLabelText(QStringLiteral("已发送 %1 封，失败 %2 封，剩余 %3 封")
                                  .arg(sent)
                                  .arg(failed)
                                  .arg(remaining));
        progress.setValue(sent + failed);
    };
    describe(0, 0, int(addresses.size()));

    SendRun run(*m_client, mail, addresses);
    m_run = &run;
    m_progress = &progress;
    QEventLoop loop;
    connect(&run, &SendRun::progressed, &progress, describe);
    connect(&run, &SendRun::copyFailed, this,
            [this](const QString &address, const QString &reason) {
                auto *item = new QTreeWidgetItem(m_failed, {address, reason});
                m_failed->scrollToItem(item);
            });
    connect(&run, &SendRun::copyNotSent, this,
            [this](const QString &address, const QString &reason) {
                new QTreeWidgetItem(m_failed, {address, reason});
            });
    connect(&run, &SendRun::finished, &loop, &QEventLoop::quit);
    connect(&progress, &QProgressDialog::canceled, &run, [&run, &progress] {
        run.cancel();
        progress.setLabelText(QStringLiteral("正在取消，当前这封发完即停止……"));
    });
    progress.show();
    run.start();
    loop.exec();
    m_run = nullptr;
    m_progress = nullptr;
    progress.hide();

    const SendRun::Outcome o = run.outcome();
    QString text = QStringLiteral("发送完成：成功 %1 封，失败 %2 封").arg(o.sent).arg(o.failed);
    if (o.stopped)
        text +=
            QStringLiteral("\n%1，发送已提前停止，还有 %2 封没有发送，已列在发送失败邮件列表中。")
                .arg(o.stopReason)
                .arg(o.notSent);
    else if (o.cancelled)
        text += QStringLiteral("\n发送已取消，还有 %1 封没有发送。").arg(o.notSent);
    if (o.refusedCopyRecipients > 0)
        text += QStringLiteral("\n服务器拒收了 %1 个抄送或暗送地址，已列在发送失败邮件列表中。")
                    .arg(o.refusedCopyRecipients);
    if (o.failed > 0 || o.stopped || o.cancelled || o.refusedCopyRecipients > 0)
        MessageBox::warning(this, text);
    else
        MessageBox::information(this, text);
}

void MailWindow::editMessage()
{
    MailMemoDialog dialog(m_message, this);
    dialog.exec();
}

void MailWindow::query()
{
    ContactQueryDialog dialog(ContactQueryDialog::Member::Mail, m_ws.dm, this);
    dialog.exec();
}

// The current contact and the message to the user's own mail program, as a mailto address
// whose parts are percent-encoded, so "&", "?" and line breaks arrive as typed.
void MailWindow::mailTool()
{
    if (!m_message.hasSubject()) {
        MessageBox::warning(this, QStringLiteral("请输入邮件主题!"));
        editMessage();
        return;
    }
    if (!m_message.hasBody()) {
        MessageBox::warning(this, QStringLiteral("请输入邮件内容!"));
        editMessage();
        return;
    }
    const store::Dataset &set = contacts();
    const QString address =
        set.isOpen() && set.currentRow() >= 0 ? set.text(QStringLiteral("Email")) : QString();
    DesktopServices::composeMail(address, m_message.subject, m_message.body);
}

void MailWindow::closeModule()
{
    m_ws.host.returnToSchedule(QStringLiteral("业务管理"));
    m_ws.host.hideContent(this);
    m_ws.host.setNavigationVisible(true);
}

void MailWindow::serverSettings()
{
    MailServerDialog dialog(m_serverForm, m_message, *m_client, this);
    dialog.exec();
}

// ---------------------------------------------------------------- address lists

void MailWindow::addCurrent(bool moveOn)
{
    store::Dataset &set = contacts();
    if (!set.isOpen() || set.currentRow() < 0)
        return;
    m_pending->addItem(set.text(QStringLiteral("Email")));
    if (moveOn)
        set.next();
}

void MailWindow::addAll()
{
    m_pending->clear();
    store::Dataset &set = contacts();
    if (!set.isOpen())
        return;
    QStringList addresses;
    for (const QVariant &v : set.columnValues(QStringLiteral("Email")))
        addresses << store::Dataset::displayText(v);
    m_pending->addItems(addresses);
}

void MailWindow::removeSelected()
{
    QListWidgetItem *item = m_pending->currentItem();
    if (item && item->isSelected())
        delete item;
}

void MailWindow::removeAll()
{
    m_pending->clear();
}
