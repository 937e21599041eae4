#include "contactform.h"

#include "agentchoice.h"
#include "dbcheckbox.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbmemo.h"
#include "desktopservices.h"
#include "enterchain.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

ContactForm::ContactForm(store::Dataset &contacts, Kind kind, store::Dataset *agents,
                         QWidget *parent)
    : QWidget(parent), m_contacts(contacts), m_chain(new EnterChain(this))
{
    const bool detail = kind == Kind::DetailPage;
    m_code = lineEdit("edtLinkmanID", QStringLiteral("LinkmanID"));
    m_name = lineEdit("edtName", QStringLiteral("Name"));
    m_main = new DbCheckBox(QStringLiteral("是否主要联系人"), this);
    m_main->setObjectName(QStringLiteral("cbMain"));
    m_main->bind(&contacts, QStringLiteral("Main"));
    if (detail) {
        m_agentChoice = new AgentChoice(this);
        m_agentChoice->setObjectName(QStringLiteral("cbCustomer"));
        m_agentChoice->setAgents(agents);
        m_agentChoice->bind(&contacts, QStringLiteral("CustID"));
        m_agent = m_agentChoice;
        m_pickAgent = button("btnQueryCustomer", QStringLiteral("查询..."));
    } else {
        DbLineEdit *agentName = lineEdit("edtCustName", QStringLiteral("CustName"));
        agentName->setReadOnly(true); // the agent is the one the agent window shows
        m_agent = agentName;
    }
    m_nickName = lineEdit("edtNickName", QStringLiteral("NickName"));
    m_department = lineEdit("edtDepartment", QStringLiteral("Department"));
    m_duty = lineEdit("edtDuty", QStringLiteral("Duty"));
    m_telephone = lineEdit("edtTelephone", QStringLiteral("Telephone"));
    m_fax = lineEdit("edtFax", QStringLiteral("Fax"));
    m_mobile = lineEdit("edtMobile", QStringLiteral("Mobile"));
    m_homeAddress = lineEdit("edtHomeAddress", QStringLiteral("HomeAddress"));
    m_email = lineEdit("edtEmail", QStringLiteral("Email"));
    m_homePage = lineEdit("edtHomePage", QStringLiteral("HomePage"));
    for (DbLineEdit *link : {m_email, m_homePage}) {
        QFont f = link->font();
        f.setUnderline(true);
        link->setFont(f);
        link->setStyleSheet(QStringLiteral("color: #1f5fbf;"));
    }
    m_enjoy = lineEdit("edtEnjoy", QStringLiteral("Enjoy"));
    m_specialDate = new DbDateEdit(this);
    m_specialDate->setObjectName(QStringLiteral("deSpecialDate"));
    m_specialDate->bind(&contacts, QStringLiteral("SpecialDate"));
    m_memo = new DbMemo(this);
    m_memo->setObjectName(QStringLiteral("mmMemo"));
    m_memo->bind(&contacts, QStringLiteral("Memo"));
    m_memo->setMaximumHeight(70);

    auto *sendMail = button("btnSendMail", QStringLiteral("发送邮件"));
    connect(sendMail, &QPushButton::clicked, this,
            [this] { DesktopServices::sendMail(m_email->text()); });
    auto *openHome = button("btnOpenHomePage", QStringLiteral("打开..."));
    connect(openHome, &QPushButton::clicked, this,
            [this] { DesktopServices::openAddress(m_homePage->text()); });

    // Two columns of fields, the memo across the bottom.
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(4);
    const auto row = [grid](int r, int c, const QString &label, QWidget *field,
                            QWidget *extra = nullptr) {
        if (!label.isEmpty()) {
            auto *l = new QLabel(label);
            l->setBuddy(field);
            grid->addWidget(l, r, c * 2);
        }
        if (!extra) {
            grid->addWidget(field, r, c * 2 + 1);
            return;
        }
        auto *box = new QHBoxLayout;
        box->setSpacing(4);
        box->addWidget(field, 1);
        box->addWidget(extra);
        grid->addLayout(box, r, c * 2 + 1);
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
    auto *memoLabel = new QLabel(QStringLiteral("备注"), this);
    memoLabel->setBuddy(m_memo);
    grid->addWidget(memoLabel, 8, 0, Qt::AlignTop);
    grid->addWidget(m_memo, 8, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

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
    for (QWidget *field : first + rest)
        field->installEventFilter(this);
}

// Ctrl+A is the editor's 新增, not select-all: the fields leave that key to the window.
bool ContactForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent *>(event)->keyCombination() ==
            QKeyCombination(Qt::ControlModifier, Qt::Key_A))
        return true;
    return QWidget::eventFilter(watched, event);
}

DbLineEdit *ContactForm::lineEdit(const char *objectName, const QString &field)
{
    auto *e = new DbLineEdit(this);
    e->setObjectName(QLatin1String(objectName));
    e->bind(&m_contacts, field);
    return e;
}

QPushButton *ContactForm::button(const char *objectName, const QString &text)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(objectName));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}
