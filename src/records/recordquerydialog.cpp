#include "recordquerydialog.h"

#include "choicequerydialog.h"
#include "datamodule.h"
#include "messagebox.h"
#include "session.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace
{

using Choice = RecordQueryDialog::Choice;

const struct {
    Choice choice;
    const char *caption;
} Choices[] = {
    {Choice::All, "所有业务"},      {Choice::Code, "业务代码"},       {Choice::Title, "业务标题"},
    {Choice::Agent, "客户代码"},    {Choice::Referrer, "业务员代码"}, {Choice::State, "业务状态代码"},
};

} // namespace

RecordQueryDialog::RecordQueryDialog(store::DataModule &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_span(new QRadioButton(QStringLiteral("选择时间段查询："), this)),
      m_other(new QRadioButton(QStringLiteral("选择其他查询条件："), this)),
      m_start(QueryDialogParts::dayInput("dtpStart", QDate::currentDate().addDays(-30), this)),
      m_end(QueryDialogParts::dayInput("dtpEnd", QDate::currentDate(), this)),
      m_condition(new QComboBox(this)), m_value(new QLineEdit(this))
{
    setObjectName(QStringLiteral("TfrmOperateQuery1"));
    setWindowTitle(QStringLiteral("业务查询"));
    m_span->setObjectName(QStringLiteral("rbDate"));
    m_other->setObjectName(QStringLiteral("rbOther"));
    m_span->setChecked(true);

    // A choice may also be typed; one that names no item changes nothing.
    m_condition->setObjectName(QStringLiteral("cbCondition"));
    m_condition->setEditable(true);
    m_condition->setInsertPolicy(QComboBox::NoInsert);
    for (const auto &c : Choices)
        m_condition->addItem(QString::fromUtf8(c.caption));
    m_condition->setCurrentIndex(0);
    connect(m_condition, &QComboBox::currentTextChanged, this, &RecordQueryDialog::choiceChanged);
    m_value->setObjectName(QStringLiteral("edtCondition"));
    m_value->setEnabled(false); // the list starts on 所有业务

    auto *grid = new QGridLayout;
    grid->addWidget(m_span, 0, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("起始时间"), this), 1, 0);
    grid->addWidget(m_start, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("截止时间"), this), 1, 2);
    grid->addWidget(m_end, 1, 3);
    grid->addWidget(m_other, 2, 0, 1, 4);
    grid->addWidget(m_condition, 3, 1, 1, 3);
    auto *valueLabel = new QLabel(QStringLiteral("请输入查询条件："), this);
    valueLabel->setBuddy(m_value);
    grid->addWidget(valueLabel, 4, 0);
    grid->addWidget(m_value, 4, 1, 1, 3);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(QueryDialogParts::buttonRow(this, "btnOK", "btnCancel", [this] { apply(); }));
    setMinimumWidth(360);
}

void RecordQueryDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_span->setFocus();
}

std::optional<Choice> RecordQueryDialog::choiceOf(const QString &text)
{
    for (const auto &c : Choices)
        if (text == QString::fromUtf8(c.caption))
            return c.choice;
    return std::nullopt;
}

void RecordQueryDialog::choiceChanged()
{
    m_value->clear();
    m_value->setEnabled(choiceOf(m_condition->currentText()) != Choice::All);
}

store::Condition RecordQueryDialog::filterFor(Choice choice, const QString &value,
                                              bool administrator, const QString &user)
{
    using store::Condition;
    Condition c;
    switch (choice) {
    case Choice::All:
        break;
    case Choice::Code:
        c = Condition::like(QStringLiteral("OperateID"), value);
        break;
    case Choice::Title:
        c = Condition::like(QStringLiteral("OperateTitle"), value);
        break;
    case Choice::Agent:
        c = Condition::like(QStringLiteral("CustID"), value);
        break;
    case Choice::Referrer:
        c = administrator ? Condition::eq(QStringLiteral("OperaterID"), value)
                          : Condition::like(QStringLiteral("OperaterID"), value);
        break;
    case Choice::State:
        c = Condition::eq(QStringLiteral("OperateStateID"), value);
        break;
    }
    return administrator ? c : c && Condition::eq(QStringLiteral("SUser"), user);
}

store::Condition RecordQueryDialog::filterForSpan(const QDate &a, const QDate &b, bool administrator,
                                                  const QString &user)
{
    using store::Condition;
    const Condition days = Condition::wholeDays(QStringLiteral("CreateDate"), a, b);
    return administrator ? days : days && Condition::eq(QStringLiteral("SUser"), user);
}

// 确定: the filter replaces the list's previous one and the dialog closes. An empty value (blanks
// count as content) keeps the dialog open; a typed choice that names no item closes it and
// leaves the list as it was.
void RecordQueryDialog::apply()
{
    const QString user = store::session().CurrentUserID;
    const bool administrator = m_dm.isAdministrator(user);
    store::Condition filter;
    if (m_span->isChecked()) {
        filter = filterForSpan(m_start->date(), m_end->date(), administrator, user);
    } else {
        const QString text = m_condition->currentText();
        if (text != QStringLiteral("所有业务") && m_value->text().isEmpty()) {
            MessageBox::warning(this, QStringLiteral("请输入查询条件!"));
            m_value->setFocus();
            return;
        }
        const std::optional<Choice> choice = choiceOf(text);
        if (!choice) {
            accept();
            return;
        }
        filter = filterFor(*choice, m_value->text().trimmed(), administrator, user);
    }
    m_dm.tblOperates2.setFilter(filter);
    accept();
}
