#include "agentquerydialog.h"

#include "condition.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "messagebox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

namespace
{

// The conditions in the order the list offers them, after the all-agents choice. An exact
// condition compares a whole key; the others look for the value inside the column.
struct AgentCondition {
    const char *caption;
    const char *column;
    bool exact;
};

const AgentCondition Conditions[] = {
    {"商务代理代码", "CustID", false},    {"商务代理名称", "CustName", false},
    {"主要联系人", "MainLinkman", false}, {"地址", "Address", false},
    {"国家/地区", "CountryID", false},    {"省市", "DistID", false},
    {"电话", "Telephone", false},         {"传真", "Fax", false},
    {"推荐人代码", "OperaterID", true},   {"行业代码", "VocationID", true},
};

} // namespace

AgentQueryDialog::AgentQueryDialog(Member member, store::DataModule &dm, QWidget *parent)
    : QDialog(parent), m_member(member), m_dm(dm), m_condition(new QComboBox(this)),
      m_value(new QLineEdit(this))
{
    setObjectName(member == Member::List ? QStringLiteral("TfrmCustomerQuery3")
                                         : QStringLiteral("TfrmCustomerQuery4"));
    setWindowTitle(QStringLiteral("商务代理查询"));

    m_condition->setObjectName(QStringLiteral("cbCondition"));
    m_condition->addItem(member == Member::List ? QStringLiteral("所有代理")
                                                : QStringLiteral("所有商务代理"));
    for (const AgentCondition &c : Conditions)
        m_condition->addItem(QString::fromUtf8(c.caption));
    connect(m_condition, &QComboBox::currentIndexChanged, this, &AgentQueryDialog::conditionChosen);

    m_value->setObjectName(QStringLiteral("edValue"));
    m_value->setEnabled(false); // the list starts on the all-agents choice

    QPushButton *ok =
        ErrorDisplay::commandButton(this, "btnOK", QStringLiteral("确定"), [this] { apply(); });
    ok->setDefault(true); // Enter in the text box applies
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("请选择查询条件："), this));
    layout->addWidget(m_condition);
    layout->addWidget(new QLabel(QStringLiteral("请输入查询条件："), this));
    layout->addWidget(m_value);
    layout->addLayout(buttons);
    setMinimumWidth(300);
}

store::Dataset &AgentQueryDialog::dataset() const
{
    return m_member == Member::List ? m_dm.tblCustomers : m_dm.tblCustomers2;
}

void AgentQueryDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_condition->setFocus();
}

void AgentQueryDialog::conditionChosen(int index)
{
    m_value->clear();
    m_value->setEnabled(index > 0);
}

// 确定: the chosen condition (or none) joined with the ownership condition, which is empty for
// an administrator. A condition that finds nothing stays applied, so the list behind shows
// that nothing matched; the dialog stays open for another try.
void AgentQueryDialog::apply()
{
    store::Condition filter;
    if (m_condition->currentIndex() > 0) {
        // Blanks count as content here; they are trimmed away only when the filter is built.
        if (m_value->text().isEmpty()) {
            MessageBox::warning(this, QStringLiteral("请输入查询条件!"));
            m_value->setFocus();
            return;
        }
        filter = typedCondition();
    }
    filter = filter && m_dm.ownershipCondition();

    store::Dataset &set = dataset();
    set.setFilter(filter);
    set.open();
    if (set.rowCount() > 0) {
        accept();
        return;
    }
    MessageBox::warning(this, QStringLiteral("对不起，没有找到符合条件的记录！"));
}

// The chosen condition with the trimmed value bound as it stands: quotes, "%" and "_" in it
// match themselves. A column with nothing in it never contains a value, not even the empty
// one a value of blanks trims to.
store::Condition AgentQueryDialog::typedCondition() const
{
    const int chosen = m_condition->currentIndex() - 1;
    Q_ASSERT(chosen >= 0 && chosen < int(std::size(Conditions)));
    const AgentCondition &c = Conditions[chosen];
    const QString column = QString::fromLatin1(c.column);
    const QString value = m_value->text().trimmed();
    if (c.exact)
        return store::Condition::eq(column, value);
    return store::Condition::like(column, value) && !store::Condition::isEmpty(column);
}
