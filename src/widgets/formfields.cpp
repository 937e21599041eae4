#include "formfields.h"

#include "dbformattededit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "desktopservices.h"
#include "messagebox.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{

class CtrlAFilter : public QObject
{
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent *>(event)->keyCombination() ==
                QKeyCombination(Qt::ControlModifier, Qt::Key_A))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

namespace FormFields
{

DbLookupCombo *choice(QWidget *parent, const char *objectName, store::Dataset &set,
                      const QString &field, store::Dataset &source, const QString &listField,
                      const QString &keyField)
{
    auto *c = new DbLookupCombo(parent);
    c->setObjectName(QLatin1String(objectName));
    c->setSource(&source, listField, keyField);
    c->bind(&set, field);
    return c;
}

DbLineEdit *Binder::text(const char *objectName, const char *field) const
{
    return input<DbLineEdit>(objectName, field);
}

DbLookupCombo *Binder::choice(const char *objectName, const char *field, store::Dataset &source,
                              const char *listField, const char *keyField) const
{
    return FormFields::choice(m_form, objectName, m_set, QLatin1String(field), source,
                              QLatin1String(listField), QLatin1String(keyField));
}

QPushButton *button(QWidget *parent, const char *objectName, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(objectName));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QPushButton *sendMailButton(QWidget *parent, const QLineEdit *email)
{
    auto *b = button(parent, "btnSendMail", QStringLiteral("发送邮件"));
    QObject::connect(b, &QPushButton::clicked, parent,
                     [email] { DesktopServices::sendMail(email->text()); });
    return b;
}

QPushButton *openHomePageButton(QWidget *parent, const QLineEdit *homePage)
{
    auto *b = button(parent, "btnOpenHomePage", QStringLiteral("打开..."));
    QObject::connect(b, &QPushButton::clicked, parent,
                     [homePage] { DesktopServices::openAddress(homePage->text()); });
    return b;
}

void showAsLink(QLineEdit *field)
{
    QFont f = field->font();
    f.setUnderline(true);
    field->setFont(f);
    field->setStyleSheet(QStringLiteral("color: #1f5fbf;"));
}

QGridLayout *grid(QWidget *form)
{
    auto *g = new QGridLayout(form);
    g->setContentsMargins(6, 6, 6, 6);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(4);
    return g;
}

void addRow(QGridLayout *grid, int row, int labelColumn, const QString &label, QWidget *field,
            const QList<QWidget *> &beside, int span)
{
    if (!label.isEmpty()) {
        auto *l = new QLabel(label);
        l->setBuddy(field);
        grid->addWidget(l, row, labelColumn);
    }
    QList<QWidget *> extras;
    for (QWidget *w : beside)
        if (w)
            extras << w;
    if (extras.isEmpty()) {
        grid->addWidget(field, row, labelColumn + 1, 1, span);
        return;
    }
    auto *box = new QHBoxLayout;
    box->setSpacing(4);
    box->addWidget(field, 1);
    for (QWidget *w : extras)
        box->addWidget(w);
    grid->addLayout(box, row, labelColumn + 1, 1, span);
}

void addTallRow(QGridLayout *grid, int row, int labelColumn, const QString &label, QWidget *field,
                int rowSpan, int columnSpan)
{
    auto *l = new QLabel(label);
    l->setBuddy(field);
    grid->addWidget(l, row, labelColumn, Qt::AlignTop);
    grid->addWidget(field, row, labelColumn + 1, rowSpan, columnSpan);
}

QString shownText(const QWidget *field)
{
    // A date or time shows nothing while only its mask's separators are there.
    if (const auto *typed = qobject_cast<const DbFormattedEdit *>(field))
        return typed->isBlank() ? QString() : typed->text();
    if (const auto *edit = qobject_cast<const QLineEdit *>(field))
        return edit->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(field)) {
        // A list that takes typed texts shows what was typed, in the list or not.
        if (combo->isEditable())
            return combo->currentText();
        return combo->currentIndex() < 0 ? QString() : combo->currentText();
    }
    return {};
}

bool requireShown(QWidget *form, const QList<std::pair<QWidget *, QString>> &required)
{
    if (DbFormattedEdit::refuseUnfinished(form))
        return false;
    for (const auto &[field, message] : required) {
        if (!field || message.isEmpty() || !shownText(field).isEmpty())
            continue;
        MessageBox::warning(form->window(), message);
        field->setFocus();
        return false;
    }
    return true;
}

void leaveCtrlAToWindow(QObject *owner, const QList<QWidget *> &fields)
{
    auto *filter = new CtrlAFilter(owner);
    for (QWidget *field : fields)
        field->installEventFilter(filter);
}

} // namespace FormFields
