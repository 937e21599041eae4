#include "recordform.h"

#include "datamodule.h"
#include "dbcheckbox.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbmemo.h"
#include "dbpagedlookupcombo.h"
#include "enterchain.h"
#include "formfields.h"
#include "workspace.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

RecordForm::RecordForm(Workspace &ws, store::Dataset &records, Variant variant, QWidget *parent)
    : QWidget(parent), m_records(records), m_variant(variant), m_chain(new EnterChain(this))
{
    using namespace FormFields;
    store::DataModule &dm = ws.dm;
    const bool editor = variant == Variant::Editor;
    const Binder bind(this, records);

    m_code = bind.text("edtOperateID", "OperateID");
    m_title = bind.text("edtOperateTitle", "OperateTitle");
    if (editor) {
        m_agentChoice = agentList("cbCustID", QStringLiteral("CustID"), dm.tblCustomers2);
        m_agentQuery = button(this, "btnQueryCust", QStringLiteral("查询..."));
        m_agent = m_agentChoice;
    } else {
        // The record belongs to the agent window's current agent: shown, not chosen.
        auto *name = bind.text("edtCustName", "CustName");
        name->setReadOnly(true);
        m_agent = name;
    }
    m_link = new DbCheckBox(editor ? QStringLiteral("是否有相关联系商务代理")
                                   : QStringLiteral("该业务是否有相关联系商务代理"),
                            this);
    m_link->setObjectName(QStringLiteral("chkLink"));
    m_link->bind(&records, QStringLiteral("Link"));
    m_linkAgent = agentList("cbLinkCustID", QStringLiteral("LinkCustID"),
                            editor ? dm.tblCustomers2 : dm.qryCustomers1);
    m_linkQuery = button(this, "btnQueryLinkCust", QStringLiteral("查询..."));
    if (!editor) {
        // The related agent may be any agent: entering the list drops a filter left on it.
        const auto widen = [&dm] {
            if (dm.qryCustomers1.isFiltered())
                dm.qryCustomers1.clearFilter();
        };
        connect(m_linkAgent, &DbPagedLookupCombo::aboutToShowList, this, widen);
    }
    m_createDate = bind.input<DbDateEdit>("deCreateDate", "CreateDate");
    m_linkman = bind.choice("cbLinkmanID", "LinkmanID", editor ? dm.tblLinkmans2 : dm.tblLinkmans,
                            "Name", "LinkmanID");
    m_origin = bind.choice("cbOriginId", "OriginId", dm.tblOperateOrigin, "OriginName", "OriginID");
    m_type = bind.choice("cbTypeID", "TypeID", dm.tblOperateType, "TypeName", "TypeID");
    m_referrer = bind.choice("cbOperaterID", "OperaterID", dm.tblOperaters, "Name", "OperaterID");
    m_writeDate = bind.input<DbDateEdit>("deWriteDate", "WriteDate");
    m_endDate = bind.input<DbDateEdit>("deEndDate", "EndDate");
    m_state = bind.choice("cbOperateStateID", "OperateStateID", dm.tblOperateState,
                          "OperateStateName", "OperateStateID");
    // The remarks live in FilePath.
    m_remark = bind.input<DbMemo>("mmFilePath", "FilePath");
    m_remark->setMaximumHeight(80);

    // The box drives the related-agent inputs, whether the user ticks it or the record shown
    // changes under it.
    connect(m_link, &QCheckBox::toggled, this, &RecordForm::updateLinkInputs);
    updateLinkInputs();
    layOut();

    // Enter walks the fields in data-entry order and skips the related agent while it is
    // disabled; the remark keeps Enter for its new lines.
    m_chain->setWidgets({m_code, m_title, m_agent, m_link, m_linkAgent, m_createDate, m_linkman,
                         m_origin, m_type, m_referrer, m_writeDate, m_endDate, m_state, m_remark});
    m_chain->setKeepsEnter(m_remark);
    FormFields::leaveCtrlAToWindow(this, m_chain->widgets());
    m_linkAgent->installEventFilter(this);
}

void RecordForm::layOut()
{
    const bool editor = m_variant == Variant::Editor;
    QGridLayout *grid = FormFields::grid(this);
    const auto row = [grid](int r, int c, const QString &label, QWidget *field,
                            QWidget *beside = nullptr) {
        FormFields::addRow(grid, r, c * 2, label, field, {beside});
    };
    auto *hint = new QLabel(QStringLiteral("（请输入唯一联络代码标识）"), this);
    hint->setObjectName(QStringLiteral("lblUnique"));
    row(0, 0, QStringLiteral("联络代码"), m_code, hint);
    row(1, 0, QStringLiteral("联络事宜"), m_title);
    row(2, 0, QStringLiteral("商务代理"), m_agent, m_agentQuery);
    grid->addWidget(m_link, 3, 1);
    row(4, 0, editor ? QStringLiteral("联系代理") : QStringLiteral("相关代理"), m_linkAgent, m_linkQuery);
    row(5, 0, editor ? QStringLiteral("发证时间") : QStringLiteral("建档时间"), m_createDate);
    row(6, 0, QStringLiteral("联系人"), m_linkman);
    row(7, 0, QStringLiteral("档案完备情况"), m_origin);
    row(8, 0, QStringLiteral("档案有无情况"), m_type);
    row(0, 1, QStringLiteral("推荐人"), m_referrer);
    row(1, 1, QStringLiteral("签约日期"), m_writeDate);
    row(2, 1, QStringLiteral("截止日期"), m_endDate);
    row(3, 1, QStringLiteral("发证状态"), m_state);
    FormFields::addTallRow(grid, 4, 2, QStringLiteral("备注"), m_remark, 5, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void RecordForm::updateLinkInputs()
{
    const bool on = m_link->isChecked();
    m_linkAgent->setEnabled(on);
    m_linkQuery->setEnabled(on);
}

bool RecordForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_linkAgent && event->type() == QEvent::FocusIn)
        Q_EMIT m_linkAgent->aboutToShowList();
    return QWidget::eventFilter(watched, event);
}

DbPagedLookupCombo *RecordForm::agentList(const char *objectName, const QString &field,
                                          store::Dataset &source)
{
    auto *c = new DbPagedLookupCombo(this);
    c->setObjectName(QLatin1String(objectName));
    c->setSource(&source, QStringLiteral("CustName"), QStringLiteral("CustId"));
    c->bind(&m_records, field);
    return c;
}
