// The main window's place on a 1366x768 screen: resizable and maximisable, everything in it
// inside the screen, its place and the file panel's kept per user, and a kept place on no
// screen not used.
#include "datamodule.h"
#include "filepanel.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "session.h"
#include "teststore.h"
#include "testusers.h"
#include "testwidgets.h"
#include "windowplaces.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

class TestWindowPlaces : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::DataModule> m_dm;
    std::unique_ptr<MainWindow> m_main;

    void signIn(const QString &user)
    {
        store::session().CurrentUserID = user;
        m_main = std::make_unique<MainWindow>(*m_dm);
        QVERIFY(m_main->runShowStep());
        QCoreApplication::processEvents();
    }
    void trigger(const char *name)
    {
        QAction *a = m_main->action(QLatin1String(name));
        QVERIFY2(a, name);
        a->trigger();
    }

  private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1366, 768));
    }
    void init()
    {
        MessageBox::clearHistory();
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        store::session().setAppDir(m_store->appDir());
        QDir().mkpath(store::session().FilesDir);
        m_dm = std::make_unique<store::DataModule>();
        m_dm->openAtStartup(m_store->appDir());
        testsupport::addUser(m_dm->connection(), QStringLiteral("wang"), QStringLiteral("w"), false,
                             testsupport::allRights());
    }
    void cleanup()
    {
        m_main.reset();
        m_dm.reset();
        m_store.reset();
    }

    // At its first start on a 1366x768 screen the frame, its status bar included, lies inside
    // the screen. A word for the status bar stands in its first panel.
    void firstStartFitsTheScreen()
    {
        signIn(QStringLiteral("Admin"));
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(m_main->frameGeometry()));
        QStatusBar *bar = m_main->statusBar();
        QVERIFY(screen.contains(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size())));
        m_main->showStatus(QStringLiteral("已保存：C000201"));
        QCOMPARE(m_main->findChild<QLabel *>(QStringLiteral("StatusPanel1"))->text(),
                 QStringLiteral("已保存：C000201"));
    }

    // The frame can be resized and maximised. Its place and size, and where the user put the
    // file panel, are kept per user when the program ends and come back at the next start;
    // another user starts with the frame's own size in the middle of the screen.
    void placesAreKeptPerUser()
    {
        signIn(QStringLiteral("Admin"));
        QVERIFY(m_main->minimumSize().height() < 700);
        QVERIFY2(m_main->minimumSizeHint().height() <= 690,
                 qPrintable(QString::number(m_main->minimumSizeHint().height())));
        QCOMPARE(m_main->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        const QRect frame(40, 30, 1100, 700);
        m_main->setGeometry(frame);
        QTRY_COMPARE(m_main->geometry(), frame);
        FilePanel *panel = m_main->filePanel();
        QVERIFY(panel->isVisible());
        panel->move(300, 200); // as the user drags it away
        QTRY_COMPARE(panel->pos(), QPoint(300, 200));
        trigger("N_FilePanelButton"); // hidden and shown again: it stays where the user put it
        trigger("N_FilePanelButton");
        QCOMPARE(panel->pos(), QPoint(300, 200));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        m_main->close();
        m_main.reset();

        signIn(QStringLiteral("wang"));
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // 1180x760 less room for a title bar on this 1366x768 screen.
        QCOMPARE(m_main->size(), QSize(1180, 728));
        QCOMPARE(m_main->geometry().center(), screen.center());
        QVERIFY(m_main->geometry() != frame);
        QVERIFY(m_main->filePanel()->pos() != QPoint(300, 200));
        m_main.reset();

        signIn(QStringLiteral("Admin"));
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        QCOMPARE(m_main->geometry(), frame);
        QTRY_COMPARE(m_main->filePanel()->pos(), QPoint(300, 200));

        // Maximised it ends, maximised it starts, with the place it had before.
        m_main->showMaximized();
        QTRY_VERIFY(m_main->isMaximized());
        MessageBox::setNextAnswer(QMessageBox::Yes);
        m_main->close();
        m_main.reset();
        signIn(QStringLiteral("Admin"));
        m_main->show();
        QTRY_VERIFY(m_main->isMaximized());
        m_main->showNormal();
        QTRY_COMPARE(m_main->geometry(), frame);
    }

    // A kept place on no screen (the screen it was on is gone) is not used: the frame opens in
    // the middle of the screen and the file panel beside it.
    void placeOnNoScreenIsNotUsed()
    {
        const QRect away(5000, 4000, 900, 600);
        WindowPlaces::save(QStringLiteral("Admin"), QStringLiteral("TfrmMain"), {away, true});
        WindowPlaces::save(QStringLiteral("Admin"), QStringLiteral("TfrmTools"), {away, false});
        QVERIFY(!WindowPlaces::load(QStringLiteral("Admin"), QStringLiteral("TfrmMain")));
        signIn(QStringLiteral("Admin"));
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(!m_main->isMaximized());
        QVERIFY(screen.contains(m_main->geometry().center()));
        QVERIFY(screen.intersects(m_main->filePanel()->frameGeometry()));

        // Half on a screen is still a place to use; one too large for it is made to fit.
        const QRect half(screen.right() - 200, screen.top() + 10, 5000, 4000);
        QVERIFY(WindowPlaces::isOnScreen(half));
        QVERIFY(screen.contains(WindowPlaces::fitted(half)));
        QVERIFY(!WindowPlaces::isOnScreen(QRect(screen.left() - 895, 10, 900, 600)));
        QVERIFY(!WindowPlaces::isOnScreen(QRect(10, screen.bottom() - 5, 900, 600)));
    }

};

QTEST_MAIN(TestWindowPlaces)
#include "tst_windowplaces.moc"
