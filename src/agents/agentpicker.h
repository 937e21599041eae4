#pragma once

#include <QDialog>

class DataGrid;
struct Workspace;

// The agent pickers: a list of the agents of tblCustomers2 (code and name) from which the user
// chooses the agent another record refers to. One class for the three members:
//   Contact  — TfrmCustomerQuery, the agent of a contact (qryLinkmans1.CustID);
//   Record   — TfrmCustomerQuery1, the agent or linked agent of a contact record;
//   Schedule — TfrmCustomerQuery2, the agent of a schedule entry (qryPlan.CustID).
// Which field a member fills depends on the session's PickTarget, set by the opening window.
class AgentPicker : public QDialog
{
    Q_OBJECT
  public:
    enum class Member { Contact, Record, Schedule };
    AgentPicker(Member member, Workspace &ws, QWidget *parent = nullptr);

    DataGrid *grid() const { return m_grid; }

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void prepareSets();
    void select();
    void cancel();
    void addAgent();
    void showDetail();
    void quickQuery();

    Member m_member;
    Workspace &m_ws;
    DataGrid *m_grid;
};
