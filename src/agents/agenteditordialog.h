#pragma once

#include <QDialog>
#include <memory>

class AgentForm;
class AgentRules;
struct Workspace;

// TfrmCustomerNew1: the modal agent editor the pickers open, on the current row of
// tblCustomers2 (a new row appended by the picker's 新增, or the picked agent for 详细资料).
class AgentEditorDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit AgentEditorDialog(Workspace &ws, QWidget *parent = nullptr);
    ~AgentEditorDialog() override;
    AgentForm *form() const { return m_form; }

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void closeAsked();

    Workspace &m_ws;
    AgentForm *m_form;
    std::unique_ptr<AgentRules> m_rules;
};
