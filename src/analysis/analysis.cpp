#include "analysis.h"

#include "analysispanel.h"
#include "ledgerwindow.h"
#include "modulehost.h"
#include "workspace.h"

void installAnalysis(Workspace &ws)
{
    // Built once and kept for the life of the program: a panel keeps its last chart.
    for (const AnalysisMember &m : AnalysisMember::all()) {
        auto *panel = new AnalysisPanel(ws, m, ws.host.frame());
        panel->hide();
        ws.host.registerModule(m.command, panel);
        ws.host.setCommandWindow(m.command, [panel] { panel->prepare(); });
    }
    for (const bool receivables : {true, false}) {
        auto *window = new LedgerWindow(ws, receivables, ws.host.frame());
        window->hide();
        ws.host.registerModule(receivables ? QStringLiteral("Act_Gathering") : QStringLiteral("Act_Payment"), window);
    }
}
