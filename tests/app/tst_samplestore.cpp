// `tessaly --new-store PATH --sample`: the store opens, its two users sign in with 508316,
// and every module, analysis and ledger of the main window shows rows, every page of an agent
// shows its rows, the ledgers hold open amounts and envelopes have a sender to print; on
// both engines.
#include "admin.h"
#include "agentpages.h"
#include "agents.h"
#include "analysis.h"
#include "backup.h"
#include "contacts.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dictionaries.h"
#include "envelopesetdialog.h"
#include "filedialog.h"
#include "ledgerwindow.h"
#include "mail.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "passwords.h"
#include "printing.h"
#include "records.h"
#include "referrers.h"
#include "serverfile.h"
#include "session.h"
#include "teststore.h"

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestSampleStore : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QHash<QString, QString> m_appDirs;                // engine -> its program directory
    std::unique_ptr<testsupport::TempStore> m_server; // holds the server's sample database

    qint64 count(store::Connection &db, const QString &sql) { return db.scalar(sql).toLongLong(); }

    // Makes the sample store at `location` with the program, and a second one over it, which
    // is refused: an existing store is never touched.
    static void makeSample(const QString &location)
    {
        QProcess p;
        p.start(testsupport::binary(QStringLiteral("tessaly")),
                {QStringLiteral("--new-store"), location, QStringLiteral("--sample")});
        QVERIFY(p.waitForFinished(300000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QVERIFY(
            QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("示例数据库")));
        p.start(testsupport::binary(QStringLiteral("tessaly")),
                {QStringLiteral("--new-store"), location, QStringLiteral("--sample")});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY(p.exitCode() != 0);
    }
    QString appDir()
    {
        QFETCH(QString, engine);
        return m_appDirs.value(engine);
    }
    // The main window on the engine's sample store, with the module windows attached.
    struct Seat {
        explicit Seat(const QString &appDir)
        {
            store::session().setAppDir(appDir);
            store::session().CurrentUserID = QStringLiteral("Admin");
            dm.openAtStartup(appDir);
            installDictionaries(main.workspace());
            installAdmin(main.workspace());
            installBackup(main.workspace());
            AgentsWindow *agents = installAgents(main.workspace());
            installAgentPages(main.workspace(), *agents);
            installContacts(main.workspace());
            installRecords(main.workspace());
            installReferrers(main.workspace());
            installAnalysis(main.workspace());
            installMail(main.workspace());
        }
        store::DataModule dm;
        MainWindow main{dm};
    };

  private Q_SLOTS:
    void initTestCase()
    {
        const QString local = m_dir.path() + QStringLiteral("/");
        QVERIFY(QDir().mkpath(local + QStringLiteral("Data")));
        makeSample(local + QStringLiteral("Data/KTA30.wdb"));
        store::ServerFile::write(local, store::ServerFile::defaultLine(local));
        m_appDirs.insert(QStringLiteral("sqlite"), local);
        if (testsupport::engines().contains(QStringLiteral("postgresql"))) {
            m_server = std::make_unique<testsupport::TempStore>(QStringLiteral("postgresql"));
            const QString database = m_server->spareServerLocation();
            makeSample(database);
            store::ServerFile::write(m_server->appDir(), database);
            m_appDirs.insert(QStringLiteral("postgresql"), m_server->appDir());
        }
        Printing::setScripted(true);
    }
    void cleanupTestCase() { m_server.reset(); }

    void bookIsSmallAndAroundToday_data() { testsupport::addEngineRows(); }
    void bookIsSmallAndAroundToday()
    {
        store::Connection db;
        db.open(store::ServerFile::readFirstLine(appDir()));
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM tblCustomers")), 200);
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM tblLinkmans")), 600);
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM tblOperates")), 2000);
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM tblOperateDetail")), 4000);
        QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM tblOperaters")) > 0);
        QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM tblBoard")) > 0);
        // The schedule holds entries of these weeks, before and after today.
        const QDate today = QDate::currentDate();
        QSqlQuery q =
            db.exec(QStringLiteral("SELECT min(PlanDate), max(PlanDate), count(*) FROM tblPlan"));
        QVERIFY(q.next());
        QVERIFY(q.value(2).toInt() > 0);
        QVERIFY(q.value(0).toDate() >= today.addDays(-14) && q.value(0).toDate() < today);
        QVERIFY(q.value(1).toDate() <= today.addDays(14) && q.value(1).toDate() > today);
        q.finish();
        // Two users besides Admin, both with the password of Admin.
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM tblUser")), 3);
        for (const QString &user :
             {QStringLiteral("Admin"), QStringLiteral("user1"), QStringLiteral("user2")})
            QVERIFY2(store::Passwords::verify(db, user, QStringLiteral("508316")),
                     qPrintable(user));
        // Agents created in the last month, so the period analyses have something to show.
        QSqlQuery recent =
            db.exec(QStringLiteral("SELECT count(*) FROM tblCustomers WHERE CreateDate >= ?"),
                    {today.addDays(-30)});
        QVERIFY(recent.next() && recent.value(0).toInt() > 0);
    }

    // Every agent has agent contacts and its bank and tax data; the organisation's data is
    // complete; some contracts of both directions are still open, and some items are settled
    // in another currency than their contract's.
    void pagesLedgersAndSenderHoldData_data() { testsupport::addEngineRows(); }
    void pagesLedgersAndSenderHoldData()
    {
        store::Connection db;
        db.open(store::ServerFile::readFirstLine(appDir()));
        for (const char *table :
             {"tblLinkmans", "tblOperates", "tblCustomerState", "tblCustomerAddInfo"})
            QCOMPARE(
                count(db, QStringLiteral("SELECT count(*) FROM tblCustomers c WHERE NOT EXISTS "
                                         "(SELECT 1 FROM %1 r WHERE r.CustID = c.CustId)")
                              .arg(QLatin1String(table))),
                0);
        QVERIFY(count(db, QStringLiteral(
                              "SELECT count(*) FROM tblCustomerState WHERE Charge > 0")) > 0);
        QCOMPARE(count(db, QStringLiteral(
                               "SELECT count(*) FROM tblCustomerAddInfo WHERE BankID IS NULL OR "
                               "Account IS NULL OR VATaxID IS NULL")),
                 0);
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM tblUserInfo")), 1);
        QCOMPARE(
            count(db, QStringLiteral("SELECT count(*) FROM tblUserInfo WHERE UserName <> '' AND "
                                     "Address <> '' AND PostCode <> '' AND Telephone <> '' AND "
                                     "Fax <> '' AND Email <> '' AND HomePage <> ''")),
            1);
        for (const char *direction : {"收款", "付款"}) {
            const QString open = QStringLiteral(
                "SELECT count(*) FROM tblOperates o WHERE o.InOrOut = '%1' AND o.RMB > "
                "(SELECT sum(d.RMB) FROM tblOperateDetail d WHERE d.OperateID = o.OperateID) + "
                "0.005");
            QVERIFY2(count(db, open.arg(QString::fromUtf8(direction))) > 20, direction);
        }
        QVERIFY(count(db, QStringLiteral(
                              "SELECT count(*) FROM tblOperateDetail d JOIN tblOperates o "
                              "ON o.OperateID = d.OperateID WHERE d.CurrID <> o.CurrID")) > 0);
        QVERIFY(count(db, QStringLiteral(
                              "SELECT count(*) FROM tblOperateDetail WHERE CurrID <> 'RMB'")) > 0);
    }

    // What a newcomer sees: each page of the first agents, both ledgers with open amounts, and
    // an envelope with the sender's block.
    void pagesLedgersAndEnvelopesShowThem_data() { testsupport::addEngineRows(); }
    void pagesLedgersAndEnvelopesShowThem()
    {
        Seat seat(appDir());
        store::DataModule &dm = seat.dm;
        MainWindow &main = seat.main;
        QVERIFY(main.runShowStep());
        main.action(QStringLiteral("Act_Customers"))->trigger();
        QVERIFY(dm.tblCustomers.rowCount() > 10);
        for (int row = 0; row < 10; ++row) {
            dm.tblCustomers.moveTo(row);
            for (store::Dataset *page : {&dm.tblLinkmans, &dm.tblOperates, &dm.tblCustomerState})
                QVERIFY2(page->rowCount() > 0, qPrintable(page->name()));
            QCOMPARE(dm.tblCustomerAddInfo.rowCount(), 1);
            auto *account = main.findChild<QLineEdit *>(QStringLiteral("edtAccount"));
            QVERIFY(account);
            QVERIFY(!account->text().isEmpty());
        }

        for (const char *command : {"Act_Gathering", "Act_Payment"}) {
            main.action(QLatin1String(command))->trigger();
            auto *ledger = qobject_cast<LedgerWindow *>(main.currentContent());
            if (!ledger)
                ledger = main.currentContent()->findChild<LedgerWindow *>();
            QVERIFY2(ledger, command);
            QTRY_VERIFY(ledger->ledger().isComplete());
            const QString totals = ledger->totals()->text();
            const QString open =
                totals.section(QStringLiteral("未"), 1).section(QStringLiteral("合计："), 1);
            QVERIFY2(open.toDouble() > 0, qPrintable(totals));
        }

        // The shipped envelope layout, as the program directory holds it.
        const QString layout = QStringLiteral("Data/Report/frEnvelop6.frf");
        QVERIFY(QDir().mkpath(store::session().AppDir + QStringLiteral("Data/Report")));
        QFile::copy(testsupport::binary(layout), store::session().AppDir + layout);
        dm.tblCustomers2.open();
        dm.qryLinkmans3.close();
        dm.qryLinkmans3.setSql(QStringLiteral("select * from tblLinkmans"));
        dm.qryLinkmans3.open();
        EnvelopeSetDialog envelopes(dm);
        envelopes.findChild<QCheckBox *>(QStringLiteral("chkPrintUser"))->setChecked(true);
        envelopes.findChild<QPushButton *>(QStringLiteral("btnPreview"))->click();
        const Printing::Shown printed = Printing::last();
        QCOMPARE(printed.layout, QStringLiteral("frEnvelop6.frf"));
        QVERIFY2(
            printed.text.contains(QStringLiteral("星桥通商务代理服务有限公司")) &&
                printed.text.contains(QStringLiteral("杭州市滨江区江南大道588号恒鑫大厦12层")) &&
                printed.text.contains(QStringLiteral("310052")),
            qPrintable(printed.text.left(2000)));
    }

    void everyModuleShowsRows_data() { testsupport::addEngineRows(); }
    void everyModuleShowsRows()
    {
        Seat seat(appDir());
        store::DataModule &dm = seat.dm;
        MainWindow &main = seat.main;
        QVERIFY(main.runShowStep());
        QCoreApplication::processEvents();
        QVERIFY(dm.qryPlan.rowCount() > 0); // the schedule of the start

        const struct {
            const char *command;
            store::Dataset *shown;
        } modules[] = {{"Act_Customers", &dm.tblCustomers},
                       {"Act_Linkman", &dm.qryLinkmans1},
                       {"Act_OperatesInfo", &dm.tblOperates2},
                       {"Act_Operaters", &dm.tblOperaters},
                       {"Act_Gathering", &dm.qryGathering},
                       {"Act_Payment", &dm.qryPayment},
                       {"Act_RegionAnalyse", &dm.qryChartRegion},
                       {"Act_CustLevelAnalyse", &dm.qryChartLevel},
                       {"Act_CustOriginAnalyse", &dm.qryChartCustOrigin},
                       {"Act_CustStateAnalyse", &dm.qryChartCustState},
                       {"Act_CustVocationAnalyse", &dm.qryChartVocation}};
        for (const auto &m : modules) {
            QAction *a = main.action(QLatin1String(m.command));
            QVERIFY2(a, m.command);
            a->trigger();
            QCoreApplication::processEvents();
            // An analysis draws its chart at 刷新.
            if (QByteArray(m.command).endsWith("Analyse")) {
                auto *refresh =
                    main.currentContent()->findChild<QToolButton *>(QStringLiteral("SpeedButton4"));
                QVERIFY2(refresh, m.command);
                refresh->click();
            }
            QVERIFY2(m.shown->isOpen() && m.shown->rowCount() > 0, m.command);
            // Its list offers 导出..., logged under the module (the file dialog is cancelled).
            if (QByteArray(m.command).endsWith("Analyse"))
                continue;
            DataGrid *list = nullptr;
            for (DataGrid *g : main.currentContent()->findChildren<DataGrid *>())
                if (!list && g->dataset() == m.shown)
                    list = g;
            QVERIFY2(list, m.command);
            FileDialog::setNextFileName(QString());
            list->exportAction()->trigger();
            const QString logged =
                dm.connection()
                    .scalar(QStringLiteral("SELECT Operate FROM tblLog ORDER BY LogID DESC"))
                    .toString();
            QVERIFY2(logged.endsWith(QStringLiteral("-导出")) &&
                         logged.count(QLatin1Char('-')) >= 2,
                     qPrintable(logged));
            if (QByteArray(m.command) == "Act_Customers")
                QCOMPARE(logged, QStringLiteral("商务代理业务管理-商务代理资料-导出"));
        }
    }
};

QTEST_MAIN(TestSampleStore)
#include "tst_samplestore.moc"
