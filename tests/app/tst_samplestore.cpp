// `tessaly --new-store PATH --sample`: the store opens, its two users sign in with 508316,
// and every module, analysis and ledger of the main window shows rows.
#include "admin.h"
#include "agents.h"
#include "analysis.h"
#include "backup.h"
#include "contacts.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dictionaries.h"
#include "filedialog.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "passwords.h"
#include "records.h"
#include "referrers.h"
#include "serverfile.h"
#include "session.h"
#include "teststore.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestSampleStore : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_appDir;

    qint64 count(store::Connection &db, const QString &sql) { return db.scalar(sql).toLongLong(); }

  private Q_SLOTS:
    void initTestCase()
    {
        m_appDir = m_dir.path() + QStringLiteral("/");
        QProcess p;
        const QString data = m_appDir + QStringLiteral("Data/KTA30.wdb");
        QVERIFY(QDir().mkpath(m_appDir + QStringLiteral("Data")));
        p.start(testsupport::binary(QStringLiteral("tessaly")),
                {QStringLiteral("--new-store"), data, QStringLiteral("--sample")});
        QVERIFY(p.waitForFinished(300000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QVERIFY(
            QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("示例数据库")));
        store::ServerFile::write(m_appDir, store::ServerFile::defaultLine(m_appDir));
        // A second sample over it is refused: an existing store is never touched.
        p.start(testsupport::binary(QStringLiteral("tessaly")),
                {QStringLiteral("--new-store"), data, QStringLiteral("--sample")});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY(p.exitCode() != 0);
    }

    void bookIsSmallAndAroundToday()
    {
        store::Connection db;
        db.open(m_appDir + QStringLiteral("Data/KTA30.wdb"));
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

    void everyModuleShowsRows()
    {
        store::session().setAppDir(m_appDir);
        store::session().CurrentUserID = QStringLiteral("Admin");
        store::DataModule dm;
        dm.openAtStartup(m_appDir);
        MainWindow main(dm);
        installDictionaries(main.workspace());
        installAdmin(main.workspace());
        installBackup(main.workspace());
        installAgents(main.workspace());
        installContacts(main.workspace());
        installRecords(main.workspace());
        installReferrers(main.workspace());
        installAnalysis(main.workspace());
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
