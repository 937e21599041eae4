#include "referrersfixture.h"

#include "datagrid.h"
#include "referrerform.h"

#include "session.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>

ReferrersFixture::ReferrersFixture(const QString &engine, const QString &user)
    : AgentsFixture(engine, user)
{
    const QString target = store::session().AppDir + QStringLiteral("Data/Report/");
    QDir().mkpath(target);
    const QDir shipped(testsupport::binary(QStringLiteral("Data/Report")));
    for (const QString &name : shipped.entryList({QStringLiteral("*.frf")}, QDir::Files))
        QFile::copy(shipped.filePath(name), target + name);
}

void ReferrersFixture::openReferrersModule()
{
    store::Dataset &referrers = dm.tblOperaters;
    if (referrers.isFiltered())
        referrers.clearFilter();
    for (store::Dataset *d : {&dm.tblDepartment, &dm.qryCustomers1, &dm.tblCustomers2, &referrers})
        d->open();
    referrers.refresh();
    dm.tblCustomers2.refresh();
}

void ReferrersFixture::addReferrer(const QString &code, const QString &name,
                                   const QVariantMap &more)
{
    QVariantMap values = more;
    values.insert(QStringLiteral("OperaterID"), code);
    values.insert(QStringLiteral("Name"), name);
    insert(QStringLiteral("tblOperaters"), values);
}

void ReferrersFixture::addRecord(const QString &operateId, const QString &operaterId,
                                 const QString &owner, const QVariantMap &more)
{
    QVariantMap values = more;
    values.insert(QStringLiteral("OperateID"), operateId);
    values.insert(QStringLiteral("OperaterID"), operaterId);
    values.insert(QStringLiteral("SUser"), owner);
    insert(QStringLiteral("tblOperates"), values);
}

void ReferrersFixture::insert(const QString &table, const QVariantMap &values)
{
    store::Connection &db = dm.connection();
    QStringList idents, marks;
    QVariantList bound;
    for (auto it = values.begin(); it != values.end(); ++it) {
        idents << db.ident(it.key());
        marks << QStringLiteral("?");
        bound << it.value();
    }
    db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(table, idents.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
            bound);
}

ShownReferrers::ShownReferrers(ReferrersFixture &f) : w(f.ws)
{
    f.openReferrersModule();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

QAction *ShownReferrers::act(const char *name) const
{
    return w.action(QLatin1String(name));
}

store::Dataset &ShownReferrers::referrers() const
{
    return *w.grid()->dataset();
}

store::Dataset &ShownReferrers::records() const
{
    return *w.form()->recordGrid()->dataset();
}

bool ShownReferrers::enabled(const char *name) const
{
    testsupport::untilIdle();
    return act(name)->isEnabled();
}
