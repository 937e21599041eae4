#include "recordwindow.h"

#include "commandaction.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dataset.h"
#include "emailexport.h"
#include "errordisplay.h"
#include "firstfocus.h"
#include "importcommand.h"
#include "modifyright.h"
#include "modulehost.h"
#include "nextcode.h"
#include "pendingedit.h"
#include "printing.h"
#include "rights.h"
#include "searchbar.h"
#include "storeerror.h"
#include "workspace.h"

#include <QAction>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

QToolBar *toolBar(QWidget *page, const char *name)
{
    auto *bar = new QToolBar(page);
    bar->setObjectName(QLatin1String(name));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return bar;
}

// The list's commands that every module has, in tool bar order.
const struct {
    const char *name, *caption, *keys, *flag, *button;
    RecordCommands::Action RecordCommands::*action;
} ListCommands[] = {
    {"Act_Insert", "新增", "Ctrl+N", "Insert", "spBtnNew", &RecordCommands::insert},
    {"Act_Modify", "修改", "Ctrl+M", "Modify", "spBtnModify", &RecordCommands::modify},
    {"Act_Delete", "删除", "Ctrl+D", "Delete", "spBtnDelete", &RecordCommands::remove},
    {"spBtnRefresh", "刷新", "", nullptr, nullptr, &RecordCommands::refresh},
    {"Act_Query", "查询", "Ctrl+Q", "Query", "spBtnQuery", &RecordCommands::query},
};

} // namespace

RecordWindow::RecordWindow(Workspace &ws, store::Dataset &set, const RecordWindowDescription &d,
                           QWidget *parent)
    : QWidget(parent), m_ws(ws), m_set(set), m_right(d.right), m_logPrefix(d.logPrefix),
      m_pages(new QTabWidget(this)), m_listPage(new QWidget), m_detailPage(new QWidget),
      m_listBar(toolBar(m_listPage, "tbList")), m_detailBar(toolBar(m_detailPage, "tbDetail")),
      m_detailLayout(new QVBoxLayout(m_detailPage)), m_columns(d.columns), m_codeTable(d.codeTable),
      m_codeField(d.codeField)
{
    setObjectName(QLatin1String(d.objectName));
    if (!d.title.isEmpty())
        setWindowTitle(d.title);
    ModifyRight::require(set, ws.rights, d.right);
    m_pages->setObjectName(QLatin1String(d.pageControl));
    m_listPage->setObjectName(QLatin1String(d.listPage));
    m_detailPage->setObjectName(QLatin1String(d.detailPage));
    m_pages->addTab(m_listPage, d.listCaption);
    m_pages->addTab(m_detailPage, d.detailCaption);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    m_detailLayout->setContentsMargins(2, 2, 2, 2);
    m_detailLayout->addWidget(m_detailBar);
}

// The grid comes after the list's tool bar buttons, so that Tab goes from them to it.
void RecordWindow::buildGrid(const RecordCommands &commands)
{
    // The filter box searches the list's columns, and comes before the grid in the Tab order.
    QStringList fields;
    for (const GridColumn &c : std::as_const(m_columns))
        fields << c.field;
    m_search = new SearchBar(m_set, fields, nullptr, m_listPage);
    m_search->setQuery({commands.queryInForce, commands.clearQuery});
    m_grid = new DataGrid(m_listPage);
    m_search->setList(m_grid->view());
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&m_set);
    m_grid->setColumns(m_columns);
    // Each user's widths, order, hidden columns, grouping and sort of this list come back.
    m_grid->rememberLayout(objectName() + QStringLiteral(".dxDBGrid1"));
    // A click may show something of the row; a double click (or Enter) is 修改.
    connect(m_grid->view(), &QTreeView::clicked, this, [this] {
        if (m_rowClicked)
            ErrorDisplay::run(this, m_rowClicked);
    });
    connect(m_grid, &DataGrid::rowActivated, this,
            [this] { action(QStringLiteral("Act_Modify"))->trigger(); });
    auto *listLayout = new QVBoxLayout(m_listPage);
    listLayout->setContentsMargins(2, 2, 2, 2);
    listLayout->addWidget(m_listBar);
    listLayout->addWidget(m_search);
    listLayout->addWidget(m_grid, 1);

    // Ctrl+F from anywhere in the module: the list's tab, the keyboard in the box.
    auto *find = new QAction(QStringLiteral("查找"), this);
    find->setObjectName(QStringLiteral("Act_Find"));
    find->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    find->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(find);
    keepAction(find);
    connect(find, &QAction::triggered, this, [this] {
        m_pages->setCurrentWidget(m_listPage);
        m_search->focusBox();
    });

    // Whoever puts the focus into the module reaches the tab in view: the list, or the first
    // input of the details.
    connect(m_pages, &QTabWidget::currentChanged, this, &RecordWindow::followPage);
    FirstFocus::set(this, m_grid->view());
}

