#pragma once

#include <QString>

class ReferrerForm;
class QWidget;
struct Workspace;

// What 保存, the status section's 保存 and 删除 do on the referrer a form shows, and the
// referrer folders they point the file panel at. The log row is the command's own business and
// written before these run.
class ReferrerRules
{
  public:
    ReferrerRules(Workspace &ws, ReferrerForm &form);

    // 保存 after its log row: the code, then the name must show something (blanks count); then
    // what store() checks and does. False when a check stopped it.
    bool save();
    // The status section's 保存: no field checks, FilePath set to the referrer's folder; then
    // what store() checks and does.
    bool saveStatus();
    // 删除 after its log row: nothing on an empty set; refused while a contact record of any
    // user names the referrer (agents naming it do not keep it); the confirmation; the row is
    // deleted and its folder stays. True when it was deleted.
    bool remove();

    // Makes FilesDir + "Operaters" and shows it in the file panel; then, for a code that can
    // name a folder, makes that referrer's folder and shows it instead.
    void showFolder(const QString &code);

  private:
    // A code that can name a folder, a changed code only while nothing names the referrer;
    // then the row is stored (when being edited) and its folder made, moved along with a
    // changed code, and shown.
    bool store(bool setFilePath);
    void moveFolder(const QString &before, const QString &code);
    QWidget *window() const;

    Workspace &m_ws;
    ReferrerForm &m_form;
};
