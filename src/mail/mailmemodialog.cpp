#include "mailmemodialog.h"

#include "enterchain.h"
#include "errordisplay.h"
#include "filedialog.h"
#include "mailbody.h"
#include "mailmessage.h"
#include "messagebox.h"
#include "session.h"
#include "storeerror.h"

#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace
{
const QString TextFilter = QStringLiteral("文本文件(*.txt)");
}

MailMemoDialog::MailMemoDialog(MailMessage &message, QWidget *parent)
    : QDialog(parent), m_message(message), m_subject(new QLineEdit(this)),
      m_cc(new QLineEdit(this)), m_bcc(new QLineEdit(this)), m_body(new QPlainTextEdit(this)),
      m_attachments(new QListWidget(this))
{
    setObjectName(QStringLiteral("TfrmMailMemo"));
    setWindowTitle(QStringLiteral("邮件内容"));
    m_subject->setObjectName(QStringLiteral("edSubject"));
    m_cc->setObjectName(QStringLiteral("edCC"));
    m_bcc->setObjectName(QStringLiteral("edBCC"));
    m_body->setObjectName(QStringLiteral("mmBody"));
    m_body->setTabChangesFocus(true);
    m_attachments->setObjectName(QStringLiteral("lbAttachments"));
    m_attachments->setToolTip(QStringLiteral("双击所选择的附件可以进行删除!"));
    m_attachments->installEventFilter(this);
    connect(m_attachments, &QListWidget::itemDoubleClicked, this,
            &MailMemoDialog::removeAttachment);

    m_subject->setText(message.subject);
    m_cc->setText(message.cc.join(QStringLiteral(", ")));
    m_bcc->setText(message.bcc.join(QStringLiteral(", ")));
    m_body->setPlainText(message.body);
    m_attachments->addItems(message.attachments);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("主题："), m_subject);
    form->addRow(QStringLiteral("抄送："), m_cc);
    form->addRow(QStringLiteral("暗送："), m_bcc);
    form->addRow(QStringLiteral("内容："), m_body);
    auto *attachments = new QVBoxLayout;
    attachments->addWidget(m_attachments);
    attachments->addWidget(new QLabel(QStringLiteral("双击所选择的附件可以进行删除!"), this));
    form->addRow(QStringLiteral("附件："), attachments);

    auto *buttons = new QHBoxLayout;
    const auto button = [this, buttons](const char *name, const QString &caption,
                                        std::function<void()> work) {
        QPushButton *b = ErrorDisplay::commandButton(this, name, caption, std::move(work));
        buttons->addWidget(b);
        return b;
    };
    button("btnAttach", QStringLiteral("附件..."), [this] { addAttachment(); });
    button("btnImport", QStringLiteral("导入..."), [this] { importBody(); });
    button("btnSave", QStringLiteral("保存邮件"), [this] { saveBody(); });
    buttons->addStretch();
    button("btnOK", QStringLiteral("确定"), [this] { accept(); });
    button("btnCancel", QStringLiteral("取消"), [this] { reject(); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(560, 480);

    // Enter moves subject, CC, BCC, body; in the body it starts a new line.
    auto *chain = new EnterChain({m_subject, m_cc, m_bcc, m_body}, this);
    chain->setKeepsEnter(m_body);
}

void MailMemoDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_subject->setFocus();
}

bool MailMemoDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_attachments && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        removeAttachment();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MailMemoDialog::addAttachment()
{
    const QString path = FileDialog::getOpenFileName(
        this, QStringLiteral("附件"), store::session().AppDir, QStringLiteral("所有文件 (*)"));
    if (!path.isEmpty())
        m_attachments->addItem(path);
}

void MailMemoDialog::removeAttachment()
{
    if (QListWidgetItem *item = m_attachments->currentItem(); item && item->isSelected())
        delete item;
}

// The body is kept as plain text (UTF-8): what 保存邮件 writes, 导入... reads back.
void MailMemoDialog::importBody()
{
    const QString path = FileDialog::getOpenFileName(this, QStringLiteral("导入"),
                                                     store::session().AppDir, TextFilter);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw store::StoreError(
            QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString()));
    // Read no further than a body may be long: a huge file is refused, not loaded.
    const MailBody::Decoded body = MailBody::decode(file.read(MailBody::MaxBytes + 1));
    if (file.error() != QFileDevice::NoError)
        throw store::StoreError(
            QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString()));
    if (!body.refusal.isEmpty()) {
        MessageBox::warning(this, body.refusal);
        return;
    }
    m_body->setPlainText(body.text);
    if (body.encoding != QLatin1String("UTF-8"))
        MessageBox::information(this, QStringLiteral("文件“%1”不是 UTF-8 编码，已按 %2 编码读入。")
                                          .arg(QFileInfo(path).fileName(), body.encoding));
}

// The chosen name always gets ".txt" added, also when it ends so already.
void MailMemoDialog::saveBody()
{
    const QString name = FileDialog::getSaveFileName(
        this, QStringLiteral("保存邮件"), store::session().AppDir, m_subject->text(), TextFilter);
    if (name.isEmpty())
        return;
    const QString path = name + QStringLiteral(".txt");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_body->toPlainText().toUtf8()) < 0 ||
        !file.commit())
        throw store::StoreError(
            QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString()));
}

void MailMemoDialog::accept()
{
    if (m_subject->text().isEmpty()) {
        MessageBox::warning(this, QStringLiteral("请输入邮件主题！"));
        m_subject->setFocus();
        return;
    }
    if (m_body->toPlainText().isEmpty()) {
        MessageBox::warning(this, QStringLiteral("请输入邮件正文！"));
        m_body->setFocus();
        return;
    }
    // The subject becomes a header line: a line break in it would start a header of its own.
    if (hasControlCharacters(m_subject->text())) {
        MessageBox::warning(this, QStringLiteral("邮件主题中不能含有换行符或其他控制字符！"));
        m_subject->setFocus();
        return;
    }
    const QStringList cc = MailAddresses::parse(m_cc->text());
    const QStringList bcc = MailAddresses::parse(m_bcc->text());
    for (const auto &[field, caption, addresses] :
         {std::tuple<QLineEdit *, QString, QStringList>{m_cc, QStringLiteral("抄送"), cc},
          {m_bcc, QStringLiteral("暗送"), bcc}})
        for (const QString &a : addresses)
            if (!MailAddresses::isValid(a)) {
                MessageBox::warning(this, QStringLiteral("%1中的地址“%2”不合法！\n%3")
                                              .arg(caption, a, MailAddresses::rule()));
                field->setFocus();
                return;
            }
    QStringList attachments;
    for (int i = 0; i < m_attachments->count(); ++i) {
        const QString path = m_attachments->item(i)->text();
        if (path.isEmpty())
            continue;
        if (hasControlCharacters(QFileInfo(path).fileName())) {
            MessageBox::warning(
                this,
                QStringLiteral("附件“%1”的文件名中含有换行符或其他控制字符，不能作为附件发送！")
                    .arg(path));
            m_attachments->setCurrentRow(i);
            m_attachments->setFocus();
            return;
        }
        if (!QFileInfo(path).isFile()) {
            MessageBox::warning(this, QStringLiteral("附件“%1”不存在！").arg(path));
            m_attachments->setCurrentRow(i);
            m_attachments->setFocus();
            return;
        }
        attachments << path;
    }
    m_message.subject = m_subject->text();
    m_message.body = m_body->toPlainText();
    m_message.cc = cc;
    m_message.bcc = bcc;
    m_message.attachments = attachments;
    QDialog::accept();
}