void queryOverOwnership(RecordCommands &c, Workspace &ws, store::Dataset &set)
{
    store::DataModule &dm = ws.dm;
    c.queryInForce = [&dm, &set] {
        return set.filter().describe() != dm.ownershipCondition().describe();
    };
    c.clearQuery = [&dm, &set] { dm.applyOwnership(set); };
}

RecordWindow::~RecordWindow() = default;

QAction *RecordWindow::action(const QString &name) const
{
    return m_actions.value(name);
}

void RecordWindow::followPage()
{
    const bool details = m_pages->currentWidget() == m_detailPage;
    QWidget *focus = details && m_detailFocus ? m_detailFocus() : nullptr;
    FirstFocus::set(this, focus ? focus : static_cast<QWidget *>(m_grid->view()));
    pageChanged(details);
}

void RecordWindow::pageChanged(bool) {}

void RecordWindow::revealPending()
{
    m_pages->setCurrentWidget(m_detailPage);
}

QAction *RecordWindow::addBarCommand(QWidget *page, const char *name, const QString &caption,
                                     const QString &shortcut, const QString &log,
                                     std::function<bool()> enabled, std::function<void()> work,
                                     const char *buttonName)
{
    QToolBar *bar = page == m_listPage ? m_listBar : m_detailBar;
    QAction *a = ::addBarCommand(page, bar, m_actions, m_ws, name, caption, shortcut, log,
                                 std::move(enabled), std::move(work));
    if (buttonName)
        bar->widgetForAction(a)->setObjectName(QLatin1String(buttonName));
    return a;
}

void RecordWindow::keepAction(QAction *action)
{
    m_actions.insert(action->objectName(), action);
}

std::function<bool()> RecordWindow::allows(const char *flag) const
{
    Rights &rights = m_ws.rights;
    return [&rights, right = m_right, flag] { return rights.allows(right, QLatin1String(flag)); };
}

