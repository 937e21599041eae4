#pragma once

#include "condition.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QRadioButton;

namespace store
{
class DataModule;
}

// TfrmOperateQuery1 ("业务查询"): narrows the record module's list (tblOperates2) to the records
// issued in a span of days or to those matching one condition, by replacing the list's row
// filter. Every filter binds its values; for a user who is not an administrator it also keeps
// to the user's own records.
class RecordQueryDialog : public QDialog
{
    Q_OBJECT
  public:
    // The items of the condition list, in order.
    enum class Choice { All, Code, Title, Agent, Referrer, State };

    explicit RecordQueryDialog(store::DataModule &dm, QWidget *parent = nullptr);

    QRadioButton *spanChoice() const { return m_span; }
    QRadioButton *otherChoice() const { return m_other; }
    QDateEdit *start() const { return m_start; }
    QDateEdit *end() const { return m_end; }
    QComboBox *condition() const { return m_condition; }
    QLineEdit *value() const { return m_value; }

    // The item a (possibly hand-typed) choice text names; nothing for none of them.
    static std::optional<Choice> choiceOf(const QString &text);
    // The filter of a choice and its trimmed value: the referrer code is matched exactly for an
    // administrator and as a part for anyone else, as the list has always done.
    static store::Condition filterFor(Choice choice, const QString &value, bool administrator,
                                      const QString &user);
    // The records issued on the days from the earlier to the later day, both included.
    static store::Condition filterForSpan(const QDate &a, const QDate &b, bool administrator,
                                          const QString &user);

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void choiceChanged();
    void apply();

    store::DataModule &m_dm;
    QRadioButton *m_span, *m_other;
    QDateEdit *m_start, *m_end;
    QComboBox *m_condition;
    QLineEdit *m_value;
};
