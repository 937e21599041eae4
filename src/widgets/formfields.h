#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <utility>

class DbLineEdit;
class DbLookupCombo;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace store
{
class Dataset;
}

// The pieces the data-entry forms are built of: inputs bound to a field of the form's dataset
// and named as the system names them, the small buttons beside them, and the grid rows that
// caption them.
namespace FormFields
{

// An input of type T (DbLineEdit, DbDateEdit, DbMemo, ...) bound to `field` of `set`.
template <typename T>
T *bound(QWidget *parent, const char *objectName, store::Dataset &set, const QString &field)
{
    auto *input = new T(parent);
    input->setObjectName(QLatin1String(objectName));
    input->bind(&set, field);
    return input;
}

// A code field of `set` chosen by the names `listField` of `source`, storing its `keyField`.
DbLookupCombo *choice(QWidget *parent, const char *objectName, store::Dataset &set,
                      const QString &field, store::Dataset &source, const QString &listField,
                      const QString &keyField);

// The inputs of one form, bound to fields of the form's dataset.
class Binder
{
  public:
    Binder(QWidget *form, store::Dataset &set) : m_form(form), m_set(set) {}

    template <typename T> T *input(const char *objectName, const char *field) const
    {
        return bound<T>(m_form, objectName, m_set, QLatin1String(field));
    }
    DbLineEdit *text(const char *objectName, const char *field) const;
    DbLookupCombo *choice(const char *objectName, const char *field, store::Dataset &source,
                          const char *listField, const char *keyField) const;

  private:
    QWidget *m_form;
    store::Dataset &m_set;
};

// A button beside a field: reached by Tab, never the default button of a dialog.
QPushButton *button(QWidget *parent, const char *objectName, const QString &text);

// 发送邮件 and 打开..., which hand the e-mail address and the home page to the desktop.
QPushButton *sendMailButton(QWidget *parent, const QLineEdit *email);
QPushButton *openHomePageButton(QWidget *parent, const QLineEdit *homePage);

// Shows an address field as a link.
void showAsLink(QLineEdit *field);

// A grid with the forms' margins and spacing.
QGridLayout *grid(QWidget *form);

// A captioned row: the caption (none when empty) at `labelColumn`, the field with the widgets
// `beside` it (null ones left out) over the next `span` columns.
void addRow(QGridLayout *grid, int row, int labelColumn, const QString &label, QWidget *field,
            const QList<QWidget *> &beside = {}, int span = 1);

// A tall field (a memo) with its caption at the top, over `rowSpan` rows and `columnSpan`
// columns right of the caption.
void addTallRow(QGridLayout *grid, int row, int labelColumn, const QString &label, QWidget *field,
                int rowSpan, int columnSpan);

// The text a field shows, as the required-field checks read it.
QString shownText(const QWidget *field);

// The check of a form's fields before a save: an input in `form` whose typed text is no value
// is refused first, naming its field (storing the last good value in silence would lose what
// was typed); then the first field (in the order given) that shows nothing is named by its
// message in a warning and gets the focus. A null field, or one without a message, is not
// required. False when a field was refused or missing.
bool requireShown(QWidget *form, const QList<std::pair<QWidget *, QString>> &required);

// Ctrl+A in the fields is the window's 新增, not select-all: the fields leave that key to it.
// The filter lives as long as `owner`.
void leaveCtrlAToWindow(QObject *owner, const QList<QWidget *> &fields);

} // namespace FormFields
