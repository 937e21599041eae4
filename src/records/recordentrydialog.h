#pragma once

#include <QDialog>
#include <memory>

class RecordForm;
class RecordRules;
struct Workspace;

// TfrmOperateNew1 ("联络记录"): the quick entry of one contact record of the agent that is current
// in the agent window, on the records of that agent (tblOperates, which follows tblCustomers).
// The agent window's related pages and the schedule open it; they only call
//   RecordEntryDialog::addRecord(ws, parent)   — a new record for the current agent, or
//   RecordEntryDialog::editRecord(ws, parent)  — the current record of tblOperates,
// or put tblOperates into the state they want themselves and exec() the dialog.
class RecordEntryDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit RecordEntryDialog(Workspace &ws, QWidget *parent = nullptr);
    ~RecordEntryDialog() override;

    RecordForm *form() const { return m_form; }

    // Appends a record for the current agent, shows the dialog and returns its result.
    static int addRecord(Workspace &ws, QWidget *parent);
    // Puts the current record into editing (nothing without one), shows the dialog.
    static int editRecord(Workspace &ws, QWidget *parent);

    // 关闭, also for Escape and the window's close box: the record is left stored or
    // discarded, never half-edited.
    void reject() override;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void addRecordHere();
    void closeAsked();
    void pickLinkedAgent();

    Workspace &m_ws;
    RecordForm *m_form;
    std::unique_ptr<RecordRules> m_rules;
};
