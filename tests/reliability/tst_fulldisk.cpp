// A full disk under the seat: a save and a command's log row into a SQLite store whose disk is
// full, an export, a PDF and a backup (window and --backup) onto a full disk. Each gives a
// clear message, leaves no partial file under the chosen name and nothing damaged, and works
// once there is room again. The disk is a small tmpfs in a mount namespace of this process.
#include "backupwindow.h"
#include "datagrid.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "gridexport.h"
#include "messagebox.h"
#include "reportengine.h"
#include "reportoutput.h"
#include "serverfile.h"
#include "session.h"
#include "smalldisk.h"
#include "storecopy.h"
#include "storeerror.h"
#include "teststore.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace store;

namespace
{

const QString Full = QStringLiteral("磁盘空间不足");

QString mountProblem;

QByteArray hashOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QString integrity(const QString &file)
{
    Connection db;
    db.open(file);
    return db.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
}

void typeAgent(Dataset &agents, const QString &id)
{
    agents.append();
    agents.setValue(QStringLiteral("CustId"), id);
    agents.setValue(QStringLiteral("CustName"), QString(QStringLiteral("满盘代理") + id));
}

} // namespace

class TestFullDisk : public QObject
{
    Q_OBJECT

    std::unique_ptr<SmallDisk> m_disk;
    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<DataModule> m_dm;

    // A seat whose store lies on the small disk (`onDisk`), or on the usual one with only the
    // files it writes going to the small disk.
    void openSeat(bool onDisk)
    {
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        QString appDir = m_store->appDir();
        if (onDisk) {
            appDir = m_disk->path() + QStringLiteral("/app/");
            QVERIFY(QDir().mkpath(appDir + QStringLiteral("Data")));
            QVERIFY(QFile::copy(m_store->location(), appDir + QStringLiteral("Data/KTA30.wdb")));
            ServerFile::write(appDir, appDir + QStringLiteral("Data/KTA30.wdb"));
        }
        session().setAppDir(appDir);
        session().CurrentUserID = QStringLiteral("Admin");
        QVERIFY(QDir().mkpath(appDir + QStringLiteral("Backup")));
        m_dm = std::make_unique<DataModule>();
        m_dm->openAtStartup(appDir);
        m_dm->tblCustomers.open();
        for (int i = 0; i < 40; ++i) {
            typeAgent(m_dm->tblCustomers, QStringLiteral("A%1").arg(i, 3, 10, QLatin1Char('0')));
            m_dm->tblCustomers.post();
        }
        // Whatever the log holds is folded into the file, so the next change needs new room.
        m_dm->connection().exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }

    QString dataFile() const { return session().AppDir + QStringLiteral("Data/KTA30.wdb"); }
    QString out() const { return m_disk->path() + QStringLiteral("/out"); }
    static QStringList filesIn(const QString &folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // Files in the output folder, the disk's filler aside.
    QStringList written() const { return filesIn(out()); }

  private Q_SLOTS:
    void initTestCase()
    {
        if (!mountProblem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no mount namespace of our own: ") + mountProblem));
    }
    void init()
    {
        m_disk = std::make_unique<SmallDisk>(24 * 1024 * 1024);
        QVERIFY2(m_disk->isValid(), qPrintable(m_disk->error()));
        QVERIFY(QDir().mkpath(out()));
        MessageBox::clearHistory();
    }
    void cleanup()
    {
        m_dm.reset();
        m_store.reset();
        m_disk.reset();
    }

    // A save and a command's log row with the store's own disk full: refused in words, the
    // row stays in editing, the file stays sound, and both go through once there is room.
    void saveAndLogRowIntoAFullStore()
    {
        openSeat(true);
        typeAgent(m_dm->tblCustomers, QStringLiteral("B1"));
        m_disk->fill();
        QVERIFY(!ErrorDisplay::run(nullptr, [&] { m_dm->tblCustomers.post(); }));
        QVERIFY2(MessageBox::last().text.contains(Full), qPrintable(MessageBox::last().text));
        QCOMPARE(m_dm->tblCustomers.state(), Dataset::State::Insert);
        QCOMPARE(m_dm->tblCustomers.value(QStringLiteral("CustId")).toString(),
                 QStringLiteral("B1"));

        // The log row of a command, the first thing it writes: the command stops there.
        BackupWindow w(*m_dm);
        w.setPath(out() + QStringLiteral("/copy.wdb"));
        w.show();
        MessageBox::clearHistory();
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
        QCOMPARE(MessageBox::history().size(), 1); // no question: nothing after the log row ran
        QVERIFY2(MessageBox::last().text.contains(Full), qPrintable(MessageBox::last().text));
        QVERIFY(!QFile::exists(out() + QStringLiteral("/copy.wdb")));
        QCOMPARE(integrity(dataFile()), QStringLiteral("ok"));

        m_disk->free();
        m_dm->tblCustomers.post();
        m_dm->writeLog(QStringLiteral("有空间之后"));
        Connection db;
        db.open(dataFile());
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblCustomers WHERE CustId = 'B1'"))
                     .toInt(),
                 1);
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT count(*) FROM tblLog WHERE Operate = '有空间之后'"))
                .toInt(),
            1);
        QCOMPARE(
            db.scalar(QStringLiteral(
                          "SELECT count(*) FROM tblLog WHERE Operate = '系统设置-数据备份-备份'"))
                .toInt(),
            0);
        QCOMPARE(integrity(dataFile()), QStringLiteral("ok"));
    }

