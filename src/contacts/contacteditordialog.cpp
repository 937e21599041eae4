#include "contacteditordialog.h"

#include "commandaction.h"
#include "contactform.h"
#include "contactrules.h"
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
    store::Dataset &set = ws.dm.tblLinkmans;
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
    // Saving needs no right: the agent window's command that opened the editor had it.
    button(addCommand(this, ws, "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"),
                      LogPrefix + QStringLiteral("保存"), [&set] { return set.isEditing(); },
                      [this] { save(); }));
    button(addCommand(
        this, ws, "Act_Del", QStringLiteral("删除"), {}, LogPrefix + QStringLiteral("删除"),
        [&rights] { return rights.allows(Right, QStringLiteral("Delete")); },
        [this] { m_rules->remove(saveTexts()); }));
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
    store::Dataset &set = m_ws.dm.tblLinkmans;
    if (set.isEditing()) {
        if (!MessageBox::question(this, QStringLiteral("联系人资料尚未保存，保存吗？"))) {
            set.cancel();
        } else {
            if (!m_rules->checkRequired(closeTexts()))
                return;
            m_rules->store();
        }
    }
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
