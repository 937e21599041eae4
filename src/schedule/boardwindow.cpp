#include "boardwindow.h"

#include "commandaction.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbnavigator.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "workspace.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace
{
const QString LogPrefix = QStringLiteral("工具-公告板-");
} // namespace

BoardWindow::BoardWindow(Workspace &ws, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_grid(new DataGrid(this)), m_navigator(new DbNavigator(this)),
      m_title(new DbLineEdit(this)), m_date(new DbDateEdit(this)), m_man(new DbLineEdit(this)),
      m_memo(new DbLineEdit(this))
{
    setObjectName(QStringLiteral("TfrmBoard"));
    setWindowTitle(QStringLiteral("公告板"));
    store::Dataset &board = ws.dm.tblBoard;
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&board);
    m_grid->setColumns({{QStringLiteral("BTitle"), QStringLiteral("主题"), 180},
                        {QStringLiteral("BDate"), QStringLiteral("公告日期"), 90},
                        {QStringLiteral("Man"), QStringLiteral("公告人"), 80},
                        {QStringLiteral("Memo"), QStringLiteral("事项描述"), 260}});
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));
    m_navigator->setDataset(&board);
    const struct {
        QWidget *editor;
        const char *name, *field;
    } inputs[] = {{m_title, "edtBTitle", "BTitle"},
                  {m_date, "dtpBDate", "BDate"},
                  {m_man, "edtMan", "Man"},
                  {m_memo, "edtMemo", "Memo"}};
    for (const auto &i : inputs)
        i.editor->setObjectName(QLatin1String(i.name));
    m_title->bind(&board, QStringLiteral("BTitle"));
    m_date->bind(&board, QStringLiteral("BDate"));
    m_man->bind(&board, QStringLiteral("Man"));
    m_memo->bind(&board, QStringLiteral("Memo"));
    new EnterChain({m_title, m_date, m_man, m_memo}, this);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("主题"), m_title);
    fields->addRow(QStringLiteral("公告日期"), m_date);
    fields->addRow(QStringLiteral("公告人"), m_man);
    fields->addRow(QStringLiteral("事项描述"), m_memo);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_navigator);
    buttons->addStretch();
    const auto button = [this, buttons, &ws](const char *name, const QString &caption,
                                             const QString &log, std::function<void()> work) {
        QAction *a = addCommand(this, ws, name, caption, {}, log, {}, std::move(work));
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
        buttons->addWidget(b);
    };
    button("SpeedButton1", QStringLiteral("新增"), LogPrefix + QStringLiteral("新增"),
           [this] { add(); });
    button("SpeedButton2", QStringLiteral("保存"), LogPrefix + QStringLiteral("保存"),
           [this] { save(); });
    button("SpeedButton3", QStringLiteral("删除"), LogPrefix + QStringLiteral("删除"),
           [this] { remove(); });
    buttons->addWidget(ErrorDisplay::commandButton(this, "SpeedButton4", QStringLiteral("关闭"),
                                                   [this] { reject(); }));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    m_title->setFocus(); // the window opens with the keyboard here
    resize(640, 480);
}

void BoardWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ErrorDisplay::run(this, [this] { m_ws.dm.tblBoard.open(); });
    m_title->setFocus();
}

void BoardWindow::add()
{
    m_ws.dm.tblBoard.append();
    m_title->setFocus();
}

void BoardWindow::save()
{
    if (DbFormattedEdit::refuseUnfinished(this))
        return;
    const std::pair<QWidget *, const char *> required[] = {
        {m_title, "请输入公告主题！"},
        {m_date, "请输入公告日期！"},
        {m_man, "请输入公告人！"},
        {m_memo, "请输入公告事项描述内容！"},
    };
    for (const auto &[input, message] : required) {
        const bool empty = input == m_date ? m_date->isBlank()
                                           : static_cast<DbLineEdit *>(input)->text().isEmpty();
        if (empty) {
            MessageBox::warning(this, QString::fromUtf8(message));
            input->setFocus();
            return;
        }
    }
    if (m_ws.dm.tblBoard.isEditing())
        m_ws.dm.tblBoard.post(); // a refusal of the store leaves the notice in editing
}

void BoardWindow::remove()
{
    store::Dataset &board = m_ws.dm.tblBoard;
    if (!board.isOpen() || board.isEmpty())
        return;
    if (MessageBox::confirm(this, QStringLiteral("真的要删除该公告记录吗？"),
                            QMessageBox::Question))
        board.remove();
}

void BoardWindow::reject()
{
    ErrorDisplay::run(this, [this] {
        if (m_ws.dm.tblBoard.isEditing())
            m_ws.dm.tblBoard.cancel();
    });
    QDialog::reject();
}
