// The operation log: the row WriteLog appends, and seats appending at the same time.
#include "datamodule.h"
#include "session.h"
#include "teststore.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace store;

class TestOperationLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writeLogAppendsOneRowForTheSignedInUser_data() { testsupport::addEngineRows(); }
    void writeLogAppendsOneRowForTheSignedInUser()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        session().CurrentUserID = QStringLiteral("Admin");
        DataModule dm;
        dm.openAtStartup(s.appDir());
        dm.writeLog(QStringLiteral("系统设置-退出系统"));
        dm.tblLog.open();
        QCOMPARE(dm.tblLog.rowCount(), 1);
        QCOMPARE(dm.tblLog.text(QStringLiteral("UserID")), QStringLiteral("Admin"));
        QCOMPARE(dm.tblLog.text(QStringLiteral("Operate")), QStringLiteral("系统设置-退出系统"));
        const QString when = dm.tblLog.text(QStringLiteral("LogDateTime"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")).match(when).hasMatch());
        QVERIFY(qAbs(QDateTime::fromString(when, QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                         .secsTo(QDateTime::currentDateTime())) < 60);
        // The viewer sees the next row when it rereads.
        dm.writeLog(QStringLiteral("系统设置-系统日志"));
        dm.tblLog.refresh();
        QCOMPARE(dm.tblLog.rowCount(), 2);
    }

    void seatsWritingAtOnceEachGetTheirOwnRows_data() { testsupport::addEngineRows(); }
    void seatsWritingAtOnceEachGetTheirOwnRows()
    {
        QFETCH(QString, engine);
        testsupport::TempStore s(engine);
        const int seats = 4, rows = 60;
        std::vector<std::unique_ptr<QProcess>> procs;
        for (int i = 0; i < seats; ++i) {
            auto p = std::make_unique<QProcess>();
            p->start(QStringLiteral(SEAT_BINARY), {s.location(), QStringLiteral("seat%1").arg(i),
                                                   QStringLiteral("log"), QString::number(rows)});
            procs.push_back(std::move(p));
        }
        int reported = 0;
        for (auto &p : procs) {
            QVERIFY(p->waitForFinished(120000));
            QCOMPARE(p->exitCode(), 0);
            reported += int(QString::fromUtf8(p->readAllStandardOutput()).count(QStringLiteral("stored")));
        }
        QCOMPARE(reported, seats * rows);

        auto db = s.connect();
        QSqlQuery q = db->exec(QStringLiteral("SELECT LogID, UserID, Operate FROM tblLog"));
        QSet<qint64> ids;
        QSet<QString> texts;
        while (q.next()) {
            ids.insert(q.value(0).toLongLong());
            QVERIFY(q.value(2).toString().startsWith(q.value(1).toString() + QLatin1Char('-')));
            texts.insert(q.value(2).toString());
        }
        QCOMPARE(ids.size(), seats * rows);
        QCOMPARE(texts.size(), seats * rows);
    }
};

QTEST_GUILESS_MAIN(TestOperationLog)
#include "tst_operationlog.moc"
