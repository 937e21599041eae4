#include "contacteditordialog.h"

#include "contactform.h"
#include "contactrules.h"
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

// The editor belongs to the agent window: the agents' right, and log texts of its own.
const QString Right = QStringLiteral("301");
const QString LogPrefix = QStringLiteral("客户业务管理-联系人资料-");

const ContactTexts &saveTexts()
{
    static const ContactTexts t{QStringLiteral("请输入联系人代码！"),
                                QStringLiteral("请输入联系人姓名！"),
                                {},
                                QStringLiteral("对不起，业务资料有该联系人信息，不能删除！"),
                                QStringLiteral("您真的要删除该联系人资料吗？")};
    return t;
}

// 关闭 with Yes asks for the name in other words than 保存.
const ContactTexts &closeTexts()
{
    static const ContactTexts t{QStringLiteral("请输入联系人代码！"),
                                QStringLiteral("请输入联系人名称！"),
                                {},
                                {},
                                {}};
    return t;
}

} // namespace

ContactEditorDialog::ContactEditorDialog(Workspace &ws, QWidget *parent)
    : QDialog(parent), m_ws(ws),
      m_form(new ContactForm(ws.dm.tblLinkmans, ContactForm::Kind::ModalEditor, nullptr, this)),
      m_rules(std::make_unique<ContactRules>(ws, *m_form))
{
    setObjectName(QStringLiteral("TfrmLinkmanNew1"));
    setWindowTitle(QStringLiteral("联系人"));
    auto *buttons = new QHBoxLayout;
    addEditorCommands(this, ws, buttons, ws.dm.tblLinkmans, Right, LogPrefix,
                      {[this] {
                           m_ws.dm.tblLinkmans.append();
                           m_form->code()->setFocus();
                       },
                       [this] { save(); }, [this] { m_rules->remove(saveTexts()); }});
    buttons->addStretch(1);
    buttons->addWidget(ErrorDisplay::commandButton(
        this, "btnCopy", QStringLiteral("复制代理资料"), [this] { copyAgentData(); }));
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnClose", QStringLiteral("关闭"),
                                                   [this] { closeAsked(); }));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_form);
    layout->addLayout(buttons);
    resize(700, 360);
}

ContactEditorDialog::~ContactEditorDialog() = default;

void ContactEditorDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_form->code()->setFocus();
}

void ContactEditorDialog::save()
{
    if (m_rules->checkRequired(saveTexts()))
        m_rules->store();
}

// 关闭: a pending contact is saved or dropped as the user answers, without a log row; a
// failed check keeps the dialog open on the field to complete. The window's own close box
// leaves the row as it is.
void ContactEditorDialog::closeAsked()
{
    const auto save = [this] {
        if (!m_rules->checkRequired(closeTexts()))
            return false;
        m_rules->store();
        return true;
    };
    if (settleOnClose(this, m_ws.dm.tblLinkmans, QStringLiteral("联系人资料尚未保存，保存吗？"),
                      save))
        accept();
}

// 复制代理资料: a new contact takes the agent's telephone, fax, address, e-mail and home page
// where the agent has them; what the agent leaves empty keeps what was typed. An existing
// contact is left alone.
void ContactEditorDialog::copyAgentData()
{
    store::Dataset &contact = m_ws.dm.tblLinkmans;
    const store::Dataset &agent = m_ws.dm.tblCustomers;
    if (contact.state() != store::Dataset::State::Insert || agent.currentRow() < 0)
        return;
    const std::pair<const char *, const char *> copied[] = {{"Telephone", "Telephone"},
                                                            {"Fax", "Fax"},
                                                            {"Address", "HomeAddress"},
                                                            {"Email", "Email"},
                                                            {"HomePage", "HomePage"}};
    for (const auto &[from, to] : copied) {
        const QVariant v = agent.value(QLatin1String(from));
        if (!v.isNull() && !v.toString().isEmpty())
            contact.setValue(QLatin1String(to), v);
    }
}
