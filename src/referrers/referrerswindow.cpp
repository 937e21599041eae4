#include "referrerswindow.h"

#include "commandaction.h"
#include "condition.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "errordisplay.h"
#include "modifyright.h"
#include "pendingedit.h"
#include "referrerform.h"
#include "referrerimport.h"
#include "referrerquerydialog.h"
#include "referrerrules.h"
#include "rights.h"
#include "workspace.h"

#include <QAction>
#include <QHideEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

const QString Right = QStringLiteral("303");
const QString Code = QStringLiteral("OperaterID");

RecordWindowDescription description()
{
    return {"TfrmOperaters",
            QStringLiteral("推荐人/单位资料"),
            Right,
            QStringLiteral("客户业务管理-业务员资料-"),
            "PageControl1",
            "TabOperaters",
            "TabOperaterNew",
            QStringLiteral("推荐人/单位资料列表"),
            QStringLiteral("推荐人/单位详细资料"),
            {{Code, QStringLiteral("推荐人代码"), 100},
             {QStringLiteral("Name"), QStringLiteral("名称"), 180},
             {QStringLiteral("NickName"), QStringLiteral("联系人"), 90},
             {QStringLiteral("DepartmentID"), QStringLiteral("部门"), 90},
             {QStringLiteral("Duty"), QStringLiteral("职务"), 90},
             {QStringLiteral("Native"), QStringLiteral("籍贯"), 140}},
            QStringLiteral("tblOperaters"),
            QStringLiteral("OperaterID")};
}

} // namespace

ReferrersWindow::ReferrersWindow(Workspace &ws, QWidget *parent)
    : RecordWindow(ws, ws.dm.tblOperaters, description(), parent)
{
    RecordCommands c;
    c.insert = [this] { insertReferrer(); };
    c.modify = [this] { modifyReferrer(); };
    c.remove = [this] { deleteReferrer(); };
    c.refresh = [this] { refresh(); };
    c.query = [this] { query(); };
    c.queryInForce = [this] { return dataset().isFiltered(); };
    c.clearQuery = [this] { dataset().clearFilter(); };
    c.listReport = QStringLiteral("frOperaters.frf");
    c.import = RecordCommands::Import{referrerImportList(), nullptr};
    c.email = RecordCommands::Email{"SpeedButton11", QStringLiteral("TuijianEmail"),
                                    QStringLiteral("推荐人Email地址列表导出成功！")};
    c.add = [this] { addReferrer(); };
    c.save = [this] { m_rules->save(); };
    c.queryOnDetails = c.query;
    c.detailReport = QStringLiteral("frOperaterDetail.frf");
    c.namedButtons = true;
    addCommands(c, QStringLiteral("推荐人资料尚未保存，保存吗？"));
    grid()->sortBy(Code);
    setRowClicked([this] { m_rules->showFolder(currentCode()); });

    m_form = new ReferrerForm(ws.dm, detailPage());
    m_rules = std::make_unique<ReferrerRules>(ws, *m_form);
    buildStatusCommands();
    detailLayout()->addWidget(m_form, 1);
    setDetailFocus([this] { return m_form->code(); });
}

ReferrersWindow::~ReferrersWindow() = default;

// A details tab the user turns to shows the records of the referrer it shows.
void ReferrersWindow::pageChanged(bool details)
{
    store::Dataset &set = dataset();
    if (details && !commandSwitch() && set.isOpen() && set.state() != store::Dataset::State::Insert)
        ErrorDisplay::run(this, [this] { showRecordsOfCurrent(); });
}

void ReferrersWindow::revealPending()
{
    showDetails();
}

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

store::Dataset &ReferrersWindow::records() const
{
    return workspace().dm.tblOperates2;
}

QString ReferrersWindow::currentCode() const
{
    return dataset().isEmpty() ? QString() : dataset().text(Code);
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
    dataset().append();
    showDetailsForEditing();
}

void ReferrersWindow::modifyReferrer()
{
    if (!PendingEdit::settle(records()))
        return; // before this referrer goes into editing
    const bool empty = dataset().isEmpty();
    if (!empty)
        dataset().edit();
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
    if (!PendingEdit::settle(dataset()))
        return;
    dataset().close();
    dataset().open();
}

void ReferrersWindow::query()
{
    if (!PendingEdit::settle(dataset()))
        return; // the search refilters the list
    ReferrerQueryDialog dialog(workspace().dm, this);
    dialog.exec();
}

// The status section's 修改 and 保存, without log rows. Storing a changed referrer there needs
// the Modify right as the toolbar's 保存 does: the section is no way round the rights.
void ReferrersWindow::buildStatusCommands()
{
    Rights &rights = workspace().rights;
    store::Dataset &set = dataset();
    QAction *edit = addCommand(detailPage(), workspace(), "Act_StateEdit", QStringLiteral("修改"),
                               {}, {}, {}, [this, &set] {
                                   if (set.isOpen() && !set.isEditing() && !set.isEmpty() &&
                                       ModifyRight::allows(set))
                                       set.edit();
                                   m_form->inTime()->setFocus();
                               });
    QAction *save = addCommand(
        detailPage(), workspace(), "Act_StateSave", QStringLiteral("保存"), {}, {},
        [&rights, &set] {
            return set.state() != store::Dataset::State::Edit ||
                   rights.allows(Right, QStringLiteral("Modify"));
        },
        [this] { m_rules->saveStatus(); });
    m_form->stateEditButton()->setDefaultAction(edit);
    m_form->stateSaveButton()->setDefaultAction(save);
    keepAction(edit);
    keepAction(save);
}

void ReferrersWindow::addReferrer()
{
    if (!clearRecords())
        return;
    dataset().append();
    m_form->code()->setFocus();
}

void ReferrersWindow::deleteReferrer()
{
    if (m_rules->remove() && pages()->currentWidget() == detailPage())
        showRecordsOfCurrent();
}
