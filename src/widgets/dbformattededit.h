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

    // The field's name in messages. Without one, the label the input is the buddy of names it.
    void setCaption(const QString &caption) { m_caption = caption; }
    QString caption() const;

    // Nothing typed: only blanks, and the mask's separators where there is a mask.
    bool isBlank() const;
    // The value the text stands for; nothing while blank or unfinished.
    std::optional<QVariant> typedValue() const;
    // Something typed that is no value (a time "25:61:00", a half-typed date): the row
    // still holds the last good value, so a save must not pass over it in silence.
    bool isUnfinished() const { return !isBlank() && !typedValue(); }
    // Why the shown text is no value, naming the field: the one message for it, whether the
    // input is left or a save finds it.
    QString invalidText() const;

    // A save's check of what was typed: the first input in `scope` (or `scope` itself) whose
    // text is no value is named in one warning and takes the focus, keeping its text to be
    // corrected. True when one was found.
    static bool refuseUnfinished(QWidget *scope);

  protected:
    explicit DbFormattedEdit(QWidget *parent);

    virtual std::optional<QVariant> parse(const QString &text) const = 0;
    virtual QString format(const QVariant &value) const = 0;
    // The message for an invalid text; `subject` is the field's caption, or the shown text in
    // quotes when the input has no caption.
    virtual QString invalidMessage(const QString &subject) const = 0;
    // Called before each refresh, e.g. to follow the field's type.
    virtual void prepare() {}

    // Shows a value chosen in a drop-down dialog and writes it.
    void setChosenValue(const QVariant &value);
    // Checks the text once the user is done with it.
    void finish();

    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void refresh();
    // True while a partly typed text is kept over a refresh: the row it was begun on is still
    // being edited and the field still holds the value it held then.
    bool keepsTyping() const;
    void onTextEdited();
    // An empty mask is typed into from its first position, wherever the cursor was.
    void homeWhenBlank();

    FieldLink *m_link;
    QString m_caption;
    // Where a partly typed text was begun: the current row and the field's value then. A write
    // to another field of that row shows the row again and must not wipe what is being typed.
    struct Begun {
        int row;
        QVariant value;
    };
    std::optional<Begun> m_begun;
    bool m_finishing = false;
};
