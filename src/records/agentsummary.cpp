#include "agentsummary.h"

#include "dblineedit.h"
#include "dbmemo.h"

#include <QGridLayout>
#include <QLabel>

namespace
{

struct Shown {
    const char *caption;
    const char *field;
};

// Two columns of fields, the remarks across the bottom.
const Shown Fields[] = {
    {"代理编号", "CustId"},      {"代理名称", "CustName"},    {"国家/地区", "CountryName"},
    {"省份", "DistName"},        {"邮政编码", "PostCode"},    {"城市", "City"},
    {"联系电话", "Telephone"},   {"传真", "Fax"},             {"详细地址", "Address"},
    {"Email邮箱", "Email"},      {"建档日期", "CreateDate"},  {"代理级别", "LevelName"},
    {"行业类别", "VocationName"}, {"主页", "HomePage"},       {"代理来源", "OriginName"},
    {"联络状态", "StateName"},
};

} // namespace

AgentSummary::AgentSummary(store::Dataset &agents, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsCustomer"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(4);
    int i = 0;
    for (const Shown &s : Fields) {
        auto *edit = new DbLineEdit(this);
        edit->setObjectName(QStringLiteral("edtAgent") + QLatin1String(s.field));
        edit->setReadOnly(true);
        edit->bind(&agents, QLatin1String(s.field));
        auto *label = new QLabel(QString::fromUtf8(s.caption), this);
        label->setBuddy(edit);
        grid->addWidget(label, i / 2, (i % 2) * 2);
        grid->addWidget(edit, i / 2, (i % 2) * 2 + 1);
        ++i;
    }
    auto *memo = new DbMemo(this);
    memo->setObjectName(QStringLiteral("edtAgentMemo"));
    memo->setReadOnly(true);
    memo->bind(&agents, QStringLiteral("Memo"));
    memo->setMaximumHeight(60);
    const int last = (i + 1) / 2;
    grid->addWidget(new QLabel(QStringLiteral("备注"), this), last, 0, Qt::AlignTop);
    grid->addWidget(memo, last, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(last + 1, 1);
}
