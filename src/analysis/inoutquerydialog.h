#pragma once

#include <QDialog>

class QDateEdit;

namespace store
{
class DataModule;
}

// 查询 of the ledgers (TfrmInOutQuery): a period of due dates. 确定 runs the ledger named by
// the session's LedgerKind again for contracts due in that period, both days included.
class InOutQueryDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit InOutQueryDialog(store::DataModule &dm, QWidget *parent = nullptr);

    QDateEdit *from() const { return m_from; }
    QDateEdit *to() const { return m_to; }

  private:
    void apply();

    store::DataModule &m_dm;
    QDateEdit *m_from, *m_to;
};
