#include "agentcontactdialog.h"

#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbnavigator.h"
#include "dbnumberedit.h"
#include "dbpicklist.h"
#include "dbtimeedit.h"
#include "editorcommands.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "formfields.h"
#include "messagebox.h"
#include "windowshortcuts.h"
#include "workspace.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

const QString Right = QStringLiteral("301");

store::Dataset &entries(Workspace &ws)
{
    return ws.dm.tblCustomerState;
}

} // namespace

AgentContactDialog::AgentContactDialog(Workspace &ws, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_date(new DbDateEdit(this)), m_time(new DbTimeEdit(this)),
      m_type(new DbPickList(this)), m_charge(new DbNumberEdit(this)),
      m_navigator(new DbNavigator(this)), m_chain(new EnterChain(this))
{
    setObjectName(QStringLiteral("TfrmCustStateNew"));
    setWindowTitle(QStringLiteral("客户接触"));
    store::Dataset &set = entries(ws);

    m_date->setObjectName(QStringLiteral("deLinkDate"));
    m_date->bind(&set, QStringLiteral("LinkDate"));
    m_time->setObjectName(QStringLiteral("edtLinkTime"));
    m_time->bind(&set, QStringLiteral("LinkTime"));
    // The offered ways of contact; a way typed by hand is stored as typed.
    m_type->setObjectName(QStringLiteral("cbLinkType"));
    m_type->setFreeText(true);
    m_type->bind(&set, QStringLiteral("LinkType"));
    m_type->setItems({QStringLiteral("电话联系"), QStringLiteral("登门拜访"),
                      QStringLiteral("电子邮件联系"), QStringLiteral("应邀上门"),
                      QStringLiteral("招待客户")});
    m_linkman = lineEdit("edtLinkman", QStringLiteral("Linkman"));
    m_duty = lineEdit("edtDuty", QStringLiteral("Duty"));
    m_content = lineEdit("edtLinkContent", QStringLiteral("LinkContent"));
    m_address = lineEdit("edtAddress", QStringLiteral("Address"));
    m_charge->setObjectName(QStringLiteral("edtCharge"));
    m_charge->bind(&set, QStringLiteral("Charge"));
    m_memo = lineEdit("edtMemo", QStringLiteral("Memo"));
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));
    m_navigator->setDataset(&set);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("联系日期"), m_date);
    fields->addRow(QStringLiteral("联系时间"), m_time);
    fields->addRow(QStringLiteral("联系方式"), m_type);
    fields->addRow(QStringLiteral("联系人"), m_linkman);
    fields->addRow(QStringLiteral("职务"), m_duty);
    fields->addRow(QStringLiteral("联系内容"), m_content);
    fields->addRow(QStringLiteral("地点"), m_address);
    fields->addRow(QStringLiteral("费用开销"), m_charge);
    fields->addRow(QStringLiteral("备注"), m_memo);

    auto *navigatorRow = new QHBoxLayout;
    navigatorRow->addWidget(new QLabel(QStringLiteral("客户接触："), this));
    navigatorRow->addWidget(m_navigator);
    navigatorRow->addStretch(1);

    // No command of this editor writes a log row.
    auto *buttons = new QHBoxLayout;
    addEditorCommands(this, ws, buttons, set, Right, {},
                      {[this] { addEntryHere(); }, [this] { save(); }, [this] { deleteEntry(); }},
                      64);
    buttons->addStretch(1);
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnClose", QStringLiteral("关闭"),
                                                   [this] { closeAsked(); }));

    m_chain->setWidgets(
        {m_date, m_time, m_type, m_linkman, m_duty, m_content, m_address, m_charge, m_memo});
    new WindowShortcuts(this); // Ctrl+A and Ctrl+S work from inside every field

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(navigatorRow);
    layout->addLayout(buttons);
    resize(440, 360);
}

DbLineEdit *AgentContactDialog::lineEdit(const char *objectName, const QString &field)
{
    auto *e = new DbLineEdit(this);
    e->setObjectName(QLatin1String(objectName));
    e->bind(&entries(m_ws), field);
    return e;
}

int AgentContactDialog::addEntry(Workspace &ws, QWidget *parent)
{
    store::Dataset &set = entries(ws);
    set.open();
    set.append(); // the master link gives it the current agent
    AgentContactDialog dialog(ws, parent);
    return dialog.exec();
}

int AgentContactDialog::editEntry(Workspace &ws, QWidget *parent)
{
    store::Dataset &set = entries(ws);
    set.open();
    if (set.isEmpty())
        set.append(); // nothing to change: the agent's first entry is started instead
    else if (!set.isEditing())
        set.edit();
    AgentContactDialog dialog(ws, parent);
    return dialog.exec();
}

void AgentContactDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_date->setFocus();
}

void AgentContactDialog::addEntryHere()
{
    store::Dataset &set = entries(m_ws);
    set.open();
    set.append();
    m_date->setFocus();
}

// A date, time or cost typed but no value is refused first, naming its field: the row holds
// the last good value, and storing that in silence would lose what was typed. Then the five
// fields an entry needs, by the text each shows, in screen order.
bool AgentContactDialog::checkFields()
{
    return FormFields::requireShown(this, {{m_date, QStringLiteral("请选择输入联系日期！")},
                                           {m_time, QStringLiteral("请输入联系时间！")},
                                           {m_type, QStringLiteral("请选择输入联系方式！")},
                                           {m_linkman, QStringLiteral("请输入联系人名称！")},
                                           {m_duty, QStringLiteral("请输入联系人职务！")}});
}

void AgentContactDialog::save()
{
    store::Dataset &set = entries(m_ws);
    if (checkFields() && set.isEditing())
        set.post();
}

void AgentContactDialog::deleteEntry()
{
    store::Dataset &set = entries(m_ws);
    if (!set.isOpen() || (set.isEmpty() && set.state() != store::Dataset::State::Insert))
        return;
    if (MessageBox::confirm(this, QStringLiteral("您真的要删除该接触机会信息吗？")))
        set.remove(); // a new entry not stored yet is only dropped
}

void AgentContactDialog::closeAsked()
{
    store::Dataset &set = entries(m_ws);
    const auto save = [this, &set] {
        if (!checkFields())
            return false;
        set.post(); // a refusal shows the store's text and the dialog stays open
        return true;
    };
    if (settleOnClose(this, set, QStringLiteral("客户接触信息尚未保存，保存吗？"), save))
        QDialog::reject();
}

void AgentContactDialog::reject()
{
    ErrorDisplay::run(this, [this] { closeAsked(); });
}
