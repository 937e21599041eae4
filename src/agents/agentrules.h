#pragma once

#include <QString>

class AgentForm;
class QWidget;
struct Workspace;

// The messages of one agent editor. The detail page speaks of 商务代理, the modal editor keeps
// the older word 客户.
struct AgentTexts {
    // Required fields, in the order they are checked.
    QString code, name, trade, origin, level, contactState, createDate;
    // Delete refusals, by kind of dependent row, and the confirmation.
    QString contacts, records, agentContacts, otherInfo, schedule, confirmDelete;
    QString codeExists, nameExists;
    bool trimCodeForCheck = false; // the modal editor's code check ignores surrounding blanks

    static const AgentTexts &detailPage();
    static const AgentTexts &modalEditor();
};

// What 保存, 删除 and the two 查重 buttons do on the agent a form shows. The log row is the
// command's own business and written before these run.
class AgentRules
{
  public:
    AgentRules(Workspace &ws, AgentForm &form, const AgentTexts &texts);

    // A date typed but no date is refused first; then the required fields in order: the first
    // one that shows nothing gets its message and the focus. True when every field is filled
    // (blanks count as content).
    bool checkRequired();
    // 保存 after its log row: the required fields, a code that can name a folder, a changed
    // code only while nothing refers to the agent, the record folder (shown in the file
    // panel), the owner stamp and the post. False when a check stopped it; a store refusal
    // propagates to the general error display with the row still in editing.
    bool save();
    // 删除 after its log row: nothing on an empty set; the five reference checks over every
    // user's rows; the confirmation; then the row is deleted. Folders stay.
    void remove();
    // The 查重 buttons: a warning when the code (or name) as shown exists anywhere in the
    // agent table, the current agent included; silence otherwise.
    void checkCode();
    void checkName();
    // Makes the form's 查重 buttons run those checks under the general error display of
    // `owner`, the window the form is in.
    void connectCheckButtons(QWidget *owner);

  private:
    QWidget *window() const;
    bool storeFolder(const QString &code, const QString &before);

    Workspace &m_ws;
    AgentForm &m_form;
    const AgentTexts &m_texts;
};
