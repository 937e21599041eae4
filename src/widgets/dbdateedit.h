#pragma once

#include "dbformattededit.h"

#include <QDate>

class QAction;

// A date field shown as yyyy-MM-dd. It may be empty: the clear button (or blanking the text)
// stores an empty date. The calendar button picks a day from the calendar.
class DbDateEdit : public DbFormattedEdit
{
    Q_OBJECT
  public:
    explicit DbDateEdit(QWidget *parent = nullptr);

    QDate date() const; // invalid while empty or unfinished
    static QDate toDate(const QVariant &value);

    QAction *calendarAction() const { return m_calendar; }
    QAction *clearAction() const { return m_clear; }

  public Q_SLOTS:
    void chooseDate();
    void clearDate();

  protected:
    std::optional<QVariant> parse(const QString &text) const override;
    QString format(const QVariant &value) const override;
    QString invalidMessage(const QString &subject) const override;

  private:
    QAction *m_calendar;
    QAction *m_clear;
};
