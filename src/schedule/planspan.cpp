#include "planspan.h"

#include "condition.h"
#include "dataset.h"
#include "errordisplay.h"
#include "pendingedit.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>

namespace
{

// Overdue entries go back as far as any entry does.
const QDate Earliest(1900, 1, 1);

} // namespace

QButtonGroup *addRadioChoices(QWidget *parent, QBoxLayout *layout,
                              std::initializer_list<RadioChoice> choices)
{
    auto *group = new QButtonGroup(parent);
    int id = 0;
    for (const RadioChoice &c : choices) {
        auto *b = new QRadioButton(QString::fromUtf8(c.caption), parent);
        b->setObjectName(QLatin1String(c.objectName));
        group->addButton(b, id++);
        layout->addWidget(b);
    }
    return group;
}

PlanSpan::PlanSpan(store::Dataset &entries, QWidget *parent) : QWidget(parent), m_entries(entries)
{
    setObjectName(QStringLiteral("PlanSpan"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    m_group =
        addRadioChoices(this, layout, {{"今天", "rbToday"}, {"本周", "rbWeek"}, {"全部", "rbAll"}});
    layout->addStretch(1);
    button(All)->setChecked(true);
    // A click, or the arrow keys within the group.
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && id != m_shown)
            ErrorDisplay::run(this, [this, id] { choose(Span(id)); });
    });
    connect(&m_entries, &store::Dataset::rowsReset, this, &PlanSpan::follow);
}

PlanSpan::Span PlanSpan::span() const
{
    return m_shown;
}

QRadioButton *PlanSpan::button(Span span) const
{
    return static_cast<QRadioButton *>(m_group->button(span));
}

QDate PlanSpan::lastDay(Span span, const QDate &today)
{
    switch (span) {
    case Today:
        return today;
    case Week:
        return today.addDays(7 - today.dayOfWeek());
    case All:
        break;
    }
    return {};
}

void PlanSpan::choose(Span span)
{
    if (span == m_shown)
        return;
    // A new filter rereads the list: a row being typed is settled by its window first, and
    // stays with the span it was typed in when it is kept.
    if (!PendingEdit::settle(m_entries)) {
        button(m_shown)->setChecked(true);
        return;
    }
    m_shown = span;
    const QDate last = lastDay(span, QDate::currentDate());
    m_entries.setFilter(
        last.isValid() ? store::Condition::dateBetween(QStringLiteral("PlanDate"), Earliest, last)
                       : store::Condition());
    m_entries.open();
}

// A statement set anew with the filter off shows every entry again.
void PlanSpan::follow()
{
    if (m_shown == All || m_entries.isFiltered())
        return;
    m_shown = All;
    QSignalBlocker block(m_group);
    button(All)->setChecked(true);
}
