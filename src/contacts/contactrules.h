#pragma once

#include <QString>

class ContactForm;
class QWidget;
struct Workspace;

// The messages of one contact editor: the required fields in the order they are checked (an
// empty agent text: no agent check, the modal editor's agent is given), the refusal of a
// delete and its confirmation.
struct ContactTexts {
    QString code, name, agent;
    QString referenced, confirmDelete;
};

// What 保存, 删除 and the save of 关闭 do on the contact a form shows. The log row is the
// command's own business and written before these run.
class ContactRules
{
  public:
    ContactRules(Workspace &ws, ContactForm &form);

    // The required fields in order: the first one that shows nothing gets its message and the
    // focus. True when every one is filled (blanks count as content).
    bool checkRequired(const ContactTexts &texts);
    // After the checks: the agent's record folder (made when missing, shown in the file
    // panel), then, while the contact is being added or changed, the owner stamp and the post.
    // A store refusal propagates to the general error display with the row still in editing.
    void store();
    // 删除 after its log row: nothing on an empty list; a contact that any contact record
    // names (of any agent or user) is refused; otherwise deleted after the confirmation.
    void remove(const ContactTexts &texts);

    // The document folder of a contact is its agent's: FilesDir + the contact's CustID, made
    // when missing and shown in the file panel; FilesDir itself while there is no contact,
    // no agent code, or a code that cannot name a folder.
    static void showAgentFolder(Workspace &ws, const QString &custId);

  private:
    Workspace &m_ws;
    ContactForm &m_form;
};
