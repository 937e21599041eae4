#pragma once

#include "relatedgridpage.h"

// 商务代理接触: the current agent's agent-contact entries (tblCustomerState, ordered by date
// only), added and changed in the entry editor TfrmCustStateNew. Nothing refers to an entry.
class AgentStatesPage : public RelatedGridPage
{
    Q_OBJECT
  public:
    AgentStatesPage(Workspace &ws, std::function<bool()> storeAgent, QWidget *parent = nullptr);
};
