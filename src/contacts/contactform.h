#pragma once

#include <QWidget>

class AgentChoice;
class DbCheckBox;
class DbDateEdit;
class DbLineEdit;
class DbMemo;
class EnterChain;
class QPushButton;

namespace store
{
class Dataset;
}

// The fields of one contact, bound to the current row of a contact set: qryLinkmans1 on the
// detail page of the contact window, where the agent is chosen from the agent set (with the
// picker button 查询...), or tblLinkmans in the modal editor, where the agent is the one the
// agent window shows and only its name is shown. Typing into a field of a contact that is
// only shown starts editing it.
class ContactForm : public QWidget
{
    Q_OBJECT
  public:
    enum class Kind { DetailPage, ModalEditor };

    // `agents` is the set the detail page's agent choice lists; unused by the modal editor.
    ContactForm(store::Dataset &contacts, Kind kind, store::Dataset *agents,
                QWidget *parent = nullptr);

    store::Dataset &contacts() const { return m_contacts; }

    DbLineEdit *code() const { return m_code; }
    DbLineEdit *name() const { return m_name; }
    DbCheckBox *mainContact() const { return m_main; }
    // The agent field: the choice on the detail page, the agent's name in the modal editor.
    QWidget *agent() const { return m_agent; }
    AgentChoice *agentChoice() const { return m_agentChoice; }
    QPushButton *pickAgentButton() const { return m_pickAgent; }
    DbLineEdit *nickName() const { return m_nickName; }
    DbLineEdit *telephone() const { return m_telephone; }
    DbLineEdit *fax() const { return m_fax; }
    DbLineEdit *homeAddress() const { return m_homeAddress; }
    DbLineEdit *email() const { return m_email; }
    DbLineEdit *homePage() const { return m_homePage; }
    DbDateEdit *specialDate() const { return m_specialDate; }
    DbMemo *memo() const { return m_memo; }
    // The Enter order: the detail page has two, the modal editor one (the second is null).
    EnterChain *enterChain() const { return m_chain; }
    EnterChain *secondEnterChain() const { return m_chain2; }

  private:
    store::Dataset &m_contacts;
    DbLineEdit *m_code, *m_name, *m_nickName, *m_department, *m_duty, *m_telephone, *m_fax;
    DbLineEdit *m_mobile, *m_homeAddress, *m_email, *m_homePage, *m_enjoy;
    DbCheckBox *m_main;
    QWidget *m_agent;
    AgentChoice *m_agentChoice = nullptr;
    QPushButton *m_pickAgent = nullptr;
    DbDateEdit *m_specialDate;
    DbMemo *m_memo;
    EnterChain *m_chain;
    EnterChain *m_chain2 = nullptr;
};
