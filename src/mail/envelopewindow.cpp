#include "envelopewindow.h"

#include "contactquerydialog.h"
#include "datagrid.h"
#include "datamodule.h"
#include "envelopesetdialog.h"
#include "errordisplay.h"
#include "userinfowindow.h"
#include "workspace.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

EnvelopeWindow::EnvelopeWindow(Workspace &ws, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_grid(new DataGrid(this))
{
    setObjectName(QStringLiteral("TfrmEnvelop"));
    setWindowTitle(QStringLiteral("信封标签"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&ws.dm.qryLinkmans3);
    m_grid->setColumns({{QStringLiteral("CustID"), QStringLiteral("商务代理代码"), 100},
                        {QStringLiteral("CustName"), QStringLiteral("商务代理名称"), 180},
                        {QStringLiteral("Name"), QStringLiteral("联系人"), 90},
                        {QStringLiteral("PostCode"), QStringLiteral("邮政编码"), 80},
                        {QStringLiteral("Address"), QStringLiteral("地址"), 240},
                        {QStringLiteral("Email"), QStringLiteral("Email"), 160}});
    m_grid->setGroupBandVisible(false);

    auto *buttons = new QHBoxLayout;
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(QStringLiteral("联系人列表："), this));
    layout->addWidget(m_grid, 1);

    const auto add = [this, buttons](const char *name, const QString &hint, const QString &log,
                                     QStyle::StandardPixmap icon, std::function<void()> work) {
        QToolButton *b = addButton(name, hint, log, std::move(work));
        b->setIcon(style()->standardIcon(icon));
        buttons->addWidget(b);
    };
    add("btnQuery", QStringLiteral("联系人查询"), QStringLiteral("工具-信封标签-联系人查询"),
        QStyle::SP_FileDialogContentsView, [this] {
            ContactQueryDialog dialog(ContactQueryDialog::Member::Mail, m_ws.dm, this);
            dialog.exec();
        });
    add("btnUserInfo", QStringLiteral("用户登记信息"), QStringLiteral("工具-信封标签-用户登记信息"),
        QStyle::SP_FileDialogInfoView, [this] {
            UserInfoWindow dialog(m_ws.dm, this);
            dialog.exec();
        });
    add("btnPreview", QStringLiteral("信封标签预览"), QStringLiteral("工具-信封标签-预览"),
        QStyle::SP_FileIcon, [this] {
            EnvelopeSetDialog dialog(m_ws.dm, this);
            dialog.exec();
        });
    add("btnClose", QStringLiteral("关闭"), QString(), QStyle::SP_DialogCloseButton,
        [this] { reject(); });
    buttons->addStretch();
}

QToolButton *EnvelopeWindow::addButton(const char *name, const QString &hint, const QString &log,
                                       std::function<void()> work)
{
    auto *b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setText(hint);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setFocusPolicy(Qt::TabFocus);
    connect(b, &QToolButton::clicked, this, [this, log, work = std::move(work)] {
        ErrorDisplay::run(this, [&] {
            if (!log.isEmpty())
                m_ws.dm.writeLog(log);
            work();
        });
    });
    return b;
}

QToolButton *EnvelopeWindow::button(const QString &name) const
{
    return findChild<QToolButton *>(name);
}

void EnvelopeWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ErrorDisplay::run(this, [this] { m_ws.dm.tblUserInfo.open(); });
    m_grid->view()->setFocus();
}
