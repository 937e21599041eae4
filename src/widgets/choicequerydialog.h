#pragma once

#include "condition.h"

#include <QDialog>
#include <QList>
#include <functional>

class QComboBox;
class QDate;
class QDateEdit;
class QHBoxLayout;
class QLineEdit;

// One choice of a query dialog after its all-rows choice: the caption the list offers, the
// field looked in and how the typed value is compared with it.
struct QueryChoice {
    enum class Kind {
        Contains, // the field holds the value somewhere (never a field with nothing in it)
        Equals,   // the field is the whole value
    };
    const char *caption;
    const char *field;
    Kind kind = Kind::Contains;
    // The message when 确定 finds no value typed; the dialog's own when null.
    const char *emptyMessage = nullptr;

    QString fieldName() const { return QString::fromLatin1(field); }
    // The row filter of this choice with `value` bound as it stands: quotes, "%" and "_" in it
    // match themselves.
    store::Condition filter(const QString &value) const;
};

// What a query dialog of one chosen condition and one typed value is made of. The object
// names default to those most of these dialogs have.
struct QueryDialogDescription {
    const char *objectName;
    QString title;
    QString allCaption; // the first choice: every row
    QList<QueryChoice> choices;
    QString valueLabel = QStringLiteral("请输入查询条件：");
    QString emptyMessage = QStringLiteral("请输入查询条件!");
    // The choice may also be typed; a text that names none of them closes the dialog unchanged.
    bool typedChoice = false;
    const char *choiceName = "cbCondition";
    const char *valueName = "edValue";
    const char *okName = "btnOK";
    const char *cancelName = "btnCancel";
};

// A query dialog: a list of choices, a value, 确定 and 取消. The value is enabled (and emptied)
// for every choice but the first. 确定 asks for a value where a choice needs one (blanks count
// as a value), then runs the search, which says whether it found anything: the dialog closes
// when it did and stays open with "对不起，没有找到符合条件的记录！" when it did not.
class ChoiceQueryDialog : public QDialog
{
    Q_OBJECT
  public:
    using Search = std::function<bool(const QueryChoice *choice, const QString &value)>;

    // `search` gets the chosen choice (null for the all-rows choice) and the value as typed.
    ChoiceQueryDialog(const QueryDialogDescription &description, Search search,
                      QWidget *parent = nullptr);

    QComboBox *choice() const { return m_choice; }
    QLineEdit *value() const { return m_value; }

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void choiceChanged(const QString &text);
    void apply();

    QueryDialogDescription m_description;
    Search m_search;
    QComboBox *m_choice;
    QLineEdit *m_value;
};

namespace QueryDialogParts
{
// The row of 确定 (the default button, running `apply` under the general error display) and
// 取消 (closing the dialog unchanged), at the right edge.
QHBoxLayout *buttonRow(QDialog *dialog, const char *okName, const char *cancelName,
                       std::function<void()> apply);
// A day input of a span query.
QDateEdit *dayInput(const char *objectName, const QDate &day, QWidget *parent);
} // namespace QueryDialogParts
