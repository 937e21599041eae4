#pragma once

#include <QDialog>

class QDateEdit;

namespace store
{
class Dataset;
}

// TfrmPlanQuery ("日程查询"): the schedule narrowed to a span of days, or shown whole again.
class PlanQueryDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit PlanQueryDialog(store::Dataset &entries, QWidget *parent = nullptr);

    QDateEdit *start() const { return m_start; }
    QDateEdit *end() const { return m_end; }

    // The schedule query over a span of whole days (both ends included), and over every entry.
    static void showSpan(store::Dataset &entries, const QDate &from, const QDate &to);
    static void showAll(store::Dataset &entries);

  private:
    store::Dataset &m_entries;
    QDateEdit *m_start;
    QDateEdit *m_end;
};
