#include "referrerquerydialog.h"

#include "condition.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "messagebox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

namespace
{

const QString AllReferrers = QStringLiteral("所有推荐人");

// The choices after 所有推荐人: the column looked in and the message for an empty text.
struct Search {
    const char *caption, *column, *emptyMessage;
};

const Search Searches[] = {
    {"推荐人代码", "OperaterID", "请输入匹配的推荐人代码!"},
    {"推荐人名称", "Name", "请输入匹配的推荐人名称!"},
    {"联系人", "NickName", "请输入匹配的联系人名称!"},
    {"职务", "Duty", "请输入匹配的职务!"},
};

} // namespace

ReferrerQueryDialog::ReferrerQueryDialog(store::DataModule &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_choice(new QComboBox(this)), m_text(new QLineEdit(this))
{
    setObjectName(QStringLiteral("TfrmOperaterQuery"));
    setWindowTitle(QStringLiteral("推荐人/单位查询"));

    // A choice may also be typed; one that is none of the five changes nothing.
    m_choice->setObjectName(QStringLiteral("dxPickEdit1"));
    m_choice->setEditable(true);
    m_choice->setInsertPolicy(QComboBox::NoInsert);
    m_choice->addItem(AllReferrers);
    for (const Search &s : Searches)
        m_choice->addItem(QString::fromUtf8(s.caption));
    connect(m_choice, &QComboBox::currentTextChanged, this, &ReferrerQueryDialog::choiceChanged);

    m_text->setObjectName(QStringLiteral("Edit1"));
    m_text->setEnabled(false);

    QPushButton *ok = ErrorDisplay::commandButton(this, "SpeedButton2", QStringLiteral("确定"),
                                                  [this] { apply(); });
    ok->setDefault(true); // Enter in the text applies
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("SpeedButton4"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("请选择查询条件："), this));
    layout->addWidget(m_choice);
    layout->addWidget(new QLabel(QStringLiteral("请输入查询条件："), this));
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    setMinimumWidth(300);
}

void ReferrerQueryDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_choice->setFocus();
}

void ReferrerQueryDialog::choiceChanged(const QString &choice)
{
    m_text->clear();
    m_text->setEnabled(choice != AllReferrers);
}

// 确定: the chosen search, or none; the dialog closes once the filter is set or lifted, and
// stays open after a missing-text message.
void ReferrerQueryDialog::apply()
{
    store::Dataset &referrers = m_dm.tblOperaters;
    const QString choice = m_choice->currentText();
    if (choice == AllReferrers) {
        referrers.clearFilter();
        referrers.open();
        accept();
        return;
    }
    const auto search =
        std::find_if(std::begin(Searches), std::end(Searches),
                     [&choice](const Search &s) { return choice == QString::fromUtf8(s.caption); });
    if (search == std::end(Searches)) {
        reject();
        return;
    }
    // Blanks count as a text here; trimmed away, they leave a search for any value at all.
    if (m_text->text().isEmpty()) {
        MessageBox::warning(this, QString::fromUtf8(search->emptyMessage));
        m_text->setFocus();
        return;
    }
    const QString column = QString::fromLatin1(search->column);
    // A column with nothing in it never contains a text, not even the empty one.
    referrers.setFilter(store::Condition::like(column, m_text->text().trimmed()) &&
                        !store::Condition::isEmpty(column));
    referrers.open();
    accept();
}
