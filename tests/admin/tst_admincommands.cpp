// The administration windows reached through the main window's commands, and rights saved
// or switched to taking effect on the main window's commands at the next idle moment.
#include "admin.h"
#include "adminfixture.h"
#include "commandenabler.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "newstore.h"
#include "rights.h"
#include "rightwindow.h"
#include "serverfile.h"
#include "session.h"
#include "testusers.h"
#include "userwindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>

// Lets the event loop wait for the next event once, as it does between a person's actions:
// that is the idle moment at which commands are enabled again. (QTest's own waiting never
// lets the loop block.)
static void waitForIdle()
{
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

class TestAdminCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<AdminSeat> m_seat;
    std::unique_ptr<MainWindow> m_main;

    void signIn(const QString &user)
    {
        m_seat = std::make_unique<AdminSeat>(QStringLiteral("sqlite"), QStringLiteral("Admin"));
        store::Connection &db = m_seat->dm.connection();
        testsupport::addUser(db, QStringLiteral("boss"), QStringLiteral("b"), true,
                             testsupport::allRights());
        testsupport::addUser(db, QStringLiteral("wang"), QStringLiteral("w"), false,
                             testsupport::allRights());
        m_seat->dm.tblUserRight.refresh(); // with the users just added
        store::session().CurrentUserID = user;
        m_main = std::make_unique<MainWindow>(m_seat->dm);
        QVERIFY(m_main->runShowStep());
        installAdmin(m_main->workspace());
        m_main->enabler().update();
    }
    // Triggers a command and hands the modal window it opens to `inspect`, then closes it.
    void openThrough(const char *command, const std::function<void(QDialog *)> &inspect)
    {
        bool seen = false;
        QTimer timer; // gone with this call, so it never fires into a later test
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            inspect(dialog);
            dialog->reject();
        });
        timer.start(0);
        m_main->action(QLatin1String(command))->trigger();
        QVERIFY2(seen, command);
    }

  private Q_SLOTS:
    void init() { resetScripts(); }
    void cleanup()
    {
        m_main.reset();
        m_seat.reset();
    }

    void eachCommandOpensItsWindow()
    {
        signIn(QStringLiteral("boss"));
        openThrough("Act_UserManage", [this](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("TfrmUser"));
            QCOMPARE(m_seat->dm.tblUser.text(QStringLiteral("UserID")), QStringLiteral("boss"));
            QCOMPARE(qobject_cast<UserWindow *>(d)->rememberedUserId(), QStringLiteral("boss"));
        });
        openThrough("Act_Server", [this](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("TfrmServer"));
            QCOMPARE(d->findChild<QLineEdit *>(QStringLiteral("edPath"))->text(),
                     store::ServerFile::readFirstLine(m_seat->store.appDir()));
        });
        openThrough("Act_SysLog", [](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("TfrmSysLog"));
            const auto *model = d->findChild<DataGrid *>()->model();
            QCOMPARE(model->index(model->rowCount() - 1, 3).data().toString(),
                     QStringLiteral("系统设置-系统日志"));
        });
        openThrough("Act_UserRegist",
                    [](QDialog *d) { QCOMPARE(d->objectName(), QStringLiteral("TfrmUserInfo")); });
        const QStringList log = m_seat->logRows();
        QCOMPARE(log, (QStringList{QStringLiteral("系统设置-用户管理"),
                                   QStringLiteral("系统设置-服务器设置"),
                                   QStringLiteral("系统设置-系统日志"),
                                   QStringLiteral("系统设置-用户信息")}));
    }

    void aSavedRightRemovalGreysItsCommandAtTheNextIdleMoment()
    {
        signIn(QStringLiteral("wang"));
        QAction *agents = m_main->action(QStringLiteral("Act_Customers"));
        QVERIFY(agents->isEnabled());
        m_seat->dm.tblUser.open();
        QVERIFY(m_seat->dm.tblUser.locate(QStringLiteral("UserID"), QStringLiteral("wang")));
        RightWindow rights(m_seat->dm, m_main.get());
        rights.findChild<QCheckBox *>(QStringLiteral("chk301"))->click();
        rights.findChild<QPushButton *>(QStringLiteral("SpeedButton2"))->click();
        QVERIFY(agents->isEnabled());
        waitForIdle(); // the idle update, not a direct call
        QVERIFY(!agents->isEnabled());
        QVERIFY(m_main->action(QStringLiteral("Act_Linkman"))->isEnabled());
    }

    // Every main-window command that tests a right can be granted by a box in sight, and the
    // box is named by that command: ticking one box alone enables just the commands it names.
    void everyTestedRightHasABoxNamedForItsCommand()
    {
        signIn(QStringLiteral("wang"));
        testsupport::addUser(m_seat->dm.connection(), QStringLiteral("li"), QStringLiteral("l"),
                             false, {});
        m_seat->dm.tblUserRight.refresh();
        const auto enabledFor = [this](const QString &user) {
            store::session().CurrentUserID = user;
            m_main->enabler().update();
            QSet<QAction *> on;
            for (QAction *a : m_main->actions()) // the main window's commands
                if (a->isEnabled())
                    on.insert(a);
            return on;
        };
        const QSet<QAction *> gated =
            enabledFor(QStringLiteral("wang")) - enabledFor(QStringLiteral("li"));
        QVERIFY(gated.size() >= 30);
        const auto caption = [](const QAction *a) {
            return a->text()
                .remove(QRegularExpression(QStringLiteral("\\s*\\(&.\\)")))
                .remove(QLatin1Char('&'));
        };

        m_seat->dm.tblUser.close();
        m_seat->dm.tblUser.open();
        QVERIFY(m_seat->dm.tblUser.locate(QStringLiteral("UserID"), QStringLiteral("li")));
        RightWindow w(m_seat->dm, m_main.get());
        w.show();
        QList<QCheckBox *> rightBoxes;
        for (QCheckBox *b : w.findChildren<QCheckBox *>())
            if (QRegularExpression(QStringLiteral("^chk\\d{3}$")).match(b->objectName()).hasMatch())
                rightBoxes << b;
        QSet<QAction *> granted;
        for (QCheckBox *only : std::as_const(rightBoxes)) {
            if (only->isHidden()) // a right no command tests
                continue;
            for (QCheckBox *b : std::as_const(rightBoxes))
                b->setChecked(b == only);
            w.findChild<QPushButton *>(QStringLiteral("SpeedButton2"))->click();
            const QSet<QAction *> enabled = enabledFor(QStringLiteral("li")) & gated;
            QVERIFY2(!enabled.isEmpty(),
                     qPrintable(only->objectName() + QLatin1Char(' ') + only->text()));
            for (QAction *a : enabled)
                QVERIFY2(only->text().contains(caption(a)),
                         qPrintable(only->objectName() + QLatin1Char(' ') + only->text() +
                                    QStringLiteral(" enables ") + a->objectName() +
                                    QLatin1Char(' ') + caption(a)));
            granted += enabled;
        }
        QStringList missing;
        for (QAction *a : gated - granted)
            missing << a->objectName();
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
    }

    void aSwitchedStoreBringsItsOwnRights()
    {
        signIn(QStringLiteral("Admin"));
        QAction *agents = m_main->action(QStringLiteral("Act_Customers"));
        QVERIFY(agents->isEnabled());
        const QString other = m_seat->store.appDir() + QStringLiteral("Share/KTA30.wdb");
        QDir().mkpath(m_seat->store.appDir() + QStringLiteral("Share"));
        store::NewStore::create(other);
        {
            store::Connection db;
            db.open(other);
            db.exec(QStringLiteral(
                "DELETE FROM tblUserRight WHERE UserID = 'Admin' AND RightID = '301'"));
        }
        openThrough("Act_Server", [&other](QDialog *d) {
            d->findChild<QLineEdit *>(QStringLiteral("edPath"))->setText(other);
            d->findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
        });
        QCOMPARE(MessageBox::last().text, QStringLiteral("服务器设置成功！"));
        waitForIdle();
        QVERIFY(!agents->isEnabled());
        QVERIFY(m_main->action(QStringLiteral("Act_Linkman"))->isEnabled());
    }
};

QTEST_MAIN(TestAdminCommands)
#include "tst_admincommands.moc"
