// The receivables and payables ledgers: which contracts are listed and with what figures, the
// footer sums, 刷新 that only logs, the period of 查询, printing, rights, and the keyboard
// from the main window, on every engine.
#include "agentsfixture.h"
#include "analysis.h"
#include "datagrid.h"
#include "filedialog.h"
#include "ledgerquery.h"
#include "ledgerwindow.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "money.h"
#include "printing.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QTreeView>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{

// Two agents and contracts of both directions: R1 half settled in three items, R2 without
// items, R3 of an agent that is gone, R4 overpaid, P1 a payable; due dates across a month's
// ends.
void addContracts(AgentsFixture &f)
{
    f.addAgent(u"C1"_s, u"甲公司"_s, u"someone"_s);
    f.addAgent(u"C2"_s, u"乙公司"_s);
    store::Connection &db = f.dm.connection();
    const auto contract = [&db](const char *id, const char *cust, const char *dir, const char *rmb, QDate due) {
        db.exec(u"INSERT INTO tblOperates (OperateID, OperateTitle, CustID, InOrOut, CurrID, CompactAmount, RMB, "
                "WriteDate, EndDate) VALUES (?, ?, ?, ?, 'USD', ?, ?, ?, ?)"_s,
                {QString::fromLatin1(id), QString(u"合同"_s + QLatin1String(id)), QString::fromLatin1(cust),
                 QString::fromUtf8(dir), QByteArray(rmb).toDouble(), QByteArray(rmb).toDouble(), QDate(2026, 1, 1), due});
    };
    contract("R1", "C1", "收款", "100.10", QDate(2026, 1, 1));
    contract("R2", "C1", "收款", "70", QDate(2026, 1, 15));
    contract("R3", "GONE", "收款", "80", QDate(2026, 1, 15));
    contract("R4", "C2", "收款", "10", QDate(2026, 1, 31));
    contract("R5", "C2", "收款", "40", QDate(2026, 2, 1));
    contract("P1", "C2", "付款", "500", QDate(2026, 1, 20));
    db.exec(u"INSERT INTO tblOperateDetail (OperateID, DetailNo, RMB) VALUES ('R1', '1', 29.9), ('R1', '2', 0.1), "
            "('R1', '3', 20.2), ('R3', '1', 5), ('R4', '1', 15), ('R5', '1', 40), ('P1', '1', 125.5)"_s);
}

// A receivables window opened on contracts R00000.. of 10 RMB, each with one item of 2.5
// received: more than the first step reads.
struct LongLedger {
    static constexpr int contracts = 1300;
    AgentsFixture f;
    std::unique_ptr<LedgerWindow> w;
    QAbstractItemModel *model = nullptr;

    explicit LongLedger(const QString &engine) : f(engine)
    {
        f.addAgent(u"C1"_s, u"甲公司"_s);
        store::Connection &db = f.dm.connection();
        db.transaction([&] {
            for (int i = 0; i < contracts; ++i) {
                const QString id = u"R%1"_s.arg(i, 5, 10, QLatin1Char('0'));
                db.exec(u"INSERT INTO tblOperates (OperateID, OperateTitle, CustID, InOrOut, "
                        u"CurrID, CompactAmount, RMB) "
                        "VALUES (?, 'x', 'C1', '收款', 'RMB', 10, 10)"_s,
                        {id});
                db.exec(u"INSERT INTO tblOperateDetail (OperateID, DetailNo, RMB) "
                        u"VALUES (?, '1', 2.5)"_s,
                        {id});
            }
        });
        w = std::make_unique<LedgerWindow>(f.ws, true);
        LedgerQuery::open(f.dm.qryGathering, true);
        model = w->grid()->view()->model();
    }
};

QStringList listed(store::Dataset &d)
{
    QStringList ids;
    for (int row = 0; row < d.rowCount(); ++row) {
        d.moveTo(row);
        ids << d.text(u"OperateID"_s);
    }
    ids.sort();
    return ids;
}

QString money(store::Dataset &d, const QString &id, const QString &field)
{
    if (!d.locate(u"OperateID"_s, id))
        return u"(not listed)"_s;
    return store::Money::fixed2(d.value(field).toDouble());
}

QAction *act(LedgerWindow &w, const char *name)
{
    QAction *a = w.action(QLatin1String(name));
    if (!a)
        qFatal("no action %s", name);
    return a;
}

