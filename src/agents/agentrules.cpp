#include "agentrules.h"

#include "agentform.h"
#include "agentreferences.h"
#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "errordisplay.h"
#include "formfields.h"
#include "messagebox.h"
#include "modulehost.h"
#include "recordfolders.h"
#include "session.h"
#include "workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

const AgentTexts &AgentTexts::detailPage()
{
    static const AgentTexts t{
        QStringLiteral("请输入商务代理简称！"),
        QStringLiteral("请输入商务代理名称！"),
        QStringLiteral("请选择输入行业类别！"),
        QStringLiteral("请选择输入商务代理来源！"),
        QStringLiteral("请选择输入商务代理级别！"),
        QStringLiteral("请选择输入商务代理状态！"),
        QStringLiteral("请输入商务代理建档日期！"),
        QStringLiteral("对不起，该商务代理有联系人资料，不能删除！"),
        QStringLiteral("对不起，该商务代理有业务资料，不能删除！"),
        QStringLiteral("对不起，该商务代理有商务代理接触信息，不能删除！"),
        QStringLiteral("对不起，该商务代理有其他资料信息，不能删除！"),
        QStringLiteral("对不起，该商务代理有日程安排，不能删除！"),
        QStringLiteral("您真的要删除该商务代理吗？"),
        QStringLiteral("对不起，该商务代理代码已存在！"),
        QStringLiteral("对不起，该商务代理名称已存在！"),
        false,
    };
    return t;
}

const AgentTexts &AgentTexts::modalEditor()
{
    static const AgentTexts t{
        QStringLiteral("请输入客户简称！"),
        QStringLiteral("请输入客户名称！"),
        QStringLiteral("请选择输入行业类别！"),
        QStringLiteral("请选择输入客户来源！"),
        QStringLiteral("请选择输入客户级别！"),
        QStringLiteral("请选择输入客户状态！"),
        QStringLiteral("请输入客户建档日期！"),
        QStringLiteral("对不起，该客户有联系人资料，不能删除！"),
        QStringLiteral("对不起，该客户有业务资料，不能删除！"),
        QStringLiteral("对不起，该客户有客户接触信息，不能删除！"),
        QStringLiteral("对不起，该客户有其他资料信息，不能删除！"),
        QStringLiteral("对不起，该客户有日程安排，不能删除！"),
        QStringLiteral("您真的要删除该客户吗？"),
        QStringLiteral("对不起，该客户代码已存在！"),
        QStringLiteral("对不起，该商务代理名称已存在！"),
        true,
    };
    return t;
}

AgentRules::AgentRules(Workspace &ws, AgentForm &form, const AgentTexts &texts)
    : m_ws(ws), m_form(form), m_texts(texts)
{
}

QWidget *AgentRules::window() const
{
    return m_form.window();
}

bool AgentRules::checkRequired()
{
    return FormFields::requireShown(&m_form, {{m_form.code(), m_texts.code},
                                              {m_form.name(), m_texts.name},
                                              {m_form.trade(), m_texts.trade},
                                              {m_form.origin(), m_texts.origin},
                                              {m_form.level(), m_texts.level},
                                              {m_form.contactState(), m_texts.contactState},
                                              {m_form.createDate(), m_texts.createDate}});
}

