#pragma once

#include <QWidget>

class AgentChoice;
class AgentPanel;
class DataGrid;
class DbDateEdit;
class DbLineEdit;
class DbMemo;
class DbNavigator;
class DbTimeEdit;
class EnterChain;
class QCompleter;
class QPushButton;
class QTabWidget;

namespace store
{
class DataModule;
class Dataset;
} // namespace store

// The inputs of one schedule entry (qryPlan) in their Enter order, the navigator, and the three
// pages under them: the chosen agent (read-only, from tblCustomers2), the contact records and
// the agent-contact entries of the agent current in the agent window (tblOperates and
// tblCustomerState, which follow tblCustomers). Commands are the schedule panel's business.
class ScheduleForm : public QWidget
{
    Q_OBJECT
  public:
    ScheduleForm(store::DataModule &dm, QWidget *parent = nullptr);

    store::Dataset &entries() const { return m_entries; }

    DbLineEdit *planId() const { return m_planId; }
    DbDateEdit *date() const { return m_date; }
    DbTimeEdit *time() const { return m_time; }
    DbLineEdit *address() const { return m_address; }
    DbLineEdit *department() const { return m_department; }
    AgentChoice *agent() const { return m_agent; }
    DbLineEdit *linkman() const { return m_linkman; }
    // The chosen agent's contacts, offered under 联系人 as it is typed into (F4 or Alt+Down
    // lists them all); typing any other name stays free.
    QCompleter *linkmanChoices() const { return m_linkmans; }
    DbLineEdit *content() const { return m_content; }
    DbMemo *memo() const { return m_memo; }
    QPushButton *departmentButton() const { return m_departmentButton; }
    QPushButton *pickAgentButton() const { return m_pickAgentButton; }
    DbNavigator *navigator() const { return m_navigator; }

    QTabWidget *subTabs() const { return m_subTabs; }
    AgentPanel *agentPanel() const { return m_agentPanel; }
    DataGrid *recordGrid() const { return m_recordGrid; }
    DataGrid *contactEntryGrid() const { return m_contactEntryGrid; }
    QPushButton *showRecordButton() const { return m_showRecordButton; }
    QPushButton *showContactEntryButton() const { return m_showContactEntryButton; }

    // The text 时间 shows, without the mask's colons and blanks: what the check of a complete
    // time counts.
    QString typedTime() const;

  Q_SIGNALS:
    // The user stepped into the 商务代理 drop-down.
    void agentEntered();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    QWidget *buildFields();
    QWidget *buildRecordsPage(store::Dataset &records);
    QWidget *buildContactEntriesPage(store::Dataset &entries);
    void offerLinkmans();

    store::DataModule &m_dm;
    store::Dataset &m_entries;
    store::Dataset &m_agents;
    EnterChain *m_chain;
    DbLineEdit *m_planId = nullptr;
    DbDateEdit *m_date = nullptr;
    DbTimeEdit *m_time = nullptr;
    DbLineEdit *m_address = nullptr;
    DbLineEdit *m_department = nullptr;
    AgentChoice *m_agent = nullptr;
    DbLineEdit *m_linkman = nullptr;
    QCompleter *m_linkmans = nullptr;
    DbLineEdit *m_content = nullptr;
    DbMemo *m_memo = nullptr;
    QPushButton *m_departmentButton = nullptr;
    QPushButton *m_pickAgentButton = nullptr;
    DbNavigator *m_navigator = nullptr;
    QTabWidget *m_subTabs = nullptr;
    AgentPanel *m_agentPanel = nullptr;
    DataGrid *m_recordGrid = nullptr;
    DataGrid *m_contactEntryGrid = nullptr;
    QPushButton *m_showRecordButton = nullptr;
    QPushButton *m_showContactEntryButton = nullptr;
};
