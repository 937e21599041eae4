#include "assignwindow.h"

#include "condition.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "pendingedit.h"
#include "waitwindow.h"
#include "workassignment.h"
#include "workspace.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace
{
const QString Agents = QStringLiteral("商务代理资料");
const QString Records = QStringLiteral("业务资料");
} // namespace

AssignWindow::AssignWindow(Workspace &ws, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_kind(new QComboBox(this)), m_source(new QComboBox(this)),
      m_target(new QComboBox(this)), m_left(new QListWidget(this)), m_right(new QListWidget(this)),
      m_wait(new WaitWindow(this))
{
    setObjectName(QStringLiteral("TfrmAssign"));
    setWindowTitle(QStringLiteral("商务代理工作分配"));
    m_kind->setObjectName(QStringLiteral("ComboBox1"));
    m_kind->addItems({Agents, Records});
    m_source->setObjectName(QStringLiteral("ComboBox2"));
    m_target->setObjectName(QStringLiteral("ComboBox3"));
    m_left->setObjectName(QStringLiteral("ListBox1"));
    m_right->setObjectName(QStringLiteral("ListBox2"));
    for (QListWidget *list : {m_left, m_right})
        list->setUniformItemSizes(true); // ten thousand codes are laid out without measuring each

    auto *choices = new QGridLayout;
    choices->addWidget(new QLabel(QStringLiteral("请选择具体内容："), this), 0, 0);
    choices->addWidget(m_kind, 0, 1);
    choices->addWidget(new QLabel(QStringLiteral("请选择原用户ID："), this), 1, 0);
    choices->addWidget(m_source, 1, 1);
    choices->addWidget(new QLabel(QStringLiteral("分配给目标用户ID："), this), 2, 0);
    choices->addWidget(m_target, 2, 1);
    const auto add = [this](const char *name, const QString &text, std::function<void()> work) {
        return ErrorDisplay::commandButton(this, name, text, std::move(work));
    };
    choices->addWidget(add("BitBtn1", QStringLiteral("刷    新"), [this] { refresh(); }), 1, 2);

    auto *moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(add("BitBtn3", QStringLiteral(">>"), [this] { moveAll(m_left, m_right); }));
    moves->addWidget(add("BitBtn4", QStringLiteral(">"), [this] { moveOne(m_left, m_right); }));
    moves->addWidget(add("BitBtn5", QStringLiteral("<<"), [this] { moveAll(m_right, m_left); }));
    moves->addWidget(add("BitBtn6", QStringLiteral("<"), [this] { moveOne(m_right, m_left); }));
    moves->addStretch();
    // A double click moves the item clicked.
    connect(m_left, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        m_left->setCurrentItem(item);
        moveOne(m_left, m_right);
    });
    connect(m_right, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        m_right->setCurrentItem(item);
        moveOne(m_right, m_left);
    });

    auto *lists = new QHBoxLayout;
    lists->addWidget(m_left, 1);
    lists->addLayout(moves);
    lists->addWidget(m_right, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add("BitBtn7", QStringLiteral("确认分配"), [this] { assign(); }));
    buttons->addWidget(add("BitBtn2", QStringLiteral("关闭"), [this] { accept(); }));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    m_kind->setFocus(); // the window opens with the keyboard here
    resize(560, 460);
    m_wait->hide();
}

AssignWindow::~AssignWindow() = default;

QPushButton *AssignWindow::button(const char *name) const
{
    return findChild<QPushButton *>(QLatin1String(name));
}

QStringList AssignWindow::items(const QListWidget *list)
{
    QStringList out;
    out.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void AssignWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ErrorDisplay::run(this, [this] { fillUsers(); });
    m_kind->setFocus();
}

// Every user may give; only a user whose state is not "No" may receive.
void AssignWindow::fillUsers()
{
    store::Dataset &users = m_ws.dm.tblUser;
    users.close();
    users.open();
    m_source->clear();
    m_target->clear();
    for (int row = 0; row < users.rowCount(); ++row) {
        const QString id = users.value(row, QStringLiteral("UserID")).toString();
        m_source->addItem(id);
        if (users.value(row, QStringLiteral("State")).toString() != QLatin1String("No"))
            m_target->addItem(id);
    }
    m_source->setCurrentIndex(-1);
    m_target->setCurrentIndex(-1);
}

bool AssignWindow::agentsChosen() const
{
    return m_kind->currentText() == Agents;
}

// The source user's agents (or records) in the shared list of the agent window (or the record
// module), which keeps showing only them until that module is opened again.
void AssignWindow::refresh()
{
    m_left->clear();
    m_right->clear();
    if (m_source->currentIndex() < 0) {
        MessageBox::warning(this, QStringLiteral("请选择原用户ID！"));
        m_source->setFocus();
        return;
    }
    const bool agents = agentsChosen();
    store::Dataset &set = agents ? m_ws.dm.tblCustomers : m_ws.dm.tblOperates2;
    const QString code = agents ? QStringLiteral("CustID") : QStringLiteral("OperateID");
    // A row being typed in that module is settled there first, never stored unchecked.
    if (!PendingEdit::settle(set))
        return;
    set.post();
    set.close();
    set.setFilter(store::Condition::eq(QStringLiteral("SUser"), m_source->currentText()));
    set.open();
    QStringList codes;
    for (const QVariant &v : set.columnValues(code))
        codes << v.toString();
    m_left->addItems(codes);
}

// The selected item, or the first one, goes to the end of the other list.
void AssignWindow::moveOne(QListWidget *from, QListWidget *to)
{
    if (from->count() == 0)
        return;
    const int row = from->currentRow() >= 0 ? from->currentRow() : 0;
    QListWidgetItem *item = from->takeItem(row);
    to->addItem(item);
}

// Everything to the end of the other side, after what is there already: every code stays in
// exactly one of the two lists.
void AssignWindow::moveAll(QListWidget *from, QListWidget *to)
{
    const QStringList moving = items(from);
    from->clear();
    to->addItems(moving);
}

void AssignWindow::assign()
{
    if (m_target->currentIndex() < 0) {
        MessageBox::warning(this, QStringLiteral("请选择目标用户ID！"));
        m_target->setFocus();
        return;
    }
    const QStringList codes = items(m_right);
    if (codes.isEmpty()) {
        MessageBox::warning(this, QStringLiteral("请先选择要分配的资料（移到右边的列表中）！"));
        if (m_left->count() > 0)
            m_left->setFocus();
        else
            m_source->setFocus();
        return;
    }
    const auto kind =
        agentsChosen() ? store::WorkAssignment::Kind::Agents : store::WorkAssignment::Kind::Records;
    m_wait->setMessage(QStringLiteral("正在分配资料到目标用户ID，请稍候..."));
    m_wait->setProgress(0, int(codes.size()));
    m_wait->show();
    bool done = true;
    try {
        store::WorkAssignment::run(m_ws.dm.connection(), kind, codes, m_target->currentText(),
                                   [this](int n, int total) { m_wait->setProgress(n, total); });
    } catch (const std::exception &) {
        done = false; // rolled back: nothing changed
    }
    m_wait->hide();
    if (!done) {
        MessageBox::warning(this, QStringLiteral("提醒用户：分配未成功，请重新分配！"));
        return;
    }
    MessageBox::information(this, QStringLiteral("提醒用户：分配成功！"));
    m_right->clear();
}
