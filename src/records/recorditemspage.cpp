#include "recorditemspage.h"

#include "datagrid.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "recorditemdialog.h"
#include "workspace.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

RecordItemsPage::RecordItemsPage(Workspace &ws, std::function<bool()> storeRecord, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_storeRecord(std::move(storeRecord)), m_grid(new DataGrid(this))
{
    setObjectName(QStringLiteral("tsOperateDetail"));
    store::Dataset &items = ws.dm.tblOperateDetail;
    // Items are listed by their number.
    if (items.sortColumn().isEmpty())
        items.setSort(QStringLiteral("DetailNo"));

    m_grid->setObjectName(QStringLiteral("dxDBGrid2"));
    m_grid->setDataset(&items);
    m_grid->addColumn(QStringLiteral("DetailNo"), QStringLiteral("业务详细编号"), 90);
    m_grid->addColumn(QStringLiteral("OperateDate"), QStringLiteral("发生日期"), 90);
    m_grid->addColumn(QStringLiteral("DTitle"), QStringLiteral("主题"), 160);
    m_grid->addColumn(QStringLiteral("Memo"), QStringLiteral("描述"), 220);
    // Not filled by any editor; the user may show them from the header menu.
    m_grid->addColumn(QStringLiteral("InOut"), QStringLiteral("收支类型"), 70, false);
    m_grid->addColumn(QStringLiteral("Price"), QStringLiteral("单价"), 80, false);
    m_grid->addColumn(QStringLiteral("Amount"), QStringLiteral("数量"), 70, false);
    m_grid->addColumn(QStringLiteral("DTotal"), QStringLiteral("总计"), 90, false);
    m_grid->addColumn(QStringLiteral("CurrID"), QStringLiteral("币别"), 60, false);
    m_grid->addColumn(QStringLiteral("RMB"), QStringLiteral("折人民币"), 90, false);
    m_grid->setGroupBandVisible(false);
    connect(m_grid, &DataGrid::rowActivated, this,
            [this] { ErrorDisplay::run(this, [this] { modifyItem(); }); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnAddItem", QStringLiteral("新增联络事宜"),
                                                   [this] { addItem(); }));
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnModifyItem", QStringLiteral("修改"),
                                                   [this] { modifyItem(); }));
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnDeleteItem", QStringLiteral("删除"),
                                                   [this] { deleteItem(); }));
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnRefreshItem", QStringLiteral("刷新"),
                                                   [this] { refreshItems(); }));
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
}

QPushButton *RecordItemsPage::button(const char *objectName) const
{
    return findChild<QPushButton *>(QLatin1String(objectName));
}

// Items take the code of the record they are added to, so the record must be the one the
// store holds: without a record there is nothing to add to, and a record being entered or
// changed is stored first.
bool RecordItemsPage::prepareItems()
{
    store::DataModule &dm = m_ws.dm;
    store::Dataset &records = dm.tblOperates2;
    if (!records.isOpen() || records.currentRow() < 0)
        return false;
    const bool pending = records.state() == store::Dataset::State::Insert ||
                         (records.state() == store::Dataset::State::Edit && records.isModified());
    if (pending && !m_storeRecord())
        return false;
    if (records.isEditing())
        records.cancel(); // an edit with nothing typed into it
    dm.tblCurrencyRate.open();
    dm.tblOperateDetail.open();
    return records.currentRow() >= 0;
}

void RecordItemsPage::addItem()
{
    if (!prepareItems())
        return;
    m_ws.dm.tblOperateDetail.append();
    RecordItemDialog::proposeNumber(m_ws.dm);
    RecordItemDialog dialog(m_ws, this);
    dialog.exec();
}

void RecordItemsPage::modifyItem()
{
    if (!prepareItems())
        return;
    store::Dataset &items = m_ws.dm.tblOperateDetail;
    if (items.currentRow() < 0)
        return;
    items.edit();
    RecordItemDialog dialog(m_ws, this);
    dialog.exec();
}

void RecordItemsPage::deleteItem()
{
    store::Dataset &items = m_ws.dm.tblOperateDetail;
    if (!items.isOpen() || items.isEmpty())
        return;
    if (MessageBox::confirm(this, QStringLiteral("您真的要删除该业务子项记录吗？")))
        items.remove();
}

void RecordItemsPage::refreshItems()
{
    store::Dataset &items = m_ws.dm.tblOperateDetail;
    items.close();
    items.open();
}
