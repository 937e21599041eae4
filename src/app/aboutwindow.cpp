#include "aboutwindow.h"

#include "artwork.h"
#include "mainwindow.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmAbout"));
    setWindowTitle(QStringLiteral("关于软件"));
    auto *picture = new QLabel(this);
    picture->setPixmap(Artwork::tile(QStringLiteral("星"), QColor(0x2e, 0x6d, 0xb4)).pixmap(48, 48));
    auto *text = new QLabel(this);
    text->setObjectName(QStringLiteral("lbProduct"));
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    text->setText(QStringLiteral("<h3>星桥通商务代理管理系统（Tessaly）网络版</h3>"
                                 "<p>版本 %1</p>"
                                 "<p>商务代理、联系人、推荐人、联络记录、日程与图表分析的多用户管理系统。</p>"
                                 "<p>网址：<a href=\"%2\">%2</a><br>技术支持：<a href=\"mailto:%3\">%3</a></p>")
                      .arg(QStringLiteral(TESSALY_VERSION), MainWindow::homePage(), MainWindow::supportMail()));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *row = new QHBoxLayout;
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
