#pragma once

#include <QDate>
#include <QDialog>
#include <QList>
#include <optional>

class QCalendarWidget;

// "日历": a month calendar. It stands in for the desktop's date settings panel and is the
// drop-down of date fields.
class CalendarDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit CalendarDialog(QWidget *parent = nullptr, bool choosing = false);

    QCalendarWidget *calendar() const { return m_calendar; }
    QDate selectedDate() const;
    void setSelectedDate(const QDate &date);

    // Asks for a day starting at `initial` (today when invalid); nothing when cancelled.
    static std::optional<QDate> getDate(QWidget *parent, const QDate &initial);

    // Test hooks for getDate: answers are taken in order; none queued is a cancel.
    static void setNextDate(const QDate &date);
    static void setNextCancel();
    static QList<QDate> &calls(); // the initial day of each request
    static void clearHistory();

  private:
    QCalendarWidget *m_calendar;
};
