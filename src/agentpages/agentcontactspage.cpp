#include "agentcontactspage.h"

#include "contacteditordialog.h"
#include "contactreferences.h"
#include "datagrid.h"
#include "datamodule.h"
#include "messagebox.h"
#include "workspace.h"

AgentContactsPage::AgentContactsPage(Workspace &ws, std::function<bool()> storeAgent,
                                     QWidget *parent)
    : RelatedGridPage(ws, ws.dm.tblLinkmans, "gridLinkmans", std::move(storeAgent), parent)
{
    setObjectName(QStringLiteral("AgentContactsPage"));
    rows().setSort(QStringLiteral("LinkmanID"));
    command("Act_InsertLink", QStringLiteral("新增联系人"), "Insert", {},
            [this] { openEditor(true); });
    command("Act_ModifyLink", QStringLiteral("修改"), "Modify", {}, [this] { openEditor(false); });
    command("Act_DeleteLink", QStringLiteral("删除"), "Delete", {}, [this] { removeContact(); });
    addRefresh("spBtnRefreshLink");
    command("Act_PrintLink", QStringLiteral("打印"), "Print",
            QStringLiteral("商务代理业务管理-商务代理资料-联系人-打印"),
            [this] { print(QStringLiteral("frCustomerLinkman.frf")); });

    DataGrid *g = grid();
    g->addColumn(QStringLiteral("LinkmanID"), QStringLiteral("联系人代码"), 90);
    g->addColumn(QStringLiteral("Name"), QStringLiteral("姓名"), 80);
    g->addColumn(QStringLiteral("Department"), QStringLiteral("部门"), 90);
    g->addColumn(QStringLiteral("Duty"), QStringLiteral("职务"), 80);
    g->addColumn(QStringLiteral("Telephone"), QStringLiteral("电话"), 100);
    g->addColumn(QStringLiteral("Fax"), QStringLiteral("传真"), 100);
    g->addColumn(QStringLiteral("Mobile"), QStringLiteral("手机"), 100);
    g->addColumn(QStringLiteral("Email"), QStringLiteral("电子邮件"), 150);
}

// 新增联系人 and 修改: the agent names the editor shows are read afresh, the contact is started
// or put into editing, and the editor runs until it is closed. 修改 on an empty page starts a
// new contact.
void AgentContactsPage::openEditor(bool append)
{
    store::DataModule &dm = m_ws.dm;
    if ((append || !rows().isOpen() || rows().isEmpty()) && !agentStored())
        return;
    dm.tblCustomers2.close();
    dm.tblCustomers2.open();
    store::Dataset &contacts = rows();
    contacts.open();
    if (append || contacts.isEmpty())
        contacts.append(); // the master link gives it the current agent
    else
        contacts.edit();
    ContactEditorDialog editor(m_ws, this);
    editor.exec();
}

// A contact named by any record, of any agent or user, stays.
void AgentContactsPage::removeContact()
{
    store::Dataset &contacts = rows();
    if (!contacts.isOpen() || contacts.isEmpty())
        return;
    // The code as stored: a contact being edited may show another one already.
    const bool stored = contacts.state() != store::Dataset::State::Insert;
    const QString code =
        store::Dataset::displayText(contacts.storedValue(QStringLiteral("LinkmanID")));
    if (stored && store::contactHasRecords(m_ws.dm, code)) {
        MessageBox::warning(this, QStringLiteral("对不起，业务资料有该联系人信息，不能删除！"));
        return;
    }
    confirmAndRemove(QStringLiteral("您真的要删除该联系人资料吗？"));
}
