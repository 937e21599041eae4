#include "agentpanel.h"

#include "dataset.h"
#include "datasetmodel.h"
#include "desktopservices.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

AgentPanel::AgentPanel(store::Dataset &contacts, store::Dataset &agents, Wording wording,
                       QWidget *parent)
    : QWidget(parent), m_contacts(contacts), m_agents(agents), m_memo(new QPlainTextEdit(this))
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(4);
    const auto row = [grid](int r, int c, const QString &label, QWidget *field,
                            QWidget *extra = nullptr) {
        grid->addWidget(new QLabel(label), r, c * 2);
        if (!extra) {
            grid->addWidget(field, r, c * 2 + 1);
            return;
        }
        auto *box = new QHBoxLayout;
        box->addWidget(field, 1);
        box->addWidget(extra);
        grid->addLayout(box, r, c * 2 + 1);
    };
    const auto button = [this](const char *name, const QString &text, QLineEdit *address,
                               bool mail) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [address, mail] {
            if (mail)
                DesktopServices::sendMail(address->text());
            else
                DesktopServices::openAddress(address->text());
        });
        return b;
    };
    const bool schedule = wording == Wording::Schedule;
    QLabel *unique = nullptr;
    if (schedule) {
        unique = new QLabel(QStringLiteral("（唯一代码标识）"), this);
        unique->setObjectName(QStringLiteral("lblAgentUnique"));
    }
    // Three columns, so that the page stays low enough for the fields above it to show whole.
    row(0, 0, QStringLiteral("代理编号"), line("edtAgentCustId", "CustId"), unique);
    row(1, 0, QStringLiteral("代理名称"), line("edtAgentCustName", "CustName"));
    row(2, 0, schedule ? QStringLiteral("国家地区") : QStringLiteral("国家/地区"),
        line("edtAgentCountry", "CountryName"));
    row(3, 0, QStringLiteral("省份"), line("edtAgentDist", "DistName"));
    row(4, 0, QStringLiteral("城市"), line("edtAgentCity", "City"));
    row(5, 0, QStringLiteral("邮政编码"), line("edtAgentPostCode", "PostCode"));
    row(0, 1, QStringLiteral("详细地址"), line("edtAgentAddress", "Address"));
    QLineEdit *email = line("edtAgentEmail", "Email");
    row(1, 1, QStringLiteral("Email邮箱"), email,
        button("btnAgentSendMail", QStringLiteral("发送邮件"), email, true));
    row(2, 1, QStringLiteral("联系电话"), line("edtAgentTelephone", "Telephone"));
    row(3, 1, QStringLiteral("传真"), line("edtAgentFax", "Fax"));
    QLineEdit *homePage = line("edtAgentHomePage", "HomePage");
    row(4, 1, QStringLiteral("主页"), homePage,
        button("btnAgentOpenHomePage", QStringLiteral("打开..."), homePage, false));
    row(5, 1, QStringLiteral("行业类别"), line("edtAgentVocation", "VocationName"));
    row(0, 2, QStringLiteral("代理来源"), line("edtAgentOrigin", "OriginName"));
    row(1, 2, QStringLiteral("代理级别"), line("edtAgentLevel", "LevelName"));
    row(2, 2, QStringLiteral("联络状态"), line("edtAgentState", "StateName"));
    row(3, 2, QStringLiteral("建档日期"), line("edtAgentCreateDate", "CreateDate"));
    m_memo->setObjectName(QStringLiteral("mmAgentMemo"));
    m_memo->setReadOnly(true);
    m_memo->setMaximumHeight(60);
    m_fields.push_back({QStringLiteral("Memo"), m_memo});
    grid->addWidget(new QLabel(QStringLiteral("备注")), 6, 0, Qt::AlignTop);
    grid->addWidget(m_memo, 6, 1, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);

    // The contact's side is told by the agent choice once it has moved the agent set.
    using D = store::Dataset;
    connect(&agents, &D::currentRowChanged, this, &AgentPanel::refresh);
    connect(&agents, &D::rowsReset, this, &AgentPanel::refresh);
    connect(&agents, &D::rowChanged, this, &AgentPanel::refresh);
    refresh();
}

QLineEdit *AgentPanel::line(const char *objectName, const char *field)
{
    auto *e = new QLineEdit(this);
    e->setObjectName(QLatin1String(objectName));
    e->setReadOnly(true);
    m_fields.push_back({QLatin1String(field), e});
    return e;
}

// Shown only while the agent set stands on the contact's own agent: another agent's data
// beside the contact would be worse than none.
void AgentPanel::refresh()
{
    bool matches = false;
    try {
        const QString code = m_contacts.currentRow() >= 0 ? m_contacts.text(QStringLiteral("CustID")) : QString();
        matches = !code.isEmpty() && m_agents.isOpen() && m_agents.currentRow() >= 0 &&
                  m_agents.text(QStringLiteral("CustId")).compare(code, Qt::CaseInsensitive) == 0;
    } catch (...) {
        matches = false;
    }
    for (const Field &f : m_fields) {
        QString text;
        if (matches) {
            try {
                const int index = m_agents.fieldIndex(f.name);
                text = DatasetModel::displayText(m_agents.value(f.name), m_agents.fieldType(index));
            } catch (...) {
                text.clear();
            }
        }
        if (auto *e = qobject_cast<QLineEdit *>(f.editor))
            e->setText(text);
        else if (auto *m = qobject_cast<QPlainTextEdit *>(f.editor); m && m->toPlainText() != text)
            m->setPlainText(text);
    }
}

QString AgentPanel::shown(const QString &field) const
{
    for (const Field &f : m_fields) {
        if (f.name.compare(field, Qt::CaseInsensitive) != 0)
            continue;
        if (auto *e = qobject_cast<QLineEdit *>(f.editor))
            return e->text();
        if (auto *m = qobject_cast<QPlainTextEdit *>(f.editor))
            return m->toPlainText();
    }
    return {};
}
