#pragma once

#include <QDialog>

class DbDateEdit;
class DbLineEdit;
class DbNavigator;
class DbNumberEdit;
class DbPickList;
class DbTimeEdit;
class EnterChain;
struct Workspace;

// TfrmCustStateNew ("客户接触"): the modal editor of the agent-contact entries (when, how, with
// whom, about what, where and at what cost an agent was contacted), on the shared set
// tblCustomerState, which holds the entries of the agent current in tblCustomers. Callers use
//   AgentContactDialog::addEntry(ws, parent)   — a new entry for the current agent, or
//   AgentContactDialog::editEntry(ws, parent)  — the current entry of tblCustomerState,
// or put tblCustomerState into the state they want themselves and exec() the dialog.
// The editor writes no log rows and stamps nothing.
class AgentContactDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit AgentContactDialog(Workspace &ws, QWidget *parent = nullptr);

    // Appends an entry for the current agent, shows the dialog and returns its result.
    static int addEntry(Workspace &ws, QWidget *parent);
    // Puts the current entry into editing (a new one when the agent has none), shows the
    // dialog and returns its result.
    static int editEntry(Workspace &ws, QWidget *parent);

    DbDateEdit *date() const { return m_date; }
    DbTimeEdit *time() const { return m_time; }
    DbPickList *linkType() const { return m_type; }
    DbLineEdit *linkman() const { return m_linkman; }
    DbLineEdit *duty() const { return m_duty; }
    DbLineEdit *content() const { return m_content; }
    DbLineEdit *address() const { return m_address; }
    DbNumberEdit *charge() const { return m_charge; }
    DbLineEdit *memo() const { return m_memo; }
    DbNavigator *navigator() const { return m_navigator; }
    EnterChain *enterChain() const { return m_chain; }

    // 关闭, also for Escape and the window's close box: a pending entry is stored or dropped
    // as the user answers, never left half-edited behind the agent window.
    void reject() override;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    DbLineEdit *lineEdit(const char *objectName, const QString &field);
    void addEntryHere();
    bool checkFields();
    void save();
    void deleteEntry();
    void closeAsked();

    Workspace &m_ws;
    DbDateEdit *m_date;
    DbTimeEdit *m_time;
    DbPickList *m_type;
    DbLineEdit *m_linkman, *m_duty, *m_content, *m_address, *m_memo;
    DbNumberEdit *m_charge;
    DbNavigator *m_navigator;
    EnterChain *m_chain;
};
