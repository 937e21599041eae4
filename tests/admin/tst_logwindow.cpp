// The log viewer: the grid over tblLog, the export into an INI file (keys replaced, other
// keys and sections kept, Chinese text in UTF-8) and clearing the log. Also the INI writer
// on its own, on files written by other programs.
#include "adminfixture.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "filedialog.h"
#include "inifile.h"
#include "logwindow.h"
#include "messagebox.h"
#include "session.h"
#include "storeerror.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestLogWindow : public QObject
{
    Q_OBJECT

    static QByteArray readAll(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeAll(const QString &file, const QByteArray &content)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    // "LogID=date-time user operation" for every row the store holds, in LogID order.
    static QStringList expectedLines(AdminSeat &seat)
    {
        QStringList lines;
        QSqlQuery q = seat.dm.connection().exec(QStringLiteral(
            "SELECT LogID, LogDateTime, UserID, Operate FROM tblLog ORDER BY LogID"));
        while (q.next())
            lines << q.value(0).toString() + QLatin1Char('=') + q.value(1).toString() +
                         QLatin1Char(' ') + q.value(2).toString() + QLatin1Char(' ') +
                         q.value(3).toString();
        return lines;
    }
    static QStringList linesOf(const QString &file)
    {
        return QString::fromUtf8(readAll(file)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    static void saveLog(LogWindow &w, const QString &file)
    {
        FileDialog::setNextFileName(file);
        w.findChild<QPushButton *>(QStringLiteral("SpeedButton4"))->click();
    }
    static int gridRows(LogWindow &w) { return w.findChild<DataGrid *>()->model()->rowCount(); }

  private Q_SLOTS:
    void init() { resetScripts(); }

    void showsTheLogWithTheOpeningCommandsRow_data() { testsupport::addEngineRows(); }
    void showsTheLogWithTheOpeningCommandsRow()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        seat.dm.writeLog(QStringLiteral("基础资料-部门设置"));
        seat.dm.tblLog.open();
        seat.dm.writeLog(QStringLiteral("系统设置-系统日志")); // after the set was read
        LogWindow w(seat.dm);
        QCOMPARE(w.objectName(), QStringLiteral("TfrmSysLog"));
        QCOMPARE(w.windowTitle(), QStringLiteral("系统日志"));
        auto *model = w.findChild<DataGrid *>()->model();
        QStringList captions;
        for (int c = 0; c < model->columnCount(); ++c)
            captions << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{QStringLiteral("日志编号"), QStringLiteral("操作时间"),
                                        QStringLiteral("操作员"), QStringLiteral("操作内容")}));
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->index(1, 3).data().toString(), QStringLiteral("系统设置-系统日志"));
        QCOMPARE(model->index(1, 2).data().toString(), QStringLiteral("Admin"));
    }

    void exportWritesEveryRowAndKeepsWhatElseTheFileHolds_data() { testsupport::addEngineRows(); }
    void exportWritesEveryRowAndKeepsWhatElseTheFileHolds()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        seat.dm.writeLog(QStringLiteral("基础资料-部门设置-保存"));
        store::session().CurrentUserID = QStringLiteral("王五");
        seat.dm.writeLog(QStringLiteral("商务代理业务管理-日程安排-新增"));
        store::session().CurrentUserID = QStringLiteral("Admin");
        QDir(seat.store.appDir() + QStringLiteral("Log")).removeRecursively();

        LogWindow w(seat.dm);
        const QString file = seat.store.appDir() + QStringLiteral("log.ini");
        writeAll(file, "[Other]\r\nkeep=保留的值\r\n[LogFile]\r\n1=旧的一行\r\n999999=留着\r\n");
        saveLog(w, file);

        const FileDialog::Call call = FileDialog::last();
        QCOMPARE(call.kind, FileDialog::Kind::Save);
        QCOMPARE(QDir(call.folder), QDir(seat.store.appDir() + QStringLiteral("Log")));
        QVERIFY(QFileInfo(call.folder).isDir()); // made when missing
        QCOMPARE(call.proposedName, QStringLiteral("log"));
        QCOMPARE(call.filter, QStringLiteral("ini文件(*.ini)"));
        QCOMPARE(call.defaultSuffix, QStringLiteral("ini"));
        QVERIFY(MessageBox::history().isEmpty());

        // Key 1 is replaced where it stands, new keys follow the kept one; the export holds its
        // own log row.
        const QStringList rows = expectedLines(seat);
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows.constLast().endsWith(QStringLiteral(" Admin 系统设置-系统日志-保存日志")));
        QVERIFY(rows.at(1).contains(QStringLiteral(" 王五 商务代理业务管理-日程安排-新增")));
        QStringList expected{QStringLiteral("[Other]"), QStringLiteral("keep=保留的值"),
                             QStringLiteral("[LogFile]"), rows.at(0),
                             QStringLiteral("999999=留着")};
        expected << rows.mid(1);
        QCOMPARE(linesOf(file), expected);

        // Another reader of INI files reads the same values back.
        QSettings ini(file, QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Other/keep")).toString(), QStringLiteral("保留的值"));
        const QString second = rows.at(1);
        QCOMPARE(ini.value(QStringLiteral("LogFile/") + second.section(QLatin1Char('='), 0, 0))
                     .toString(),
                 second.section(QLatin1Char('='), 1));

        // A second export into the same file replaces the keys it writes again.
        seat.dm.writeLog(QStringLiteral("另一行"));
        saveLog(w, file);
        const QStringList again = linesOf(file);
        QCOMPARE(again.mid(0, 5), expected.mid(0, 5));
        QCOMPARE(again.size(), expected.size() + 2);
        QCOMPARE(again.mid(3), QStringList{rows.at(0)} +
                                   QStringList{QStringLiteral("999999=留着")} +
                                   expectedLines(seat).mid(1));

        // Cancelled: the log row is written, the file left alone.
        const QByteArray before = readAll(file);
        const int logRows = seat.logRows().size();
        w.findChild<QPushButton *>(QStringLiteral("SpeedButton4"))->click();
        QCOMPARE(readAll(file), before);
        QCOMPARE(seat.logRows().size(), logRows + 1);
    }

    void clearingAsksAndLeavesItsOwnRow_data() { testsupport::addEngineRows(); }
    void clearingAsksAndLeavesItsOwnRow()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        for (int i = 0; i < 5; ++i)
            seat.dm.writeLog(QStringLiteral("行%1").arg(i));
        LogWindow w(seat.dm);
        QCOMPARE(gridRows(w), 5);

        // Asked first; Cancel keeps every row and adds the command's own.
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        w.findChild<QPushButton *>(QStringLiteral("SpeedButton1"))->click();
        QCOMPARE(MessageBox::history().size(), 1);
        const MessageBox::Shown asked = MessageBox::last();
        QCOMPARE(asked.icon, QMessageBox::Warning);
        QCOMPARE(asked.buttons, MessageBox::Buttons(QMessageBox::Ok | QMessageBox::Cancel));
        QCOMPARE(asked.title, QStringLiteral("系统提示"));
        QCOMPARE(seat.scalar(QStringLiteral("SELECT count(*) FROM tblLog")).toInt(), 6);
        QCOMPARE(gridRows(w), 6);

        // OK clears, and one row tells who cleared the log and when.
        store::session().CurrentUserID = QStringLiteral("王五");
        MessageBox::setNextAnswer(QMessageBox::Ok);
        w.findChild<QPushButton *>(QStringLiteral("SpeedButton1"))->click();
        store::session().CurrentUserID = QStringLiteral("Admin");
        QCOMPARE(MessageBox::history().size(), 2);
        QSqlQuery q = seat.dm.connection().exec(
            QStringLiteral("SELECT LogDateTime, UserID, Operate FROM tblLog"));
        QVERIFY(q.next());
        QVERIFY(!q.value(0).toString().isEmpty());
        QCOMPARE(q.value(1).toString(), QStringLiteral("王五"));
        QCOMPARE(q.value(2).toString(), QStringLiteral("系统设置-系统日志-清空日志"));
        QVERIFY(!q.next());
        q.finish();
        QCOMPARE(gridRows(w), 1);

        // Exporting now writes the clearing and the export's own row.
        const QString file = seat.store.appDir() + QStringLiteral("Log/after.ini");
        saveLog(w, file);
        QCOMPARE(gridRows(w), 2);
        const QStringList lines = linesOf(file);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("[LogFile]"));
        QVERIFY(lines.at(1).endsWith(QStringLiteral(" 王五 系统设置-系统日志-清空日志")));
        QVERIFY(lines.at(2).endsWith(QStringLiteral(" Admin 系统设置-系统日志-保存日志")));
        QCOMPARE(lines.mid(1), expectedLines(seat));

        w.show();
        w.findChild<QPushButton *>(QStringLiteral("spBtnClose"))->click();
        QVERIFY(!w.isVisible());
    }

    void theIniWriterKeepsOtherFilesWritingStyle()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("other.ini"));
        // Written elsewhere: a byte-order mark, LF line ends, comments, letter case and blanks.
        writeAll(file, "\xEF\xBB\xBF; 说明\n[logfile]\n Key = 旧\n\n[Next]\na=1\n");
        {
            IniFile ini(file);
            ini.setValue(QStringLiteral("LogFile"), QStringLiteral("KEY"),
                         QStringLiteral("新\n值"));
            ini.setValue(QStringLiteral("LogFile"), QStringLiteral("7"), QStringLiteral("七"));
            ini.setValue(QStringLiteral("Last"), QStringLiteral("x"), QStringLiteral("y"));
            ini.save();
        }
        QCOMPARE(readAll(file),
                 QByteArray("\xEF\xBB\xBF; 说明\n[logfile]\nKEY=新 值\n7=七\n\n[Next]\na=1\n"
                            "[Last]\nx=y\n"));

        // Something that is there but cannot be read as a file is not replaced.
        const QString folder = dir.filePath(QStringLiteral("folder.ini"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY_THROWS_EXCEPTION(store::StoreError, IniFile{folder});
        QVERIFY(QFileInfo(folder).isDir());
    }
};

QTEST_MAIN(TestLogWindow)
#include "tst_logwindow.moc"
