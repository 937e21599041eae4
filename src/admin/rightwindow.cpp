#include "rightwindow.h"

#include "datamodule.h"
#include "errordisplay.h"
#include "rights.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <iterator>

using store::Dataset;

namespace
{

enum Flag { Insert, Modify, Delete, Query, Print, FlagCount };
const char *const flagFields[FlagCount] = {"Insert", "Modify", "Delete", "Query", "Print"};
const char *const flagCaptions[FlagCount] = {"新增", "修改", "删除", "查询", "打印"};

constexpr unsigned bit(int f)
{
    return 1u << f;
}
constexpr unsigned InsertDelete = bit(Insert) | bit(Delete);
constexpr unsigned AllFlags = bit(Insert) | bit(Modify) | bit(Delete) | bit(Query) | bit(Print);
constexpr unsigned QueryPrint = bit(Query) | bit(Print);

struct TabEntry {
    const char *caption;
    unsigned flagColumns;  // the flag columns the tab shows, in flag order
    const char *selectAll; // objectName of its 全部选择 box
};

const TabEntry tabs[] = {
    {"系统设置", 0, "chkAll1"},
    {"基础资料", InsertDelete, "chkAll2"},
    {"商务代理业务管理", AllFlags, "chkAll3"},
    {"图表分析", 0, "chkAll4"},
    {"工具", 0, "chkAll5"},
};

// The rights catalogue in the order rights are written: tab, caption, whether the box is out
// of sight, the flags the right carries and the side of its tab. Every right that a command of
// the program tests has a box shown under that command's name; the IDs are the stored ones,
// so the analyses' boxes are named by the command each ID enables (405 the state analysis,
// 406 the trade analysis). Hidden are the rights that no command of this program tests: they
// keep a box out of sight, so their rows survive a save and the tab's 全部选择 still grants
// them.
struct CatalogueEntry {
    const char *id;
    int tab;
    const char *caption;
    bool hidden;
    unsigned flags;
    int side;
};

const CatalogueEntry catalogue[] = {
    {"101", 0, "口令设置", false, 0, 0},
    {"102", 0, "用户管理", false, 0, 0},
    {"103", 0, "数据备份", false, 0, 0},
    {"104", 0, "数据恢复", false, 0, 0},
    {"105", 0, "系统日志", false, 0, 0},
    {"106", 0, "用户信息", false, 0, 0},
    {"107", 0, "服务器设置", false, 0, 0},
    {"201", 1, "部门设置", false, InsertDelete, 0},
    {"202", 1, "省市设置", false, InsertDelete, 0},
    {"203", 1, "国家/地区信息", false, InsertDelete, 0},
    {"204", 1, "币别汇率设置", true, InsertDelete, 0},
    {"205", 1, "金融机构设置", true, InsertDelete, 0},
    {"206", 1, "行业类别设置", false, InsertDelete, 0},
    {"207", 1, "档案有无情况设置", false, InsertDelete, 1},
    {"208", 1, "档案完备情况设置", false, InsertDelete, 1},
    {"209", 1, "发证状况设置", false, InsertDelete, 1},
    {"210", 1, "商务代理级别定义", false, InsertDelete, 1},
    {"211", 1, "商务代理联络状态定义", false, InsertDelete, 1},
    {"212", 1, "商务代理来源定义", false, InsertDelete, 1},
    {"301", 2, "商务代理资料", false, AllFlags, 0},
    {"302", 2, "联系人资料", false, AllFlags, 0},
    {"303", 2, "推荐人资料", false, AllFlags, 0},
    {"304", 2, "历次联络记录", false, AllFlags, 0},
    {"305", 2, "日程安排", false, AllFlags, 0},
    {"306", 2, "应收账款", false, QueryPrint, 0},
    {"307", 2, "应付账款", false, QueryPrint, 0},
    {"401", 3, "地区分布分析", false, 0, 0},
    {"402", 3, "按时间分析", true, 0, 0},
    {"403", 3, "商务代理级别分析", false, 0, 0},
    {"404", 3, "商务代理来源分析", false, 0, 0},
    {"405", 3, "商务代理状态分析", false, 0, 0},
    {"406", 3, "商务代理行业分析", false, 0, 0},
    {"407", 3, "收支分析", true, 0, 0},
    {"408", 3, "业务来源分析", true, 0, 0},
    {"409", 3, "业务类型分析", true, 0, 0},
    {"410", 3, "业务排行榜", true, 0, 0},
    {"411", 3, "客户排行榜", true, 0, 0},
    {"412", 3, "业务员绩效排行榜", true, 0, 0},
    {"413", 3, "资金分配分析", true, 0, 0},
    {"414", 3, "收支趋势分析", true, 0, 0},
    {"501", 4, "公告板", false, 0, 0},
    {"502", 4, "邮件群发", false, 0, 0},
    {"503", 4, "信封标签", false, 0, 0},
};

QString idOf(const CatalogueEntry &r)
{
    return QLatin1String(r.id);
}

// Flag boxes: a tab with flag columns shows one per column; the other flags have no box.
int flagColumnOf(unsigned columns, int flag)
{
    int at = 0;
    for (int f = 0; f < flag; ++f)
        at += (columns & bit(f)) ? 1 : 0;
    return at;
}

int flagColumnCount(unsigned columns)
{
    return flagColumnOf(columns, FlagCount);
}

} // namespace

