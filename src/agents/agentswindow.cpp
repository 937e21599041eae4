#include "agentswindow.h"

#include "agentform.h"
#include "agentimport.h"
#include "agentquerydialog.h"
#include "agentrules.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "errordisplay.h"
#include "modulehost.h"
#include "pendingedit.h"
#include "recordfolders.h"
#include "workspace.h"

#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

RecordWindowDescription description()
{
    return {"TfrmCustomers",
            QStringLiteral("商务代理资料"),
            QStringLiteral("301"),
            QStringLiteral("商务代理业务管理-商务代理资料-"),
            "PageControl1",
            "tsList",
            "tsDetail",
            QStringLiteral("商务代理资料列表"),
            QStringLiteral("商务代理详细资料"),
            {{QStringLiteral("CustId"), QStringLiteral("代理编号"), 90},
             {QStringLiteral("CustName"), QStringLiteral("商务代理名称"), 200},
             {QStringLiteral("MainLinkman"), QStringLiteral("主要联系人"), 80},
             {QStringLiteral("Address"), QStringLiteral("地址"), 200},
             {QStringLiteral("VocationName"), QStringLiteral("行业类型"), 90},
             {QStringLiteral("LevelName"), QStringLiteral("商务代理级别"), 90},
             {QStringLiteral("OriginName"), QStringLiteral("商务代理来源"), 90},
             {QStringLiteral("Operater"), QStringLiteral("推荐人/单位"), 90}},
            QStringLiteral("tblCustomers"),
            QStringLiteral("CustId")};
}

} // namespace

AgentsWindow::AgentsWindow(Workspace &ws, QWidget *parent)
    : RecordWindow(ws, ws.dm.tblCustomers, description(), parent)
{
    RecordCommands c;
    c.insert = [this] { insertAgent(); };
    c.modify = [this] { modifyAgent(); };
    c.remove = [this] { m_rules->remove(); };
    c.refresh = [this] { refresh(); };
    c.query = [this] { query(); };
    queryOverOwnership(c, ws, ws.dm.tblCustomers);
    c.listReport = QStringLiteral("frCustomers.frf");
    c.import = RecordCommands::Import{agentImportList(), RecordFolders::folderFor};
    c.email = RecordCommands::Email{"spBtnEmail", QStringLiteral("AgentEmail"),
                                    QStringLiteral("商务代理Email地址列表导出成功！")};
    c.add = [this] { addAgent(); };
    c.save = [this] { m_rules->save(); };
    c.detailReport = QStringLiteral("frCustomerDetail.frf");
    addCommands(c, QStringLiteral("商务代理资料尚未保存，保存吗？"));
    setRowClicked([this] { selectRow(); });
    buildDetailPage();
    setDetailFocus([this] { return m_form->code(); });
}

AgentsWindow::~AgentsWindow() = default;

void AgentsWindow::insertAgent()
{
    AgentForm::openEditingSets(workspace().dm);
    dataset().append();
    showDetailsForEditing();
}

void AgentsWindow::modifyAgent()
{
    AgentForm::openEditingSets(workspace().dm);
    if (dataset().isEmpty())
        dataset().append();
    else
        dataset().edit();
    showDetailsForEditing();
    showAgentFolder();
}

void AgentsWindow::refresh()
{
    // The filter each set carries (ownership, last query) survives; a pending agent is settled
    // first.
    if (!PendingEdit::settle(dataset()))
        return;
    store::DataModule &dm = workspace().dm;
    for (store::Dataset *d : {&dm.tblCustomers, &dm.tblLinkmans, &dm.tblOperates,
                              &dm.tblCustomerState, &dm.tblCustomerAddInfo}) {
        d->close();
        d->open();
    }
}

void AgentsWindow::query()
{
    if (!PendingEdit::settle(dataset()))
        return; // the query refilters the list
    AgentQueryDialog dialog(AgentQueryDialog::Member::List, workspace().dm, this);
    dialog.exec();
}

void AgentsWindow::selectRow()
{
    RecordFolders::ensure(RecordFolders::root());
    workspace().host.showFolder(RecordFolders::root());
    if (dataset().isEmpty())
        return;
    showAgentFolder();
}

// The current agent's document folder, made when missing; FilesDir itself while there is no
// agent or its code cannot name a folder.
void AgentsWindow::showAgentFolder()
{
    const QString root = RecordFolders::root();
    RecordFolders::ensure(root);
    const store::Dataset &set = dataset();
    const QString code = set.isEmpty() ? QString() : set.text(QStringLiteral("CustId"));
    const auto folder = code.isEmpty() ? std::nullopt : RecordFolders::folderFor(code);
    if (!folder) {
        workspace().host.showFolder(root);
        return;
    }
    RecordFolders::ensure(*folder);
    workspace().host.showFolder(*folder);
}

void AgentsWindow::buildDetailPage()
{
    m_form = new AgentForm(workspace(), dataset(), AgentForm::Labels::DetailPage, detailPage());
    m_rules = std::make_unique<AgentRules>(workspace(), *m_form, AgentTexts::detailPage());
    m_rules->connectCheckButtons(this);

    // The agent's related rows; their pages are filled by the modules that edit those rows.
    m_related = new QTabWidget(detailPage());
    m_related->setObjectName(QStringLiteral("pcRelated"));
    const struct {
        const char *name, *caption;
    } related[] = {{"tsLinkmans", "联系人资料"},
                   {"tsOperates", "联络记录"},
                   {"tsCustomerState", "商务代理接触"},
                   {"tsAddInfo", "其他资料"}};
    for (const auto &r : related) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(r.name));
        m_related->addTab(page, QString::fromUtf8(r.caption));
    }

    auto *scroll = new QScrollArea(detailPage());
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_form);
    detailLayout()->addWidget(scroll, 3);
    detailLayout()->addWidget(m_related, 2);
}

void AgentsWindow::addAgent()
{
    dataset().append();
    m_form->code()->setFocus();
}

// Rows added on the agent's pages take the agent's code, so the store must hold the agent under
// the code shown: a new agent, or one whose code is being changed, is stored first, with 保存's
// checks. False when a check or the store stopped it; the agent then stays in editing.
bool AgentsWindow::storeForRelatedRows()
{
    using State = store::Dataset::State;
    store::Dataset &set = dataset();
    const bool codePending =
        set.state() == State::Insert ||
        (set.state() == State::Edit && set.isChanged(QStringLiteral("CustId")));
    if (!codePending)
        return true;
    return m_rules->save() && !set.isEditing();
}
