#include "agentpages.h"

#include "agentcontactspage.h"
#include "agentotherinfopage.h"
#include "agentrecordspage.h"
#include "agentstatespage.h"
#include "agentswindow.h"

#include <QTabWidget>
#include <QVBoxLayout>

void installAgentPages(Workspace &ws, AgentsWindow &window)
{
    QTabWidget *tabs = window.relatedPages();
    const auto fill = [tabs](const char *tab, QWidget *content) {
        auto *page = tabs->findChild<QWidget *>(QLatin1String(tab));
        auto *layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
    };
    // A row added on a page takes the agent's code: the agent is stored under it first.
    const auto storeAgent = [&window] { return window.storeForRelatedRows(); };
    fill("tsLinkmans", new AgentContactsPage(ws, storeAgent));
    fill("tsOperates", new AgentRecordsPage(ws, storeAgent));
    fill("tsCustomerState", new AgentStatesPage(ws, storeAgent));
    fill("tsAddInfo", new AgentOtherInfoPage(ws, storeAgent));
}
