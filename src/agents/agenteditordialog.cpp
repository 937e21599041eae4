#include "agenteditordialog.h"

#include "agentform.h"
#include "agentrules.h"
#include "commandaction.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "modifyright.h"
#include "rights.h"
#include "workspace.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

const QString Right = QStringLiteral("301");
const QString LogPrefix = QStringLiteral("客户业务管理-客户资料-");

} // namespace

AgentEditorDialog::AgentEditorDialog(Workspace &ws, QWidget *parent)
    : QDialog(parent), m_ws(ws),
      m_form(new AgentForm(ws, ws.dm.tblCustomers2, AgentForm::Labels::ModalEditor, this)),
      m_rules(std::make_unique<AgentRules>(ws, *m_form, AgentTexts::modalEditor()))
{
    setObjectName(QStringLiteral("TfrmCustomerNew1"));
    setWindowTitle(QStringLiteral("商务代理资料"));
    store::Dataset &set = ws.dm.tblCustomers2;
    Rights &rights = ws.rights;
    ModifyRight::require(set, rights, Right);
    using State = store::Dataset::State;

    auto *buttons = new QHBoxLayout;
    const auto button = [this, buttons](QAction *a) {
        auto *b = new QToolButton(this);
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(72);
        buttons->addWidget(b);
    };
    button(addCommand(
        this, ws, "Act_Add", QStringLiteral("新增"), QStringLiteral("Ctrl+A"),
        LogPrefix + QStringLiteral("新增"),
        [&rights, &set] {
            return rights.allows(Right, QStringLiteral("Insert")) && set.state() != State::Insert;
        },
        [this, &set] {
            set.append();
            m_form->code()->setFocus();
        }));
    // Saving needs no right here: a user picking an agent may complete the one just typed.
    button(addCommand(
        this, ws, "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"),
        LogPrefix + QStringLiteral("保存"), [&set] { return set.isEditing(); },
        [this] { m_rules->save(); }));
    button(addCommand(
        this, ws, "Act_Del", QStringLiteral("删除"), {}, LogPrefix + QStringLiteral("删除"),
        [&rights] { return rights.allows(Right, QStringLiteral("Delete")); },
        [this] { m_rules->remove(); }));
    buttons->addStretch(1);
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnClose", QStringLiteral("关闭"),
                                                   [this] { closeAsked(); }));

    connect(m_form->codeCheckButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { m_rules->checkCode(); }); });
    connect(m_form->nameCheckButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { m_rules->checkName(); }); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_form);
    layout->addLayout(buttons);
    resize(760, 420);
}

AgentEditorDialog::~AgentEditorDialog() = default;

void AgentEditorDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_form->code()->setFocus();
}

// 关闭: a pending agent is saved or dropped as the user answers; a failed check keeps the
// dialog open on the field to complete. The window's own close box leaves the row as it is.
void AgentEditorDialog::closeAsked()
{
    store::Dataset &set = m_ws.dm.tblCustomers2;
    if (set.isEditing()) {
        if (!MessageBox::question(this, QStringLiteral("客户资料数据尚未保存，保存吗？"))) {
            set.cancel();
        } else if (!m_rules->save()) {
            return;
        }
    }
    accept();
}