// Picks a period in the query dialog and closes it with 确定, or with 取消.
void queryPeriod(LedgerWindow &w, QDate from, QDate to, bool confirm = true)
{
    bool seen = false;
    testsupport::whenModal(u"TfrmInOutQuery"_s, [&](QWidget *d) {
        seen = true;
        QCOMPARE(d->findChild<QDateEdit *>(u"dtpBegin"_s)->date(), QDate::currentDate().addDays(-30));
        QCOMPARE(d->findChild<QDateEdit *>(u"dtpEnd"_s)->date(), QDate::currentDate());
        d->findChild<QDateEdit *>(u"dtpBegin"_s)->setDate(from);
        d->findChild<QDateEdit *>(u"dtpEnd"_s)->setDate(to);
        d->findChild<QPushButton *>(confirm ? u"btnOK"_s : u"btnCancel"_s)->click();
    });
    act(w, "Act_Query")->trigger();
    QVERIFY(seen);
}

} // namespace

class TestLedgers : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // Only contracts with items and an existing agent, settled and open amounts exact to the
    // cent (an overpaid one open below zero), and the sums of what is listed in the footer.
    void contractsSettledAndOpen_data() { testsupport::addEngineRows(); }
    void contractsSettledAndOpen()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addContracts(f);
        LedgerWindow w(f.ws, true);
        LedgerQuery::open(f.dm.qryGathering, true);
        store::Dataset &d = w.ledger();
        QCOMPARE(&d, &f.dm.qryGathering);
        QCOMPARE(listed(d), (QStringList{u"R1"_s, u"R4"_s, u"R5"_s}));
        QCOMPARE(money(d, u"R1"_s, u"sumRMB"_s), u"50.20"_s);
        QCOMPARE(money(d, u"R1"_s, u"gathering"_s), u"49.90"_s);
        QCOMPARE(money(d, u"R4"_s, u"gathering"_s), u"-5.00"_s);
        QCOMPARE(money(d, u"R5"_s, u"gathering"_s), u"0.00"_s);
        QVERIFY(d.locate(u"OperateID"_s, u"R1"_s));
        QCOMPARE(d.text(u"CustName"_s), u"甲公司"_s);
        QCOMPARE(w.totals()->text(),
                 u"共 3 笔合同　折人民币合计：150.10　已收账款合计：105.20　未收账款合计：44.90"_s);

        QStringList captions;
        QHeaderView *header = w.grid()->view()->header();
        for (int i = 0; i < header->count(); ++i)
            captions << header->model()->headerData(i, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{u"业务编码"_s, u"业务标题"_s, u"客户代码"_s, u"客户名称"_s, u"签约日期"_s,
                                        u"币别"_s, u"合同金额"_s, u"折人民币"_s, u"截止日期"_s, u"已收账款"_s,
                                        u"未收账款"_s}));

        LedgerWindow payables(f.ws, false);
        LedgerQuery::open(f.dm.qryPayment, false);
        QCOMPARE(listed(f.dm.qryPayment), QStringList{u"P1"_s});
        QCOMPARE(money(f.dm.qryPayment, u"P1"_s, u"Payment"_s), u"374.50"_s);
        QCOMPARE(payables.objectName(), u"TfrmPayment"_s);
        QCOMPARE(payables.totals()->text(),
                 u"共 1 笔合同　折人民币合计：500.00　已付账款合计：125.50　未付账款合计：374.50"_s);
    }

    // A ledger longer than the first screen is listed at once and read on while the window
    // waits; the grid grows with it, and the footer's sums come when the last row is in.
    void aLongLedgerIsShownBeforeItIsRead_data() { testsupport::addEngineRows(); }
    void aLongLedgerIsShownBeforeItIsRead()
    {
        QFETCH(QString, engine);
        LongLedger l(engine);
        AgentsFixture &f = l.f;
        LedgerWindow &w = *l.w;
        QAbstractItemModel *model = l.model;
        const int contracts = LongLedger::contracts;
        QVERIFY(model->rowCount() < contracts);
        QCOMPARE(w.totals()->text(), u"正在读取合同……"_s);
        QTRY_COMPARE(model->rowCount(), contracts);
        QCOMPARE(w.totals()->text(),
                 u"共 1300 笔合同　折人民币合计：13000.00　已收账款合计：3250.00　未收账款合计：9750.00"_s);
        QCOMPARE(model->index(contracts - 1, 0).data().toString(), u"R01299"_s);

        // Grouping while the rest is still to be read groups every contract.
        LedgerQuery::open(f.dm.qryGathering, true);
        QVERIFY(model->rowCount() < contracts);
        w.grid()->setGroupColumns({u"CustID"_s});
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->rowCount(model->index(0, 0)), contracts);
    }

    // A step the store refuses: the error is shown, the rows read so far stay, and the sums
    // say that they are of an incomplete list until the list is read whole again.
    void aFailedStepMarksTheSumsIncomplete_data() { testsupport::addEngineRows(); }
    void aFailedStepMarksTheSumsIncomplete()
    {
        QFETCH(QString, engine);
        LongLedger l(engine);
        AgentsFixture &f = l.f;
        LedgerWindow &w = *l.w;
        QAbstractItemModel *model = l.model;
        const int contracts = LongLedger::contracts;
        const int shown = model->rowCount();
        QVERIFY(shown > 0 && shown < contracts);
        // Another seat takes the items' table away before the next step is read.
        auto seat = f.store.connect();
        seat->exec(u"ALTER TABLE tblOperateDetail RENAME TO tblOperateDetailAway"_s);
        QTRY_VERIFY2(w.totals()->text().contains(u"不完整"_s), qPrintable(w.totals()->text()));
        QCOMPARE(
            w.totals()->text(),
            u"（列表不完整：读取中断）已读出 %1 笔合同　折人民币合计：%2　已收账款合计：%3　未收账款合计：%4"_s
                .arg(shown)
                .arg(store::Money::fixed2(shown * 10.0), store::Money::fixed2(shown * 2.5),
                     store::Money::fixed2(shown * 7.5)));
        QCOMPARE(model->rowCount(), shown);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QVERIFY2(MessageBox::last().text.startsWith(u"读取合同时出错，列表不完整："_s) &&
                     MessageBox::last().text.contains(u"tblOperateDetail"_s, Qt::CaseInsensitive),
                 qPrintable(MessageBox::last().text));
        // Grouping now neither waits nor claims the list whole.
        w.grid()->setGroupColumns({u"CustID"_s});
        QCOMPARE(model->rowCount(model->index(0, 0)), shown);
        QVERIFY(w.totals()->text().contains(u"不完整"_s));
        w.grid()->setGroupColumns({});

        // Neither a print nor an export passes the rows read for the whole list: both are
        // refused with the store's error, and no report or file is made.
        Printing::clearHistory();
        act(w, "Act_Print")->trigger();
        QCOMPARE(Printing::history().size(), 0);
        QVERIFY2(MessageBox::last().text.startsWith(u"读取数据时出错，列表不完整，不能打印。"_s),
                 qPrintable(MessageBox::last().text));
        const QString file = f.store.appDir() + u"incomplete.xlsx"_s;
        FileDialog::setNextFileName(file);
        w.grid()->exportAction()->trigger();
        QVERIFY2(MessageBox::last().text.startsWith(u"读取数据时出错，列表不完整，不能导出。"_s),
                 qPrintable(MessageBox::last().text));
        QVERIFY(!QFile::exists(file));

        seat->exec(u"ALTER TABLE tblOperateDetailAway RENAME TO tblOperateDetail"_s);
        LedgerQuery::open(f.dm.qryGathering, true);
        QTRY_COMPARE(model->rowCount(), contracts);
        QCOMPARE(
            w.totals()->text(),
            u"共 1300 笔合同　折人民币合计：13000.00　已收账款合计：3250.00　未收账款合计：9750.00"_s);
    }

    // 刷新 writes its log line and rereads nothing; the main-window command does.
    void refreshOnlyLogs_data() { testsupport::addEngineRows(); }
    void refreshOnlyLogs()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addContracts(f);
        LedgerWindow w(f.ws, true);
        LedgerQuery::open(f.dm.qryGathering, true);
        f.dm.connection().exec(u"INSERT INTO tblOperateDetail (OperateID, DetailNo, RMB) VALUES ('R2', '1', 1), ('R1', '4', 9.9)"_s);
        act(w, "Act_Refresh")->trigger();
        QCOMPARE(f.logCount(u"客户业务管理-应收账款-刷新"_s), 1);
        QCOMPARE(listed(w.ledger()), (QStringList{u"R1"_s, u"R4"_s, u"R5"_s}));
        QCOMPARE(money(w.ledger(), u"R1"_s, u"gathering"_s), u"49.90"_s);

        LedgerQuery::open(f.dm.qryGathering, true);
        QCOMPARE(listed(w.ledger()), (QStringList{u"R1"_s, u"R2"_s, u"R4"_s, u"R5"_s}));
        QCOMPARE(money(w.ledger(), u"R1"_s, u"gathering"_s), u"40.00"_s);
        QVERIFY(w.totals()->text().startsWith(u"共 4 笔合同"_s));
    }

    // 查询 names the ledger in LedgerKind and narrows it to due dates from the first to the last
    // day chosen, both included; a reversed period lists nothing, 取消 changes nothing, and
    // the other ledger is left alone.
    void periodOfDueDates_data() { testsupport::addEngineRows(); }
    void periodOfDueDates()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addContracts(f);
        LedgerWindow receivables(f.ws, true);
        LedgerWindow payables(f.ws, false);
        LedgerQuery::open(f.dm.qryGathering, true);
        LedgerQuery::open(f.dm.qryPayment, false);

        queryPeriod(receivables, QDate(2026, 1, 1), QDate(2026, 1, 31));
        QCOMPARE(store::session().LedgerKind, u"应收账款"_s);
        QCOMPARE(listed(f.dm.qryGathering), (QStringList{u"R1"_s, u"R4"_s}));
        QCOMPARE(f.logCount(u"客户业务管理-应收账款-查询"_s), 1);
        QVERIFY(receivables.totals()->text().startsWith(u"共 2 笔合同"_s));

        queryPeriod(receivables, QDate(2026, 1, 31), QDate(2026, 1, 1));
        QCOMPARE(listed(f.dm.qryGathering), QStringList());
        queryPeriod(receivables, QDate(2026, 2, 1), QDate(2026, 2, 1), false);
        QCOMPARE(listed(f.dm.qryGathering), QStringList());

        queryPeriod(payables, QDate(2026, 2, 1), QDate(2026, 3, 1));
        QCOMPARE(store::session().LedgerKind, u"应付账款"_s);
        QCOMPARE(listed(f.dm.qryPayment), QStringList());
        QCOMPARE(listed(f.dm.qryGathering), QStringList());
        queryPeriod(payables, QDate(2026, 1, 20), QDate(2026, 1, 20));
        QCOMPARE(listed(f.dm.qryPayment), QStringList{u"P1"_s});

        // The command without a period lists every contract again.
        LedgerQuery::open(f.dm.qryGathering, true);
        QCOMPARE(listed(f.dm.qryGathering), (QStringList{u"R1"_s, u"R4"_s, u"R5"_s}));
    }

    // 打印 prints the list as the last query left it, money to two decimals with the sums at
    // the end; 查询 and 打印 follow the user's right flags; 关闭 goes back to 业务管理.
    void printRightsAndClose_data() { testsupport::addEngineRows(); }
    void printRightsAndClose()
    {
        QFETCH(QString, engine);
        AgentsFixture f(engine);
        addContracts(f);
        const QString reports = f.store.appDir() + u"Data/Report/"_s;
        QVERIFY(QDir().mkpath(reports));
        for (const char *name : {"frGathering.frf", "frPayment.frf"})
            QVERIFY(QFile::copy(QStringLiteral(TESSALY_REPORT_SOURCE "/") + QLatin1String(name),
                                reports + QLatin1String(name)));
        LedgerWindow w(f.ws, true);
        LedgerQuery::open(f.dm.qryGathering, true, QDate(2026, 1, 1), QDate(2026, 1, 31));
        act(w, "Act_Print")->trigger();
        const Printing::Shown shown = Printing::last();
        QCOMPARE(shown.layout, u"frGathering.frf"_s);
        QVERIFY(shown.layoutFound);
        QCOMPARE(shown.dataset, u"qryGathering"_s);
        QCOMPARE(shown.rowCount, 2);
        for (const QString &figure : {u"100.10"_s, u"50.20"_s, u"49.90"_s, u"-5.00"_s, u"110.10"_s, u"65.20"_s, u"44.90"_s})
            QVERIFY2(shown.text.contains(figure), qPrintable(figure + u" in\n"_s + shown.text));
        QVERIFY(!shown.text.contains(u"R5"_s));
        QCOMPARE(f.logCount(u"客户业务管理-应收账款-打印"_s), 1);

        testsupport::untilIdle();
        QVERIFY(act(w, "Act_Query")->isEnabled());
        QVERIFY(act(w, "Act_Print")->isEnabled());
        f.setRightFlag(u"306"_s, u"Query"_s, false);
        testsupport::untilIdle();
        QVERIFY(!act(w, "Act_Query")->isEnabled());
        QVERIFY(act(w, "Act_Print")->isEnabled());
        f.setRightFlag(u"306"_s, u"Print"_s, false);
        testsupport::untilIdle();
        QVERIFY(!act(w, "Act_Print")->isEnabled());
        QVERIFY(act(w, "Act_Refresh")->isEnabled());

        act(w, "Act_Close")->trigger();
        QCOMPARE(f.host.navigationPage, u"业务管理"_s);
    }

    // On SQLite the ledger of every contract is grouped in code order as the contracts are read,
    // without sorting a row per contract (so a step of it stops after its rows), and a period
    // is read through the due dates.
    void planReadsContractsInOrder()
    {
        AgentsFixture f(u"sqlite"_s);
        const auto plan = [&f](const QStringList &lines) {
            QString text;
            const QString sql = lines.join(u'\n');
            QSqlQuery q = f.dm.connection().execNamed(
                u"EXPLAIN QUERY PLAN "_s + sql,
                sql.contains(u":EndDate1"_s)   ? QVariantMap{{u"EndDate1"_s, QDate(2026, 1, 1)}, {u"EndDate2"_s, QDate(2026, 1, 31)}}
                : sql.contains(u":after"_s) ? QVariantMap{{u"after"_s, u"R0001"_s}, {u"step"_s, 500}}
                                             : QVariantMap{});
            while (q.next())
                text += q.value(3).toString() + u'\n';
            return text;
        };
        for (const bool receivables : {true, false}) {
            const QString all = plan(LedgerQuery::lines(receivables));
            QVERIFY2(!all.contains(u"TEMP B-TREE"_s), qPrintable(all));
            QVERIFY2(!all.contains(u"i_tblOperates_Due"_s), qPrintable(all));
            // Read in steps, each step starts at its code and stops after its rows.
            const QString stepped = plan(LedgerQuery::lines(receivables, false, true));
            QVERIFY2(!stepped.contains(u"TEMP B-TREE"_s), qPrintable(stepped));
            QVERIFY2(!stepped.contains(u"i_tblOperates_Due"_s), qPrintable(stepped));
            // A period is a range of an index on the due date (the ledger's own, or the list's).
            const QString period = plan(LedgerQuery::lines(receivables, true));
            QVERIFY2(period.contains(u"(EndDate>? AND EndDate<?)"_s), qPrintable(period));
            QVERIFY2(period.contains(u"SEARCH tblOperates USING"_s), qPrintable(period));
        }
    }

    // From the main window by keyboard alone: Ctrl+Alt+M shows the receivables with the
    // keyboard in them, so that Ctrl+Q opens the period dialog at once; Ctrl+Alt+N likewise.
    void keyboardFromTheMainWindow()
    {
        AgentsFixture f(u"sqlite"_s);
        addContracts(f);
        MainWindow main(f.dm);
        QVERIFY(main.runShowStep());
        installAnalysis(main.workspace());
        main.show();
        QApplication::setActiveWindow(&main);
        QVERIFY(QTest::qWaitForWindowActive(&main));

        QTest::keyClick(&main, Qt::Key_M, Qt::ControlModifier | Qt::AltModifier);
        auto *w = qobject_cast<LedgerWindow *>(main.currentContent());
        QVERIFY(w);
        QCOMPARE(w->objectName(), u"TfrmGathering"_s);
        QVERIFY(w->isVisible());
        QVERIFY(w->isAncestorOf(QApplication::focusWidget()));
        QCOMPARE(listed(w->ledger()), (QStringList{u"R1"_s, u"R4"_s, u"R5"_s}));

        bool opened = false;
        testsupport::whenModal(u"TfrmInOutQuery"_s, [&](QWidget *d) {
            opened = true;
            d->findChild<QPushButton *>(u"btnCancel"_s)->click();
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(opened);
        QCOMPARE(store::session().LedgerKind, u"应收账款"_s);

        // The window system gives the main window back its activation once the dialog is gone;
        // the keyboard is back in the ledger.
        QApplication::setActiveWindow(&main);
        QVERIFY(w->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
        w = qobject_cast<LedgerWindow *>(main.currentContent());
        QVERIFY(w);
        QCOMPARE(w->objectName(), u"TfrmPayment"_s);
        QVERIFY(w->isAncestorOf(QApplication::focusWidget()));
        QCOMPARE(f.logRows().mid(f.logRows().size() - 3),
                 (QStringList{u"商务代理业务管理-应收账款"_s, u"客户业务管理-应收账款-查询"_s,
                              u"商务代理业务管理-应付账款"_s}));
    }
};

QTEST_MAIN(TestLedgers)
#include "tst_ledgers.moc"
