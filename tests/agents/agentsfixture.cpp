#include "agentsfixture.h"

#include "agentform.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "desktopservices.h"
#include "filedialog.h"
#include "messagebox.h"
#include "printing.h"
#include "session.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QSqlQuery>
#include <QTest>

AgentsFixture::AgentsFixture(const QString &engine, const QString &user) : store(engine)
{
    store::session().setAppDir(store.appDir());
    store::session().CurrentUserID = user;
    QDir().mkpath(store::session().FilesDir);
    dm.openAtStartup(store.appDir());
    dm.tblUserRight.open();
    rights.setDataset(&dm.tblUserRight);
    resetScripts();
}

void AgentsFixture::signIn(const QString &user)
{
    store::session().CurrentUserID = user;
    dm.tblUserRight.refresh();
    rights.invalidate();
}

void AgentsFixture::openAgentsModule()
{
    for (store::Dataset *d : {&dm.tblCountry, &dm.tblCustDist, &dm.tblVocation, &dm.tblCustOrigin,
                              &dm.tblCustLevel, &dm.tblCustState, &dm.tblOperateOrigin,
                              &dm.tblOperateType, &dm.tblOperateState, &dm.tblCurrencyRate})
        d->open();
    dm.applyOwnership(dm.tblCustomers);
    dm.applyOwnership(dm.tblCustomers2);
    // Rows the test added straight into the store since start-up.
    dm.tblCustomers.refresh();
    dm.tblCustomers2.refresh();
    for (store::Dataset *d :
         {&dm.tblLinkmans, &dm.tblOperates, &dm.tblCustomerState, &dm.tblCustomerAddInfo,
          &dm.tblOperaters, &dm.qryCustomers1, &dm.tblOperates2})
        d->open();
}

void AgentsFixture::addAgent(const QString &code, const QString &name, const QString &owner,
                             const QVariantMap &more)
{
    store::Connection &db = dm.connection();
    QStringList cols{QStringLiteral("CustId"), QStringLiteral("CustName"), QStringLiteral("SUser")};
    QVariantList values{code, name, owner};
    for (auto it = more.begin(); it != more.end(); ++it) {
        cols << it.key();
        values << it.value();
    }
    QStringList idents, marks;
    for (const QString &c : cols) {
        idents << db.ident(c);
        marks << QStringLiteral("?");
    }
    db.exec(QStringLiteral("INSERT INTO tblCustomers (%1) VALUES (%2)")
                .arg(idents.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
            values);
}

void AgentsFixture::addCompleteAgent(const QString &code, const QString &name, const QString &owner)
{
    addAgent(code, name, owner,
             {{QStringLiteral("VocationID"), QStringLiteral("01")},
              {QStringLiteral("OriginID"), QStringLiteral("01")},
              {QStringLiteral("LevelID"), QStringLiteral("A")},
              {QStringLiteral("StateId"), QStringLiteral("01")},
              {QStringLiteral("CreateDate"), QDate(2026, 1, 2)}});
}

QVariant AgentsFixture::scalar(const QString &sql, const QVariantList &values)
{
    return dm.connection().scalar(sql, values);
}

int AgentsFixture::logCount(const QString &operate)
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM tblLog WHERE Operate = ?"), {operate})
        .toInt();
}

QStringList AgentsFixture::logRows()
{
    QStringList rows;
    QSqlQuery q = dm.connection().exec(QStringLiteral("SELECT Operate FROM tblLog ORDER BY LogID"));
    while (q.next())
        rows << q.value(0).toString();
    return rows;
}

void AgentsFixture::setRightFlag(const QString &rightId, const QString &flag, bool on)
{
    store::Dataset &r = dm.tblUserRight;
    const QString user = store::session().CurrentUserID;
    for (int row = 0; row < r.rowCount(); ++row) {
        if (r.value(row, QStringLiteral("UserID")).toString().compare(user, Qt::CaseInsensitive) ==
                0 &&
            r.value(row, QStringLiteral("RightID")).toString() == rightId) {
            r.moveTo(row);
            r.setValue(flag, on);
            r.post();
            return;
        }
    }
}

void resetScripts()
{
    MessageBox::setScripted(true);
    MessageBox::clearHistory();
    FileDialog::clearHistory();
    DesktopServices::clearHistory();
    Printing::clearHistory();
}

QStringList shownTexts()
{
    QStringList out;
    for (const MessageBox::Shown &s : MessageBox::history())
        out << s.text;
    return out;
}

void choose(QComboBox *combo, const QString &text)
{
    if (auto *lookup = qobject_cast<DbLookupCombo *>(combo))
        lookup->reloadItems();
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

void fillAgent(AgentForm *form, const QString &code, const QString &name)
{
    if (!code.isEmpty())
        testsupport::typeText(form->code(), code);
    if (!name.isEmpty())
        testsupport::typeText(form->name(), name);
    choose(form->trade(), QStringLiteral("制造业"));
    choose(form->origin(), QStringLiteral("展会"));
    choose(form->level(), QStringLiteral("一级代理"));
    choose(form->contactState(), QStringLiteral("初次接触"));
    form->createDate()->selectAll();
    form->createDate()->setCursorPosition(0);
    testsupport::typeText(form->createDate(), QStringLiteral("2026-12-09"));
}

ShownAgentsWindow::ShownAgentsWindow(AgentsFixture &f) : w(f.ws)
{
    f.openAgentsModule();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}
