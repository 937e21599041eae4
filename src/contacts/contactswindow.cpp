#include "contactswindow.h"

#include "agentchoice.h"
#include "agentpanel.h"
#include "agentpicker.h"
#include "contactcard.h"
#include "contactform.h"
#include "contactimport.h"
#include "contactquerydialog.h"
#include "contactrules.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "errordisplay.h"
#include "pendingedit.h"
#include "recordfolders.h"
#include "session.h"
#include "workspace.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

const ContactTexts &saveTexts()
{
    static const ContactTexts t{QStringLiteral("请输入联系人代码！"),
                                QStringLiteral("请输入联系人姓名！"),
                                QStringLiteral("请选择输入商务代理名称！"),
                                QStringLiteral("对不起，联络事宜有该联系人信息，不能删除！"),
                                QStringLiteral("您真的要删除该联系人吗？")};
    return t;
}

// The list's 删除 speaks of 业务资料 where the detail page speaks of 联络事宜.
const ContactTexts &listDeleteTexts()
{
    static const ContactTexts t{{}, {}, {},
                                QStringLiteral("对不起，业务资料有该联系人信息，不能删除！"),
                                QStringLiteral("您真的要删除该联系人吗？")};
    return t;
}

RecordWindowDescription description()
{
    return {"TfrmLinkman",
            QStringLiteral("联系人资料"),
            QStringLiteral("302"),
            QStringLiteral("商务代理业务管理-联系人资料-"),
            "PageControl1",
            "tsList",
            "tsDetail",
            QStringLiteral("联系人资料列表"),
            QStringLiteral("联系人详细资料"),
            {{QStringLiteral("LinkmanID"), QStringLiteral("联系人代码"), 100},
             {QStringLiteral("Name"), QStringLiteral("姓名"), 90},
             {QStringLiteral("NickName"), QStringLiteral("称呼"), 70},
             {QStringLiteral("CustName"), QStringLiteral("客户名称"), 200},
             {QStringLiteral("Department"), QStringLiteral("部门"), 90},
             {QStringLiteral("Duty"), QStringLiteral("职务"), 90},
             {QStringLiteral("Main"), QStringLiteral("是否主要联系人"), 100}},
            QStringLiteral("tblLinkmans"),
            QStringLiteral("LinkmanID")};
}

} // namespace

ContactsWindow::ContactsWindow(Workspace &ws, QWidget *parent)
    : RecordWindow(ws, ws.dm.qryLinkmans1, description(), parent)
{
    RecordCommands c;
    c.insert = [this] { insertContact(); };
    c.modify = [this] { modifyContact(); };
    c.remove = [this] { m_rules->remove(listDeleteTexts()); };
    c.refresh = [this] { refresh(); };
    c.query = [this] { query(); };
    // The list's own statement is all contacts, or the user's own; a 查询 puts another.
    c.queryInForce = [this] {
        static const QRegularExpression own(
            QStringLiteral("^select \\* from tblLinkmans\\s*(where SUser=:SUser\\s*)?$"),
            QRegularExpression::CaseInsensitiveOption);
        return !own.match(dataset().sql()).hasMatch();
    };
    c.clearQuery = [this] { refresh(); };
    c.listReport = QStringLiteral("frLinkmans.frf");
    c.import = RecordCommands::Import{contactImportList(), nullptr};
    c.email = RecordCommands::Email{"spBtnEmail", QStringLiteral("Email"),
                                    QStringLiteral("Email地址列表导出成功！")};
    c.add = [this] { addContact(); };
    c.save = [this] { saveContact(); };
    c.removeOnDetails = [this] { m_rules->remove(saveTexts()); };
    c.detailReport = QStringLiteral("frLinkmansDetail.frf");
    c.listShortcuts = false;
    addCommands(c, QStringLiteral("联系人资料尚未保存，保存吗？"));
    // What the list shows, as cards an address book reads.
    addBarCommand(listPage(), "Act_ExportCards", QStringLiteral("导出名片"), {},
                  QStringLiteral("商务代理业务管理-联系人资料-导出名片"), {},
                  [this] { ContentLines::run(this, dataset(), ContactCard::cardExport()); });
    // The list is ordered by the contact code until a header click orders it otherwise; the
    // order outlives the statements the module and the query set.
    if (dataset().sortColumn().isEmpty())
        grid()->sortBy(QStringLiteral("LinkmanID"));
    setRowClicked([this] { selectRow(); });
    buildDetailPage();
    setDetailFocus([this] { return m_form->code(); });
}

