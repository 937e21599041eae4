// Commands are enabled by their tests when the event loop goes idle; the right test reads the
// tblUserRight rows once and again only after they change.
#include "commandenabler.h"
#include "dataset.h"
#include "rights.h"
#include "session.h"
#include "teststore.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QEventLoop>
#include <QTest>
#include <memory>
#include <stdexcept>

namespace
{
// Runs the event loop until it is about to wait for events: one idle moment.
void untilIdle()
{
    QEventLoop loop;
    const QMetaObject::Connection c =
        QObject::connect(QAbstractEventDispatcher::instance(),
                         &QAbstractEventDispatcher::aboutToBlock, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
}

// A rights row with every flag set to `flags`, except Query which is always held.
void addRight(store::Connection &db, const QString &user, const QString &right, bool flags)
{
    const QString sql =
        QStringLiteral("INSERT INTO tblUserRight (UserID, RightID, %1, %2, %3, %4, "
                       "%5) VALUES (?, ?, ?, ?, ?, ?, ?)")
            .arg(db.ident(QStringLiteral("Insert")), db.ident(QStringLiteral("Modify")),
                 db.ident(QStringLiteral("Delete")), db.ident(QStringLiteral("Query")),
                 db.ident(QStringLiteral("Print")));
    db.exec(sql, {user, right, flags, flags, flags, true, flags});
}
} // namespace

class TestCommandEnabler : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void actionsFollowTheirTestsAtIdle()
    {
        CommandEnabler enabler;
        QAction a, b;
        bool allowA = false;
        enabler.add(&a, [&] { return allowA; });
        enabler.add(&b, []() -> bool { throw std::runtime_error("no dataset"); });
        QVERIFY(a.isEnabled()); // nothing happens before the loop goes idle

        untilIdle();
        QVERIFY(!a.isEnabled());
        QVERIFY(!b.isEnabled()); // a failing test keeps its command off

        allowA = true;
        untilIdle();
        QVERIFY(a.isEnabled());

        // Registering again replaces the test; a deleted action drops out.
        enabler.add(&a, [] { return false; });
        QCOMPARE(enabler.count(), 2);
        untilIdle();
        QVERIFY(!a.isEnabled());
        auto c = std::make_unique<QAction>();
        enabler.add(c.get(), [] { return true; });
        c.reset();
        untilIdle();
        QCOMPARE(enabler.count(), 2);
    }

    void rightTestReadsRowsOnce()
    {
        testsupport::TempStore ts(QStringLiteral("sqlite"));
        auto db = ts.connect();
        store::Dataset rows(*db, QStringLiteral("tblUserRight"));
        rows.setTable(QStringLiteral("tblUserRight"));
        rows.open();
        Rights rights(&rows);
        store::session().CurrentUserID = QStringLiteral("admin"); // user codes ignore letter case

        QVERIFY(rights.allows(QStringLiteral("301")));
        QVERIFY(rights.allows(QStringLiteral("301"), QStringLiteral("Insert")));
        QVERIFY(rights.allows(QStringLiteral("301"), QStringLiteral("print")));
        QVERIFY(!rights.allows(QStringLiteral("999")));
        QVERIFY(!rights.allows(QStringLiteral("301"), QStringLiteral("Export")));
        QCOMPARE(rights.loads(), 1);

        // Rows added by another seat count once the dataset is read again; the first row of a
        // user and right decides.
        addRight(*db, QStringLiteral("Zhang"), QStringLiteral("302"), false);
        addRight(*db, QStringLiteral("ZHANG"), QStringLiteral("302"), true);
        QVERIFY(!rights.allows(QStringLiteral("zhang"), QStringLiteral("302"), QString()));
        rows.refresh();
        QVERIFY(
            rights.allows(QStringLiteral("zhang"), QStringLiteral("302"), QStringLiteral("Query")));
        QVERIFY(!rights.allows(QStringLiteral("Zhang"), QStringLiteral("302"),
                               QStringLiteral("Insert")));
        QCOMPARE(rights.loads(), 2);

        // Editing a row through the dataset is seen at once.
        QVERIFY(rows.locate(QStringLiteral("UserID"), QStringLiteral("Zhang")));
        rows.setValue(QStringLiteral("Insert"), true);
        rows.post();
        QVERIFY(rights.allows(QStringLiteral("zhang"), QStringLiteral("302"),
                              QStringLiteral("Insert")));

        rows.close();
        QVERIFY(!rights.allows(QStringLiteral("301")));
    }

    void commandOffAfterItsRightIsDeleted()
    {
        testsupport::TempStore ts(QStringLiteral("sqlite"));
        auto db = ts.connect();
        store::Dataset rows(*db, QStringLiteral("tblUserRight"));
        rows.setTable(QStringLiteral("tblUserRight"));
        rows.open();
        Rights rights(&rows);
        store::session().CurrentUserID = QStringLiteral("Admin");

        CommandEnabler enabler;
        QAction insert, print;
        enabler.add(&insert,
                    [&] { return rights.allows(QStringLiteral("301"), QStringLiteral("Insert")); });
        enabler.add(&print,
                    [&] { return rights.allows(QStringLiteral("302"), QStringLiteral("Print")); });
        insert.setEnabled(false);
        untilIdle();
        QVERIFY(insert.isEnabled());
        QVERIFY(print.isEnabled());

        db->exec(QStringLiteral("DELETE FROM tblUserRight WHERE UserID = ? AND RightID = ?"),
                 {QStringLiteral("Admin"), QStringLiteral("301")});
        untilIdle();
        QVERIFY(insert.isEnabled()); // the dataset has not been read again yet
        const int loads = rights.loads();
        untilIdle();
        QCOMPARE(rights.loads(), loads); // idle moments reuse the rows

        rows.refresh();
        untilIdle();
        QVERIFY(!insert.isEnabled());
        QVERIFY(print.isEnabled());
    }
};

QTEST_MAIN(TestCommandEnabler)
#include "tst_commandenabler.moc"
