// The main window's menus, the top bar of picture buttons and the navigation panel, each
// made of the commands the command table made.
#include "mainwindow.h"

#include "artwork.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QToolBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString PageSystem = QStringLiteral("系统设置");
const QString PageBase = QStringLiteral("基础资料");
const QString PageBusiness = QStringLiteral("业务管理");
const QString PageChart = QStringLiteral("图表分析");

} // namespace

void MainWindow::buildMenus()
{
    const auto menu = [this](const char *name, const QString &title, std::initializer_list<const char *> entries) {
        QMenu *m = menuBar()->addMenu(title);
        m->setObjectName(QLatin1String(name));
        for (const char *e : entries) {
            if (!*e)
                m->addSeparator();
            else
                m->addAction(action(QLatin1String(e)));
        }
        return m;
    };
    menu("N_System", QStringLiteral("系统设置(&S)"),
         {"Act_Password", "Act_UserManage", "", "Act_Backup", "Act_Restore", "", "Act_SysLog", "Act_UserRegist",
          "Act_Server", "", "N_Exit"});
    menu("N_Base", QStringLiteral("基础资料(&B)"),
         {"Act_Department", "Act_Region", "Act_Country", "Act_Vocation", "", "Act_OperateStyle", "Act_OperateOrigin",
          "Act_OperateState", "", "Act_CustLevel", "Act_CustState", "Act_CustOrigin"});
    menu("N_Business", QStringLiteral("商务代理业务管理(&C)"),
         {"Act_Customers", "Act_Linkman", "Act_Operaters", "Act_OperatesInfo", "Act_Plan", "", "Act_Assign"});
    menu("N_Files", QStringLiteral("文件管理(&F)"), {"N_NewFile", "N_CutFile", "N_CopyFile"});
    menu("N_Charts", QStringLiteral("图表分析(&G)"),
         {"Act_RegionAnalyse", "Act_CustLevelAnalyse", "Act_CustOriginAnalyse", "Act_CustStateAnalyse",
          "Act_CustVocationAnalyse"});
    menu("N_Tools", QStringLiteral("工具(&T)"), {"Act_Board", "", "N_Calculator", "N_Calendar", "N_SysInfo", "", "Act_Envelop"});
    menu("N_Window", QStringLiteral("窗口(&W)"), {"N_Navigation", "N_FilePanel"});
    menu("N_HelpMenu", QStringLiteral("帮助(&H)"), {"N_About", "", "N_Help", "N_HomePage", "N_ContactUs", "N_Support"});
}

void MainWindow::buildTopBar()
{
    m_top = new QWidget(this);
    m_top->setObjectName(QStringLiteral("PnTop"));
    auto *row = new QHBoxLayout(m_top);
    row->setContentsMargins(6, 4, 6, 4);
    const struct
    {
        const char *action, *tip, *glyph;
        QColor colour;
    } buttons[] = {
        {"Act_Customers", "商务代理资料", "代", QColor(0x2e, 0x6d, 0xb4)},
        {"Act_Linkman", "联系人资料", "人", QColor(0x3a, 0x8f, 0x5c)},
        {"Act_Operaters", "推荐人资料", "荐", QColor(0x8a, 0x5a, 0xb5)},
        {"Act_OperatesInfo", "历次联络记录", "录", QColor(0xc0, 0x7a, 0x24)},
        {"Act_Plan", "日程安排", "程", QColor(0x1f, 0x8f, 0x9c)},
        {"Act_Password", "口令设置", "令", QColor(0x6b, 0x6b, 0x6b)},
        {"N_FilePanelButton", "文件管理及工具栏", "文", QColor(0x9c, 0x6b, 0x30)},
        {"N_NavigationButton", "系统导航", "导", QColor(0x44, 0x55, 0x88)},
        {"N_HomePage", "公司网站", "网", QColor(0x2a, 0x7f, 0xc1)},
        {"N_Help", "帮助", "助", QColor(0x4f, 0x9a, 0x3a)},
        {"N_Exit", "退出系统", "退", QColor(0xb8, 0x3b, 0x3b)},
    };
    for (const auto &b : buttons) {
        QAction *a = action(QLatin1String(b.action));
        a->setIcon(Artwork::tile(QString::fromUtf8(b.glyph), b.colour));
        auto *button = new QToolButton(m_top);
        button->setObjectName(QStringLiteral("btnTop_") + QLatin1String(b.action));
        button->setDefaultAction(a);
        button->setToolTip(QString::fromUtf8(b.tip));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setAutoRaise(true);
        row->addWidget(button);
        if (qstrcmp(b.action, "Act_Password") == 0 || qstrcmp(b.action, "N_NavigationButton") == 0)
            row->addSpacing(12);
    }
    row->addStretch();
}

void MainWindow::buildNavigation()
{
    m_left = new QWidget(this);
    m_left->setObjectName(QStringLiteral("PnLeft"));
    auto *layout = new QVBoxLayout(m_left);
    layout->setContentsMargins(2, 2, 2, 2);
    m_pages = new QToolBox(m_left);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(m_pages);
    const auto page = [this](const QString &title, const char *name,
                             std::initializer_list<std::pair<const char *, const char *>> entries, const QColor &colour) {
        auto *p = new QWidget(m_pages);
        p->setObjectName(QLatin1String(name));
        auto *grid = new QVBoxLayout(p);
        for (const auto &[actionName, glyph] : entries) {
            QAction *a = action(QLatin1String(actionName));
            auto *b = new QToolButton(p);
            b->setObjectName(QStringLiteral("btnNav_") + QLatin1String(actionName));
            // The button shows its command's picture; commands without one get the page's.
            if (a->icon().isNull())
                a->setIcon(Artwork::tile(QString::fromUtf8(glyph), colour));
            b->setDefaultAction(a);
            b->setIconSize(QSize(36, 36));
            b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            b->setAutoRaise(true);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            grid->addWidget(b);
        }
        grid->addStretch();
        m_pages->addItem(p, title);
    };
    page(PageSystem, "TabSystem",
         {{"Act_Password", "令"}, {"Act_UserManage", "户"}, {"Act_Backup", "备"}, {"Act_Restore", "恢"},
          {"Act_SysLog", "志"}, {"Act_UserRegist", "信"}},
         QColor(0x55, 0x66, 0x88));
    page(PageBase, "TabBase",
         {{"Act_CustLevel", "级"}, {"Act_OperateStyle", "档"}, {"Act_OperateOrigin", "完"}, {"Act_Vocation", "业"},
          {"Act_Department", "部"}, {"Act_CustState", "态"}},
         QColor(0x3a, 0x8f, 0x5c));
    page(PageBusiness, "TabBusiness",
         {{"Act_Customers", "代"}, {"Act_Linkman", "人"}, {"Act_Operaters", "荐"}, {"Act_OperatesInfo", "录"},
          {"Act_Plan", "程"}},
         QColor(0x2e, 0x6d, 0xb4));
    page(PageChart, "TabChart",
         {{"Act_CustVocationAnalyse", "业"}, {"Act_RegionAnalyse", "地"}, {"Act_CustLevelAnalyse", "级"},
          {"Act_CustOriginAnalyse", "源"}, {"Act_CustStateAnalyse", "态"}},
         QColor(0xc0, 0x7a, 0x24));
    m_pages->setCurrentIndex(0);
}
