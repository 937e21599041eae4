#include "recordform.h"

#include "datamodule.h"
#include "dbcheckbox.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbmemo.h"
#include "dbpagedlookupcombo.h"
#include "enterchain.h"
#include "workspace.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

RecordForm::RecordForm(Workspace &ws, store::Dataset &records, Variant variant, QWidget *parent)
    : QWidget(parent), m_records(records), m_variant(variant), m_chain(new EnterChain(this))
{
    store::DataModule &dm = ws.dm;
    const bool editor = variant == Variant::Editor;

    m_code = lineEdit("edtOperateID", QStringLiteral("OperateID"));
    m_title = lineEdit("edtOperateTitle", QStringLiteral("OperateTitle"));
    if (editor) {
        m_agentChoice = agentList("cbCustID", QStringLiteral("CustID"), dm.tblCustomers2);
        m_agentQuery = queryButton("btnQueryCust");
        m_agent = m_agentChoice;
    } else {
        // The record belongs to the agent window's current agent: shown, not chosen.
        auto *name = lineEdit("edtCustName", QStringLiteral("CustName"));
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
    m_linkQuery = queryButton("btnQueryLinkCust");
    if (!editor) {
        // The related agent may be any agent: entering the list drops a filter left on it.
        const auto widen = [&dm] {
            if (dm.qryCustomers1.isFiltered())
                dm.qryCustomers1.clearFilter();
        };
        connect(m_linkAgent, &DbPagedLookupCombo::aboutToShowList, this, widen);
    }
    m_createDate = dateEdit("deCreateDate", QStringLiteral("CreateDate"));
    m_linkman = choice("cbLinkmanID", QStringLiteral("LinkmanID"), editor ? dm.tblLinkmans2 : dm.tblLinkmans,
                       QStringLiteral("Name"), QStringLiteral("LinkmanID"));
    m_origin = choice("cbOriginId", QStringLiteral("OriginId"), dm.tblOperateOrigin,
                      QStringLiteral("OriginName"), QStringLiteral("OriginID"));
    m_type = choice("cbTypeID", QStringLiteral("TypeID"), dm.tblOperateType, QStringLiteral("TypeName"),
                    QStringLiteral("TypeID"));
    m_referrer = choice("cbOperaterID", QStringLiteral("OperaterID"), dm.tblOperaters,
                        QStringLiteral("Name"), QStringLiteral("OperaterID"));
    m_writeDate = dateEdit("deWriteDate", QStringLiteral("WriteDate"));
    m_endDate = dateEdit("deEndDate", QStringLiteral("EndDate"));
    m_state = choice("cbOperateStateID", QStringLiteral("OperateStateID"), dm.tblOperateState,
                     QStringLiteral("OperateStateName"), QStringLiteral("OperateStateID"));
    m_remark = new DbMemo(this);
    m_remark->setObjectName(QStringLiteral("mmFilePath"));
    m_remark->bind(&records, QStringLiteral("FilePath")); // the remarks live in FilePath
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
    for (QWidget *field : m_chain->widgets())
        field->installEventFilter(this);
}

void RecordForm::layOut()
{
    const bool editor = m_variant == Variant::Editor;
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    const auto row = [grid](int r, int c, const QString &label, QWidget *field, QWidget *extra = nullptr) {
        auto *l = new QLabel(label);
        l->setBuddy(field);
        grid->addWidget(l, r, c * 2);
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
    auto *remarkLabel = new QLabel(QStringLiteral("备注"), this);
    remarkLabel->setBuddy(m_remark);
    grid->addWidget(remarkLabel, 4, 2, Qt::AlignTop);
    grid->addWidget(m_remark, 4, 3, 5, 1);
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
    // Ctrl+A is the window's 新增, not select-all.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent *>(event)->keyCombination() ==
            QKeyCombination(Qt::ControlModifier, Qt::Key_A))
        return true;
    if (watched == m_linkAgent && event->type() == QEvent::FocusIn)
        Q_EMIT m_linkAgent->aboutToShowList();
    return QWidget::eventFilter(watched, event);
}

DbLineEdit *RecordForm::lineEdit(const char *objectName, const QString &field)
{
    auto *e = new DbLineEdit(this);
    e->setObjectName(QLatin1String(objectName));
    e->bind(&m_records, field);
    return e;
}

DbLookupCombo *RecordForm::choice(const char *objectName, const QString &field, store::Dataset &source,
                                  const QString &listField, const QString &keyField)
{
    auto *c = new DbLookupCombo(this);
    c->setObjectName(QLatin1String(objectName));
    c->setSource(&source, listField, keyField);
    c->bind(&m_records, field);
    return c;
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

DbDateEdit *RecordForm::dateEdit(const char *objectName, const QString &field)
{
    auto *d = new DbDateEdit(this);
    d->setObjectName(QLatin1String(objectName));
    d->bind(&m_records, field);
    return d;
}

QPushButton *RecordForm::queryButton(const char *objectName)
{
    auto *b = new QPushButton(QStringLiteral("查询..."), this);
    b->setObjectName(QLatin1String(objectName));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}