RightWindow::RightWindow(store::DataModule &dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TfrmRight"));
    setWindowTitle(QStringLiteral("权限分配"));
    const Dataset &users = dm.tblUser;
    if (users.isOpen() && users.currentRow() >= 0) {
        m_userId = users.text(QStringLiteral("UserID"));
        m_userName = users.text(QStringLiteral("UserName"));
    }
    buildLayout();
    // Read the rights as the store holds them now, then show the chosen user's.
    m_dm.tblUserRight.close();
    m_dm.tblUserRight.open();
    showRights();
}

void RightWindow::buildLayout()
{
    const auto readOnly = [this](const char *name, const QString &text) {
        auto *e = new QLineEdit(text, this);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(true);
        return e;
    };
    m_userIdField = readOnly("edUserID", m_userId);
    m_userNameField = readOnly("edUserName", m_userName);
    auto *user = new QGroupBox(QStringLiteral("用户信息"), this);
    auto *userRow = new QHBoxLayout(user);
    userRow->addWidget(new QLabel(QStringLiteral("用户ID："), user));
    userRow->addWidget(m_userIdField);
    userRow->addWidget(new QLabel(QStringLiteral("用户名称："), user));
    userRow->addWidget(m_userNameField);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    for (int t = 0; t < int(std::size(tabs)); ++t)
        m_tabs->addTab(buildTab(t), QString::fromUtf8(tabs[t].caption));
    auto *rights = new QGroupBox(QStringLiteral("权限分配"), this);
    auto *rightsLayout = new QVBoxLayout(rights);
    rightsLayout->addWidget(m_tabs);

    auto *save = new QPushButton(QStringLiteral("保存"), this);
    save->setObjectName(QStringLiteral("SpeedButton2"));
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("SpeedButton4"));
    save->setAutoDefault(false);
    close->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { this->save(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(user);
    layout->addWidget(rights, 1);
    layout->addLayout(buttons);
}

QWidget *RightWindow::buildTab(int tab)
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout;
    const unsigned columns = tabs[tab].flagColumns;
    const int width = 1 + flagColumnCount(columns); // a right's box and its flag columns
    int rows[2] = {0, 0};
    if (columns != 0) {
        for (int side = 0; side < 2; ++side)
            for (int f = 0; f < FlagCount; ++f)
                if (columns & bit(f))
                    grid->addWidget(new QLabel(QString::fromUtf8(flagCaptions[f]), page), 0,
                                    side * width + 1 + flagColumnOf(columns, f), Qt::AlignCenter);
        rows[0] = rows[1] = 1;
    }
    for (int i = 0; i < int(std::size(catalogue)); ++i) {
        const CatalogueEntry &r = catalogue[i];
        if (r.tab != tab)
            continue;
        addRightRow(grid, i, rows[r.side]++, r.side * width);
    }

    auto *all = new QCheckBox(QStringLiteral("全部选择"), page);
    all->setObjectName(QLatin1String(tabs[tab].selectAll));
    connect(all, &QCheckBox::toggled, this, [this, tab](bool on) { selectAll(tab, on); });

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addWidget(all);
    return page;
}

