#include "recorditemdialog.h"

#include "commandaction.h"
#include "datamodule.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbmemo.h"
#include "dbnavigator.h"
#include "editorcommands.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "formfields.h"
#include "messagebox.h"
#include "money.h"
#include "nextcode.h"
#include "storeerror.h"
#include "windowshortcuts.h"
#include "workspace.h"

#include <QAction>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RecordItemDialog::RecordItemDialog(Workspace &ws, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_number(new DbLineEdit(this)), m_subject(new DbLineEdit(this)),
      m_date(new DbDateEdit(this)), m_description(new DbMemo(this)),
      m_navigator(new DbNavigator(this))
{
    setObjectName(QStringLiteral("TfrmOperateNewChild"));
    setWindowTitle(QStringLiteral("联络事宜"));
    store::Dataset &items = ws.dm.tblOperateDetail;
    if (items.state() == store::Dataset::State::Insert) // a new item opens with its proposal
        m_proposed = items.text(QStringLiteral("DetailNo"));

    m_number->setObjectName(QStringLiteral("edtDetailNo"));
    m_number->bind(&items, QStringLiteral("DetailNo"));
    m_date->setObjectName(QStringLiteral("deOperateDate"));
    m_date->bind(&items, QStringLiteral("OperateDate"));
    m_subject->setObjectName(QStringLiteral("edtDTitle"));
    m_subject->bind(&items, QStringLiteral("DTitle"));
    m_description->setObjectName(QStringLiteral("mmMemo"));
    m_description->bind(&items, QStringLiteral("Memo"));
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));
    m_navigator->setDataset(&items);

    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(m_number, 1);
    numberRow->addWidget(new QLabel(QStringLiteral("（请输入数字编码）"), this));
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("子项编号"), numberRow);
    fields->addRow(QStringLiteral("发生日期"), m_date);
    fields->addRow(QStringLiteral("相关主题"), m_subject);
    fields->addRow(QStringLiteral("描述"), m_description);

    // The item commands check no rights and write no log rows.
    auto *buttons = new QHBoxLayout;
    const auto button = [this, buttons](QAction *a) { addEditorButton(this, buttons, a, 64); };
    button(addCommand(this, ws, "Act_Add", QStringLiteral("新增"), QStringLiteral("Ctrl+A"), {}, {},
                      [this] { addItem(); }));
    button(addCommand(this, ws, "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"), {},
                      [&items] { return items.isEditing(); }, [this] { save(); }));
    button(addCommand(this, ws, "Act_Del", QStringLiteral("删除"), {}, {}, {},
                      [this] { deleteItem(); }));
    buttons->addStretch(1);
    buttons->addWidget(ErrorDisplay::commandButton(this, "SpeedButton4", QStringLiteral("关闭"),
                                                   [this] { closeAsked(); }));

    auto *chain = new EnterChain({m_number, m_date, m_subject, m_description}, this);
    chain->setKeepsEnter(m_description);
    new WindowShortcuts(this); // Ctrl+A and Ctrl+S work from inside every field

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_navigator);
    layout->addLayout(buttons);
    resize(460, 300);
}

void RecordItemDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_number->setFocus();
    selectProposal();
}

// A proposed number is selected, so what the user types takes its place.
void RecordItemDialog::selectProposal()
{
    if (m_ws.dm.tblOperateDetail.state() == store::Dataset::State::Insert)
        m_number->selectAll();
}

void RecordItemDialog::addItem()
{
    store::DataModule &dm = m_ws.dm;
    dm.tblCurrencyRate.open();
    dm.tblOperateDetail.open();
    dm.tblOperateDetail.append();
    m_proposed = proposeNumber(dm);
    m_number->setFocus();
    selectProposal();
}

