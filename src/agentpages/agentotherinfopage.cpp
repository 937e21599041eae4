#include "agentotherinfopage.h"

#include "commandaction.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "modifyright.h"
#include "printing.h"
#include "rights.h"
#include "workspace.h"

#include <QAbstractButton>
#include <QAction>
#include <QFormLayout>
#include <QKeyEvent>
#include <QToolBar>
#include <QVBoxLayout>

namespace
{

const QString Right = QStringLiteral("301");

store::Dataset &addInfo(Workspace &ws)
{
    return ws.dm.tblCustomerAddInfo;
}

} // namespace

AgentOtherInfoPage::AgentOtherInfoPage(Workspace &ws, std::function<bool()> storeAgent,
                                       QWidget *parent)
    : QWidget(parent), m_ws(ws), m_storeAgent(std::move(storeAgent)),
      m_bank(new DbLookupCombo(this)), m_chain(new EnterChain(this))
{
    setObjectName(QStringLiteral("AgentOtherInfoPage"));
    store::Dataset &set = addInfo(ws);
    Rights &rights = ws.rights;
    ModifyRight::require(set, rights, Right);
    const auto right = [&rights](const char *flag) {
        return [&rights, flag] { return rights.allows(Right, QLatin1String(flag)); };
    };

    auto *bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto command = [this, bar, &ws](const char *name, const QString &caption,
                                          std::function<bool()> enabled, const QString &log,
                                          std::function<void()> work) {
        addBarCommand(this, bar, m_actions, ws, name, caption, {}, log, std::move(enabled),
                      std::move(work));
    };
    command("Act_ModifyOther", QStringLiteral("修改"), right("Modify"), {}, [this] { modify(); });
    // 保存 stays available with the right even when nothing is being edited; it then does nothing.
    command("Act_SaveOther", QStringLiteral("保存"), right("Modify"), {}, [this] { save(); });
    command("Act_DeleteOther", QStringLiteral("删除"), right("Delete"), {}, [this] { remove(); });
    command("Act_PrintOther", QStringLiteral("打印"), right("Print"),
            QStringLiteral("商务代理业务管理-商务代理资料-其他资料-打印"), [this, &set] {
                set.open();
                Printing::preview(this, QStringLiteral("frCustomerOther.frf"), &set);
            });

    m_bank->setObjectName(QStringLiteral("cbBank"));
    m_bank->setSource(&ws.dm.tblFinanceOrgan, QStringLiteral("OrganName"),
                      QStringLiteral("OrganID"));
    m_bank->bind(&set, QStringLiteral("BankID"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("开户银行"), m_bank);
    QList<QWidget *> chain{m_bank};
    const std::pair<const char *, const char *> fields[] = {
        {"Account", "银行账号"},         {"BankAddress", "开户行地址"},
        {"VATaxName", "增值税户名"},     {"VATaxID", "增值税税号"},
        {"VATaxBank", "增值税开户银行"}, {"VATaxAccount", "增值税银行账号"},
        {"VATaxAddress", "增值税地址"},  {"VATaxPhone", "电话"},
    };
    for (const auto &[column, label] : fields) {
        auto *e = new DbLineEdit(this);
        e->setObjectName(QStringLiteral("edt") + QLatin1String(column));
        e->bind(&set, QLatin1String(column));
        m_fields.insert(QLatin1String(column), e);
        form->addRow(QString::fromUtf8(label), e);
        chain << e;
    }
    m_chain->setWidgets(chain);
    for (QWidget *w : chain)
        w->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addLayout(form);
    layout->addStretch(1);
}

// A key that would type or choose something, or a click that opens the bank list, needs a
// row to write into: an agent without one gets it first, as 修改 would give it, and under the
// same right.
bool AgentOtherInfoPage::eventFilter(QObject *watched, QEvent *event)
{
    bool wantsRow = false;
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool typing = !key->text().isEmpty() && key->text().at(0).isPrint();
        const bool choosing =
            watched == m_bank &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Space);
        wantsRow = (typing || choosing) && !(key->modifiers() & Qt::ControlModifier);
    } else if (event->type() == QEvent::MouseButtonPress) {
        wantsRow = watched == m_bank;
    } else if (event->type() == QEvent::InputMethod) {
        wantsRow = !static_cast<QInputMethodEvent *>(event)->commitString().isEmpty();
    }
    if (wantsRow && m_ws.rights.allows(Right, QStringLiteral("Modify")))
        ErrorDisplay::run(this, [this] { ensureRow(); });
    return QWidget::eventFilter(watched, event);
}

// The agent's row, started when it has none; false while there is no agent to attach it to,
// or a new agent has no code yet. A row is started only for an agent the store holds under
// the code shown: a new agent, or a changed code, is stored first.
bool AgentOtherInfoPage::ensureRow()
{
    const store::Dataset &agents = m_ws.dm.tblCustomers;
    if (agents.currentRow() < 0 || agents.text(QStringLiteral("CustId")).isEmpty())
        return false;
    store::Dataset &set = addInfo(m_ws);
    set.open();
    if (set.isEmpty() && !set.isEditing()) {
        if (m_storeAgent && !m_storeAgent())
            return false;
        if (set.isEmpty() && !set.isEditing())
            set.append(); // the master link gives it the current agent
    }
    return true;
}

void AgentOtherInfoPage::modify()
{
    m_ws.dm.tblFinanceOrgan.open();
    if (!ensureRow())
        return;
    store::Dataset &set = addInfo(m_ws);
    if (!set.isEditing())
        set.edit();
    m_bank->setFocus();
}

// No field is required: a row started by 修改 is stored even when every field was left empty.
void AgentOtherInfoPage::save()
{
    store::Dataset &set = addInfo(m_ws);
    if (!set.isEditing())
        return;
    if (set.state() == store::Dataset::State::Insert && !set.isModified())
        set.setValue(QStringLiteral("CustID"), set.value(QStringLiteral("CustID")));
    set.post();
}

void AgentOtherInfoPage::remove()
{
    store::Dataset &set = addInfo(m_ws);
    if (!set.isOpen() || set.isEmpty())
        return;
    if (MessageBox::confirm(this, QStringLiteral("您真的要删除该资料吗？")))
        set.remove();
}
