#include "schedulefixture.h"

#include "mainwindow.h"
#include "schedule.h"
#include "schedulepanel.h"

#include <QTest>

ScheduleFixture::ScheduleFixture(const QString &engine, const QString &user)
    : ReferrersFixture(engine, user)
{
}

void ScheduleFixture::addPlan(const QDate &date, const QString &address, const QString &custId,
                              const QVariantMap &more)
{
    QVariantMap values = more;
    values.insert(QStringLiteral("PlanDate"), date);
    values.insert(QStringLiteral("Address"), address);
    if (!custId.isEmpty())
        values.insert(QStringLiteral("CustID"), custId);
    insert(QStringLiteral("tblPlan"), values);
}

void ScheduleFixture::addContact(const QString &linkmanId, const QString &custId,
                                 const QString &owner)
{
    insert(QStringLiteral("tblLinkmans"), {{QStringLiteral("LinkmanID"), linkmanId},
                                           {QStringLiteral("CustID"), custId},
                                           {QStringLiteral("Name"), linkmanId},
                                           {QStringLiteral("SUser"), owner}});
}

int ScheduleFixture::count(const QString &table, const QString &column, const QVariant &value)
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = ?")
                      .arg(table, dm.connection().ident(column)),
                  {value})
        .toInt();
}

QString ScheduleFixture::owner(const QString &table, const QString &codeColumn, const QString &code)
{
    return scalar(QStringLiteral("SELECT SUser FROM %1 WHERE %2 = ?")
                      .arg(table, dm.connection().ident(codeColumn)),
                  {code})
        .toString();
}

ShownMain::ShownMain(ScheduleFixture &f) : main(new MainWindow(f.dm))
{
    installSchedule(main->workspace());
    QVERIFY(main->runShowStep());
    main->show();
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
}

ShownMain::~ShownMain()
{
    delete main;
}

ShownSchedulePanel::ShownSchedulePanel(ScheduleFixture &f) : w(new SchedulePanel(f.ws))
{
    f.dm.tblCustomers2.refresh();
    f.dm.qryPlan.close();
    f.dm.qryPlan.clearFilter();
    f.dm.qryPlan.setSql(QStringLiteral("select * from tblPlan"));
    f.dm.qryPlan.open();
    w->resize(1100, 600);
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

ShownSchedulePanel::~ShownSchedulePanel()
{
    delete w;
}
