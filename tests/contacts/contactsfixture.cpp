#include "contactsfixture.h"

#include "agentchoice.h"
#include "contactswindow.h"
#include "datagrid.h"
#include "session.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

void ContactsFixture::addContact(const QString &code, const QString &name, const QString &custId,
                                 const QString &owner, const QVariantMap &more)
{
    store::Connection &db = dm.connection();
    QStringList cols{QStringLiteral("LinkmanID"), QStringLiteral("Name"), QStringLiteral("CustID"),
                     QStringLiteral("SUser")};
    QVariantList values{code, name, custId, owner};
    for (auto it = more.begin(); it != more.end(); ++it) {
        cols << it.key();
        values << it.value();
    }
    QStringList idents, marks;
    for (const QString &c : cols) {
        idents << db.ident(c);
        marks << QStringLiteral("?");
    }
    db.exec(QStringLiteral("INSERT INTO tblLinkmans (%1) VALUES (%2)")
                .arg(idents.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
            values);
}

void ContactsFixture::addRecord(const QString &operateId, const QString &custId,
                                const QString &linkmanId, const QString &owner)
{
    dm.connection().exec(
        QStringLiteral("INSERT INTO tblOperates (OperateID, CustID, LinkmanID, SUser) VALUES (?, ?, ?, ?)"),
        {operateId, custId, linkmanId, owner});
}

void ContactsFixture::openContactsModule()
{
    for (store::Dataset *d : {&dm.tblCountry, &dm.tblCustDist, &dm.tblVocation, &dm.tblCustOrigin,
                              &dm.tblCustLevel, &dm.tblCustState, &dm.tblOperateOrigin,
                              &dm.tblOperateType, &dm.tblOperateState, &dm.tblCurrencyRate})
        d->open();
    dm.applyOwnership(dm.tblCustomers2);
    dm.tblCustomers2.refresh(); // agents the test added straight into the store
    store::Dataset &list = dm.qryLinkmans1;
    list.close();
    const QString user = store::session().CurrentUserID;
    if (dm.isAdministrator(user)) {
        list.setSql(QStringLiteral("select * from tblLinkmans"));
    } else {
        list.setSql(QStringList{QStringLiteral("select * from tblLinkmans "),
                                QStringLiteral("where SUser=:SUser")});
        list.setParam(QStringLiteral("SUser"), user);
    }
    list.open();
    for (store::Dataset *d : {&dm.qryCustomers1, &dm.tblLinkmans2, &dm.tblLinkmans,
                              &dm.tblOperaters, &dm.tblOperates2, &dm.tblOperates})
        d->open();
}

int ContactsFixture::count(const QString &table)
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
}

void ContactsFixture::installLayouts()
{
    const QString from = qEnvironmentVariable("TESSALY_BIN") + QStringLiteral("/Data/Report/");
    const QString to = store::session().AppDir + QStringLiteral("Data/Report/");
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList({QStringLiteral("*.frf")}, QDir::Files))
        QFile::copy(from + name, to + name);
    QVERIFY2(QFileInfo::exists(to + QStringLiteral("frLinkmans.frf")), qPrintable(from));
}

ContactsWindowOnFixture::ContactsWindowOnFixture(ContactsFixture &f)
{
    f.openContactsModule();
    w = new ContactsWindow(f.ws);
    w->resize(1000, 700);
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        qWarning("the contact window did not become active");
}

ContactsWindowOnFixture::~ContactsWindowOnFixture()
{
    delete w;
}

QAction *ContactsWindowOnFixture::act(const char *name) const
{
    return w->action(QLatin1String(name));
}

store::Dataset &ContactsWindowOnFixture::contacts() const
{
    return *w->grid()->dataset();
}

bool ContactsWindowOnFixture::enabled(const char *name) const
{
    testsupport::untilIdle();
    return act(name)->isEnabled();
}

void chooseAgent(AgentChoice *choice, const QString &name)
{
    store::Dataset *agents = choice->agents();
    QVERIFY(agents);
    for (int row = 0; row < agents->rowCount(); ++row) {
        if (agents->value(row, QStringLiteral("CustName")).toString() == name) {
            choice->setCurrentIndex(row);
            Q_EMIT choice->activated(row);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no agent named ") + name));
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot read %1>").arg(path)};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