bool AgentRules::save()
{
    if (!checkRequired())
        return false;
    store::Dataset &agents = m_form.agents();
    const QString code = m_form.code()->text();
    // The code names the agent's document folder; one that cannot be a folder name (blank,
    // "..", a separator) is refused before anything is stored.
    if (!RecordFolders::isSafeCode(code)) {
        MessageBox::warning(window(), RecordFolders::refusalText(code));
        m_form.code()->setFocus();
        return false;
    }
    // Another code for an agent that rows already refer to would leave them pointing nowhere.
    QString before;
    if (agents.state() == store::Dataset::State::Edit &&
        agents.isChanged(QStringLiteral("CustId"))) {
        before = agents.storedValue(QStringLiteral("CustId")).toString();
        if (const auto refusal = store::agentCodeChangeRefusal(m_ws.dm, before, code)) {
            MessageBox::warning(window(), *refusal);
            m_form.code()->setFocus();
            return false;
        }
        if (before == code)
            before.clear();
    }

    const bool moved = storeFolder(code, before);
    if (!agents.isEditing())
        return true;
    if (agents.value(QStringLiteral("SUser")).toString().isEmpty())
        agents.setValue(QStringLiteral("SUser"), store::session().CurrentUserID);
    try {
        agents.post();
    } catch (...) {
        // The folder goes back to the code the store still holds.
        if (moved)
            QDir().rename(*RecordFolders::folderFor(code), *RecordFolders::folderFor(before));
        throw;
    }
    return true;
}

// Creates the record folder of `code` and points the file panel at it. When the code of an
// existing agent changes, its folder moves along (unless the new name is taken): true then.
bool AgentRules::storeFolder(const QString &code, const QString &before)
{
    const QString folder = *RecordFolders::folderFor(code);
    RecordFolders::ensure(RecordFolders::root());
    bool moved = false;
    if (!before.isEmpty()) {
        const auto old = RecordFolders::folderFor(before);
        if (old && QFileInfo(*old).isDir() && !QFileInfo::exists(folder))
            moved = QDir().rename(*old, folder);
    }
    RecordFolders::ensure(folder);
    m_ws.host.showFolder(folder);
    return moved;
}

void AgentRules::remove()
{
    store::Dataset &agents = m_form.agents();
    if (!agents.isOpen() || agents.isEmpty())
        return;
    // The references hold the code the store has, not one being typed.
    const QString id = agents.state() == store::Dataset::State::Insert
                           ? agents.text(QStringLiteral("CustId"))
                           : agents.storedValue(QStringLiteral("CustId")).toString();
    if (const auto kind = store::firstAgentReference(m_ws.dm, id)) {
        const QString *messages[] = {&m_texts.contacts, &m_texts.records, &m_texts.agentContacts,
                                     &m_texts.otherInfo, &m_texts.schedule};
        MessageBox::warning(window(), *messages[int(*kind)]);
        return;
    }
    if (!MessageBox::confirm(window(), m_texts.confirmDelete))
        return;
    agents.remove();
}

void AgentRules::checkCode()
{
    QString code = m_form.code()->text();
    if (m_texts.trimCodeForCheck)
        code = code.trimmed();
    store::Dataset &q = m_ws.dm.qryCustLookup;
    q.close();
    q.setSql(QStringList{QStringLiteral("select CustID from tblCustomers"),
                         QStringLiteral(" where CustID=:CustID")});
    q.setParam(QStringLiteral("CustID"), code);
    q.open();
    if (!q.isEmpty()) {
        MessageBox::warning(window(), m_texts.codeExists);
        m_form.code()->setFocus();
    }
}

void AgentRules::checkName()
{
    store::Dataset &q = m_ws.dm.qryCustLookup;
    q.close();
    q.setSql(QStringList{QStringLiteral("select CustName from tblCustomers"),
                         QStringLiteral(" where CustName=:CustName")});
    q.setParam(QStringLiteral("CustName"), m_form.name()->text());
    q.open();
    if (!q.isEmpty()) {
        MessageBox::warning(window(), m_texts.nameExists);
        m_form.name()->setFocus();
    }
}

void AgentRules::connectCheckButtons(QWidget *owner)
{
    QObject::connect(m_form.codeCheckButton(), &QPushButton::clicked, owner,
                     [this, owner] { ErrorDisplay::run(owner, [this] { checkCode(); }); });
    QObject::connect(m_form.nameCheckButton(), &QPushButton::clicked, owner,
                     [this, owner] { ErrorDisplay::run(owner, [this] { checkName(); }); });
}
