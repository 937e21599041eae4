#include "agentform.h"

#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbmemo.h"
#include "desktopservices.h"
#include "dictionaries.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "workspace.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

AgentForm::AgentForm(Workspace &ws, store::Dataset &agents, Labels labels, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_agents(agents), m_chain(new EnterChain(this))
{
    store::DataModule &dm = ws.dm;
    const bool modal = labels == Labels::ModalEditor;

    m_code = lineEdit("edtCustId", QStringLiteral("CustId"));
    m_name = lineEdit("edtCustName", QStringLiteral("CustName"));
    m_country = choice("cbCountry", QStringLiteral("CountryID"), dm.tblCountry,
                       QStringLiteral("CountryName"), QStringLiteral("CountryID"));
    // The province list is offered whatever country is chosen: agents abroad have regions too,
    // and a choice that depends on another field's text at one moment only confuses.
    m_province = choice("cbDist", QStringLiteral("DistID"), dm.tblCustDist,
                        QStringLiteral("DistName"), QStringLiteral("DistID"));
    m_city = lineEdit("edtCity", QStringLiteral("City"));
    m_postCode = lineEdit("edtPostCode", QStringLiteral("PostCode"));
    m_telephone = lineEdit("edtTelephone", QStringLiteral("Telephone"));
    m_fax = lineEdit("edtFax", QStringLiteral("Fax"));
    m_mainLinkman = lineEdit("edtMainLinkman", QStringLiteral("MainLinkman"));
    m_mainTelephone = lineEdit("edtMainTelephone", QStringLiteral("MainTelephone"));
    m_address = lineEdit("edtAddress", QStringLiteral("Address"));
    m_email = lineEdit("edtEmail", QStringLiteral("Email"));
    m_homePage = lineEdit("edtHomePage", QStringLiteral("HomePage"));
    for (QLineEdit *link :
         {static_cast<QLineEdit *>(m_email), static_cast<QLineEdit *>(m_homePage)}) {
        QFont f = link->font();
        f.setUnderline(true);
        link->setFont(f);
        link->setStyleSheet(QStringLiteral("color: #1f5fbf;"));
    }
    m_trade = choice("cbVocation", QStringLiteral("VocationID"), dm.tblVocation,
                     QStringLiteral("VocationName"), QStringLiteral("VocationId"));
    m_origin = choice("cbOrigin", QStringLiteral("OriginID"), dm.tblCustOrigin,
                      QStringLiteral("OriginName"), QStringLiteral("OriginID"));
    m_level = choice("cbLevel", QStringLiteral("LevelID"), dm.tblCustLevel,
                     QStringLiteral("LevelName"), QStringLiteral("LevelID"));
    m_state = choice("cbState", QStringLiteral("StateId"), dm.tblCustState,
                     QStringLiteral("StateName"), QStringLiteral("StateID"));
    m_createDate = new DbDateEdit(this);
    m_createDate->setObjectName(QStringLiteral("deCreateDate"));
    m_createDate->bind(&agents, QStringLiteral("CreateDate"));
    m_referrer = choice("cbOperater", QStringLiteral("OperaterID"), dm.tblOperaters,
                        QStringLiteral("Name"), QStringLiteral("OperaterID"));
    m_memo = new DbMemo(this);
    m_memo->setObjectName(QStringLiteral("mmMemo"));
    m_memo->bind(&agents, QStringLiteral("Memo"));
    m_memo->setMaximumHeight(70);

    m_codeCheck = button("btnCheckCode", QStringLiteral("查重"));
    m_nameCheck = button("btnCheckName", QStringLiteral("查重"));
    auto *sendMail = button("btnSendMail", QStringLiteral("发送邮件"));
    connect(sendMail, &QPushButton::clicked, this,
            [this] { DesktopServices::sendMail(m_email->text()); });
    auto *openHome = button("btnOpenHomePage", QStringLiteral("打开..."));
    connect(openHome, &QPushButton::clicked, this,
            [this] { DesktopServices::openAddress(m_homePage->text()); });

    // Two columns of fields, the memo across the bottom.
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    const auto row = [grid](int r, int c, const QString &label, QWidget *field,
                            QWidget *extra = nullptr, QWidget *extra2 = nullptr) {
        auto *l = new QLabel(label);
        l->setBuddy(field);
        grid->addWidget(l, r, c * 3);
        if (!extra) {
            grid->addWidget(field, r, c * 3 + 1, 1, 2);
            return;
        }
        auto *box = new QHBoxLayout;
        box->setSpacing(4);
        box->addWidget(field, 1);
        box->addWidget(extra);
        if (extra2)
            box->addWidget(extra2);
        grid->addLayout(box, r, c * 3 + 1, 1, 2);
    };
    auto *unique = new QLabel(QStringLiteral("（唯一标识码）"), this);
    unique->setObjectName(QStringLiteral("lblUnique"));
    row(0, 0, QStringLiteral("代理编号"), m_code, unique, m_codeCheck);
    row(1, 0, QStringLiteral("代理名称"), m_name, m_nameCheck);
    row(2, 0, modal ? QStringLiteral("国家地区") : QStringLiteral("国家/地区"), m_country,
        dictionaryButton("btnCountry", "Act_Country"));
    row(3, 0, QStringLiteral("省份"), m_province, dictionaryButton("btnRegion", "Act_Region"));
    row(4, 0, QStringLiteral("城市"), m_city);
    row(5, 0, QStringLiteral("邮政编码"), m_postCode);
    row(6, 0, QStringLiteral("联系电话"), m_telephone);
    row(7, 0, QStringLiteral("传真"), m_fax);
    row(8, 0, QStringLiteral("主联系人"), m_mainLinkman);
    row(9, 0, modal ? QStringLiteral("联系电话") : QStringLiteral("手机"), m_mainTelephone);
    row(0, 1, QStringLiteral("详细地址"), m_address);
    row(1, 1, QStringLiteral("Email邮箱"), m_email, sendMail);
    row(2, 1, QStringLiteral("主页"), m_homePage, openHome);
    row(3, 1, QStringLiteral("行业类别"), m_trade, dictionaryButton("btnVocation", "Act_Vocation"));
    row(4, 1, QStringLiteral("代理来源"), m_origin,
        dictionaryButton("btnCustOrigin", "Act_CustOrigin"));
    row(5, 1, QStringLiteral("代理级别"), m_level,
        dictionaryButton("btnCustLevel", "Act_CustLevel"));
    row(6, 1, QStringLiteral("联络状态"), m_state,
        dictionaryButton("btnCustState", "Act_CustState"));
    row(7, 1, QStringLiteral("建档日期"), m_createDate);
    row(8, 1, QStringLiteral("推荐人/单位"), m_referrer);
    auto *memoLabel = new QLabel(QStringLiteral("备注"), this);
    memoLabel->setBuddy(m_memo);
    grid->addWidget(memoLabel, 10, 0, Qt::AlignTop);
    grid->addWidget(m_memo, 10, 1, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    grid->setColumnMinimumWidth(2, 0);
    grid->setColumnMinimumWidth(3, 70);

    // Enter walks the fields in data-entry order; the memo keeps Enter for its new lines.
    m_chain->setWidgets({m_code,     m_name,      m_country,    m_province,    m_city,
                         m_postCode, m_telephone, m_fax,        m_mainLinkman, m_mainTelephone,
                         m_address,  m_email,     m_homePage,   m_trade,       m_origin,
                         m_level,    m_state,     m_createDate, m_referrer,    m_memo});
    m_chain->setKeepsEnter(m_memo);
    for (QWidget *field : m_chain->widgets())
        field->installEventFilter(this);
}

// Ctrl+A is the editor's 新增, not select-all: the fields leave that key to the window.
bool AgentForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent *>(event)->keyCombination() ==
            QKeyCombination(Qt::ControlModifier, Qt::Key_A))
        return true;
    return QWidget::eventFilter(watched, event);
}

