#include "referrerform.h"

#include "datagrid.h"
#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbmemo.h"
#include "dbpicklist.h"
#include "enterchain.h"
#include "formfields.h"

#include <QGridLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

// The widest caption, 推荐人代码, in half-width units (a Chinese character counts two).
constexpr int LabelUnits = 10;

int units(const QString &text)
{
    int n = 0;
    for (const QChar c : text)
        n += c.unicode() < 0x2e80 ? 1 : 2;
    return n;
}

} // namespace

ReferrerForm::ReferrerForm(store::DataModule &dm, QWidget *parent)
    : QWidget(parent), m_referrers(dm.tblOperaters), m_chain(new EnterChain(this)),
      m_statusChain(new EnterChain(this))
{
    setObjectName(QStringLiteral("ReferrerForm"));
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(buildFields());

    m_subTabs = new QTabWidget(this);
    m_subTabs->setObjectName(QStringLiteral("PageControl2"));
    m_recordsPage = buildRecordsPage(dm.tblOperates2);
    m_statusPage = buildStatusPage();
    m_subTabs->addTab(m_recordsPage, QStringLiteral("历次联络记录"));
    m_subTabs->addTab(m_statusPage, QStringLiteral("推荐人状态信息"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll, 3);
    layout->addWidget(m_subTabs, 2);
}

QString ReferrerForm::paddedLabel(const QString &caption)
{
    QString label = caption;
    int missing = LabelUnits - units(caption);
    for (; missing >= 2; missing -= 2)
        label += QChar(0x3000); // a full-width blank
    if (missing > 0)
        label += QLatin1Char(' ');
    return label + QStringLiteral("：");
}

QWidget *ReferrerForm::buildFields()
{
    using namespace FormFields;
    auto *fields = new QWidget;
    m_code = lineEdit("edtOperaterID", QStringLiteral("OperaterID"));
    m_name = lineEdit("edtName", QStringLiteral("Name"));
    DbLineEdit *nickName = lineEdit("edtNickName", QStringLiteral("NickName"));
    m_sex = pickList("cbSex", QStringLiteral("Sex"), {QStringLiteral("男"), QStringLiteral("女")});
    DbLineEdit *department = lineEdit("edtDepartmentID", QStringLiteral("DepartmentID"));
    DbLineEdit *duty = lineEdit("edtDuty", QStringLiteral("Duty"));
    m_education =
        pickList("cbEducation", QStringLiteral("Education"),
                 {QStringLiteral("专科"), QStringLiteral("本科"), QStringLiteral("硕士"),
                  QStringLiteral("中专"), QStringLiteral("高中"), QStringLiteral("初中")});
    DbDateEdit *birth = dateEdit("deBirth", QStringLiteral("Birth"));
    DbLineEdit *idCard = lineEdit("edtID", QStringLiteral("ID"));
    DbLineEdit *native = lineEdit("edtNative", QStringLiteral("Native"));
    DbLineEdit *office = lineEdit("edtCTelephone", QStringLiteral("CTelephone"));
    DbLineEdit *fax = lineEdit("edtFax", QStringLiteral("Fax"));
    DbLineEdit *home = lineEdit("edtHTelephone", QStringLiteral("HTelephone"));
    DbLineEdit *mobile = lineEdit("edtMobile", QStringLiteral("Mobile"));
    DbLineEdit *address = lineEdit("edtAddress", QStringLiteral("Address"));
    m_email = lineEdit("edtEmail", QStringLiteral("Email"));
    m_homePage = lineEdit("edtHomePage", QStringLiteral("HomePage"));
    m_memo = bound<DbMemo>(this, "mmMemo", m_referrers, QStringLiteral("Memo"));
    m_memo->setMaximumHeight(60);
    QPushButton *sendMail = sendMailButton(fields, m_email);
    QPushButton *openHome = openHomePageButton(fields, m_homePage);

    // Three columns of six fields, read top to bottom as Enter walks them; the memo below.
    const QList<std::pair<QString, QWidget *>> rows = {
        {QStringLiteral("推荐人代码"), m_code}, {QStringLiteral("名称"), m_name},
        {QStringLiteral("联系人"), nickName},   {QStringLiteral("性别"), m_sex},
        {QStringLiteral("部门"), department},   {QStringLiteral("职务"), duty},
        {QStringLiteral("学历"), m_education},  {QStringLiteral("出生年月"), birth},
        {QStringLiteral("身份证号"), idCard},   {QStringLiteral("籍贯"), native},
        {QStringLiteral("办公电话"), office},   {QStringLiteral("传真"), fax},
        {QStringLiteral("家庭电话"), home},     {QStringLiteral("移动电话"), mobile},
        {QStringLiteral("住址"), address},      {QStringLiteral("Email邮箱"), m_email},
        {QStringLiteral("主页"), m_homePage},
    };
    QGridLayout *g = grid(fields);
    QList<QWidget *> chain;
    for (int i = 0; i < rows.size(); ++i) {
        const auto &[caption, field] = rows[i];
        const int r = i % 6, c = (i / 6) * 2;
        QWidget *beside = field == m_email ? sendMail : field == m_homePage ? openHome : nullptr;
        addRow(g, r, c, paddedLabel(caption), field, {beside});
        g->setColumnStretch(c + 1, 1);
        chain << field;
    }
    addTallRow(g, 6, 0, paddedLabel(QStringLiteral("备注")), m_memo, 1, 5);

    // Enter walks the fields in data-entry order; the memo keeps Enter for its new lines.
    m_chain->setWidgets(chain << m_memo);
    m_chain->setKeepsEnter(m_memo);
    leaveCtrlAToWindow(this, chain);
    return fields;
}

QWidget *ReferrerForm::buildRecordsPage(store::Dataset &records)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsOperates"));
    m_recordGrid = new DataGrid(page);
    m_recordGrid->setObjectName(QStringLiteral("dxDBGrid2"));
    m_recordGrid->setDataset(&records);
    m_recordGrid->addColumn(QStringLiteral("OperateID"), QStringLiteral("业务编码"), 90);
    m_recordGrid->addColumn(QStringLiteral("OperateTitle"), QStringLiteral("业务标题"), 180);
    m_recordGrid->addColumn(QStringLiteral("CustName"), QStringLiteral("商务代理"), 160);
    m_recordGrid->addColumn(QStringLiteral("CreateDate"), QStringLiteral("发证日期"), 90);
    m_recordGrid->addColumn(QStringLiteral("EndDate"), QStringLiteral("截止日期"), 90);
    m_recordGrid->addColumn(QStringLiteral("CompactAmount"), QStringLiteral("合同金额"), 90, false);
    m_recordGrid->addColumn(QStringLiteral("LinkmanName"), QStringLiteral("联系人"), 80);
    m_recordGrid->addColumn(QStringLiteral("OperaterName"), QStringLiteral("推荐人"), 80);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_recordGrid);
    return page;
}

