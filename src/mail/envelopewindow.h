#pragma once

#include <QDialog>

class DataGrid;
class QToolButton;
struct Workspace;

// TfrmEnvelop ("信封标签"): the contacts of qryLinkmans3 with their agent's name, post code and
// address, and the way to print an envelope or label for each of them (TfrmEnvelopSet). The
// list is the contact query's: the window itself never fills or reopens it.
class EnvelopeWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit EnvelopeWindow(Workspace &ws, QWidget *parent = nullptr);

    DataGrid *grid() const { return m_grid; }
    QToolButton *button(const QString &name) const;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    QToolButton *addButton(const char *name, const QString &hint, const QString &log,
                           std::function<void()> work);

    Workspace &m_ws;
    DataGrid *m_grid;
};
