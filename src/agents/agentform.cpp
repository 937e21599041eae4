#include "agentform.h"

#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbmemo.h"
#include "dictionaries.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "formfields.h"
#include "workspace.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

AgentForm::AgentForm(Workspace &ws, store::Dataset &agents, Labels labels, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_agents(agents), m_chain(new EnterChain(this))
{
    using namespace FormFields;
    store::DataModule &dm = ws.dm;
    const bool modal = labels == Labels::ModalEditor;
    const Binder bind(this, agents);

    m_code = bind.text("edtCustId", "CustId");
    m_name = bind.text("edtCustName", "CustName");
    m_country = bind.choice("cbCountry", "CountryID", dm.tblCountry, "CountryName", "CountryID");
    // The province list is offered whatever country is chosen: agents abroad have regions too,
    // and a choice that depends on another field's text at one moment only confuses.
    m_province = bind.choice("cbDist", "DistID", dm.tblCustDist, "DistName", "DistID");
    m_city = bind.text("edtCity", "City");
    m_postCode = bind.text("edtPostCode", "PostCode");
    m_telephone = bind.text("edtTelephone", "Telephone");
    m_fax = bind.text("edtFax", "Fax");
    m_mainLinkman = bind.text("edtMainLinkman", "MainLinkman");
    m_mainTelephone = bind.text("edtMainTelephone", "MainTelephone");
    m_address = bind.text("edtAddress", "Address");
    m_email = bind.text("edtEmail", "Email");
    m_homePage = bind.text("edtHomePage", "HomePage");
    showAsLink(m_email);
    showAsLink(m_homePage);
    m_trade = bind.choice("cbVocation", "VocationID", dm.tblVocation, "VocationName", "VocationId");
    m_origin = bind.choice("cbOrigin", "OriginID", dm.tblCustOrigin, "OriginName", "OriginID");
    m_level = bind.choice("cbLevel", "LevelID", dm.tblCustLevel, "LevelName", "LevelID");
    m_state = bind.choice("cbState", "StateId", dm.tblCustState, "StateName", "StateID");
    m_createDate = bind.input<DbDateEdit>("deCreateDate", "CreateDate");
    m_referrer = bind.choice("cbOperater", "OperaterID", dm.tblOperaters, "Name", "OperaterID");
    m_memo = bind.input<DbMemo>("mmMemo", "Memo");
    m_memo->setMaximumHeight(70);

    m_codeCheck = button(this, "btnCheckCode", QStringLiteral("查重"));
    m_nameCheck = button(this, "btnCheckName", QStringLiteral("查重"));
    QPushButton *sendMail = sendMailButton(this, m_email);
    QPushButton *openHome = openHomePageButton(this, m_homePage);

    // Two columns of fields, the memo across the bottom.
    QGridLayout *g = grid(this);
    const auto row = [g](int r, int c, const QString &label, QWidget *field,
                         const QList<QWidget *> &beside = {}) {
        addRow(g, r, c * 3, label, field, beside, 2);
    };
    auto *unique = new QLabel(QStringLiteral("（唯一标识码）"), this);
    unique->setObjectName(QStringLiteral("lblUnique"));
    row(0, 0, QStringLiteral("代理编号"), m_code, {unique, m_codeCheck});
    row(1, 0, QStringLiteral("代理名称"), m_name, {m_nameCheck});
    row(2, 0, modal ? QStringLiteral("国家地区") : QStringLiteral("国家/地区"), m_country,
        {dictionaryButton("btnCountry", "Act_Country")});
    row(3, 0, QStringLiteral("省份"), m_province, {dictionaryButton("btnRegion", "Act_Region")});
    row(4, 0, QStringLiteral("城市"), m_city);
    row(5, 0, QStringLiteral("邮政编码"), m_postCode);
    row(6, 0, QStringLiteral("联系电话"), m_telephone);
    row(7, 0, QStringLiteral("传真"), m_fax);
    row(8, 0, QStringLiteral("主联系人"), m_mainLinkman);
    row(9, 0, modal ? QStringLiteral("联系电话") : QStringLiteral("手机"), m_mainTelephone);
    row(0, 1, QStringLiteral("详细地址"), m_address);
    row(1, 1, QStringLiteral("Email邮箱"), m_email, {sendMail});
    row(2, 1, QStringLiteral("主页"), m_homePage, {openHome});
    row(3, 1, QStringLiteral("行业类别"), m_trade,
        {dictionaryButton("btnVocation", "Act_Vocation")});
    row(4, 1, QStringLiteral("代理来源"), m_origin,
        {dictionaryButton("btnCustOrigin", "Act_CustOrigin")});
    row(5, 1, QStringLiteral("代理级别"), m_level,
        {dictionaryButton("btnCustLevel", "Act_CustLevel")});
    row(6, 1, QStringLiteral("联络状态"), m_state,
        {dictionaryButton("btnCustState", "Act_CustState")});
    row(7, 1, QStringLiteral("建档日期"), m_createDate);
    row(8, 1, QStringLiteral("推荐人/单位"), m_referrer);
    addTallRow(g, 10, 0, QStringLiteral("备注"), m_memo, 1, 5);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(4, 1);
    g->setColumnMinimumWidth(2, 0);
    g->setColumnMinimumWidth(3, 70);

    // Enter walks the fields in data-entry order; the memo keeps Enter for its new lines.
    m_chain->setWidgets({m_code,     m_name,      m_country,    m_province,    m_city,
                         m_postCode, m_telephone, m_fax,        m_mainLinkman, m_mainTelephone,
                         m_address,  m_email,     m_homePage,   m_trade,       m_origin,
                         m_level,    m_state,     m_createDate, m_referrer,    m_memo});
    m_chain->setKeepsEnter(m_memo);
    leaveCtrlAToWindow(this, m_chain->widgets());
}

QPushButton *AgentForm::dictionaryButton(const char *objectName, const char *command)
{
    auto *b = FormFields::button(this, objectName, QStringLiteral("..."));
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
    return FormFields::shownText(field);
}
