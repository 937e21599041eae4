#include "ledgerquery.h"

#include "dataset.h"

namespace LedgerQuery
{

QStringList lines(bool receivables, bool period, bool stepped)
{
    const QString direction = receivables ? QStringLiteral("收款") : QStringLiteral("付款");
    const QString groups = QStringLiteral("tblOperates.OperateID,tblOperates.OperateTitle,tblOperates.CustID,tblCustomers.CustName,"
                                          "tblOperates.WriteDate,tblOperates.CurrID,tblOperates.CompactAmount,tblOperates.RMB,"
                                          "tblOperates.EndDate");
    return {
        QStringLiteral("SELECT tblOperates.OperateID,tblOperates.OperateTitle,tblOperates.CustID,tblCustomers.CustName, "),
        QStringLiteral("tblOperates.WriteDate,tblOperates.CurrID,tblOperates.CompactAmount,tblOperates.RMB,"),
        QStringLiteral("tblOperates.EndDate,sum(tblOperateDetail.RMB) as sumRMB,(tblOperates.RMB-sum(tblOperateDetail.RMB)) as %1  ")
            .arg(receivables ? QStringLiteral("gathering") : QStringLiteral("Payment")),
        QStringLiteral(" FROM (tblOperates Inner JOIN tblOperateDetail ON tblOperates.OperateID = tblOperateDetail.OperateID) "),
        QStringLiteral(" INNER JOIN tblCustomers ON tblOperates.CustID = tblCustomers.CustId "),
        period ? QStringLiteral(" where (tblOperates.InorOut='%1') and (tblOperates.EndDate Between :EndDate1 and :EndDate2)").arg(direction)
               : QStringLiteral(" where (tblOperates.InorOut='%1')").arg(direction),
        stepped ? QStringLiteral(" and tblOperates.OperateID > :after") : QString(),
        QStringLiteral(" group by ") + groups,
        // Ordered as grouped (by the code first, which is unique): the groups come out of the
        // contracts read in code order without a sort, so a step stops after its rows.
        stepped ? QStringLiteral(" order by ") + groups + QStringLiteral(" limit :step") : QString()};
}

// Every contract: the first screen at once, the rest read in steps of contract codes while
// the window waits for input.
void open(store::Dataset &query, bool receivables)
{
    query.close();
    query.setSql(lines(receivables, false, true));
    query.setSteppedBy(QStringLiteral("OperateID"));
    query.open();
}

// The contracts due in a period: read in steps of contract codes as well, so a busy month
// shows its first screen at once.
void open(store::Dataset &query, bool receivables, const QDate &from, const QDate &to)
{
    query.close();
    query.setSql(lines(receivables, true, true));
    query.setSteppedBy(QStringLiteral("OperateID"));
    query.setParam(QStringLiteral("EndDate1"), from);
    query.setParam(QStringLiteral("EndDate2"), to);
    query.open();
}

} // namespace LedgerQuery
