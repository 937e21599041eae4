#include "contactswindow.h"

#include "agentchoice.h"
#include "agentpanel.h"
#include "agentpicker.h"
#include "commandaction.h"
#include "contactform.h"
#include "contactimport.h"
#include "contactquerydialog.h"
#include "contactrules.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "emailexport.h"
#include "errordisplay.h"
#include "firstfocus.h"
#include "importcommand.h"
#include "modifyright.h"
#include "modulehost.h"
#include "pendingedit.h"
#include "printing.h"
#include "recordfolders.h"
#include "rights.h"
#include "session.h"
#include "workspace.h"

#include <QAction>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

const QString Right = QStringLiteral("302");
const QString LogPrefix = QStringLiteral("商务代理业务管理-联系人资料-");

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

} // namespace

ContactsWindow::ContactsWindow(Workspace &ws, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_pages(new QTabWidget(this)), m_listPage(new QWidget),
      m_detailPage(new QWidget)
{
    setObjectName(QStringLiteral("TfrmLinkman"));
    setWindowTitle(QStringLiteral("联系人资料"));
    ModifyRight::require(ws.dm.qryLinkmans1, ws.rights, Right);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_listPage->setObjectName(QStringLiteral("tsList"));
    m_detailPage->setObjectName(QStringLiteral("tsDetail"));
    m_pages->addTab(m_listPage, QStringLiteral("联系人资料列表"));
    m_pages->addTab(m_detailPage, QStringLiteral("联系人详细资料"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    buildListPage();
    buildDetailPage();
    // Whoever puts the focus into the module reaches the page in view: the list, or the
    // contact code while a contact is being edited.
    const auto followPage = [this] {
        FirstFocus::set(this, m_pages->currentWidget() == m_detailPage
                                  ? static_cast<QWidget *>(m_form->code())
                                  : m_grid->view());
    };
    connect(m_pages, &QTabWidget::currentChanged, this, followPage);
    followPage();
    // A contact left half-typed is stored only by 保存; anything else that would reread the
    // list asks first.
    PendingEdit::setOwner(contacts(), ws, this, QStringLiteral("联系人资料尚未保存，保存吗？"),
                          action(QStringLiteral("Act_Save")),
                          [this] { m_pages->setCurrentWidget(m_detailPage); });
}

ContactsWindow::~ContactsWindow() = default;

QAction *ContactsWindow::action(const QString &name) const
{
    return m_actions.value(name);
}

store::Dataset &ContactsWindow::contacts() const
{
    return m_ws.dm.qryLinkmans1;
}

QString ContactsWindow::currentAgentCode() const
{
    const store::Dataset &set = contacts();
    return set.isOpen() && !set.isEmpty() ? set.text(QStringLiteral("CustID")) : QString();
}

// A command of one page: its shortcut works while the focus is on that page.
QAction *ContactsWindow::command(QWidget *page, QToolBar *bar, const char *name,
                                 const QString &caption, const QString &shortcut,
                                 const QString &log, std::function<bool()> enabled,
                                 std::function<void()> work)
{
    return addBarCommand(page, bar, m_actions, m_ws, name, caption, shortcut, log, std::move(enabled),
                         std::move(work));
}

// ---------------------------------------------------------------- list page

void ContactsWindow::buildListPage()
{
    auto *bar = new QToolBar(m_listPage);
    bar->setObjectName(QStringLiteral("tbList"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Rights &rights = m_ws.rights;
    const auto right = [&rights](const char *flag) {
        return [&rights, flag] { return rights.allows(Right, QLatin1String(flag)); };
    };
    command(m_listPage, bar, "Act_Insert", QStringLiteral("新增"), {},
            LogPrefix + QStringLiteral("新增"), right("Insert"), [this] { insertContact(); });
    command(m_listPage, bar, "Act_Modify", QStringLiteral("修改"), {},
            LogPrefix + QStringLiteral("修改"), right("Modify"), [this] { modifyContact(); });
    command(m_listPage, bar, "Act_Delete", QStringLiteral("删除"), {},
            LogPrefix + QStringLiteral("删除"), right("Delete"),
            [this] { m_rules->remove(listDeleteTexts()); });
    command(m_listPage, bar, "spBtnRefresh", QStringLiteral("刷新"), {},
            LogPrefix + QStringLiteral("刷新"), {}, [this] { refresh(); });
    command(m_listPage, bar, "Act_Query", QStringLiteral("查询"), {},
            LogPrefix + QStringLiteral("查询"), right("Query"), [this] { query(); });
    command(m_listPage, bar, "Act_Print", QStringLiteral("打印"), {},
            LogPrefix + QStringLiteral("打印"), right("Print"),
            [this] { Printing::preview(this, QStringLiteral("frLinkmans.frf"), &contacts()); });
    addImportCommand(m_listPage, bar, m_actions, m_ws,
                     {Right, LogPrefix + QStringLiteral("导入"), contactImportList(), nullptr,
                      [this] { refresh(); }});
    command(m_listPage, bar, "spBtnEmail", QStringLiteral("Email地址导出"), {}, {}, {},
            [this] { exportEmail(); });

    m_grid = new DataGrid(m_listPage);
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&contacts());
    m_grid->addColumn(QStringLiteral("LinkmanID"), QStringLiteral("联系人代码"), 100);
    m_grid->addColumn(QStringLiteral("Name"), QStringLiteral("姓名"), 90);
    m_grid->addColumn(QStringLiteral("NickName"), QStringLiteral("称呼"), 70);
    m_grid->addColumn(QStringLiteral("CustName"), QStringLiteral("客户名称"), 200);
    m_grid->addColumn(QStringLiteral("Department"), QStringLiteral("部门"), 90);
    m_grid->addColumn(QStringLiteral("Duty"), QStringLiteral("职务"), 90);
    m_grid->addColumn(QStringLiteral("Main"), QStringLiteral("是否主要联系人"), 100);
    // The list is ordered by the contact code until a header click orders it otherwise; the
    // order outlives the statements the module and the query set.
    if (contacts().sortColumn().isEmpty())
        m_grid->sortBy(QStringLiteral("LinkmanID"));
    connect(m_grid->view(), &QTreeView::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { selectRow(); }); });
    connect(m_grid, &DataGrid::rowActivated, this,
            [this] { action(QStringLiteral("Act_Modify"))->trigger(); });

    auto *layout = new QVBoxLayout(m_listPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    layout->addWidget(m_grid, 1);
}

// The editing happens on the detail page, with the whole main window for the module.
void ContactsWindow::showDetailForEditing()
{
    m_ws.host.setNavigationVisible(false);
    m_ws.host.setNavigationPage(QStringLiteral("业务管理"));
    m_pages->setCurrentWidget(m_detailPage);
    m_form->code()->setFocus();
}

void ContactsWindow::insertContact()
{
    m_ws.dm.tblCustomers2.open(); // the agent choice lists it
    contacts().append();
    showDetailForEditing();
}

void ContactsWindow::modifyContact()
{
    m_ws.dm.tblCustomers2.open();
    if (contacts().isEmpty())
        contacts().append();
    else
        contacts().edit();
    showDetailForEditing();
    ContactRules::showAgentFolder(m_ws, currentAgentCode());
}

// 刷新: the module's own statement again (the user's own contacts for anyone but an
// administrator); a query's condition is gone and the list starts at its first row.
void ContactsWindow::refresh()
{
    store::Dataset &set = contacts();
    if (!PendingEdit::settle(set))
        return;
    set.close();
    QStringList lines{QStringLiteral("select * from tblLinkmans ")};
    const QString user = store::session().CurrentUserID;
    if (!m_ws.dm.isAdministrator(user)) {
        lines << QStringLiteral("where SUser=:SUser");
        set.setParam(QStringLiteral("SUser"), user);
    }
    set.setSql(lines);
    set.open();
}

void ContactsWindow::query()
{
    if (!PendingEdit::settle(contacts()))
        return; // the query replaces the list's statement
    ContactQueryDialog dialog(ContactQueryDialog::Member::List, m_ws.dm, this);
    dialog.exec();
}

void ContactsWindow::exportEmail()
{
    EmailExport::run(this, contacts(), QStringLiteral("Email"),
                     QStringLiteral("Email地址列表导出成功！"));
}

void ContactsWindow::selectRow()
{
    RecordFolders::ensure(RecordFolders::root());
    if (!contacts().isEmpty())
        ContactRules::showAgentFolder(m_ws, currentAgentCode());
}

// ---------------------------------------------------------------- detail page

void ContactsWindow::buildDetailPage()
{
    auto *bar = new QToolBar(m_detailPage);
    bar->setObjectName(QStringLiteral("tbDetail"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Rights &rights = m_ws.rights;
    store::Dataset &set = contacts();
    command(
        m_detailPage, bar, "Act_Add", QStringLiteral("新增"), QStringLiteral("Ctrl+A"),
        LogPrefix + QStringLiteral("新增"),
        canAddRecord(rights, Right, set),
        [this] { addContact(); });
    command(
        m_detailPage, bar, "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"),
        LogPrefix + QStringLiteral("保存"),
        canSaveRecord(rights, Right, set),
        [this] { saveContact(); });
    command(
        m_detailPage, bar, "Act_Del", QStringLiteral("删除"), {},
        LogPrefix + QStringLiteral("删除"),
        [&rights] { return rights.allows(Right, QStringLiteral("Delete")); },
        [this] { m_rules->remove(saveTexts()); });
    command(
        m_detailPage, bar, "Act_Prt", QStringLiteral("打印"), {},
        LogPrefix + QStringLiteral("打印"),
        [&rights] { return rights.allows(Right, QStringLiteral("Print")); },
        [this] {
            Printing::preview(this, QStringLiteral("frLinkmansDetail.frf"), &contacts());
        });
    command(
        m_detailPage, bar, "Act_Cancel", QStringLiteral("放弃"), {}, {},
        [&set] { return set.isEditing(); }, [this] { cancelEdit(); });

    m_form = new ContactForm(set, ContactForm::Kind::DetailPage, &m_ws.dm.tblCustomers2,
                             m_detailPage);
    m_rules = std::make_unique<ContactRules>(m_ws, *m_form);
    connect(m_form->pickAgentButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { pickAgent(); }); });

    // The contact's agent, read-only, as the agent choice finds it in the agent set.
    auto *agentPages = new QTabWidget(m_detailPage);
    agentPages->setObjectName(QStringLiteral("pcCustomer"));
    m_agentPanel = new AgentPanel(set, m_ws.dm.tblCustomers2);
    m_agentPanel->setObjectName(QStringLiteral("tsCustomer"));
    agentPages->addTab(m_agentPanel, QStringLiteral("商务代理资料"));
    connect(m_form->agentChoice(), &AgentChoice::agentShown, m_agentPanel, &AgentPanel::refresh);

    auto *scroll = new QScrollArea(m_detailPage);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_form);
    auto *layout = new QVBoxLayout(m_detailPage);
    layout->setContentsMargins(2, 2, 2, 2);
    // The contact's fields take what the agent's page leaves; they scroll only where even
    // that is too little.
    agentPages->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    layout->addWidget(bar);
    layout->addWidget(scroll, 1);
    layout->addWidget(agentPages);
}

void ContactsWindow::addContact()
{
    contacts().append();
    m_form->code()->setFocus();
}

void ContactsWindow::saveContact()
{
    if (m_rules->checkRequired(saveTexts()))
        m_rules->store();
}

void ContactsWindow::cancelEdit()
{
    if (contacts().isEditing())
        contacts().cancel();
}

// 查询...: the agent picker fills the contact's agent (PickTarget names the field).
void ContactsWindow::pickAgent()
{
    store::session().PickTarget = QStringLiteral("联系人详细资料");
    AgentPicker picker(AgentPicker::Member::Contact, m_ws, this);
    picker.exec();
    // The picker moved the agent set about; the agent page shows the contact's agent again.
    m_form->agentChoice()->relocate();
}
