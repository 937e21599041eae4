#include "agentpicker.h"

#include "agenteditordialog.h"
#include "agentform.h"
#include "agentquerydialog.h"
#include "commandaction.h"
#include "datagrid.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "modifyright.h"
#include "rights.h"
#include "session.h"
#include "workspace.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

const QString AgentRight = QStringLiteral("301");

// The field each member fills with the picked agent's code, by the session's PickTarget.
// A member whose target is null fills its field whatever PickTarget says.
struct PickField {
    AgentPicker::Member member;
    const char *pickTarget;
    const char *dataset;
    const char *field;
};

const PickField PickFields[] = {
    {AgentPicker::Member::Contact, "联系人详细资料", "qryLinkmans1", "CustID"},
    {AgentPicker::Member::Record, "相关客户", "tblOperates2", "CustID"},
    {AgentPicker::Member::Record, "联系客户", "tblOperates2", "LinkCustID"},
    {AgentPicker::Member::Record, "联系客户1", "tblOperates", "LinkCustID"},
    {AgentPicker::Member::Schedule, nullptr, "qryPlan", "CustID"},
};

const PickField *pickField(AgentPicker::Member member)
{
    const QString target = store::session().PickTarget;
    for (const PickField &f : PickFields)
        if (f.member == member && (!f.pickTarget || target == QString::fromUtf8(f.pickTarget)))
            return &f;
    return nullptr;
}

QString objectNameOf(AgentPicker::Member member)
{
    switch (member) {
    case AgentPicker::Member::Contact:
        return QStringLiteral("TfrmCustomerQuery");
    case AgentPicker::Member::Record:
        return QStringLiteral("TfrmCustomerQuery1");
    case AgentPicker::Member::Schedule:
        return QStringLiteral("TfrmCustomerQuery2");
    }
    return {};
}

} // namespace

AgentPicker::AgentPicker(Member member, Workspace &ws, QWidget *parent)
    : QDialog(parent), m_member(member), m_ws(ws), m_grid(new DataGrid(this))
{
    setObjectName(objectNameOf(member));
    setWindowTitle(QStringLiteral("商务代理资料"));

    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&ws.dm.tblCustomers2);
    m_grid->addColumn(QStringLiteral("CustID"), QStringLiteral("商务代理代码"), 120);
    m_grid->addColumn(QStringLiteral("CustName"), QStringLiteral("商务代理名称"), 240);
    // A double-click (or Enter) on a line picks it, as 选择 does.
    connect(m_grid, &DataGrid::rowActivated, this, [this](int row) {
        ErrorDisplay::run(this, [this, row] {
            m_ws.dm.tblCustomers2.moveTo(row);
            select();
        });
    });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnSelect", QStringLiteral("选择"),
                                                   [this] { select(); }));
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnCancel", QStringLiteral("取消"),
                                                   [this] { cancel(); }));
    const auto commandButton = [this, buttons](const char *name, QAction *action) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(action);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        buttons->addWidget(b);
    };
    Rights &rights = ws.rights;
    // The pickers write no log rows.
    commandButton("btnAdd",
                  addCommand(
                      this, ws, "Act_Add", QStringLiteral("新增"), {}, {},
                      [&rights] { return rights.allows(AgentRight, QStringLiteral("Insert")); },
                      [this] { addAgent(); }));
    commandButton("btnDetail",
                  addCommand(
                      this, ws, "Act_Detail", QStringLiteral("详细资料"), {}, {},
                      [&rights] { return rights.allows(AgentRight, QStringLiteral("Modify")); },
                      [this] { showDetail(); }));
    buttons->addWidget(ErrorDisplay::commandButton(
        this, "btnQuickQuery", QStringLiteral("快速查询"), [this] { quickQuery(); }));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("商务代理资料列表："), this));
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    resize(460, 420);
}

void AgentPicker::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ErrorDisplay::run(this, [this] { prepareSets(); });
}

// The sets the modal agent editor needs are opened, then the list shows what the signed-in
// user may see: every agent for an administrator, the user's own otherwise. This also drops
// a quick search left over from an earlier picker.
void AgentPicker::prepareSets()
{
    AgentForm::openEditingSets(m_ws.dm);
    m_ws.dm.applyOwnership(m_ws.dm.tblCustomers2);
}

// 选择: the picked agent's code goes into the field PickTarget names, the target row starting
// to edit when it is only shown. The list keeps a quick search in force. Without a picked
// agent, a PickTarget this member does not fill, a target with no row, or a stored target row
// the user may not change, it only closes.
void AgentPicker::select()
{
    store::DataModule &dm = m_ws.dm;
    store::Dataset &list = dm.tblCustomers2;
    if (list.isEditing()) {
        // An agent left unsaved in the editor (closed by its close box) is stored before it is
        // picked, stamped with its owner as the editor's 保存 would; a refusal stops here.
        if (!list.isModified()) {
            list.cancel();
        } else {
            if (list.text(QStringLiteral("SUser")).isEmpty())
                list.setValue(QStringLiteral("SUser"), store::session().CurrentUserID);
            list.post();
        }
    }
    const PickField *f = pickField(m_member);
    store::Dataset *target = f ? dm.dataset(QString::fromLatin1(f->dataset)) : nullptr;
    if (target && list.currentRow() >= 0 && target->isOpen() && target->currentRow() >= 0 &&
        ModifyRight::allows(*target)) {
        if (!target->isEditing())
            target->edit();
        target->setValue(QString::fromLatin1(f->field), list.value(QStringLiteral("CustID")));
    }
    accept();
}

// 取消: back to the ownership filter, which undoes a quick search.
void AgentPicker::cancel()
{
    m_ws.dm.applyOwnership(m_ws.dm.tblCustomers2);
    reject();
}

void AgentPicker::addAgent()
{
    m_ws.dm.tblCustomers2.append();
    AgentEditorDialog editor(m_ws, this);
    editor.exec();
}

// 详细资料: the editor on the picked agent; with an empty list there is nothing to show.
void AgentPicker::showDetail()
{
    if (m_ws.dm.tblCustomers2.currentRow() < 0)
        return;
    AgentEditorDialog editor(m_ws, this);
    editor.exec();
}

void AgentPicker::quickQuery()
{
    AgentQueryDialog query(AgentQueryDialog::Member::Picker, m_ws.dm, this);
    query.exec();
}
