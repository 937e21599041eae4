#include "referrerquerydialog.h"

#include "datamodule.h"

namespace
{

// The choices after 所有推荐人: the column looked in and the message for an empty text. A
// choice may also be typed; one that is none of the five changes nothing.
QueryDialogDescription description()
{
    using Kind = QueryChoice::Kind;
    QueryDialogDescription d{
        "TfrmOperaterQuery",
        QStringLiteral("推荐人/单位查询"),
        QStringLiteral("所有推荐人"),
        {{"推荐人代码", "OperaterID", Kind::Contains, "请输入匹配的推荐人代码!"},
         {"推荐人名称", "Name", Kind::Contains, "请输入匹配的推荐人名称!"},
         {"联系人", "NickName", Kind::Contains, "请输入匹配的联系人名称!"},
         {"职务", "Duty", Kind::Contains, "请输入匹配的职务!"}}};
    d.typedChoice = true;
    d.choiceName = "dxPickEdit1";
    d.valueName = "Edit1";
    d.okName = "SpeedButton2";
    d.cancelName = "SpeedButton4";
    return d;
}

} // namespace

ReferrerQueryDialog::ReferrerQueryDialog(store::DataModule &dm, QWidget *parent)
    : ChoiceQueryDialog(
          description(),
          [this](const QueryChoice *choice, const QString &value) { return search(choice, value); },
          parent),
      m_dm(dm)
{
}

// 确定: the chosen search, or none; the dialog closes once the filter is set or lifted. Blanks
// count as a text until here; trimmed away, they leave a search for any value at all.
bool ReferrerQueryDialog::search(const QueryChoice *choice, const QString &value)
{
    store::Dataset &referrers = m_dm.tblOperaters;
    if (choice)
        referrers.setFilter(choice->filter(value.trimmed()));
    else
        referrers.clearFilter();
    referrers.open();
    return true;
}
