#include "contactquerydialog.h"

#include "condition.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "session.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

namespace
{

// The conditions each member offers after "所有联系人", in list order: each looks for the
// value inside one column of the contact.
struct ContactCondition {
    const char *caption;
    const char *column;
};

const std::vector<ContactCondition> &conditions(ContactQueryDialog::Member member)
{
    static const std::vector<ContactCondition> list{{"商务代理代码", "CustID"},
                                                    {"联系人代码", "LinkmanID"},
                                                    {"联系人姓名", "Name"},
                                                    {"职务", "Duty"},
                                                    {"称呼", "NickName"}};
    // The mail query's "商务代理资料" is the agent code of the contact, not the agent's name.
    static const std::vector<ContactCondition> mail{{"商务代理资料", "CustID"},
                                                    {"联系人资料", "Name"}};
    return member == ContactQueryDialog::Member::List ? list : mail;
}

} // namespace

ContactQueryDialog::ContactQueryDialog(Member member, store::DataModule &dm, QWidget *parent)
    : QDialog(parent), m_member(member), m_dm(dm), m_condition(new QComboBox(this)),
      m_value(new QLineEdit(this))
{
    setObjectName(member == Member::List ? QStringLiteral("TfrmLinkmanQuery1")
                                         : QStringLiteral("TfrmLinkmanQuery"));
    setWindowTitle(QStringLiteral("联系人查询"));

    m_condition->setObjectName(QStringLiteral("cbCondition"));
    m_condition->addItem(QStringLiteral("所有联系人"));
    for (const ContactCondition &c : conditions(member))
        m_condition->addItem(QString::fromUtf8(c.caption));
    connect(m_condition, &QComboBox::currentIndexChanged, this,
            &ContactQueryDialog::conditionChosen);

    m_value->setObjectName(QStringLiteral("edValue"));
    m_value->setEnabled(false); // the list starts on "所有联系人"

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
    layout->addWidget(new QLabel(QStringLiteral("附加条件："), this));
    layout->addWidget(m_value);
    layout->addLayout(buttons);
    setMinimumWidth(300);
}

store::Dataset &ContactQueryDialog::dataset() const
{
    return m_member == Member::List ? m_dm.qryLinkmans1 : m_dm.qryLinkmans3;
}

void ContactQueryDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_condition->setFocus();
}

void ContactQueryDialog::conditionChosen(int index)
{
    m_value->clear();
    m_value->setEnabled(index > 0);
}

// 确定: the statement is built again from its first line, the chosen condition and, for the
// list of a user who is not an administrator, the owner, then read. Without a row the dialog
// stays open for another try and the list behind it shows that nothing matched.
void ContactQueryDialog::apply()
{
    const QString user = store::session().CurrentUserID;
    const bool owned = m_member == Member::List && !m_dm.isAdministrator(user);
    if (m_member == Member::Mail)
        m_dm.tblCustomers2.open(); // the agent columns of the mail list are looked up there
    const int chosen = m_condition->currentIndex() - 1;
    // Blanks count as content and stay part of the value.
    if (chosen >= 0 && m_value->text().isEmpty()) {
        MessageBox::warning(this, QStringLiteral("请输入附加查询条件!"));
        m_value->setFocus();
        return;
    }

    store::Dataset &set = dataset();
    set.close();
    QStringList lines{QStringLiteral("select * from tblLinkmans ")};
    if (chosen >= 0) {
        const QString column = QString::fromLatin1(conditions(m_member)[size_t(chosen)].column);
        lines << QStringLiteral(" where %1 Like :Value ESCAPE '\\'").arg(column);
        set.setParam(QStringLiteral("Value"), QString(QLatin1Char('%') +
                                                      store::escapeLike(m_value->text()) +
                                                      QLatin1Char('%')));
    }
    if (owned) {
        lines << (chosen >= 0 ? QStringLiteral(" and sUser=:sUser")
                              : QStringLiteral(" where sUser=:sUser"));
        set.setParam(QStringLiteral("sUser"), user);
    }
    set.setSql(lines);
    set.open();
    if (set.rowCount() > 0) {
        accept();
        return;
    }
    MessageBox::warning(this, QStringLiteral("对不起，没有找到符合条件的记录！"));
}
