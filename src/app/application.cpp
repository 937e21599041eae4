#include "application.h"

#include "datamodule.h"
#include "loginwindow.h"
#include "admin.h"
#include "agentpages.h"
#include "agents.h"
#include "contacts.h"
#include "records.h"
#include "analysis.h"
#include "backup.h"
#include "desktopservices.h"
#include "dictionaries.h"
#include "mainwindow.h"
#include "printdialog.h"
#include "referrers.h"
#include "reportpreview.h"
#include "messagebox.h"
#include "tessalyapplication.h"
#include "connection.h"
#include "newstore.h"
#include "session.h"
#include "splashwindow.h"
#include "startup.h"
#include "storeerror.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace Application {

namespace {

const char *usage = "用法: tessaly [--dir 程序目录]\n"
                    "      tessaly --new-store 数据文件路径|postgresql://用户:口令@主机:端口/数据库\n";

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

int makeStore(int argc, char *argv[], const QString &location)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    try {
        store::NewStore::create(location);
        out << "已创建新的数据库：" << store::Connection::shownLocation(location) << '\n';
        return 0;
    } catch (const store::StoreError &e) {
        err << e.text() << '\n';
        return 1;
    }
}

} // namespace

Options parse(const QStringList &arguments)
{
    Options o;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if ((a == QLatin1String("--dir") || a == QLatin1String("--new-store")) &&
            i + 1 < arguments.size()) {
            (a == QLatin1String("--dir") ? o.dir : o.newStore) = arguments[++i];
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else {
            o.error = QStringLiteral("无法识别的参数：%1").arg(a);
        }
    }
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
        return makeStore(argc, argv, o.newStore);

    if (!hasDisplay()) {
        QTextStream(stderr) << "本程序需要图形桌面环境（未找到 DISPLAY）。\n"
                               "在没有显示器的机器上，可以这样在虚拟桌面中启动：\n"
                               "  xvfb-run -a build/bin/tessaly\n";
        return 3;
    }

    TessalyApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setApplicationVersion(QStringLiteral(TESSALY_VERSION));

    // The preview's dialogs go through the shared services, like every other modal boundary.
    ReportPreview::setPrintDialogHook([](QPrinter &printer, QWidget *parent) { return PrintDialog::exec(&printer, parent); });
    ReportPreview::setOpenFileHook([](const QString &path) { DesktopServices::openFile(path); });

    // 1. The splash, for about a second before anything else is built.
    auto splash = std::make_unique<SplashWindow>();
    splash->showForAMoment();

    // 2. The program directory, the folders under it and the main window.
    store::Session &s = store::session();
    s.setAppDir(o.dir.isEmpty() ? QCoreApplication::applicationDirPath() : o.dir);
    store::Startup::createFolders(s.AppDir);
    store::DataModule dm;
    MainWindow main(dm);

    // The windows of the modules attach themselves to their commands.
    installDictionaries(main.workspace());
    installAdmin(main.workspace());
    installBackup(main.workspace());
    AgentsWindow *agents = installAgents(main.workspace());
    installContacts(main.workspace());
    installRecords(main.workspace());
    installAgentPages(main.workspace(), *agents);
    installReferrers(main.workspace());
    installAnalysis(main.workspace());

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
        MessageBox::critical(nullptr, e.text());
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
