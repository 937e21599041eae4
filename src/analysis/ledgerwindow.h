#pragma once

#include <QHash>
#include <QWidget>

class DataGrid;
class QAction;
class QLabel;
struct Workspace;

namespace store
{
class Dataset;
}

// The receivables (TfrmGathering) or payables (TfrmPayment) ledger: the contracts of one
// direction with what has been settled and what is still open, in a grid the user may group,
// with the sums of the listed rows below it. Hosted in the main window's work area; the
// main-window command reads the list, 查询 narrows it to a period of due dates.
class LedgerWindow : public QWidget
{
    Q_OBJECT
  public:
    LedgerWindow(Workspace &ws, bool receivables, QWidget *parent = nullptr);

    bool isReceivables() const { return m_receivables; }
    store::Dataset &ledger() const;
    DataGrid *grid() const { return m_grid; }
    QLabel *totals() const { return m_totals; }
    QAction *action(const QString &name) const { return m_actions.value(name); }

  private:
    void query();
    void print();
    void showTotals();

    Workspace &m_ws;
    bool m_receivables;
    DataGrid *m_grid = nullptr;
    QLabel *m_totals = nullptr;
    QHash<QString, QAction *> m_actions;
};
