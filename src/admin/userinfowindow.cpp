#include "userinfowindow.h"

#include "datamodule.h"
#include "dblineedit.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "messagebox.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

UserInfoWindow::UserInfoWindow(store::DataModule &dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TfrmUserInfo"));
    setWindowTitle(QStringLiteral("用户登记信息"));

    // The record is edited in place; a change left unsaved stays pending in the shared set.
    store::Dataset &info = m_dm.tblUserInfo;
    info.open();
    if (!info.isEditing()) {
        if (info.isEmpty()) {
            info.append();
        } else {
            info.first();
            info.edit();
        }
    }

    auto *form = new QFormLayout;
    const auto field = [this, form, &info](const char *name, const QString &caption,
                                           const QString &column) {
        auto *e = new DbLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->bind(&info, column);
        form->addRow(caption, e);
        return e;
    };
    m_name = field("edUserName", QStringLiteral("用户名称："), QStringLiteral("UserName"));
    m_address = field("edAddress", QStringLiteral("地址："), QStringLiteral("Address"));
    m_telephone = field("edTelephone", QStringLiteral("电话："), QStringLiteral("Telephone"));
    m_fax = field("edFax", QStringLiteral("传真："), QStringLiteral("Fax"));
    m_homePage = field("edHomePage", QStringLiteral("网址："), QStringLiteral("HomePage"));
    m_email = field("edEmail", QStringLiteral("联系EMail："), QStringLiteral("Email"));
    m_postCode = field("edPostCode", QStringLiteral("邮政编码："), QStringLiteral("PostCode"));

    auto *save = new QPushButton(QStringLiteral("保存"), this);
    save->setObjectName(QStringLiteral("BtnSave"));
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("BtnClose"));
    save->setAutoDefault(false);
    close->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { this->save(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject); // Escape too

    auto *chain = new EnterChain(
        {m_name, m_address, m_telephone, m_fax, m_postCode, m_email, m_homePage}, this);
    chain->setFinalButton(save);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void UserInfoWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_name->setFocus();
}

void UserInfoWindow::save()
{
    m_dm.writeLog(QStringLiteral("系统设置-用户信息-保存"));
    if (!checkFields())
        return;
    m_dm.tblUserInfo.post();
}

// Required fields in screen order, tested on the text each one shows. The post code shares
// the telephone's message.
bool UserInfoWindow::checkFields()
{
    const struct {
        DbLineEdit *field;
        QString message;
    } checks[] = {
        {m_name, QStringLiteral("请输入用户名称！")},
        {m_address, QStringLiteral("请输入用户地址！")},
        {m_telephone, QStringLiteral("请输入用户电话！")},
        {m_postCode, QStringLiteral("请输入用户电话！")},
    };
    for (const auto &c : checks) {
        if (c.field->text().isEmpty()) {
            MessageBox::warning(this, c.message);
            c.field->setFocus();
            return false;
        }
    }
    return true;
}
