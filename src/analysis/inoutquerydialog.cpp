#include "inoutquerydialog.h"

#include "choicequerydialog.h"
#include "datamodule.h"
#include "ledgerquery.h"
#include "session.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

InOutQueryDialog::InOutQueryDialog(store::DataModule &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm),
      m_from(QueryDialogParts::dayInput("dtpBegin", QDate::currentDate().addDays(-30), this)),
      m_to(QueryDialogParts::dayInput("dtpEnd", QDate::currentDate(), this))
{
    setObjectName(QStringLiteral("TfrmInOutQuery"));
    setWindowTitle(QStringLiteral("查询"));
    auto *group = new QGroupBox(QStringLiteral("按起止时间查询："), this);
    auto *fields = new QFormLayout(group);
    fields->addRow(QStringLiteral("起始时间："), m_from);
    fields->addRow(QStringLiteral("截止时间："), m_to);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    // Enter in a date field runs the query.
    layout->addLayout(QueryDialogParts::buttonRow(this, "btnOK", "btnCancel", [this] { apply(); }));
    m_from->setFocus();
}

void InOutQueryDialog::apply()
{
    const QString kind = store::session().LedgerKind;
    if (kind == QStringLiteral("应收账款"))
        LedgerQuery::open(m_dm.qryGathering, true, m_from->date(), m_to->date());
    else if (kind == QStringLiteral("应付账款"))
        LedgerQuery::open(m_dm.qryPayment, false, m_from->date(), m_to->date());
    accept();
}
