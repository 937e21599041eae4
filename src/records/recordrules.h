#pragma once

#include <QString>

class RecordForm;
class QWidget;
struct Workspace;

// What 保存 and 删除 do on the contact record a form shows, for both variants of the form. The
// log row is the command's own business and written before these run.
class RecordRules
{
  public:
    // 保存 itself, or the Yes of the quick entry's 关闭 question (one message differs).
    enum class Path { Save, Close };

    RecordRules(Workspace &ws, RecordForm &form);

    // The required inputs in screen order: the first that shows nothing gets its message and
    // the focus. True when every one is filled (blanks count as content).
    bool checkRequired(Path path = Path::Save);
    // 保存: the required inputs; a code that may not change while items name the record; the
    // agent's folder (shown in the file panel); then, when the record is being edited or
    // inserted, the owner stamp and the post. False when a check stopped it; a store refusal
    // propagates to the general error display with the record still in editing.
    bool save(Path path = Path::Save);
    // 删除: nothing without a record; refused while items name it; confirmed; deleted. No
    // file or folder is touched: the folder is the agent's.
    void remove();
    // FilesDir and the record's agent folder, made when missing and shown in the file panel;
    // FilesDir itself for a record without an agent or with a code that names no folder.
    void showAgentFolder();

  private:
    QWidget *window() const;
    bool codeMayChange();

    Workspace &m_ws;
    RecordForm &m_form;
};
