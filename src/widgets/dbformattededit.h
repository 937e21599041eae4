#pragma once

#include <QLineEdit>
#include <QVariant>
#include <optional>

class FieldLink;

namespace store
{
class Dataset;
}

// A one-line input whose text stands for a typed value (a date, a time, a number). A complete
// text is written into the current row as it is typed and blanking the input writes an empty
// value; a partly typed text only starts editing the row. Leaving the input with a text that
// is no value shows the stored value again and says why.
class DbFormattedEdit : public QLineEdit
{
    Q_OBJECT
  public:
    void bind(store::Dataset *dataset, const QString &field);
    FieldLink *link() const { return m_link; }

    // Nothing typed: only blanks and the mask's separators.
    bool isBlank() const;
    // The value the text stands for; nothing while blank or unfinished.
    std::optional<QVariant> typedValue() const;
    // Something typed that is no value (a time "25:61:00", a half-typed date): the row
    // still holds the last good value, so a save must not pass over it in silence.
    bool isUnfinished() const { return !isBlank() && !typedValue(); }
    // Why the shown text is no value, as the input says when it is left.
    QString invalidText() const { return invalidMessage(displayText()); }

  protected:
    explicit DbFormattedEdit(QWidget *parent);

    virtual std::optional<QVariant> parse(const QString &text) const = 0;
    virtual QString format(const QVariant &value) const = 0;
    virtual QString invalidMessage(const QString &shown) const = 0;
    // Called before each refresh, e.g. to follow the field's type.
    virtual void prepare() {}

    // Shows a value chosen in a drop-down dialog and writes it.
    void setChosenValue(const QVariant &value);
    // Checks the text once the user is done with it.
    void finish();

    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void refresh();
    void onTextEdited();

    FieldLink *m_link;
    bool m_finishing = false;
};
