// The rights window: what it shows for a user, how the boxes depend on each other, and what
// 保存 leaves in the store, including a refused row in the middle of a save.
#include "adminfixture.h"
#include "messagebox.h"
#include "rights.h"
#include "rightwindow.h"
#include "storeerror.h"
#include "testusers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

class TestRightWindow : public QObject
{
    Q_OBJECT

    static QCheckBox *box(RightWindow &w, const QString &name)
    {
        auto *b = w.findChild<QCheckBox *>(name);
        if (!b)
            qFatal("no check box %s", qPrintable(name));
        return b;
    }
    static void showUser(AdminSeat &seat, const QString &userId)
    {
        seat.dm.tblUser.open();
        QVERIFY(seat.dm.tblUser.locate(QStringLiteral("UserID"), userId));
    }
    static void save(RightWindow &w)
    {
        w.findChild<QPushButton *>(QStringLiteral("SpeedButton2"))->click();
    }
    static void setFlags(AdminSeat &seat, const QString &user, const QString &right, bool ins,
                         bool mod, bool del, bool qry, bool prn)
    {
        store::Connection &db = seat.dm.connection();
        db.exec(QStringLiteral("UPDATE tblUserRight SET %1 = ?, %2 = ?, %3 = ?, %4 = ?, %5 = ? "
                               "WHERE UserID = ? AND RightID = ?")
                    .arg(db.ident(QStringLiteral("Insert")), db.ident(QStringLiteral("Modify")),
                         db.ident(QStringLiteral("Delete")), db.ident(QStringLiteral("Query")),
                         db.ident(QStringLiteral("Print"))),
                {ins, mod, del, qry, prn, user, right});
    }

  private Q_SLOTS:
    void init() { resetScripts(); }

    void showsTheTabsAndTheUsersRights_data() { testsupport::addEngineRows(); }
    void showsTheTabsAndTheUsersRights()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        testsupport::addUser(seat.dm.connection(), QStringLiteral("wang"), QStringLiteral("w"),
                             false,
                             {QStringLiteral("202"), QStringLiteral("301"), QStringLiteral("107"),
                              QStringLiteral("502")});
        setFlags(seat, QStringLiteral("wang"), QStringLiteral("202"), true, true, false, true,
                 true);
        setFlags(seat, QStringLiteral("wang"), QStringLiteral("301"), false, false, false, true,
                 false);
        showUser(seat, QStringLiteral("wang"));
        RightWindow w(seat.dm);