QWidget *ReferrerForm::buildStatusPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsState"));
    m_inTime = dateEdit("deInTime", QStringLiteral("InTime"));
    m_outTime = dateEdit("deOutTime", QStringLiteral("OutTime"));
    m_state = pickList("cbState", QStringLiteral("State"),
                       {QStringLiteral("在职"), QStringLiteral("离职")});
    m_outReason =
        FormFields::bound<DbMemo>(this, "mmOutReason", m_referrers, QStringLiteral("OutReason"));
    const auto button = [page](const char *objectName, const QString &text) {
        auto *b = new QToolButton(page);
        b->setObjectName(QLatin1String(objectName));
        b->setText(text);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setFocusPolicy(Qt::TabFocus);
        return b;
    };
    m_stateEdit = button("spBtnStateEdit", QStringLiteral("修改"));
    m_stateSave = button("spBtnStateSave", QStringLiteral("保存"));

    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    const QList<std::pair<QString, QWidget *>> rows = {{QStringLiteral("入职时间："), m_inTime},
                                                       {QStringLiteral("离职时间："), m_outTime},
                                                       {QStringLiteral("在职状态："), m_state}};
    for (int i = 0; i < rows.size(); ++i)
        FormFields::addRow(grid, 0, i * 2, rows[i].first, rows[i].second);
    FormFields::addTallRow(grid, 1, 0, QStringLiteral("离职原因："), m_outReason, 1, 5);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_stateEdit);
    buttons->addWidget(m_stateSave);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 6, 2, 1);
    grid->setColumnStretch(5, 1);

    m_statusChain->setWidgets({m_inTime, m_outTime, m_state, m_outReason});
    m_statusChain->setKeepsEnter(m_outReason);
    FormFields::leaveCtrlAToWindow(this, m_statusChain->widgets());
    return page;
}

DbLineEdit *ReferrerForm::lineEdit(const char *objectName, const QString &field)
{
    return FormFields::bound<DbLineEdit>(this, objectName, m_referrers, field);
}

DbPickList *ReferrerForm::pickList(const char *objectName, const QString &field,
                                   const QStringList &items)
{
    auto *p = new DbPickList(this);
    p->setObjectName(QLatin1String(objectName));
    p->setItems(items);
    p->bind(&m_referrers, field);
    return p;
}

DbDateEdit *ReferrerForm::dateEdit(const char *objectName, const QString &field)
{
    return FormFields::bound<DbDateEdit>(this, objectName, m_referrers, field);
}
