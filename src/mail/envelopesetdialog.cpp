#include "envelopesetdialog.h"

#include "datamodule.h"
#include "errordisplay.h"
#include "printing.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
// The sender's details, in the order the dialog lists them.
const struct {
    const char *caption;
    const char *field;
} SenderFields[] = {{"用户名称", "UserName"}, {"地址", "Address"},  {"电话", "Telephone"},
                    {"传真", "Fax"},          {"网址", "HomePage"}, {"联系EMail", "Email"},
                    {"邮政编码", "PostCode"}};
} // namespace

EnvelopeSetDialog::EnvelopeSetDialog(store::DataModule &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_printSender(new QCheckBox(QStringLiteral("打印用户信息"), this))
{
    setObjectName(QStringLiteral("TfrmEnvelopSet"));
    setWindowTitle(QStringLiteral("标签设置"));
    m_printSender->setObjectName(QStringLiteral("chkPrintUser"));
    m_printSender->setChecked(false);

    const QVariantMap details = sender();
    auto *list = new QFormLayout;
    for (const auto &f : SenderFields) {
        auto *value = new QLabel(details.value(QLatin1String(f.field)).toString(), this);
        value->setObjectName(QStringLiteral("lb") + QLatin1String(f.field));
        list->addRow(QString::fromUtf8(f.caption) + QStringLiteral("："), value);
    }

    QPushButton *preview = ErrorDisplay::commandButton(this, "btnPreview", QStringLiteral("预览"),
                                                       [this] { this->preview(); });
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(preview);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_printSender);
    layout->addLayout(list);
    layout->addLayout(buttons);
    m_printSender->setFocus();
}

QVariantMap EnvelopeSetDialog::sender() const
{
    QVariantMap out;
    store::Dataset &info = m_dm.tblUserInfo;
    info.open();
    if (info.isEmpty())
        return out;
    const int row = info.currentRow() >= 0 ? info.currentRow() : 0;
    for (const auto &f : SenderFields)
        out.insert(QLatin1String(f.field),
                   store::Dataset::displayText(info.value(row, QLatin1String(f.field))));
    return out;
}

void EnvelopeSetDialog::preview()
{
    if (m_printSender->isChecked())
        Printing::preview(this, QStringLiteral("frEnvelop6.frf"), &m_dm.qryLinkmans3, sender());
    else
        Printing::preview(this, QStringLiteral("frEnvelop.frf"), &m_dm.qryLinkmans3);
}
