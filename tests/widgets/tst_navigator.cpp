// The navigator's buttons are enabled by the dataset's position and move it.
#include "condition.h"
#include "dataset.h"
#include "dbnavigator.h"
#include "messagebox.h"
#include "teststore.h"

#include <QTest>
#include <QToolButton>

using B = DbNavigator::Button;

namespace
{
QString enabled(const DbNavigator &n)
{
    QString s;
    for (B b : {B::First, B::Prior, B::Next, B::Last})
        s += n.button(b)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}
} // namespace

class TestNavigator : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void buttonsFollowThePosition()
    {
        testsupport::TempStore ts(QStringLiteral("sqlite"));
        auto db = ts.connect();
        store::Dataset d(*db, QStringLiteral("tblCountry"));
        d.setTable(QStringLiteral("tblCountry"));
        DbNavigator nav;
        nav.setDataset(&d);
        QCOMPARE(enabled(nav), QStringLiteral("0000")); // closed

        d.open();
        QCOMPARE(enabled(nav), QStringLiteral("0011"));
        QTest::mouseClick(nav.button(B::Last), Qt::LeftButton);
        QCOMPARE(d.currentRow(), d.rowCount() - 1);
        QCOMPARE(enabled(nav), QStringLiteral("1100"));
        QTest::mouseClick(nav.button(B::Prior), Qt::LeftButton);
        QCOMPARE(d.currentRow(), d.rowCount() - 2);
        QCOMPARE(enabled(nav), QStringLiteral("1111"));
        QTest::mouseClick(nav.button(B::First), Qt::LeftButton);
        QTest::mouseClick(nav.button(B::Next), Qt::LeftButton);
        QCOMPARE(d.currentRow(), 1);

        d.setFilter(store::Condition::eq(QStringLiteral("CountryID"), QStringLiteral("China")));
        QCOMPARE(enabled(nav), QStringLiteral("0000")); // one row: nowhere to go
        d.setFilter(store::Condition::eq(QStringLiteral("CountryID"), QStringLiteral("none")));
        QCOMPARE(enabled(nav), QStringLiteral("0000"));
        d.clearFilter();

        // A move the store refuses (the edited row cannot be stored) shows why and stays.
        MessageBox::clearHistory();
        QVERIFY(d.locate(QStringLiteral("CountryID"), QStringLiteral("Japan")));
        const int japan = d.currentRow();
        d.setValue(QStringLiteral("CountryID"), QStringLiteral("CHINA"));
        QTest::mouseClick(nav.button(B::Next), Qt::LeftButton);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QCOMPARE(d.currentRow(), japan);
        QCOMPARE(d.state(), store::Dataset::State::Edit);
    }
};

QTEST_MAIN(TestNavigator)
#include "tst_navigator.moc"