void RecordWindow::addCommands(const RecordCommands &c, const QString &pendingQuestion)
{
    // A QString, not a string builder: the builder would keep a reference to a temporary.
    const auto log = [this](const char *caption) -> QString {
        return m_logPrefix + QString::fromUtf8(caption);
    };
    // A new row comes with the next free code proposed.
    const auto proposing = [this](const RecordCommands::Action &work) -> RecordCommands::Action {
        if (!work || m_codeField.isEmpty())
            return work;
        return [this, work] {
            work();
            proposeCode();
        };
    };
    for (const auto &l : ListCommands)
        addBarCommand(m_listPage, l.name, QString::fromUtf8(l.caption),
                      c.listShortcuts ? QString::fromLatin1(l.keys) : QString(), log(l.caption),
                      l.flag ? allows(l.flag) : std::function<bool()>(),
                      l.action == &RecordCommands::insert ? proposing(c.insert) : c.*l.action,
                      c.namedButtons ? l.button : nullptr);
    addBarCommand(
        m_listPage, "Act_Print", QStringLiteral("打印"),
        c.listShortcuts ? QStringLiteral("Ctrl+P") : QString(), log("打印"), allows("Print"),
        [this, report = c.listReport] { Printing::preview(this, report, &m_set); },
        c.namedButtons ? "spBtnPrint1" : nullptr);
    if (c.import)
        addImportCommand(m_listPage, m_listBar, m_actions, m_ws,
                         {m_right, log("导入"), c.import->list, c.import->folderFor, c.refresh});
    if (const auto &e = c.email)
        addBarCommand(
            m_listPage, e->button, QStringLiteral("Email地址导出"), {}, {}, {},
            [this, e = *e] { EmailExport::run(this, m_set, e.proposedName, e.successText); });
    buildGrid(c);

    Rights &rights = m_ws.rights;
    store::Dataset &set = m_set;
    const auto key = [&c](const char *keys) {
        return c.detailKeysOfList ? QString::fromLatin1(keys) : QString();
    };
    addBarCommand(m_detailPage, "Act_Add", QStringLiteral("新增"),
                  c.detailKeysOfList ? QStringLiteral("Ctrl+N") : QStringLiteral("Ctrl+A"),
                  log("新增"), canAddRecord(rights, m_right, set), proposing(c.add));
    const auto editing = [&set] { return set.isEditing(); };
    addBarCommand(m_detailPage, "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"),
                  log("保存"), c.saveNeedsRight ? canSaveRecord(rights, m_right, set) : editing,
                  c.save ? RecordCommands::Action([this, save = c.save] { saveRow(save); })
                         : c.save);
    addBarCommand(m_detailPage, "Act_Del", QStringLiteral("删除"), key("Ctrl+D"), log("删除"),
                  allows("Delete"), c.removeOnDetails ? c.removeOnDetails : c.remove);
    store::Dataset *printed = c.detailReportSet ? c.detailReportSet : &m_set;
    addBarCommand(m_detailPage, "Act_Prt", QStringLiteral("打印"), key("Ctrl+P"), log("打印"),
                  allows("Print"), [this, report = c.detailReport, printed] {
                      Printing::preview(this, report, printed);
                  });
    if (c.queryOnDetails)
        addBarCommand(m_detailPage, "Act_Qry", QStringLiteral("查询"), {}, log("查询"),
                      allows("Query"), c.queryOnDetails);
    addBarCommand(m_detailPage, "Act_Cancel", QStringLiteral("放弃"), {}, {}, editing,
                  [this] { cancelEdit(); });

    PendingEdit::setOwner(m_set, m_ws, this, pendingQuestion, action(QStringLiteral("Act_Save")),
                          [this] { revealPending(); });
}

void RecordWindow::proposeCode(bool replace)
{
    if (m_set.state() != store::Dataset::State::Insert ||
        (!replace && !m_set.text(m_codeField).isEmpty()))
        return;
    const QString code = store::proposedCode(m_set.connection(), m_codeTable, m_codeField);
    if (code.isEmpty())
        return;
    m_set.proposeValue(m_codeField, code);
    m_proposedCode = code;
    // Selected, so that what the user types takes its place.
    if (auto *edit = qobject_cast<QLineEdit *>(m_detailFocus ? m_detailFocus() : nullptr))
        edit->selectAll();
}

// 保存 says which row it stored, in the status bar. A new row whose proposed code another seat
// stored meanwhile gets the next free code in its place, behind the store's duplicate-code
// message; a code the user typed stays as typed.
void RecordWindow::saveRow(const std::function<void()> &save)
{
    const bool wasEditing = m_set.isEditing();
    const bool inserting = m_set.state() == store::Dataset::State::Insert;
    try {
        save();
    } catch (const store::StoreError &e) {
        if (e.kind() == store::StoreError::Kind::Duplicate && inserting && m_set.isEditing() &&
            !m_codeField.isEmpty() && e.column().compare(m_codeField, Qt::CaseInsensitive) == 0 &&
            !m_proposedCode.isEmpty() && m_set.text(m_codeField) == m_proposedCode) {
            proposeCode(true);
            if (QWidget *focus = m_detailFocus ? m_detailFocus() : nullptr)
                focus->setFocus();
        }
        throw;
    }
    if (wasEditing && !m_set.isEditing() && !m_codeField.isEmpty() && m_set.currentRow() >= 0)
        m_ws.host.showStatus(QStringLiteral("已保存：") + m_set.text(m_codeField));
}

void RecordWindow::useWholeWindow()
{
    m_ws.host.setNavigationVisible(false);
    m_ws.host.setNavigationPage(QStringLiteral("业务管理"));
}

void RecordWindow::showDetails()
{
    m_commandSwitch = true;
    m_pages->setCurrentWidget(m_detailPage);
    m_commandSwitch = false;
    if (QWidget *focus = m_detailFocus ? m_detailFocus() : nullptr)
        focus->setFocus();
}

void RecordWindow::showDetailsForEditing()
{
    useWholeWindow();
    showDetails();
}

void RecordWindow::cancelEdit()
{
    if (m_set.isEditing())
        m_set.cancel();
}
