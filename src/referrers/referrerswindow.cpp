#include "referrerswindow.h"

#include "commandaction.h"
#include "condition.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "emailexport.h"
#include "errordisplay.h"
#include "firstfocus.h"
#include "importcommand.h"
#include "modifyright.h"
#include "modulehost.h"
#include "pendingedit.h"
#include "printing.h"
#include "referrerform.h"
#include "referrerimport.h"
#include "referrerquerydialog.h"
#include "referrerrules.h"
#include "rights.h"
#include "workspace.h"

#include <QAction>
#include <QHideEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

const QString Right = QStringLiteral("303");
const QString LogPrefix = QStringLiteral("客户业务管理-业务员资料-");
const QString Code = QStringLiteral("OperaterID");

} // namespace

ReferrersWindow::ReferrersWindow(Workspace &ws, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_pages(new QTabWidget(this)), m_listPage(new QWidget),
      m_detailPage(new QWidget)
{
    setObjectName(QStringLiteral("TfrmOperaters"));
    setWindowTitle(QStringLiteral("推荐人/单位资料"));
    ModifyRight::require(ws.dm.tblOperaters, ws.rights, Right);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_listPage->setObjectName(QStringLiteral("TabOperaters"));
    m_detailPage->setObjectName(QStringLiteral("TabOperaterNew"));
    m_pages->addTab(m_listPage, QStringLiteral("推荐人/单位资料列表"));
    m_pages->addTab(m_detailPage, QStringLiteral("推荐人/单位详细资料"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    buildListPage();
    buildDetailPage();
    // Whoever puts the focus into the module reaches the tab in view: the list, or the code.
    // A details tab the user turns to shows the records of the referrer it shows.
    connect(m_pages, &QTabWidget::currentChanged, this, [this] {
        const bool details = m_pages->currentWidget() == m_detailPage;
        FirstFocus::set(this, details ? static_cast<QWidget *>(m_form->code()) : m_grid->view());
        if (details && !m_commandSwitch && referrers().isOpen() &&
            referrers().state() != store::Dataset::State::Insert)
            ErrorDisplay::run(this, [this] { showRecordsOfCurrent(); });
    });
    FirstFocus::set(this, m_grid->view());
    // A referrer left half-typed is stored only by 保存; anything else that would reread the
    // list asks first.
    PendingEdit::setOwner(referrers(), ws, this, QStringLiteral("推荐人资料尚未保存，保存吗？"),
                          action(QStringLiteral("Act_Save")), [this] { showDetails(); });
}

ReferrersWindow::~ReferrersWindow() = default;

// The record list belongs to the record module: the order it had before this window showed a
// referrer's records in code order is given back when the user leaves this module (the host
// hides this window itself; a frame closing at the end hides it only with its parent).
void ReferrersWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous() && isHidden() && m_recordOrder)
        ErrorDisplay::run(this, [this] {
            const auto [column, order] = *std::exchange(m_recordOrder, std::nullopt);
            if (column.isEmpty())
                records().clearSort();
            else
                records().setSort(column, order);
        });
}

QAction *ReferrersWindow::action(const QString &name) const
{
    return m_actions.value(name);
}

store::Dataset &ReferrersWindow::referrers() const
{
    return m_ws.dm.tblOperaters;
}

store::Dataset &ReferrersWindow::records() const
{
    return m_ws.dm.tblOperates2;
}

QString ReferrersWindow::currentCode() const
{
    return referrers().isEmpty() ? QString() : referrers().text(Code);
}

// A command of one tab: its shortcut works while the focus is on that tab. The toolbar button
// takes the name the list's buttons have always had.
QAction *ReferrersWindow::command(QWidget *page, QToolBar *bar, const char *name,
                                  const QString &caption, const QString &shortcut,
                                  const QString &log, std::function<bool()> enabled,
                                  std::function<void()> work, const char *buttonName)
{
    QAction *a = addBarCommand(page, bar, m_actions, m_ws, name, caption, shortcut, log, std::move(enabled),
                               std::move(work));
    if (buttonName)
        bar->widgetForAction(a)->setObjectName(QLatin1String(buttonName));
    return a;
}

std::function<bool()> ReferrersWindow::right(const char *flag) const
{
    Rights &rights = m_ws.rights;
    return [&rights, flag] { return rights.allows(Right, QLatin1String(flag)); };
}

// ---------------------------------------------------------------- list tab

void ReferrersWindow::buildListPage()
{
    auto *bar = new QToolBar(m_listPage);
    bar->setObjectName(QStringLiteral("tbList"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    command(
        m_listPage, bar, "Act_Insert", QStringLiteral("新增"), QStringLiteral("Ctrl+N"),
        LogPrefix + QStringLiteral("新增"), right("Insert"), [this] { insertReferrer(); },
        "spBtnNew");
    command(
        m_listPage, bar, "Act_Modify", QStringLiteral("修改"), QStringLiteral("Ctrl+M"),
        LogPrefix + QStringLiteral("修改"), right("Modify"), [this] { modifyReferrer(); },
        "spBtnModify");
    command(
        m_listPage, bar, "Act_Delete", QStringLiteral("删除"), QStringLiteral("Ctrl+D"),
        LogPrefix + QStringLiteral("删除"), right("Delete"), [this] { deleteReferrer(); },
        "spBtnDelete");
    command(m_listPage, bar, "spBtnRefresh", QStringLiteral("刷新"), {},
            LogPrefix + QStringLiteral("刷新"), {}, [this] { refresh(); });
    command(
        m_listPage, bar, "Act_Query", QStringLiteral("查询"), QStringLiteral("Ctrl+Q"),
        LogPrefix + QStringLiteral("查询"), right("Query"), [this] { query(); }, "spBtnQuery");
    command(
        m_listPage, bar, "Act_Print", QStringLiteral("打印"), QStringLiteral("Ctrl+P"),
        LogPrefix + QStringLiteral("打印"), right("Print"),
        [this] { Printing::preview(this, QStringLiteral("frOperaters.frf"), &referrers()); },
        "spBtnPrint1");
    addImportCommand(m_listPage, bar, m_actions, m_ws,
                     {Right, LogPrefix + QStringLiteral("导入"), referrerImportList(), nullptr,
                      [this] { refresh(); }});
    command(m_listPage, bar, "SpeedButton11", QStringLiteral("Email地址导出"), {}, {}, {},
            [this] { exportEmail(); });

    m_grid = new DataGrid(m_listPage);
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&referrers());
    m_grid->addColumn(Code, QStringLiteral("推荐人代码"), 100);
    m_grid->addColumn(QStringLiteral("Name"), QStringLiteral("名称"), 180);
    m_grid->addColumn(QStringLiteral("NickName"), QStringLiteral("联系人"), 90);
    m_grid->addColumn(QStringLiteral("DepartmentID"), QStringLiteral("部门"), 90);
    m_grid->addColumn(QStringLiteral("Duty"), QStringLiteral("职务"), 90);
    m_grid->addColumn(QStringLiteral("Native"), QStringLiteral("籍贯"), 140);
    m_grid->sortBy(Code);
    connect(m_grid->view(), &QTreeView::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { selectRow(); }); });
    connect(m_grid, &DataGrid::rowActivated, this,
            [this] { action(QStringLiteral("Act_Modify"))->trigger(); });

    auto *layout = new QVBoxLayout(m_listPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    layout->addWidget(m_grid, 1);
}

// Editing takes the whole main window: the navigation panel goes until the user brings it back.
void ReferrersWindow::useWholeWindow()
{
    m_ws.host.setNavigationVisible(false);
    m_ws.host.setNavigationPage(QStringLiteral("业务管理"));
}

void ReferrersWindow::showDetails()
{
    m_commandSwitch = true;
    m_pages->setCurrentWidget(m_detailPage);
    m_commandSwitch = false;
    m_form->code()->setFocus();
}

// A new referrer has no records: the record set is closed, its grid empty. A record being typed
// in the record module is settled by that module first; false when it stays in editing.
bool ReferrersWindow::clearRecords()
{
    if (!PendingEdit::settle(records()))
        return false;
    records().post();
    records().close();
    return true;
}

// Every contact record that names the current referrer, of all owners, in code order; the
// record module's own order is kept to be given back.
bool ReferrersWindow::showRecordsOfCurrent()
{
    store::Dataset &set = records();
    if (!PendingEdit::settle(set))
        return false;
    set.post();
    set.close();
    set.setFilter(store::Condition::eq(Code, currentCode()));
    if (!m_recordOrder)
        m_recordOrder = std::pair{set.sortColumn(), set.sortOrder()};
    set.setSort(QStringLiteral("OperateID"));
    set.open();
    return true;
}

void ReferrersWindow::insertReferrer()
{
    if (!clearRecords())
        return;
    referrers().append();
    useWholeWindow();
    showDetails();
}

void ReferrersWindow::modifyReferrer()
{
    if (!PendingEdit::settle(records()))
        return; // before this referrer goes into editing
    const bool empty = referrers().isEmpty();
    if (!empty)
        referrers().edit();
    showRecordsOfCurrent();
    useWholeWindow();
    m_rules->showFolder(empty ? QString() : currentCode());
    if (empty)
        return;
    showDetails();
}

void ReferrersWindow::refresh()
{
    // The search in force stays; a pending referrer is settled first.
    if (!PendingEdit::settle(referrers()))
        return;
    referrers().close();
    referrers().open();
}

void ReferrersWindow::query()
{
    if (!PendingEdit::settle(referrers()))
        return; // the search refilters the list
    ReferrerQueryDialog dialog(m_ws.dm, this);
    dialog.exec();
}

void ReferrersWindow::exportEmail()
{
    EmailExport::run(this, referrers(), QStringLiteral("TuijianEmail"),
                     QStringLiteral("推荐人Email地址列表导出成功！"));
}

void ReferrersWindow::selectRow()
{
    m_rules->showFolder(currentCode());
}

// ---------------------------------------------------------------- details tab

void ReferrersWindow::buildDetailPage()
{
    auto *bar = new QToolBar(m_detailPage);
    bar->setObjectName(QStringLiteral("tbDetail"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Rights &rights = m_ws.rights;
    store::Dataset &set = referrers();
    command(
        m_detailPage, bar, "Act_Add", QStringLiteral("新增"), QStringLiteral("Ctrl+A"),
        LogPrefix + QStringLiteral("新增"),
        canAddRecord(rights, Right, set),
        [this] { addReferrer(); });
    command(
        m_detailPage, bar, "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"),
        LogPrefix + QStringLiteral("保存"),
        canSaveRecord(rights, Right, set),
        [this] { m_rules->save(); });
    command(m_detailPage, bar, "Act_Del", QStringLiteral("删除"), {},
            LogPrefix + QStringLiteral("删除"), right("Delete"), [this] { deleteReferrer(); });
    command(m_detailPage, bar, "Act_Prt", QStringLiteral("打印"), {},
            LogPrefix + QStringLiteral("打印"), right("Print"), [this] {
                Printing::preview(this, QStringLiteral("frOperaterDetail.frf"), &referrers());
            });
    command(m_detailPage, bar, "Act_Qry", QStringLiteral("查询"), {},
            LogPrefix + QStringLiteral("查询"), right("Query"), [this] { query(); });
    command(
        m_detailPage, bar, "Act_Cancel", QStringLiteral("放弃"), {}, {},
        [&set] { return set.isEditing(); }, [this] { cancelEdit(); });

    m_form = new ReferrerForm(m_ws.dm, m_detailPage);
    m_rules = std::make_unique<ReferrerRules>(m_ws, *m_form);
    buildStatusCommands();

    auto *layout = new QVBoxLayout(m_detailPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    layout->addWidget(m_form, 1);
}

// The status section's 修改 and 保存, without log rows. Storing a changed referrer there needs
// the Modify right as the toolbar's 保存 does: the section is no way round the rights.
void ReferrersWindow::buildStatusCommands()
{
    Rights &rights = m_ws.rights;
    store::Dataset &set = referrers();
    QAction *edit = addCommand(
        m_detailPage, m_ws, "Act_StateEdit", QStringLiteral("修改"), {}, {}, {}, [this, &set] {
            if (set.isOpen() && !set.isEditing() && !set.isEmpty() && ModifyRight::allows(set))
                set.edit();
            m_form->inTime()->setFocus();
        });
    QAction *save = addCommand(
        m_detailPage, m_ws, "Act_StateSave", QStringLiteral("保存"), {}, {},
        [&rights, &set] {
            return set.state() != store::Dataset::State::Edit ||
                   rights.allows(Right, QStringLiteral("Modify"));
        },
        [this] { m_rules->saveStatus(); });
    m_form->stateEditButton()->setDefaultAction(edit);
    m_form->stateSaveButton()->setDefaultAction(save);
    m_actions.insert(edit->objectName(), edit);
    m_actions.insert(save->objectName(), save);
}

void ReferrersWindow::addReferrer()
{
    if (!clearRecords())
        return;
    referrers().append();
    m_form->code()->setFocus();
}

void ReferrersWindow::deleteReferrer()
{
    if (m_rules->remove() && m_pages->currentWidget() == m_detailPage)
        showRecordsOfCurrent();
}

void ReferrersWindow::cancelEdit()
{
    if (referrers().isEditing())
        referrers().cancel();
}
