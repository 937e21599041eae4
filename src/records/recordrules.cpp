#include "recordrules.h"

#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "formfields.h"
#include "messagebox.h"
#include "modulehost.h"
#include "recordfolders.h"
#include "recordform.h"
#include "recordreferences.h"
#include "session.h"
#include "workspace.h"

RecordRules::RecordRules(Workspace &ws, RecordForm &form) : m_ws(ws), m_form(form) {}

QWidget *RecordRules::window() const
{
    return m_form.window();
}

bool RecordRules::checkRequired(Path path)
{
    const bool editor = m_form.variant() == RecordForm::Variant::Editor;
    return FormFields::requireShown(
        &m_form,
        {{m_form.code(), QStringLiteral("请输入业务编码！")},
         {m_form.title(), QStringLiteral("请输入业务标题！")},
         // The quick entry's agent is given by its caller, never missing.
         {editor ? m_form.agent() : nullptr, QStringLiteral("请选择输入相关客户！")},
         {m_form.createDate(), path == Path::Close ? QStringLiteral("请输入客户建档时间！")
                                                   : QStringLiteral("请输入业务资料建档时间！")},
         {m_form.origin(), QStringLiteral("请选择输入业务来源！")},
         {m_form.type(), QStringLiteral("请选择输入业务类型！")},
         {m_form.writeDate(), QStringLiteral("请选择输入签约日期！")},
         {m_form.endDate(), QStringLiteral("请选择输入合同截止日期！")},
         {m_form.state(), QStringLiteral("请选择业务状态！")}});
}

// Items name their record by its code: another code would leave them pointing nowhere.
bool RecordRules::codeMayChange()
{
    store::Dataset &records = m_form.records();
    const QString code = QStringLiteral("OperateID");
    if (records.state() != store::Dataset::State::Edit || !records.isChanged(code))
        return true;
    const auto refusal = store::recordCodeChangeRefusal(
        m_ws.dm, records.storedValue(code).toString(), records.text(code));
    if (!refusal)
        return true;
    MessageBox::warning(window(), *refusal);
    m_form.code()->setFocus();
    return false;
}

bool RecordRules::save(Path path)
{
    if (!checkRequired(path) || !codeMayChange())
        return false;
    showAgentFolder();
    store::Dataset &records = m_form.records();
    if (!records.isEditing())
        return true;
    if (records.text(QStringLiteral("SUser")).isEmpty())
        records.setValue(QStringLiteral("SUser"), store::session().CurrentUserID);
    records.post();
    return true;
}

void RecordRules::remove()
{
    store::Dataset &records = m_form.records();
    if (!records.isOpen() || records.isEmpty())
        return;
    // A record never stored has no items; a stored one is asked about by the code it is stored
    // under, not one being typed.
    if (records.state() != store::Dataset::State::Insert &&
        store::recordHasItems(m_ws.dm, records.storedValue(QStringLiteral("OperateID")).toString())) {
        MessageBox::warning(window(), QStringLiteral("对不起，该业务资料包括业务子项信息，不能删除！"));
        return;
    }
    const bool editor = m_form.variant() == RecordForm::Variant::Editor;
    if (!MessageBox::confirm(window(), editor ? QStringLiteral("您真的要删除该业务项目吗？")
                                              : QStringLiteral("您真的要删除该业务资料吗？")))
        return;
    records.remove();
}

void RecordRules::showAgentFolder()
{
    const QString root = RecordFolders::root();
    RecordFolders::ensure(root);
    const store::Dataset &records = m_form.records();
    const QString agent =
        records.isOpen() && records.currentRow() >= 0 ? records.text(QStringLiteral("CustID")) : QString();
    const auto folder = agent.isEmpty() ? std::nullopt : RecordFolders::folderFor(agent);
    if (!folder) {
        m_ws.host.showFolder(root);
        return;
    }
    RecordFolders::ensure(*folder);
    m_ws.host.showFolder(*folder);
}