        QCOMPARE(w.objectName(), QStringLiteral("TfrmRight"));
        QCOMPARE(w.windowTitle(), QStringLiteral("权限分配"));
        QCOMPARE(w.findChild<QLineEdit *>(QStringLiteral("edUserID"))->text(),
                 QStringLiteral("wang"));
        QVERIFY(w.findChild<QLineEdit *>(QStringLiteral("edUserID"))->isReadOnly());
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("PageControl1"));
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions, (QStringList{QStringLiteral("系统设置"), QStringLiteral("基础资料"),
                                        QStringLiteral("商务代理业务管理"),
                                        QStringLiteral("图表分析"), QStringLiteral("工具")}));
        QCOMPARE(box(w, QStringLiteral("chk203"))->text(), QStringLiteral("国家/地区信息"));
        // Each analysis box is named by the analysis its stored ID enables.
        QCOMPARE(box(w, QStringLiteral("chk404"))->text(), QStringLiteral("商务代理来源分析"));
        QCOMPARE(box(w, QStringLiteral("chk405"))->text(), QStringLiteral("商务代理状态分析"));
        QCOMPARE(box(w, QStringLiteral("chk406"))->text(), QStringLiteral("商务代理行业分析"));

        // Flags come from the row; a right without a row shows no flag.
        QVERIFY(box(w, QStringLiteral("chk202"))->isChecked());
        QVERIFY(box(w, QStringLiteral("chk202Insert"))->isChecked());
        QVERIFY(!box(w, QStringLiteral("chk202Delete"))->isChecked());
        QVERIFY(!box(w, QStringLiteral("chk201"))->isChecked());
        QVERIFY(!box(w, QStringLiteral("chk201Insert"))->isChecked());
        QVERIFY(box(w, QStringLiteral("chk301Query"))->isChecked());
        QVERIFY(!box(w, QStringLiteral("chk301Insert"))->isChecked());
        // The server settings, the ledgers' flags and group mail have boxes of their own;
        // rights that no command tests are held by boxes out of sight.
        QVERIFY(box(w, QStringLiteral("chk107"))->isChecked());
        QVERIFY(!box(w, QStringLiteral("chk107"))->isHidden());
        QVERIFY(!box(w, QStringLiteral("chk306Query"))->isHidden());
        QVERIFY(!box(w, QStringLiteral("chk307Print"))->isHidden());
        QVERIFY(box(w, QStringLiteral("chk502"))->isChecked());
        QVERIFY(!box(w, QStringLiteral("chk502"))->isHidden());
        QVERIFY(box(w, QStringLiteral("chk402"))->isHidden());
        QVERIFY(w.findChild<QCheckBox *>(QStringLiteral("chk202Modify")) == nullptr);
    }

    void savedTicksShowAgainAndUntickingDropsFlags_data() { testsupport::addEngineRows(); }
    void savedTicksShowAgainAndUntickingDropsFlags()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        testsupport::addUser(seat.dm.connection(), QStringLiteral("wang"), QStringLiteral("w"),
                             false,
                             {QStringLiteral("202"), QStringLiteral("107"), QStringLiteral("502")});
        showUser(seat, QStringLiteral("wang"));
        {
            RightWindow w(seat.dm);
            w.show();
            box(w, QStringLiteral("chk202"))->click(); // untick: its flags go with it
            QVERIFY(!box(w, QStringLiteral("chk202Insert"))->isChecked());
            QVERIFY(!box(w, QStringLiteral("chk202Delete"))->isChecked());
            box(w, QStringLiteral("chk203"))->click(); // tick: no flag by itself
            QVERIFY(!box(w, QStringLiteral("chk203Insert"))->isChecked());
            box(w, QStringLiteral("chk101"))->click();
            box(w, QStringLiteral("chk305"))->click();
            box(w, QStringLiteral("chk305Print"))->click();
            box(w, QStringLiteral("chk206Delete"))
                ->click(); // a flag without its right is not stored
            save(w);
            QVERIFY(w.isVisible()); // stays open, says nothing
            QVERIFY(MessageBox::history().isEmpty());
        }
        QCOMPARE(seat.rightsOf(QStringLiteral("wang")),
                 (QStringList{QStringLiteral("101:00000"), QStringLiteral("107:00000"),
                              QStringLiteral("203:00000"), QStringLiteral("305:00001"),
                              QStringLiteral("502:00000")}));
        QCOMPARE(seat.logRows().constLast(), QStringLiteral("系统设置-用户管理-权限分配-保存"));

        RightWindow again(seat.dm);
        for (const char *ticked : {"chk101", "chk107", "chk203", "chk305", "chk305Print", "chk502"})
            QVERIFY2(box(again, QLatin1String(ticked))->isChecked(), ticked);
        for (const char *clear : {"chk202", "chk202Insert", "chk305Insert", "chk206"})
            QVERIFY2(!box(again, QLatin1String(clear))->isChecked(), clear);
    }

    void selectAllSetsEveryBoxOfItsTabHiddenOnesIncluded()
    {
        AdminSeat seat(QStringLiteral("sqlite"));
        testsupport::addUser(seat.dm.connection(), QStringLiteral("wang"), QStringLiteral("w"),
                             false, {});
        showUser(seat, QStringLiteral("wang"));
        RightWindow w(seat.dm);
        for (const char *all : {"chkAll2", "chkAll3", "chkAll4", "chkAll5"})
            box(w, QLatin1String(all))->click();
        save(w);

        QStringList expected;
        for (int r = 201; r <= 212; ++r)
            expected << QStringLiteral("%1:10100").arg(r);
        for (int r = 301; r <= 305; ++r)
            expected << QStringLiteral("%1:11111").arg(r);
        expected << QStringLiteral("306:00011") << QStringLiteral("307:00011");
        for (int r = 401; r <= 414; ++r)
            expected << QStringLiteral("%1:00000").arg(r);
        expected << QStringLiteral("501:00000") << QStringLiteral("502:00000")
                 << QStringLiteral("503:00000");
        QCOMPARE(seat.rightsOf(QStringLiteral("wang")), expected);

        // Unticking 全部选择 clears the tab again, flags included.
        box(w, QStringLiteral("chkAll3"))->click();
        QVERIFY(!box(w, QStringLiteral("chk301"))->isChecked());
        QVERIFY(!box(w, QStringLiteral("chk306Print"))->isChecked());
        box(w, QStringLiteral("chkAll1"))->click();
        QVERIFY(box(w, QStringLiteral("chk107"))->isChecked());
    }

    void anAdministratorsRightsAreNotChanged()
    {
        AdminSeat seat(QStringLiteral("sqlite"));
        testsupport::addUser(seat.dm.connection(), QStringLiteral("boss"), QStringLiteral("b"),
                             true, {QStringLiteral("101")});
        showUser(seat, QStringLiteral("boss"));
        RightWindow w(seat.dm);
        QVERIFY(box(w, QStringLiteral("chk101"))->isChecked());
        box(w, QStringLiteral("chk101"))->click();
        box(w, QStringLiteral("chk102"))->click();
        save(w);
        QCOMPARE(seat.rightsOf(QStringLiteral("boss")), QStringList{QStringLiteral("101:11111")});
        QCOMPARE(seat.logRows().constLast(), QStringLiteral("系统设置-用户管理-权限分配-保存"));
    }

    // A row the store refuses halfway through a save leaves the rights as they were before.
    void aRefusedRowKeepsTheOldRights_data() { testsupport::addEngineRows(); }
    void aRefusedRowKeepsTheOldRights()
    {
        QFETCH(QString, engine);
        AdminSeat seat(engine);
        store::Connection &db = seat.dm.connection();
        testsupport::addUser(db, QStringLiteral("wang"), QStringLiteral("w"), false,
                             {QStringLiteral("101"), QStringLiteral("301")});
        setFlags(seat, QStringLiteral("wang"), QStringLiteral("301"), true, false, false, false,
                 false);
        // Right 303 may be held by only one of wang and ghost, and ghost holds it already.
        db.exec(
            QStringLiteral("INSERT INTO tblUserRight (UserID, RightID) VALUES ('ghost', '303')"));
        db.exec(QStringLiteral("CREATE UNIQUE INDEX t_one_303 ON tblUserRight (RightID) "
                               "WHERE UserID IN ('wang', 'ghost')"));
        showUser(seat, QStringLiteral("wang"));
        seat.dm.tblUserRight.open();
        const QStringList before = seat.rightsOf(QStringLiteral("wang"));

        RightWindow w(seat.dm);
        box(w, QStringLiteral("chk102"))->click();
        box(w, QStringLiteral("chk303"))->click();
        box(w, QStringLiteral("chk503"))->click();
        save(w);

        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical); // the store's refusal is shown
        QCOMPARE(seat.rightsOf(QStringLiteral("wang")), before);
        QCOMPARE(before, (QStringList{QStringLiteral("101:11111"), QStringLiteral("301:10000")}));
        // The shared rights set holds what the store holds, nothing of the failed save.
        QVERIFY(!seat.dm.tblUserRight.isEditing());
        QCOMPARE(seat.dm.tblUserRight.rowCount(),
                 seat.scalar(QStringLiteral("SELECT count(*) FROM tblUserRight")).toInt());
        const Rights rights(&seat.dm.tblUserRight);
        QVERIFY(
            rights.allows(QStringLiteral("wang"), QStringLiteral("301"), QStringLiteral("Insert")));
        QVERIFY(!rights.allows(QStringLiteral("wang"), QStringLiteral("102"), QString()));
        // The boxes keep what the user chose, ready for another try.
        QVERIFY(box(w, QStringLiteral("chk303"))->isChecked());

        db.exec(QStringLiteral("DROP INDEX t_one_303"));
        save(w);
        QCOMPARE(seat.rightsOf(QStringLiteral("wang")),
                 (QStringList{QStringLiteral("101:00000"), QStringLiteral("102:00000"),
                              QStringLiteral("301:10000"), QStringLiteral("303:00000"),
                              QStringLiteral("503:00000")}));
    }
};

QTEST_MAIN(TestRightWindow)
#include "tst_rightwindow.moc"
