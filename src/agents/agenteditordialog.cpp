#include "agenteditordialog.h"

#include "agentform.h"
#include "agentrules.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "editorcommands.h"
#include "errordisplay.h"
#include "workspace.h"

#include <QHBoxLayout>
#include <QPushButton>
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
    auto *buttons = new QHBoxLayout;
    addEditorCommands(this, ws, buttons, ws.dm.tblCustomers2, Right, LogPrefix,
                      {[this] {
                           m_ws.dm.tblCustomers2.append();
                           m_form->code()->setFocus();
                       },
                       [this] { m_rules->save(); }, [this] { m_rules->remove(); }});
    buttons->addStretch(1);
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnClose", QStringLiteral("关闭"),
                                                   [this] { closeAsked(); }));

    m_rules->connectCheckButtons(this);

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
    if (settleOnClose(this, m_ws.dm.tblCustomers2, QStringLiteral("客户资料数据尚未保存，保存吗？"),
                      [this] { return m_rules->save(); }))
        accept();
}
