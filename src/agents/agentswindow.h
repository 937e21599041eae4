#pragma once

#include "recordwindow.h"

#include <memory>

class AgentForm;
class AgentRules;

// TfrmCustomers: the business-agent module, hosted by the main window. The list page shows the
// agents of tblCustomers (as the ownership filter and the last query let through) and starts
// adding, changing, deleting, printing and the e-mail export; the detail page edits the
// current agent and holds the pages of the agent's related rows below its fields.
class AgentsWindow : public RecordWindow
{
    Q_OBJECT
  public:
    explicit AgentsWindow(Workspace &ws, QWidget *parent = nullptr);
    ~AgentsWindow() override;

    AgentForm *form() const { return m_form; }
    // The pages of the agent's contacts, contact records, agent contacts and other information.
    QTabWidget *relatedPages() const { return m_related; }
    // Before a row is added on one of those pages: the agent stored under the code it shows
    // (a new agent, or a changed code, through 保存 and its checks). False when it is not.
    bool storeForRelatedRows();

  private:
    void buildDetailPage();

    void insertAgent();
    void modifyAgent();
    void refresh();
    void query();
    void selectRow();
    void showAgentFolder();
    void addAgent();

    AgentForm *m_form = nullptr;
    QTabWidget *m_related = nullptr;
    std::unique_ptr<AgentRules> m_rules;
};
