#include "recordsfixture.h"

#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbpagedlookupcombo.h"
#include "recordform.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTest>

RecordsFixture::RecordsFixture(const QString &engine, const QString &user) : AgentsFixture(engine, user)
{
    const QString reports = store.appDir() + QStringLiteral("Data/Report/");
    QDir().mkpath(reports);
    const QDir shipped(QStringLiteral(TESSALY_REPORT_SOURCE));
    for (const QString &name : shipped.entryList({QStringLiteral("*.frf")}, QDir::Files))
        QFile::copy(shipped.filePath(name), reports + name);
}

void RecordsFixture::openRecordsModule()
{
    for (store::Dataset *d : {&dm.tblCountry, &dm.tblCustDist, &dm.tblVocation, &dm.tblCustOrigin,
                              &dm.tblCustLevel, &dm.tblCustState, &dm.tblOperateOrigin,
                              &dm.tblOperateType, &dm.tblOperateState, &dm.tblCurrencyRate})
        d->open();
    dm.applyOwnership(dm.tblCustomers2);
    dm.applyOwnership(dm.tblOperates2);
    for (store::Dataset *d : {&dm.tblLinkmans2, &dm.tblOperaters})
        if (d->isFiltered())
            d->clearFilter();
    for (store::Dataset *d : {&dm.qryCustomers1, &dm.tblCustomers, &dm.tblLinkmans2, &dm.tblOperaters,
                              &dm.tblLinkmans, &dm.tblOperates, &dm.tblOperateDetail}) {
        d->open();
        d->refresh();
    }
    dm.tblCustomers2.refresh();
    dm.tblOperates2.refresh();
}

void RecordsFixture::insertRow(const QString &table, const QVariantMap &values)
{
    store::Connection &db = dm.connection();
    QStringList idents, marks;
    QVariantList bound;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (!it.value().isValid())
            continue;
        idents << db.ident(it.key());
        marks << QStringLiteral("?");
        bound << it.value();
    }
    db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(table, idents.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
            bound);
}

void RecordsFixture::addRecord(const QString &code, const QString &title, const QString &agent,
                               const QString &owner, const QVariantMap &more)
{
    // Dates as the store keeps them on each engine: the dataset's own rule.
    const auto day = [this](int d) {
        const QDate date(2026, 3, d);
        return store.isServer() ? QVariant(date) : QVariant(date.toString(Qt::ISODate));
    };
    QVariantMap row{{QStringLiteral("OperateID"), code},
                    {QStringLiteral("OperateTitle"), title},
                    {QStringLiteral("CustID"), agent},
                    {QStringLiteral("CreateDate"), day(1)},
                    {QStringLiteral("OriginId"), QStringLiteral("01")},
                    {QStringLiteral("TypeID"), QStringLiteral("01")},
                    {QStringLiteral("WriteDate"), day(2)},
                    {QStringLiteral("EndDate"), day(20)},
                    {QStringLiteral("OperateStateID"), QStringLiteral("01")},
                    {QStringLiteral("SUser"), owner}};
    for (auto it = more.begin(); it != more.end(); ++it)
        row.insert(it.key(), it.value());
    insertRow(QStringLiteral("tblOperates"), row);
}

void RecordsFixture::addItem(const QString &record, const QString &number, const QVariantMap &more)
{
    QVariantMap row{{QStringLiteral("OperateID"), record},
                    {QStringLiteral("DetailNo"), number},
                    {QStringLiteral("DTitle"), QVariant(QStringLiteral("子项") + number)}};
    for (auto it = more.begin(); it != more.end(); ++it)
        row.insert(it.key(), it.value());
    insertRow(QStringLiteral("tblOperateDetail"), row);
}

void RecordsFixture::addReferrer(const QString &code, const QString &name)
{
    insertRow(QStringLiteral("tblOperaters"), {{QStringLiteral("OperaterID"), code}, {QStringLiteral("Name"), name}});
}

void RecordsFixture::addContact(const QString &code, const QString &agent, const QString &name)
{
    insertRow(QStringLiteral("tblLinkmans"), {{QStringLiteral("LinkmanID"), code},
                                              {QStringLiteral("CustID"), agent},
                                              {QStringLiteral("Name"), name},
                                              {QStringLiteral("SUser"), QStringLiteral("Admin")}});
}

int RecordsFixture::count(const QString &table, const QString &where, const QVariantList &values)
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM %1%2")
                      .arg(table, where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where),
                  values)
        .toInt();
}

void chooseAgent(DbPagedLookupCombo *combo, const QString &name)
{
    store::Dataset *agents = combo->source();
    QVERIFY(agents);
    for (int row = 0; row < agents->rowCount(); ++row) {
        if (agents->value(row, QStringLiteral("CustName")).toString() == name) {
            QVERIFY(combo->choose(row));
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no agent named %1").arg(name)));
}

namespace
{
void typeDate(DbDateEdit *edit, const QString &day)
{
    edit->selectAll();
    edit->setCursorPosition(0);
    testsupport::typeText(edit, day);
}
} // namespace

void fillRecord(RecordForm *form, const QString &code, const QString &title, const QString &agentName)
{
    if (!code.isEmpty())
        testsupport::typeText(form->code(), code);
    if (!title.isEmpty())
        testsupport::typeText(form->title(), title);
    if (!agentName.isEmpty() && form->agentChoice())
        chooseAgent(form->agentChoice(), agentName);
    typeDate(form->createDate(), QStringLiteral("2026-04-01"));
    choose(form->origin(), QStringLiteral("完备"));
    choose(form->type(), QStringLiteral("有档案"));
    typeDate(form->writeDate(), QStringLiteral("2026-04-02"));
    typeDate(form->endDate(), QStringLiteral("2027-04-01"));
    choose(form->state(), QStringLiteral("未发证"));
}
