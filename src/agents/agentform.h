#pragma once

#include <QWidget>

class DbDateEdit;
class DbLineEdit;
class DbLookupCombo;
class DbMemo;
class EnterChain;
class QLabel;
class QPushButton;
struct Workspace;

namespace store
{
class DataModule;
class Dataset;
}

// The fields of one business agent, bound to the current row of an agent set (tblCustomers on
// the detail page of the agent window, tblCustomers2 in the modal editor): inputs in the
// data-entry order, the dictionary choice lists with their "..." editor buttons, the 查重
// buttons, 发送邮件 and 打开.... Typing into a field of a row that is only shown starts editing
// it. What 保存 and the duplicate checks do is left to the window, which gets the buttons.
class AgentForm : public QWidget
{
    Q_OBJECT
  public:
    // The modal editor labels two fields differently from the detail page.
    enum class Labels { DetailPage, ModalEditor };

    AgentForm(Workspace &ws, store::Dataset &agents, Labels labels, QWidget *parent = nullptr);

    store::Dataset &agents() const { return m_agents; }

    DbLineEdit *code() const { return m_code; }
    DbLineEdit *name() const { return m_name; }
    DbLookupCombo *country() const { return m_country; }
    DbLookupCombo *province() const { return m_province; }
    DbLineEdit *email() const { return m_email; }
    DbLineEdit *homePage() const { return m_homePage; }
    DbLookupCombo *trade() const { return m_trade; }
    DbLookupCombo *origin() const { return m_origin; }
    DbLookupCombo *level() const { return m_level; }
    DbLookupCombo *contactState() const { return m_state; }
    DbDateEdit *createDate() const { return m_createDate; }
    DbLookupCombo *referrer() const { return m_referrer; }
    DbMemo *memo() const { return m_memo; }
    QPushButton *codeCheckButton() const { return m_codeCheck; }
    QPushButton *nameCheckButton() const { return m_nameCheck; }
    EnterChain *enterChain() const { return m_chain; }

    // Opens what an agent editor works with, each set only when it is closed: the choice
    // lists' dictionaries and referrers, and the sets of the agent's related rows.
    static void openEditingSets(store::DataModule &dm);

    // The text a field shows, as the required-field checks read it.
    static QString shownText(const QWidget *field);

  private:
    QPushButton *dictionaryButton(const char *objectName, const char *command);

    Workspace &m_ws;
    store::Dataset &m_agents;
    DbLineEdit *m_code, *m_name, *m_city, *m_postCode, *m_telephone, *m_fax, *m_mainLinkman;
    DbLineEdit *m_mainTelephone, *m_address, *m_email, *m_homePage;
    DbLookupCombo *m_country, *m_province, *m_trade, *m_origin, *m_level, *m_state, *m_referrer;
    DbDateEdit *m_createDate;
    DbMemo *m_memo;
    QPushButton *m_codeCheck, *m_nameCheck;
    EnterChain *m_chain;
};
