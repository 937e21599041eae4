// How the editors are reached: the base-data commands of the main window (its log row and
// right test first), and openDictionaryEditor for the "..." buttons of the agent editors,
// which writes no log row and tests no right.
#include "datamodule.h"
#include "dictionaries.h"
#include "dictionaryfixture.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "session.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QScopeGuard>
#include <QTest>

namespace
{

int logRows(store::DataModule &dm)
{
    return dm.connection().scalar(QStringLiteral("SELECT COUNT(*) FROM tblLog")).toInt();
}

// Closes the modal editor once it shows, noting its name and whether 新增 was enabled.
void closeWhenShown(const QString &objectName, QString &seen, bool &addEnabled)
{
    whenModal(objectName, [&seen, &addEnabled](QWidget *w) {
        seen = w->objectName();
        addEnabled = w->findChild<QAction *>(QStringLiteral("Act_Add"))->isEnabled();
        static_cast<QDialog *>(w)->reject();
    });
}

} // namespace

class TestDictionaryCommands : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { MessageBox::clearHistory(); }

    void installRegistersTheTenCommands()
    {
        DictionaryFixture f(QStringLiteral("sqlite"));
        installDictionaries(f.ws);
        QStringList commands = f.host.windows.keys();
        commands.sort();
        QCOMPARE(commands,
                 QStringList({"Act_Country", "Act_CustLevel", "Act_CustOrigin", "Act_CustState",
                              "Act_Department", "Act_OperateOrigin", "Act_OperateState",
                              "Act_OperateStyle", "Act_Region", "Act_Vocation"}));
        const int logged = logRows(f.dm);
        QString seen;
        bool addEnabled = false;
        closeWhenShown(QStringLiteral("TfrmState"), seen, addEnabled);
        f.host.windows.value(QStringLiteral("Act_CustState"))();
        QCOMPARE(seen, QStringLiteral("TfrmState"));
        QVERIFY(addEnabled);
        QCOMPARE(logRows(f.dm), logged); // the command's own row is the main window's
    }

    void dotButtonsOpenWithoutLogOrRight_data() { testsupport::addEngineRows(); }
    void dotButtonsOpenWithoutLogOrRight()
    {
        QFETCH(QString, engine);
        DictionaryFixture f(engine);
        // No row at all for the country right: the main-window command would be disabled.
        f.dm.connection().exec(QStringLiteral("DELETE FROM tblUserRight WHERE RightID = '203'"));
        f.dm.tblUserRight.refresh();
        QVERIFY(!f.rights.allows(QStringLiteral("203")));
        const int logged = logRows(f.dm);

        QString seen;
        bool addEnabled = true;
        closeWhenShown(QStringLiteral("TfrmCountry"), seen, addEnabled);
        QVERIFY(openDictionaryEditor(f.ws, QStringLiteral("Act_Country"), &f.host.frameWidget));
        QCOMPARE(seen, QStringLiteral("TfrmCountry"));
        QVERIFY(!addEnabled); // opened, but 新增 still follows the right flags
        QCOMPARE(logRows(f.dm), logged);
        QVERIFY(MessageBox::history().isEmpty());

        QVERIFY(!openDictionaryEditor(f.ws, QStringLiteral("Act_Customers"), nullptr));
    }

    void mainWindowCommandLogsThenOpens()
    {
        testsupport::TempStore ts(QStringLiteral("sqlite"));
        store::session().setAppDir(ts.appDir());
        store::session().CurrentUserID = QStringLiteral("Admin");
        QDir().mkpath(store::session().FilesDir);
        store::DataModule dm;
        dm.openAtStartup(ts.appDir());
        MainWindow main(dm);
        QVERIFY(main.runShowStep());
        installDictionaries(main.workspace());

        QString seen;
        bool addEnabled = false;
        closeWhenShown(QStringLiteral("TfrmRegion"), seen, addEnabled);
        main.action(QStringLiteral("Act_Region"))->trigger();
        QCOMPARE(seen, QStringLiteral("TfrmRegion"));
        QVERIFY(addEnabled);
        QCOMPARE(dm.connection()
                     .scalar(QStringLiteral("SELECT COUNT(*) FROM tblLog WHERE Operate = ?"),
                             {QStringLiteral("基础资料-省市设置")})
                     .toInt(),
                 1);
        QVERIFY(dm.tblCustDist.isOpen());
        QVERIFY(dm.tblCountry.isOpen());
    }
};

QTEST_MAIN(TestDictionaryCommands)
#include "tst_dictionarycommands.moc"
