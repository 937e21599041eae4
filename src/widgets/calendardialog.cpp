#include "calendardialog.h"

#include "messagebox.h"
#include "scriptqueue.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
ScriptQueue<std::optional<QDate>, QDate> &script()
{
    static ScriptQueue<std::optional<QDate>, QDate> s;
    return s;
}
} // namespace

CalendarDialog::CalendarDialog(QWidget *parent, bool choosing)
    : QDialog(parent), m_calendar(new QCalendarWidget)
{
    setObjectName(QStringLiteral("CalendarDialog"));
    setWindowTitle(QStringLiteral("日历"));
    m_calendar->setObjectName(QStringLiteral("calendar"));
    m_calendar->setGridVisible(true);
    m_calendar->setFirstDayOfWeek(Qt::Monday);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_calendar);
    if (choosing) {
        // Choosing a day: OK takes it, a double click too.
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(m_calendar, &QCalendarWidget::activated, this, &QDialog::accept);
        layout->addWidget(buttons);
    } else {
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
        buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
    }
    setSelectedDate(QDate::currentDate());
}

QDate CalendarDialog::selectedDate() const
{
    return m_calendar->selectedDate();
}

void CalendarDialog::setSelectedDate(const QDate &date)
{
    m_calendar->setSelectedDate(date.isValid() ? date : QDate::currentDate());
}

std::optional<QDate> CalendarDialog::getDate(QWidget *parent, const QDate &initial)
{
    script().calls.append(initial);
    if (MessageBox::isScripted())
        return script().take(std::nullopt);
    CalendarDialog dialog(parent, true);
    dialog.setSelectedDate(initial);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedDate();
}

void CalendarDialog::setNextDate(const QDate &date)
{
    script().answers.append(date);
}
void CalendarDialog::setNextCancel()
{
    script().answers.append(std::nullopt);
}
QList<QDate> &CalendarDialog::calls()
{
    return script().calls;
}
void CalendarDialog::clearHistory()
{
    script().clear();
}
