#include "desktopfixture.h"

#include "application.h"
#include "commandenabler.h"
#include "mainwindow.h"
#include "samplebook.h"
#include "session.h"

#include <QAction>
#include <QDir>
#include <QTabWidget>
#include <QTest>

Desktop::Desktop()
{
    store::Session &s = store::session();
    s.setAppDir(store.appDir());
    QDir().mkpath(s.FilesDir);
    dm.openAtStartup(store.appDir());
    store::SampleBook::Options book;
    book.agents = 8;
    book.plans = 6;
    book.logs = 0;
    book.users = 1;
    book.notices = 2;
    book.historyDays = 60;
    book.planDaysAround = 7;
    book.quiet = true;
    store::SampleBook::fill(dm.connection(), book);
    s.CurrentUserID = QStringLiteral("Admin");
    main = std::make_unique<MainWindow>(dm);
    Application::installModules(*main);
    if (!main->runShowStep())
        qFatal("the main window did not start");
    main->show();
    main->activateWindow();
    if (!QTest::qWaitForWindowActive(main.get()))
        qFatal("the main window did not become active");
    testsupport::untilIdle();
}

Desktop::~Desktop() = default;

QWidget *Desktop::open(const QString &command)
{
    main->action(command)->trigger();
    main->enabler().update();
    return main->currentContent();
}

QTabWidget *Desktop::pages() const
{
    // The module's own page control is the outermost one in its panel.
    return main->currentContent()->findChild<QTabWidget *>(QString(), Qt::FindDirectChildrenOnly);
}

const QList<const char *> &Desktop::modules()
{
    static const QList<const char *> list{"Act_Plan",
                                          "Act_Customers",
                                          "Act_Linkman",
                                          "Act_Operaters",
                                          "Act_OperatesInfo",
                                          "Act_Gathering",
                                          "Act_Payment",
                                          "Act_RegionAnalyse",
                                          "Act_CustLevelAnalyse",
                                          "Act_CustStateAnalyse",
                                          "Act_Mail"};
    return list;
}

QList<QWidget *> Desktop::focusable(QWidget *root)
{
    QList<QWidget *> list;
    for (QWidget *w : root->findChildren<QWidget *>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled())
            list << w;
    return list;
}