void RightWindow::addRightRow(QGridLayout *grid, int entry, int row, int column)
{
    const CatalogueEntry &r = catalogue[entry];
    const QString id = idOf(r);
    auto *box = new QCheckBox(QString::fromUtf8(r.caption));
    box->setObjectName(QStringLiteral("chk") + id);
    grid->addWidget(box, row, column);
    box->setVisible(!r.hidden);
    m_boxes.insert(id, box);
    connect(box, &QCheckBox::toggled, this, [this, entry](bool on) { rightToggled(entry, on); });

    QList<QCheckBox *> flags(FlagCount, nullptr);
    const unsigned columns = tabs[r.tab].flagColumns;
    for (int f = 0; f < FlagCount; ++f) {
        if (!(r.flags & bit(f)))
            continue;
        auto *flag = new QCheckBox;
        flag->setObjectName(QStringLiteral("chk") + id + QLatin1String(flagFields[f]));
        flag->setToolTip(QString::fromUtf8(flagCaptions[f]));
        grid->addWidget(flag, row, column + 1 + flagColumnOf(columns, f), Qt::AlignCenter);
        flag->setVisible(!r.hidden);
        flags[f] = flag;
    }
    m_flagBoxes.insert(id, flags);
}

QCheckBox *RightWindow::flagBox(const QString &rightId, int flag) const
{
    return m_flagBoxes.value(rightId).value(flag, nullptr);
}

// Ticks what the shown user holds: a box per right row, the flag boxes from that row.
void RightWindow::showRights()
{
    const Rights held(&m_dm.tblUserRight);
    for (const CatalogueEntry &r : catalogue) {
        const QString id = idOf(r);
        const bool holds = held.allows(m_userId, id, QString());
        box(id)->setChecked(holds);
        for (int f = 0; f < FlagCount; ++f)
            if (QCheckBox *flag = flagBox(id, f))
                flag->setChecked(holds && held.allows(m_userId, id, QLatin1String(flagFields[f])));
    }
}

// A right taken away takes its flags with it; granting a right grants no flag by itself.
void RightWindow::rightToggled(int entry, bool on)
{
    if (on)
        return;
    for (QCheckBox *flag : m_flagBoxes.value(idOf(catalogue[entry])))
        if (flag)
            flag->setChecked(false);
}

void RightWindow::selectAll(int tab, bool on)
{
    for (const CatalogueEntry &r : catalogue) {
        if (r.tab != tab)
            continue;
        box(idOf(r))->setChecked(on);
        for (QCheckBox *flag : m_flagBoxes.value(idOf(r)))
            if (flag)
                flag->setChecked(on);
    }
}

void RightWindow::save()
{
    m_dm.writeLog(QStringLiteral("系统设置-用户管理-权限分配-保存"));
    // An administrator's rights are left as they are; so is a row without a user ID yet.
    const Dataset &users = m_dm.tblUser;
    if (users.currentRow() >= 0 && users.value(QStringLiteral("Sys")).toBool())
        return;
    if (m_userId.isEmpty())
        return;
    Dataset &rights = m_dm.tblUserRight;
    rights.open();
    try {
        // The old rows go and the new ones come in one unit: a refused row keeps the old set.
        m_dm.connection().transaction([this] { writeRights(); });
    } catch (...) {
        rights.cancel();
        rights.close(); // forget rows the store has rolled back
        rights.open();
        throw;
    }
    // Reread, so every command's right test follows at the next idle moment.
    rights.close();
    rights.open();
}

void RightWindow::writeRights()
{
    Dataset &deleteRights = m_dm.qryDelUserRight;
    deleteRights.setParam(QStringLiteral("userID"), m_userId);
    deleteRights.execute();

    Dataset &rights = m_dm.tblUserRight;
    for (const CatalogueEntry &r : catalogue) {
        const QString id = idOf(r);
        if (!box(id)->isChecked())
            continue;
        rights.append();
        rights.setValue(QStringLiteral("UserID"), m_userId);
        rights.setValue(QStringLiteral("RightID"), id);
        for (int f = 0; f < FlagCount; ++f) {
            const QCheckBox *flag = flagBox(id, f);
            rights.setValue(QLatin1String(flagFields[f]), flag && flag->isChecked());
        }
        rights.post();
    }
}
