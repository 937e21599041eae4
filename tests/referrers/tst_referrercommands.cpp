// The referrers module reached from the main window: F4 with its log row, the search lifted
// and the folder shown; an administrator and a normal user each add, change, find, export,
// print and delete referrers end to end.
#include "condition.h"
#include "datagrid.h"
#include "dblineedit.h"
#include "filedialog.h"
#include "filepanel.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "printing.h"
#include "recordfolders.h"
#include "referrerform.h"
#include "referrers.h"
#include "referrersfixture.h"
#include "session.h"
#include "testusers.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"客户业务管理-业务员资料-"_s;

QAction *act(ReferrersWindow *w, const char *name)
{
    return w->action(QLatin1String(name));
}

// The list's 查询 through its dialog: a choice by its place and a text.
void search(ReferrersWindow *w, int choice, const QString &text)
{
    testsupport::whenModal(u"TfrmOperaterQuery"_s, [choice, text](QWidget *dialog) {
        dialog->findChild<QComboBox *>(u"dxPickEdit1"_s)->setCurrentIndex(choice);
        testsupport::typeText(dialog->findChild<QLineEdit *>(u"Edit1"_s), text);
        dialog->findChild<QPushButton *>(u"SpeedButton2"_s)->click();
    });
    act(w, "Act_Query")->trigger();
}

} // namespace

class TestReferrerCommands : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // F4 shows the module with every referrer, whatever search an earlier visit left, and the
    // file panel on the current referrer's folder.
    void f4ShowsTheModule_data() { testsupport::addEngineRows(); }
    void f4ShowsTheModule()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"A01"_s, u"甲"_s);
        f.addReferrer(u"B01"_s, u"乙"_s);
        MainWindow main(f.dm);
        QVERIFY(main.runShowStep());
        installReferrers(main.workspace());
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        f.dm.tblOperaters.refresh();
        f.dm.tblOperaters.setFilter(store::Condition::eq(u"OperaterID"_s, u"B01"_s));

        QTest::keyClick(&main, Qt::Key_F4);
        auto *w = qobject_cast<ReferrersWindow *>(main.currentContent());
        QVERIFY(w);
        QCOMPARE(w->objectName(), u"TfrmOperaters"_s);
        QCOMPARE(f.logRows().last(), u"商务代理业务管理-业务员资料"_s);
        QVERIFY(!f.dm.tblOperaters.isFiltered());
        QCOMPARE(w->grid()->dataset()->rowCount(), 2);
        QCOMPARE(main.currentNavigationPage(), u"业务管理"_s);
        QCOMPARE(QDir(main.filePanel()->folder()),
                 QDir(RecordFolders::operatersFolder() + u"/A01"_s));
        // The keyboard is in the list at once: its shortcuts work.
        QTRY_VERIFY(w->grid()->view()->hasFocus());
        testsupport::untilIdle();
        QTest::keyClick(w->grid()->view(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(w->grid()->dataset()->state(), store::Dataset::State::Insert);
        QVERIFY(!main.isNavigationVisible());
        QCOMPARE(f.logRows().last(), Prefix + u"新增"_s);
    }

    void endToEnd_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("user");
        for (const QString &engine : testsupport::engines()) {
            QTest::addRow("%s administrator", qPrintable(engine)) << engine << u"Admin"_s;
            QTest::addRow("%s normal user", qPrintable(engine)) << engine << u"qian"_s;
        }
    }
    void endToEnd()
    {
        QFETCH(QString, engine);
        QFETCH(QString, user);
        ReferrersFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"qian"_s, u"pw"_s, false,
                             testsupport::allRights());
        f.insert(u"tblOperaters"_s, {{u"OperaterID"_s, u"OLD"_s},
                                     {u"Name"_s, u"别人建的"_s},
                                     {u"SUser"_s, u"someone"_s},
                                     {u"Email"_s, u"old@x.cn"_s}});
        f.dm.tblOperaters.refresh(); // as if it was there when the program started
        f.signIn(user);
        MainWindow main(f.dm);
        QVERIFY(main.runShowStep());
        installReferrers(main.workspace());
        main.show();
        main.action(u"Act_Operaters"_s)->trigger();
        auto *w = qobject_cast<ReferrersWindow *>(main.currentContent());
        QVERIFY(w);
        store::Dataset &referrers = *w->grid()->dataset();
        QCOMPARE(referrers.rowCount(), 1); // no owner filter for anyone

        // Add two.
        for (const auto &[code, name] :
             {std::pair{u"Q01"_s, u"钱一"_s}, std::pair{u"Q02"_s, u"钱二"_s}}) {
            testsupport::untilIdle();
            QVERIFY(act(w, "Act_Insert")->isEnabled());
            act(w, "Act_Insert")->trigger();
            testsupport::typeText(w->form()->code(), code);
            testsupport::typeText(w->form()->name(), name);
            testsupport::typeText(w->form()->email(), code.toLower() + u"@x.cn"_s);
            testsupport::untilIdle(); // 保存 is enabled once the interface is idle
            act(w, "Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList());
        }
        QVERIFY(!main.isNavigationVisible());
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters"_s).toInt(), 3);

        // Change one.
        w->pages()->setCurrentWidget(w->listPage());
        QVERIFY(referrers.locate(u"OperaterID"_s, u"Q02"_s));
        act(w, "Act_Modify")->trigger();
        testsupport::typeText(w->form()->name(), u"集团"_s);
        testsupport::untilIdle();
        act(w, "Act_Save")->trigger();
        QCOMPARE(f.scalar(u"SELECT Name FROM tblOperaters WHERE OperaterID = 'Q02'"_s).toString(),
                 u"钱二集团"_s);

        // Find by name, export and print what is found.
        search(w, 2, u"钱"_s);
        QCOMPARE(referrers.rowCount(), 2);
        const QString file = store::session().AppDir + u"Email/q.txt"_s;
        FileDialog::setNextFileName(file);
        act(w, "SpeedButton11")->trigger();
        QFile exported(file);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(exported.readAll()), u"q01@x.cn\r\nq02@x.cn\r\n"_s);
        act(w, "Act_Print")->trigger();
        QCOMPARE(Printing::last().layout, u"frOperaters.frf"_s);
        QCOMPARE(Printing::last().rowCount, 2);

        // Delete one; opening the module again lifts the search.
        QVERIFY(referrers.locate(u"OperaterID"_s, u"Q01"_s));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        act(w, "Act_Delete")->trigger();
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters WHERE OperaterID = 'Q01'"_s).toInt(),
                 0);
        main.action(u"Act_Operaters"_s)->trigger();
        QCOMPARE(referrers.rowCount(), 2);

        const QStringList log = f.logRows();
        for (const QString &expected : QStringList{
                 u"商务代理业务管理-业务员资料"_s, Prefix + u"新增"_s, Prefix + u"保存"_s,
                 Prefix + u"修改"_s, Prefix + u"查询"_s, Prefix + u"打印"_s, Prefix + u"删除"_s})
            QVERIFY2(log.contains(expected), qPrintable(expected));
        QCOMPARE(
            f.scalar(
                 u"SELECT COUNT(*) FROM tblLog WHERE UserID = ? AND Operate LIKE '客户业务管理%'"_s,
                 {user})
                .toInt(),
            9);
    }
};

QTEST_MAIN(TestReferrerCommands)
#include "tst_referrercommands.moc"
