#include "choicequerydialog.h"

#include "errordisplay.h"
#include "messagebox.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

store::Condition QueryChoice::filter(const QString &value) const
{
    const QString column = fieldName();
    if (kind == Kind::Equals)
        return store::Condition::eq(column, value);
    // A column with nothing in it never contains a value, not even the empty one.
    return store::Condition::like(column, value) && !store::Condition::isEmpty(column);
}

ChoiceQueryDialog::ChoiceQueryDialog(const QueryDialogDescription &description, Search search,
                                     QWidget *parent)
    : QDialog(parent), m_description(description), m_search(std::move(search)),
      m_choice(new QComboBox(this)), m_value(new QLineEdit(this))
{
    setObjectName(QLatin1String(description.objectName));
    setWindowTitle(description.title);

    m_choice->setObjectName(QLatin1String(description.choiceName));
    if (description.typedChoice) {
        m_choice->setEditable(true);
        m_choice->setInsertPolicy(QComboBox::NoInsert);
    }
    m_choice->addItem(description.allCaption);
    for (const QueryChoice &c : description.choices)
        m_choice->addItem(QString::fromUtf8(c.caption));
    connect(m_choice, &QComboBox::currentTextChanged, this, &ChoiceQueryDialog::choiceChanged);

    m_value->setObjectName(QLatin1String(description.valueName));
    m_value->setEnabled(false); // the list starts on the all-rows choice

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("请选择查询条件："), this));
    layout->addWidget(m_choice);
    layout->addWidget(new QLabel(description.valueLabel, this));
    layout->addWidget(m_value);
    layout->addLayout(QueryDialogParts::buttonRow(this, description.okName, description.cancelName,
                                                  [this] { apply(); }));
    setMinimumWidth(300);
}

void ChoiceQueryDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_choice->setFocus();
}

void ChoiceQueryDialog::choiceChanged(const QString &text)
{
    m_value->clear();
    m_value->setEnabled(text != m_description.allCaption);
}

void ChoiceQueryDialog::apply()
{
    const QString text = m_choice->currentText();
    const QueryChoice *chosen = nullptr;
    if (text != m_description.allCaption) {
        for (const QueryChoice &c : m_description.choices)
            if (text == QString::fromUtf8(c.caption))
                chosen = &c;
        if (!chosen) {
            reject(); // a typed choice that names none of them changes nothing
            return;
        }
        if (m_value->text().isEmpty()) {
            MessageBox::warning(this, chosen->emptyMessage ? QString::fromUtf8(chosen->emptyMessage)
                                                           : m_description.emptyMessage);
            m_value->setFocus();
            return;
        }
    }
    if (m_search(chosen, m_value->text())) {
        accept();
        return;
    }
    MessageBox::warning(this, QStringLiteral("对不起，没有找到符合条件的记录！"));
}

QHBoxLayout *QueryDialogParts::buttonRow(QDialog *dialog, const char *okName,
                                         const char *cancelName, std::function<void()> apply)
{
    QPushButton *ok =
        ErrorDisplay::commandButton(dialog, okName, QStringLiteral("确定"), std::move(apply));
    ok->setDefault(true); // Enter in an input applies
    auto *cancel = new QPushButton(QStringLiteral("取消"), dialog);
    cancel->setObjectName(QLatin1String(cancelName));
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}

QDateEdit *QueryDialogParts::dayInput(const char *objectName, const QDate &day, QWidget *parent)
{
    auto *d = new QDateEdit(day, parent);
    d->setObjectName(QLatin1String(objectName));
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    d->setCalendarPopup(true);
    return d;
}
