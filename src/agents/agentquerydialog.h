#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace store
{
class Condition;
class DataModule;
class Dataset;
} // namespace store

// The condition dialogs over an agent set: one condition chosen from a list, one value typed,
// and the set narrowed by a row filter built from bound values (the ownership part included
// for users who are not administrators). One class for both members:
//   List   — TfrmCustomerQuery3, the query of the agent list, filters tblCustomers;
//   Picker — TfrmCustomerQuery4, the quick search of the agent pickers, filters tblCustomers2.
class AgentQueryDialog : public QDialog
{
    Q_OBJECT
  public:
    enum class Member { List, Picker };
    AgentQueryDialog(Member member, store::DataModule &dm, QWidget *parent = nullptr);

    // The agent set this member narrows.
    store::Dataset &dataset() const;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void conditionChosen(int index);
    void apply();
    store::Condition typedCondition() const;

    Member m_member;
    store::DataModule &m_dm;
    QComboBox *m_condition;
    QLineEdit *m_value;
};