DbLineEdit *AgentForm::lineEdit(const char *objectName, const QString &field)
{
    auto *e = new DbLineEdit(this);
    e->setObjectName(QLatin1String(objectName));
    e->bind(&m_agents, field);
    return e;
}

DbLookupCombo *AgentForm::choice(const char *objectName, const QString &field,
                                 store::Dataset &source, const QString &listField,
                                 const QString &keyField)
{
    auto *c = new DbLookupCombo(this);
    c->setObjectName(QLatin1String(objectName));
    c->setSource(&source, listField, keyField);
    c->bind(&m_agents, field);
    return c;
}

QPushButton *AgentForm::button(const char *objectName, const QString &text)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(objectName));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QPushButton *AgentForm::dictionaryButton(const char *objectName, const char *command)
{
    auto *b = button(objectName, QStringLiteral("..."));
    b->setFixedWidth(28);
    connect(b, &QPushButton::clicked, this,
            [this, command] { openDictionaryEditor(m_ws, QLatin1String(command), window()); });
    return b;
}

void AgentForm::openEditingSets(store::DataModule &dm)
{
    for (store::Dataset *d :
         {&dm.tblCountry, &dm.tblCustDist, &dm.tblCustLevel, &dm.tblCustState, &dm.tblCustOrigin,
          &dm.tblOperaters, &dm.tblFinanceOrgan, &dm.tblOperateType, &dm.tblOperateOrigin,
          &dm.tblOperateState, &dm.tblLinkmans, &dm.tblOperates, &dm.tblCustomerState,
          &dm.tblCustomerAddInfo})
        d->open();
}

QString AgentForm::shownText(const QWidget *field)
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
