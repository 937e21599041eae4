#pragma once

#include "choicequerydialog.h"

namespace store
{
class DataModule;
class Dataset;
} // namespace store

// The condition dialogs over an agent set: one condition chosen from a list, one value typed,
// and the set narrowed by a row filter built from bound values (the ownership part included
// for users who are not administrators). One class for both members:
//   List   — TfrmCustomerQuery3, the query of the agent list, filters tblCustomers;
//   Picker — TfrmCustomerQuery4, the quick search of the agent pickers, filters tblCustomers2.
class AgentQueryDialog : public ChoiceQueryDialog
{
    Q_OBJECT
  public:
    enum class Member { List, Picker };
    AgentQueryDialog(Member member, store::DataModule &dm, QWidget *parent = nullptr);

    // The agent set this member narrows.
    store::Dataset &dataset() const;

  private:
    bool search(const QueryChoice *choice, const QString &value);

    Member m_member;
    store::DataModule &m_dm;
};