QString RecordItemDialog::proposeNumber(store::DataModule &dm, bool replace)
{
    store::Dataset &items = dm.tblOperateDetail;
    const QString number = QStringLiteral("DetailNo");
    if (items.state() != store::Dataset::State::Insert ||
        (!replace && !items.text(number).isEmpty()))
        return {};
    const QString record = items.text(QStringLiteral("OperateID"));
    QString next = store::proposedCode(dm.connection(), QStringLiteral("tblOperateDetail"), number,
                                       QStringLiteral("OperateID"), record);
    if (next.isEmpty())
        next = store::nextCode(dm.connection(), QStringLiteral("tblOperateDetail"), number,
                               QStringLiteral("1"), QStringLiteral("OperateID"), record);
    if (!next.isEmpty())
        items.proposeValue(number, next);
    return next;
}

bool RecordItemDialog::checkRequired()
{
    return FormFields::requireShown(this, {{m_number, QStringLiteral("请输入子项编号！")},
                                           {m_date, QStringLiteral("请选择输入子项发生日期！")},
                                           {m_subject, QStringLiteral("请输入相关主题！")}});
}

void RecordItemDialog::computeAmounts(store::DataModule &dm)
{
    store::Dataset &items = dm.tblOperateDetail;
    store::Dataset &rates = dm.tblCurrencyRate;
    const double price = items.value(QStringLiteral("Price")).toDouble();
    const double amount = items.value(QStringLiteral("Amount")).toDouble();
    items.setValue(QStringLiteral("DTotal"), store::Money::product({price, amount}));
    // The item's own currency, wherever the rate list happens to stand: the ledgers add these
    // amounts up. A currency the list does not know leaves a stored amount alone.
    rates.open();
    const QVariant rate = rates.lookup(QStringLiteral("CurrID"), QStringLiteral("Rate"),
                                       items.value(QStringLiteral("CurrID")));
    if (!rate.isNull() && rate.isValid())
        items.setValue(QStringLiteral("RMB"),
                       store::Money::product({price, amount, rate.toDouble()}));
    else if (items.state() == store::Dataset::State::Insert)
        items.setValue(QStringLiteral("RMB"), store::Money::product({price, amount, 0.0}));
}

// 保存: the item stays in the dialog after it is stored. A second item with the same number in
// the record is refused by the store and reported as such; any other refusal shows the
// store's own text.
void RecordItemDialog::save()
{
    if (!checkRequired())
        return;
    store::Dataset &items = m_ws.dm.tblOperateDetail;
    if (!items.isEditing())
        items.edit();
    computeAmounts(m_ws.dm);
    try {
        items.post();
    } catch (const store::StoreError &e) {
        if (e.kind() != store::StoreError::Kind::Duplicate)
            throw;
        MessageBox::warning(this, QStringLiteral("对不起，已经存在相同的子项编码!"));
        // The proposed number was taken by another seat meanwhile: the next free one. A number
        // the user typed stays for the user to change.
        if (!m_proposed.isEmpty() && items.text(QStringLiteral("DetailNo")) == m_proposed)
            m_proposed = proposeNumber(m_ws.dm, true);
        m_number->setFocus();
        selectProposal();
    }
}

void RecordItemDialog::deleteItem()
{
    store::Dataset &items = m_ws.dm.tblOperateDetail;
    if (!items.isOpen() || items.isEmpty())
        return;
    if (MessageBox::confirm(this, QStringLiteral("您真的要删除该联络事宜记录吗？")))
        items.remove();
}

void RecordItemDialog::closeAsked()
{
    store::Dataset &items = m_ws.dm.tblOperateDetail;
    const auto save = [this, &items] {
        if (!checkRequired())
            return false;
        computeAmounts(m_ws.dm);
        items.post(); // a refusal shows the store's text and the dialog stays open
        return true;
    };
    if (!settleOnClose(this, items, QStringLiteral("业务子项资料尚未保存，保存吗？"), save))
        return;
    QDialog::reject();
}

void RecordItemDialog::reject()
{
    ErrorDisplay::run(this, [this] { closeAsked(); });
}
