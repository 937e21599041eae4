#pragma once

#include "relatedgridpage.h"

// 联络记录: the contact records whose agent is the current agent (tblOperates, in code order;
// a record that names the agent only as its linked agent is not listed), added and changed in
// the quick entry TfrmOperateNew1; a record with detail items is not deleted.
class AgentRecordsPage : public RelatedGridPage
{
    Q_OBJECT
  public:
    AgentRecordsPage(Workspace &ws, std::function<bool()> storeAgent, QWidget *parent = nullptr);

  private:
    void openEntrySets();
    void addRecord();
    void modifyRecord();
    void removeRecord();
};
