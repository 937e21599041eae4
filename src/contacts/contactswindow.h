#pragma once

#include "recordwindow.h"

#include <memory>

class AgentPanel;
class ContactForm;
class ContactRules;

// TfrmLinkman: the contact module, hosted by the main window. The list page shows the contacts
// of qryLinkmans1 (every agent's contacts the user may see, as the last statement read them)
// and starts adding, changing, deleting, refreshing, the query, printing and the e-mail export;
// the detail page edits the current contact, its agent chosen from the agent set, with that
// agent shown read-only below.
class ContactsWindow : public RecordWindow
{
    Q_OBJECT
  public:
    explicit ContactsWindow(Workspace &ws, QWidget *parent = nullptr);
    ~ContactsWindow() override;

    ContactForm *form() const { return m_form; }
    AgentPanel *agentPanel() const { return m_agentPanel; }

  private:
    void buildDetailPage();
    QString currentAgentCode() const;

    void insertContact();
    void modifyContact();
    void refresh();
    void query();
    void selectRow();
    void addContact();
    void saveContact();
    void pickAgent();

    ContactForm *m_form = nullptr;
    AgentPanel *m_agentPanel = nullptr;
    std::unique_ptr<ContactRules> m_rules;
};
