#pragma once

#include <QDialog>
#include <memory>

class ContactForm;
class ContactRules;
struct Workspace;

// TfrmLinkmanNew1 ("联系人"): the modal contact editor of the agent window's contacts page, on
// the current row of tblLinkmans, whose agent is the one the agent window shows. The caller
// puts tblLinkmans into insert or edit state first (a new row takes the agent's code from the
// master) and the editor runs until it is closed.
class ContactEditorDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit ContactEditorDialog(Workspace &ws, QWidget *parent = nullptr);
    ~ContactEditorDialog() override;
    ContactForm *form() const { return m_form; }

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void save();
    void closeAsked();
    void copyAgentData();

    Workspace &m_ws;
    ContactForm *m_form;
    std::unique_ptr<ContactRules> m_rules;
};
