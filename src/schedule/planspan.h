#pragma once

#include <QWidget>
#include <initializer_list>

class QBoxLayout;
class QButtonGroup;
class QRadioButton;

// A row of radio buttons, one per choice in order (its id is its place, from 0), added to
// `layout` and grouped, so that the arrow keys move within them.
struct RadioChoice {
    const char *caption;
    const char *objectName;
};
QButtonGroup *addRadioChoices(QWidget *parent, QBoxLayout *layout,
                              std::initializer_list<RadioChoice> choices);

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
