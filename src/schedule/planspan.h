#pragma once

#include <QWidget>

class QButtonGroup;
class QRadioButton;

namespace store
{
class Dataset;
}

// The choice above the schedule list: "今天" (today's entries and the overdue ones, those of
// the days before), "本周" (those and the rest of this week, to Sunday) or "全部" (every entry
// the list's statement reads). It filters the list, and 刷新 reads the span again; a command
// that sets the list's statement and switches the filter off (the module command, 查询) shows
// "全部" again.
class PlanSpan : public QWidget
{
    Q_OBJECT
  public:
    enum Span { Today, Week, All };

    PlanSpan(store::Dataset &entries, QWidget *parent = nullptr);

    Span span() const;
    QRadioButton *button(Span span) const;
    // The last day a span shows, counted from `today`; a null date for 全部.
    static QDate lastDay(Span span, const QDate &today);

  private:
    void choose(Span span);
    void follow();

    store::Dataset &m_entries;
    QButtonGroup *m_group;
    Span m_shown = All;
};
