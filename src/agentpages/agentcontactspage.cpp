#include "agentcontactspage.h"

#include "contacteditordialog.h"
#include "contactreferences.h"
#include "datagrid.h"
#include "datamodule.h"
#include "workspace.h"

AgentContactsPage::AgentContactsPage(Workspace &ws, std::function<bool()> storeAgent,
                                     QWidget *parent)
    : RelatedGridPage(ws, ws.dm.tblLinkmans, "gridLinkmans", std::move(storeAgent), parent)
{
    setObjectName(QStringLiteral("AgentContactsPage"));
    rows().setSort(QStringLiteral("LinkmanID"));
    addCommands({"Link", QStringLiteral("新增联系人"), [this] { openEditor(true); },
                 [this] { openEditor(false); }, [this] { removeContact(); },
                 QStringLiteral("联系人"), QStringLiteral("frCustomerLinkman.frf")});
    grid()->setColumns({{QStringLiteral("LinkmanID"), QStringLiteral("联系人代码"), 90},
                        {QStringLiteral("Name"), QStringLiteral("姓名"), 80},
                        {QStringLiteral("Department"), QStringLiteral("部门"), 90},
                        {QStringLiteral("Duty"), QStringLiteral("职务"), 80},
                        {QStringLiteral("Telephone"), QStringLiteral("电话"), 100},
                        {QStringLiteral("Fax"), QStringLiteral("传真"), 100},
                        {QStringLiteral("Mobile"), QStringLiteral("手机"), 100},
                        {QStringLiteral("Email"), QStringLiteral("电子邮件"), 150}});
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
    removeUnlessNamed(QStringLiteral("LinkmanID"), store::contactHasRecords,
                      QStringLiteral("对不起，业务资料有该联系人信息，不能删除！"),
                      QStringLiteral("您真的要删除该联系人资料吗？"));
}