ContactsWindow::~ContactsWindow() = default;

QString ContactsWindow::currentAgentCode() const
{
    const store::Dataset &set = dataset();
    return set.isOpen() && !set.isEmpty() ? set.text(QStringLiteral("CustID")) : QString();
}

void ContactsWindow::insertContact()
{
    workspace().dm.tblCustomers2.open(); // the agent choice lists it
    dataset().append();
    showDetailsForEditing();
}

void ContactsWindow::modifyContact()
{
    workspace().dm.tblCustomers2.open();
    if (dataset().isEmpty())
        dataset().append();
    else
        dataset().edit();
    showDetailsForEditing();
    ContactRules::showAgentFolder(workspace(), currentAgentCode());
}

// 刷新: the module's own statement again (the user's own contacts for anyone but an
// administrator); a query's condition is gone and the list starts at its first row.
void ContactsWindow::refresh()
{
    store::Dataset &set = dataset();
    if (!PendingEdit::settle(set))
        return;
    set.close();
    QStringList lines{QStringLiteral("select * from tblLinkmans ")};
    const QString user = store::session().CurrentUserID;
    if (!workspace().dm.isAdministrator(user)) {
        lines << QStringLiteral("where SUser=:SUser");
        set.setParam(QStringLiteral("SUser"), user);
    }
    set.setSql(lines);
    set.open();
}

void ContactsWindow::query()
{
    if (!PendingEdit::settle(dataset()))
        return; // the query replaces the list's statement
    ContactQueryDialog dialog(ContactQueryDialog::Member::List, workspace().dm, this);
    dialog.exec();
}

void ContactsWindow::selectRow()
{
    RecordFolders::ensure(RecordFolders::root());
    if (!dataset().isEmpty())
        ContactRules::showAgentFolder(workspace(), currentAgentCode());
}

void ContactsWindow::buildDetailPage()
{
    store::Dataset &set = dataset();
    Workspace &ws = workspace();
    m_form =
        new ContactForm(set, ContactForm::Kind::DetailPage, &ws.dm.tblCustomers2, detailPage());
    m_rules = std::make_unique<ContactRules>(ws, *m_form);
    connect(m_form->pickAgentButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { pickAgent(); }); });

    // The contact's agent, read-only, as the agent choice finds it in the agent set.
    auto *agentPages = new QTabWidget(detailPage());
    agentPages->setObjectName(QStringLiteral("pcCustomer"));
    m_agentPanel = new AgentPanel(set, ws.dm.tblCustomers2);
    m_agentPanel->setObjectName(QStringLiteral("tsCustomer"));
    agentPages->addTab(m_agentPanel, QStringLiteral("商务代理资料"));
    connect(m_form->agentChoice(), &AgentChoice::agentShown, m_agentPanel, &AgentPanel::refresh);

    auto *scroll = new QScrollArea(detailPage());
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_form);
    // The contact's fields take what the agent's page leaves; they scroll only where even
    // that is too little.
    agentPages->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    detailLayout()->addWidget(scroll, 1);
    detailLayout()->addWidget(agentPages);
}

void ContactsWindow::addContact()
{
    dataset().append();
    m_form->code()->setFocus();
}

void ContactsWindow::saveContact()
{
    if (m_rules->checkRequired(saveTexts()))
        m_rules->store();
}

// 查询...: the agent picker fills the contact's agent (PickTarget names the field).
void ContactsWindow::pickAgent()
{
    store::session().PickTarget = QStringLiteral("联系人详细资料");
    AgentPicker picker(AgentPicker::Member::Contact, workspace(), this);
    picker.exec();
    // The picker moved the agent set about; the agent page shows the contact's agent again.
    m_form->agentChoice()->relocate();
}
