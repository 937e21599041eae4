#include "inoutquerydialog.h"

#include "datamodule.h"
#include "errordisplay.h"
#include "ledgerquery.h"
#include "session.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

InOutQueryDialog::InOutQueryDialog(store::DataModule &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_from(new QDateEdit(QDate::currentDate().addDays(-30), this)),
      m_to(new QDateEdit(QDate::currentDate(), this))
{
    setObjectName(QStringLiteral("TfrmInOutQuery"));
    setWindowTitle(QStringLiteral("查询"));
    m_from->setObjectName(QStringLiteral("dtpBegin"));
    m_to->setObjectName(QStringLiteral("dtpEnd"));
    for (QDateEdit *e : {m_from, m_to}) {
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        e->setCalendarPopup(true);
    }
    auto *group = new QGroupBox(QStringLiteral("按起止时间查询："), this);
    auto *fields = new QFormLayout(group);
    fields->addRow(QStringLiteral("起始时间："), m_from);
    fields->addRow(QStringLiteral("截止时间："), m_to);

    QPushButton *ok = ErrorDisplay::commandButton(this, "btnOK", QStringLiteral("确定"), [this] { apply(); });
    ok->setDefault(true); // Enter in a date field runs the query
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
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
