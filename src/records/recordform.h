#pragma once

#include <QWidget>

class DbCheckBox;
class DbDateEdit;
class DbLineEdit;
class DbLookupCombo;
class DbMemo;
class DbPagedLookupCombo;
class EnterChain;
class QPushButton;
struct Workspace;

namespace store
{
class DataModule;
class Dataset;
} // namespace store

// The fields of one contact record, bound to the current row of a record set, in data-entry
// order. Two variants:
//   Editor     — the details tab of the record module, on tblOperates2: the agent is chosen
//                from the shared agent list tblCustomers2 (drop-down or 查询...), the related
//                agent from the same list, the contact from that agent's contacts (tblLinkmans2);
//   QuickEntry — TfrmOperateNew1, on the current agent's records tblOperates: the agent is
//                shown, not chosen; the related agent comes from all agents (qryCustomers1),
//                the contact from the current agent's contacts (tblLinkmans).
// The related-agent inputs are enabled exactly while the record's Link box is ticked.
class RecordForm : public QWidget
{
    Q_OBJECT
  public:
    enum class Variant { Editor, QuickEntry };

    RecordForm(Workspace &ws, store::Dataset &records, Variant variant, QWidget *parent = nullptr);

    store::Dataset &records() const { return m_records; }
    Variant variant() const { return m_variant; }

    DbLineEdit *code() const { return m_code; }
    DbLineEdit *title() const { return m_title; }
    // The agent input: a choice in the editor, the agent's name in the quick entry.
    QWidget *agent() const { return m_agent; }
    DbPagedLookupCombo *agentChoice() const { return m_agentChoice; }
    QPushButton *agentQueryButton() const { return m_agentQuery; }
    DbCheckBox *link() const { return m_link; }
    DbPagedLookupCombo *linkAgent() const { return m_linkAgent; }
    QPushButton *linkQueryButton() const { return m_linkQuery; }
    DbDateEdit *createDate() const { return m_createDate; }
    DbLookupCombo *linkman() const { return m_linkman; }
    DbLookupCombo *origin() const { return m_origin; }
    DbLookupCombo *type() const { return m_type; }
    DbLookupCombo *referrer() const { return m_referrer; }
    DbDateEdit *writeDate() const { return m_writeDate; }
    DbDateEdit *endDate() const { return m_endDate; }
    DbLookupCombo *state() const { return m_state; }
    DbMemo *remark() const { return m_remark; }
    EnterChain *enterChain() const { return m_chain; }

    // Enables the related agent and its 查询... exactly while the box is ticked.
    void updateLinkInputs();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    DbPagedLookupCombo *agentList(const char *objectName, const QString &field,
                                  store::Dataset &source);
    void layOut();

    store::Dataset &m_records;
    Variant m_variant;
    DbLineEdit *m_code, *m_title;
    QWidget *m_agent = nullptr;
    DbPagedLookupCombo *m_agentChoice = nullptr;
    QPushButton *m_agentQuery = nullptr;
    DbCheckBox *m_link;
    DbPagedLookupCombo *m_linkAgent;
    QPushButton *m_linkQuery;
    DbDateEdit *m_createDate, *m_writeDate, *m_endDate;
    DbLookupCombo *m_linkman, *m_origin, *m_type, *m_referrer, *m_state;
    DbMemo *m_remark;
    EnterChain *m_chain;
};