    // The backup window and tessaly --backup onto a full disk: refused in words, an earlier
    // backup under the chosen name stays as it was, no part-file stays behind.
    void backupOntoAFullDisk()
    {
        openSeat(false);
        const QString target = out() + QStringLiteral("/KTA30.wdb");
        StoreCopy().backup(m_dm->connection(), target);
        const QByteArray earlier = hashOf(target);
        typeAgent(m_dm->tblCustomers, QStringLiteral("B2"));
        m_dm->tblCustomers.post();
        m_disk->fill();

        {
            BackupWindow w(*m_dm);
            w.setPath(target);
            QVERIFY(!w.backup());
        }
        QVERIFY2(MessageBox::last().text.contains(Full), qPrintable(MessageBox::last().text));
        QVERIFY(MessageBox::last().text.contains(QDir::toNativeSeparators(target)));
        QCOMPARE(hashOf(target), earlier);
        QCOMPARE(written(), QStringList{QStringLiteral("KTA30.wdb")});

        const QString nightly = out() + QStringLiteral("/nightly");
        QVERIFY(QDir().mkpath(nightly));
        QProcess p;
        p.start(testsupport::binary(QStringLiteral("tessaly")),
                {QStringLiteral("--backup"), QStringLiteral("--dir"), session().AppDir, nightly});
        QVERIFY(p.waitForFinished(60000));
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(said.contains(Full), qPrintable(said));
        QVERIFY(filesIn(nightly).isEmpty());

        m_disk->free();
        {
            BackupWindow w(*m_dm);
            w.setPath(target);
            QVERIFY(w.backup());
        }
        StoreCopy::checkFile(target);
        QVERIFY(hashOf(target) != earlier);
        p.start(testsupport::binary(QStringLiteral("tessaly")),
                {QStringLiteral("--backup"), QStringLiteral("--dir"), session().AppDir, nightly});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList copies = filesIn(nightly);
        QCOMPARE(copies.size(), 1);
        StoreCopy::checkFile(nightly + QLatin1Char('/') + copies.first());
        QCOMPARE(integrity(m_store->location()), QStringLiteral("ok"));
    }

    // An export and a PDF onto a full disk: refused in words, nothing under the chosen name.
    void exportAndPdfOntoAFullDisk()
    {
        openSeat(false);
        DataGrid grid;
        grid.setColumns({{QStringLiteral("CustId"), QStringLiteral("代理编号"), 80, true},
                         {QStringLiteral("CustName"), QStringLiteral("代理名称"), 160, true}});
        grid.setDataset(&m_dm->tblCustomers);
        QVERIFY(QDir().mkpath(session().AppDir + QStringLiteral("Data/Report")));
        QFile layout(session().AppDir + QStringLiteral("Data/Report/full.frf"));
        QVERIFY(layout.open(QIODevice::WriteOnly));
        layout.write(
            "title: 代理\n---\n[columns]\n编号 | 30% | | {{CustId}}\n名称 | | | {{CustName}}\n");
        layout.close();
        m_disk->fill();

        for (const char *name : {"代理.csv", "代理.xlsx"}) {
            const QString path = out() + QLatin1Char('/') + QString::fromUtf8(name);
            QString failure;
            try {
                GridExport::write(grid, ExportWriter::formatOf(path), path);
            } catch (const ExportWriter::Failure &f) {
                failure = f.text;
            }
            QVERIFY2(failure.contains(Full), qPrintable(name + (QStringLiteral(": ") + failure)));
            QVERIFY2(written().isEmpty(), qPrintable(written().join(QLatin1Char(' '))));
        }
        ReportEngine reports;
        const QString pdf = out() + QStringLiteral("/代理.pdf");
        {
            Report report = reports.render(QStringLiteral("full.frf"), &m_dm->tblCustomers);
            QVERIFY(report.isValid());
            QString error;
            QCOMPARE(ReportOutput::writePdf(report, pdf, {}, &error), ReportOutput::Result::Failed);
            QVERIFY2(error.contains(Full), qPrintable(error));
            QVERIFY2(written().isEmpty(), qPrintable(written().join(QLatin1Char(' '))));
        }

        m_disk->free();
        for (const char *name : {"代理.csv", "代理.xlsx"}) {
            const QString path = out() + QLatin1Char('/') + QString::fromUtf8(name);
            QCOMPARE(GridExport::write(grid, ExportWriter::formatOf(path), path).rows, qint64(40));
        }
        Report report = reports.render(QStringLiteral("full.frf"), &m_dm->tblCustomers);
        QString error;
        QCOMPARE(ReportOutput::writePdf(report, pdf, {}, &error), ReportOutput::Result::Done);
        QCOMPARE(written(), (QStringList{QStringLiteral("代理.csv"), QStringLiteral("代理.pdf"),
                                         QStringLiteral("代理.xlsx")}));
        QVERIFY(QFile(pdf).size() > 0);
    }
};

int main(int argc, char *argv[])
{
    // Before any thread starts: a mount namespace can only be entered by a lone thread.
    mountProblem = SmallDisk::enterPrivateMounts();
    QApplication app(argc, argv);
    MessageBox::setScripted(true);
    TestFullDisk test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fulldisk.moc"
