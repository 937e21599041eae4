#pragma once

#include "relatedgridpage.h"

// 联系人资料: the current agent's contacts (tblLinkmans, in code order), added and changed in the
// contact editor TfrmLinkmanNew1; a contact that any record names is not deleted.
class AgentContactsPage : public RelatedGridPage
{
    Q_OBJECT
  public:
    AgentContactsPage(Workspace &ws, std::function<bool()> storeAgent, QWidget *parent = nullptr);

  private:
    void openEditor(bool append);
    void removeContact();
};
