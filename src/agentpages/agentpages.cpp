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
    fill("tsLinkmans", new AgentContactsPage(ws));
    fill("tsOperates", new AgentRecordsPage(ws));
    fill("tsCustomerState", new AgentStatesPage(ws));
    fill("tsAddInfo", new AgentOtherInfoPage(ws));
}
