#include "planquerydialog.h"

#include "choicequerydialog.h"
#include "dataset.h"
#include "errordisplay.h"

#include <QDate>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

PlanQueryDialog::PlanQueryDialog(store::Dataset &entries, QWidget *parent)
    : QDialog(parent), m_entries(entries),
      m_start(QueryDialogParts::dayInput("dtpStart", QDate::currentDate().addDays(-7), this)),
      m_end(QueryDialogParts::dayInput("dtpEnd", QDate::currentDate().addDays(7), this))
{
    setObjectName(QStringLiteral("TfrmPlanQuery"));
    setWindowTitle(QStringLiteral("日程查询"));
    auto *group = new QGroupBox(QStringLiteral("按起止时间查询："), this);
    auto *form = new QFormLayout(group);
    form->addRow(QStringLiteral("起始时间"), m_start);
    form->addRow(QStringLiteral("截止时间"), m_end);

    QPushButton *ok = ErrorDisplay::commandButton(this, "btnOk", QStringLiteral("确定"), [this] {
        showSpan(m_entries, m_start->date(), m_end->date());
        accept();
    });
    // Enter in a date is 确定, as the dialog's default button.
    ok->setDefault(true);
    ok->setAutoDefault(true);
    QPushButton *cancel = ErrorDisplay::commandButton(this, "btnCancel", QStringLiteral("取消"),
                                                      [this] { reject(); });
    QPushButton *all =
        ErrorDisplay::commandButton(this, "btnAll", QStringLiteral("查询全部"), [this] {
            showAll(m_entries);
            accept();
        });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(all);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    m_start->setFocus();
}

void PlanQueryDialog::showSpan(store::Dataset &entries, const QDate &from, const QDate &to)
{
    entries.close();
    entries.setSql(
        QStringList{QStringLiteral("select * from tblPlan "),
                    QStringLiteral(" where PlanDate between :planDate1 and :planDate2 ")});
    entries.clearFilter();
    entries.setParam(QStringLiteral("planDate1"), from);
    entries.setParam(QStringLiteral("planDate2"), to);
    entries.open();
}

void PlanQueryDialog::showAll(store::Dataset &entries)
{
    entries.close();
    entries.setSql(QStringLiteral("select * from tblPlan"));
    entries.clearFilter();
    entries.open();
}
