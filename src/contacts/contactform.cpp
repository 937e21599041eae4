#include "contactform.h"

#include "agentchoice.h"
#include "dbcheckbox.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbmemo.h"
#include "enterchain.h"
#include "formfields.h"

#include <QGridLayout>
#include <QPushButton>

ContactForm::ContactForm(store::Dataset &contacts, Kind kind, store::Dataset *agents,
                         QWidget *parent)
    : QWidget(parent), m_contacts(contacts), m_chain(new EnterChain(this))
{
    using namespace FormFields;
    const bool detail = kind == Kind::DetailPage;
    const Binder bind(this, contacts);
    m_code = bind.text("edtLinkmanID", "LinkmanID");
    m_name = bind.text("edtName", "Name");
    m_main = new DbCheckBox(QStringLiteral("是否主要联系人"), this);
    m_main->setObjectName(QStringLiteral("cbMain"));
    m_main->bind(&contacts, QStringLiteral("Main"));
    if (detail) {
        m_agentChoice = new AgentChoice(this);
        m_agentChoice->setObjectName(QStringLiteral("cbCustomer"));
        m_agentChoice->setAgents(agents);
        m_agentChoice->bind(&contacts, QStringLiteral("CustID"));
        m_agent = m_agentChoice;
        m_pickAgent = button(this, "btnQueryCustomer", QStringLiteral("查询..."));
    } else {
        DbLineEdit *agentName = bind.text("edtCustName", "CustName");
        agentName->setReadOnly(true); // the agent is the one the agent window shows
        m_agent = agentName;
    }
    m_nickName = bind.text("edtNickName", "NickName");
    m_department = bind.text("edtDepartment", "Department");
    m_duty = bind.text("edtDuty", "Duty");
    m_telephone = bind.text("edtTelephone", "Telephone");
    m_fax = bind.text("edtFax", "Fax");
    m_mobile = bind.text("edtMobile", "Mobile");
    m_homeAddress = bind.text("edtHomeAddress", "HomeAddress");
    m_email = bind.text("edtEmail", "Email");
    m_homePage = bind.text("edtHomePage", "HomePage");
    showAsLink(m_email);
    showAsLink(m_homePage);
    m_enjoy = bind.text("edtEnjoy", "Enjoy");
    m_specialDate = bind.input<DbDateEdit>("deSpecialDate", "SpecialDate");
    m_memo = bind.input<DbMemo>("mmMemo", "Memo");
    m_memo->setMaximumHeight(70);
    QPushButton *sendMail = sendMailButton(this, m_email);
    QPushButton *openHome = openHomePageButton(this, m_homePage);

    // Two columns of fields, the memo across the bottom.
    QGridLayout *g = grid(this);
    const auto row = [g](int r, int c, const QString &label, QWidget *field,
                         QWidget *beside = nullptr) {
        addRow(g, r, c * 2, label, field, {beside});
    };
    row(0, 0, QStringLiteral("联系人代码"), m_code);
    row(1, 0, QStringLiteral("联系人姓名"), m_name);
    row(2, 0, QString(), m_main);
    row(3, 0, detail ? QStringLiteral("客户名称") : QStringLiteral("商务代理"), m_agent,
        m_pickAgent);
    row(4, 0, QStringLiteral("称呼"), m_nickName);
    row(5, 0, QStringLiteral("部门"), m_department);
    row(6, 0, QStringLiteral("职务"), m_duty);
    row(7, 0, QStringLiteral("联系电话"), m_telephone);
    row(0, 1, QStringLiteral("传真"), m_fax);
    row(1, 1, QStringLiteral("移动电话"), m_mobile);
    row(2, 1, detail ? QStringLiteral("家庭地址") : QStringLiteral("详细地址"), m_homeAddress);
    row(3, 1, QStringLiteral("Email邮箱"), m_email, sendMail);
    row(4, 1, QStringLiteral("主页"), m_homePage, openHome);
    row(5, 1, QStringLiteral("兴趣爱好"), m_enjoy);
    row(6, 1, QStringLiteral("特殊纪念日"), m_specialDate);
    addTallRow(g, 8, 0, QStringLiteral("备注"), m_memo, 1, 3);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);

    // Enter walks the fields in data-entry order; the memo keeps Enter for its new lines. On
    // the detail page Enter goes no further than the agent choice.
    const QList<QWidget *> rest{m_nickName, m_department,  m_duty,  m_telephone,
                                m_fax,      m_mobile,      m_homeAddress, m_email,
                                m_homePage, m_enjoy,       m_specialDate, m_memo};
    const QList<QWidget *> first{m_code, m_name, m_main, m_agent};
    if (detail) {
        m_chain->setWidgets(first);
        m_chain2 = new EnterChain(rest, this);
        m_chain2->setKeepsEnter(m_memo);
    } else {
        m_chain->setWidgets(first + rest);
        m_chain->setKeepsEnter(m_memo);
    }
    leaveCtrlAToWindow(this, first + rest);
}
