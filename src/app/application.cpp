#include "application.h"

#include "admin.h"
#include "agentpages.h"
#include "agents.h"
#include "analysis.h"
#include "backup.h"
#include "connection.h"
#include "contacts.h"
#include "datamodule.h"
#include "desktopservices.h"
#include "dictionaries.h"
#include "loginwindow.h"
#include "mail.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "newstore.h"
#include "printdialog.h"
#include "programdirectory.h"
#include "records.h"
#include "referrers.h"
#include "reportpreview.h"
#include "samplebook.h"
#include "schedule.h"
#include "session.h"
#include "splashwindow.h"
#include "startup.h"
#include "startuprestore.h"
#include "storeerror.h"
#include "tessalyapplication.h"
#include "unattendedbackup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace Application {

namespace {

const char *usage = "用法: tessaly [--dir 程序目录]\n"
                    "      tessaly --new-store 数据文件路径|postgresql://用户:口令@主机:端口/数据库 [--sample]\n"
                    "      tessaly --backup [--dir 程序目录] [--keep 份数] 备份文件夹\n";

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

// A small, realistic book for someone trying the program: 200 agents with everything
// around them, the schedule of these weeks, notices, and the users user1 and user2 beside
// Admin, all with the password 508316.
void fillSample(const QString &location)
{
    store::Connection db;
    db.open(location);
    store::SampleBook::Options book;
    book.agents = 200;
    book.plans = 60;
    book.logs = 300;
    book.users = 2;
    book.userPassword = QStringLiteral("508316");
    book.historyDays = 400;
    book.planDaysAround = 14;
    book.notices = 5;
    book.quiet = true;
    store::SampleBook::fill(db, book);
}

int makeStore(int argc, char *argv[], const QString &location, bool sample)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    try {
        store::NewStore::create(location);
        if (sample)
            fillSample(location);
        out << (sample ? "已创建示例数据库：" : "已创建新的数据库：") << store::Connection::shownLocation(location)
            << '\n';
        return 0;
    } catch (const store::StoreError &e) {
        err << e.text() << '\n';
        return 1;
    }
}

int backup(int argc, char *argv[], const Options &o)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    // A backup works on the store that is there: it never prepares a program directory,
    // which would make a new, empty store to back up.
    return UnattendedBackup::run(ProgramDirectory::find(o.dir), o.backupDest, o.keep, out, err);
}

} // namespace

// The windows of the modules attach themselves to their commands.
void installModules(MainWindow &main)
{
    installDictionaries(main.workspace());
    installAdmin(main.workspace());
    installBackup(main.workspace());
    AgentsWindow *agents = installAgents(main.workspace());
    installContacts(main.workspace());
    installRecords(main.workspace());
    installAgentPages(main.workspace(), *agents);
    installReferrers(main.workspace());
    installAnalysis(main.workspace());
    installMail(main.workspace());
    installSchedule(main.workspace());
}

Options parse(const QStringList &arguments)
{
    Options o;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if ((a == QLatin1String("--dir") || a == QLatin1String("--new-store")) &&
            i + 1 < arguments.size()) {
            (a == QLatin1String("--dir") ? o.dir : o.newStore) = arguments[++i];
        } else if (a == QLatin1String("--sample")) {
            o.sample = true;
        } else if (a == QLatin1String("--backup")) {
            o.backup = true;
        } else if (a == QLatin1String("--keep") && i + 1 < arguments.size()) {
            bool ok = false;
            o.keep = arguments[++i].toInt(&ok);
            if (!ok || o.keep < 1)
                o.error = QStringLiteral("--keep 需要一个正整数：%1").arg(arguments[i]);
        } else if (o.backup && o.backupDest.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            o.backupDest = a;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else {
            o.error = QStringLiteral("无法识别的参数：%1").arg(a);
        }
    }
    if (o.error.isEmpty() && o.backup && o.backupDest.isEmpty())
        o.error = QStringLiteral("--backup 需要一个备份文件夹");
    if (o.error.isEmpty() && o.sample && o.newStore.isEmpty())
        o.error = QStringLiteral("--sample 只能和 --new-store 一起使用");
    if (o.error.isEmpty() && o.keep > 0 && !o.backup)
        o.error = QStringLiteral("--keep 只能和 --backup 一起使用");
    return o;
}

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Options o = parse(arguments);
    if (o.help || !o.error.isEmpty()) {
        QTextStream(o.help ? stdout : stderr) << o.error << (o.error.isEmpty() ? "" : "\n") << usage;
        return o.help ? 0 : 2;
    }
    if (!o.newStore.isEmpty())
        return makeStore(argc, argv, o.newStore, o.sample);
    if (o.backup)
        return backup(argc, argv, o);

    if (!hasDisplay()) {
        QTextStream(stderr) << "本程序需要图形桌面环境（未找到 DISPLAY）。\n"
                               "在没有显示器的机器上，可以这样在虚拟桌面中启动：\n"
                               "  xvfb-run -a build/bin/tessaly\n";
        return 3;
    }

    TessalyApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setApplicationVersion(QStringLiteral(TESSALY_VERSION));
    TessalyApplication::useChineseTexts();

    // The preview's dialogs go through the shared services, like every other modal boundary.
    ReportPreview::setPrintDialogHook([](QPrinter &printer, QWidget *parent) { return PrintDialog::exec(&printer, parent); });
    ReportPreview::setOpenFileHook([](const QString &path) { DesktopServices::openFile(path); });

    // 1. The splash, for about a second before anything else is built.
    auto splash = std::make_unique<SplashWindow>();
    splash->showForAMoment();

    // 2. The program directory, the folders under it and the main window.
    store::Session &s = store::session();
    try {
        s.setAppDir(ProgramDirectory::locate(o.dir));
    } catch (const store::StoreError &e) {
        splash.reset();
        QTextStream(stderr) << e.text() << '\n';
        MessageBox::critical(nullptr, e.text());
        return 1;
    }
    store::Startup::createFolders(s.AppDir);
    store::DataModule dm;
    MainWindow main(dm);

    installModules(main);

    // 3. The store named by "Server.txt" and the after-connect step.
    // A store of an older format is brought up to date first; the splash tells how far.
    dm.setUpgradeProgress([&splash](int done, int total) {
        splash->showMessage(QStringLiteral("正在把数据库升级到新的格式（%1/%2），请稍候……").arg(done).arg(total));
    });
    try {
        dm.openAtStartup(s.AppDir);
        dm.setUpgradeProgress({});
    } catch (const store::StoreError &e) {
        splash.reset();
        QTextStream(stderr) << e.text() << '\n';
        dm.disconnect();
        // A damaged data file may be restored from a backup before the program goes on.
        if (!StartupRestore::offer(dm, e))
            return 1;
    }

    // 4. The module windows are built by the main window and kept hidden; 5. the splash goes.
    splash.reset();

    // 6. Who is working.
    {
        LoginWindow login(dm);
        if (login.exec() != QDialog::Accepted)
            return 0;
    }

    // 7. The main window and the event loop.
    main.show();
    return app.exec();
}

} // namespace Application
