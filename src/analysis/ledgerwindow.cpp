#include "ledgerwindow.h"

#include "commandaction.h"
#include "datagrid.h"
#include "datamodule.h"
#include "firstfocus.h"
#include "inoutquerydialog.h"
#include "messagebox.h"
#include "modulehost.h"
#include "money.h"
#include "printing.h"
#include "rights.h"
#include "session.h"
#include "workspace.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

LedgerWindow::LedgerWindow(Workspace &ws, bool receivables, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_receivables(receivables)
{
    const QString kind = receivables ? QStringLiteral("应收账款") : QStringLiteral("应付账款");
    const QString right = receivables ? QStringLiteral("306") : QStringLiteral("307");
    const QString log = QStringLiteral("客户业务管理-") + kind + QLatin1Char('-');
    setObjectName(receivables ? QStringLiteral("TfrmGathering") : QStringLiteral("TfrmPayment"));
    setWindowTitle(kind);

    auto *bar = new QHBoxLayout;
    auto *title = new QLabel(kind, this);
    title->setObjectName(QStringLiteral("lbTitle"));
    QFont big = title->font();
    big.setBold(true);
    title->setFont(big);
    bar->addWidget(title);
    bar->addStretch(1);
    const auto button = [this, bar](const char *name, QAction *a) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        bar->addWidget(b);
        m_actions.insert(a->objectName(), a);
    };
    Rights &rights = ws.rights;
    const auto allows = [&rights, right](const char *flag) {
        return [&rights, right, flag] { return rights.allows(right, QLatin1String(flag)); };
    };
    // 刷新 only notes itself: the list changes through the main-window command or 查询.
    button("SpeedButton4", addCommand(this, ws, "Act_Refresh", QStringLiteral("刷新"), {}, log + QStringLiteral("刷新"), {}, [] {}));
    button("SpeedButton5", addCommand(this, ws, "Act_Query", QStringLiteral("查询"), QStringLiteral("Ctrl+Q"),
                                      log + QStringLiteral("查询"), allows("Query"), [this] { query(); }));
    button("SpeedButton6", addCommand(this, ws, "Act_Print", QStringLiteral("打印"), QStringLiteral("Ctrl+P"),
                                      log + QStringLiteral("打印"), allows("Print"), [this] { print(); }));
    button("SpeedButton8", addCommand(this, ws, "Act_Close", QStringLiteral("关闭"), {}, {}, {},
                                      [this] { m_ws.host.returnToSchedule(QStringLiteral("业务管理")); }));

    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&ledger());
    m_grid->addColumn(QStringLiteral("OperateID"), QStringLiteral("业务编码"), 90);
    m_grid->addColumn(QStringLiteral("OperateTitle"), QStringLiteral("业务标题"), 200);
    m_grid->addColumn(QStringLiteral("CustID"), QStringLiteral("客户代码"), 80);
    m_grid->addColumn(QStringLiteral("CustName"), QStringLiteral("客户名称"), 180);
    m_grid->addColumn(QStringLiteral("WriteDate"), QStringLiteral("签约日期"), 85);
    m_grid->addColumn(QStringLiteral("CurrID"), QStringLiteral("币别"), 50);
    m_grid->addColumn(QStringLiteral("CompactAmount"), QStringLiteral("合同金额"), 100);
    m_grid->addColumn(QStringLiteral("RMB"), QStringLiteral("折人民币"), 100);
    m_grid->addColumn(QStringLiteral("EndDate"), QStringLiteral("截止日期"), 85);
    m_grid->addColumn(QStringLiteral("sumRMB"), receivables ? QStringLiteral("已收账款") : QStringLiteral("已付账款"), 100);
    m_grid->addColumn(receivables ? QStringLiteral("gathering") : QStringLiteral("Payment"),
                      receivables ? QStringLiteral("未收账款") : QStringLiteral("未付账款"), 100);
    m_grid->setGroupBandVisible(true);

    m_totals = new QLabel(this);
    m_totals->setObjectName(QStringLiteral("lbTotals"));
    m_totals->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_totals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(&ledger(), &store::Dataset::rowsReset, this, &LedgerWindow::showTotals);
    connect(&ledger(), &store::Dataset::readingFinished, this, &LedgerWindow::showTotals);
    connect(&ledger(), &store::Dataset::readingFailed, this, [this](const QString &error) {
        showTotals();
        MessageBox::critical(this, QStringLiteral("读取合同时出错，列表不完整：\n") + error);
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(bar);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_totals);
    FirstFocus::set(this, m_grid->view());
    showTotals();
}

store::Dataset &LedgerWindow::ledger() const
{
    return m_receivables ? m_ws.dm.qryGathering : m_ws.dm.qryPayment;
}

void LedgerWindow::query()
{
    store::session().LedgerKind = m_receivables ? QStringLiteral("应收账款") : QStringLiteral("应付账款");
    InOutQueryDialog dialog(m_ws.dm, this);
    dialog.exec();
}

void LedgerWindow::print()
{
    Printing::preview(this, m_receivables ? QStringLiteral("frGathering.frf") : QStringLiteral("frPayment.frf"), &ledger());
}

// The sums of the listed rows, added by the store: the contract amounts in RMB, what has been
// settled and what is open.
void LedgerWindow::showTotals()
{
    store::Dataset &d = ledger();
    if (!d.isOpen()) {
        m_totals->clear();
        return;
    }
    // A list whose reading stopped at an error says so: its sums are those of the rows read.
    const bool broken = !d.readError().isEmpty();
    if (!d.isComplete() && !broken) {
        // The sums wait for the last rows, read while the list is already shown.
        m_totals->setText(QStringLiteral("正在读取合同……"));
        return;
    }
    using store::Money::fixed2;
    const QString settled = m_receivables ? QStringLiteral("已收账款") : QStringLiteral("已付账款");
    const QString open = m_receivables ? QStringLiteral("未收账款") : QStringLiteral("未付账款");
    m_totals->setText(
        (broken ? QStringLiteral("（列表不完整：读取中断）已读出 %1 "
                                 "笔合同　折人民币合计：%2　%3合计：%4　%5合计：%6")
                : QStringLiteral("共 %1 笔合同　折人民币合计：%2　%3合计：%4　%5合计：%6"))
            .arg(d.rowCount())
            .arg(fixed2(d.sum(QStringLiteral("RMB"))), settled,
                 fixed2(d.sum(QStringLiteral("sumRMB"))), open,
                 fixed2(d.sum(m_receivables ? QStringLiteral("gathering")
                                            : QStringLiteral("Payment")))));
}
