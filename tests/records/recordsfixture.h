#pragma once

#include "agentsfixture.h"

#include <QString>
#include <QVariantMap>

class DbPagedLookupCombo;
class RecordForm;

// A seat for the record windows: the agents fixture (a fresh store, a signed-in user, a
// recording host) with the record sets prepared as the record module command prepares them.
class RecordsFixture : public AgentsFixture
{
  public:
    explicit RecordsFixture(const QString &engine, const QString &user = QStringLiteral("Admin"));

    // What Act_OperatesInfo does before the module is shown: dictionaries open, the ownership
    // rule on tblCustomers2 and tblOperates2, the other sets open; rows the test added straight
    // into the store are read.
    void openRecordsModule();

    // Rows added straight into the store. A record gets every field 保存 requires unless `more`
    // says otherwise (a null value leaves a field empty).
    void insertRow(const QString &table, const QVariantMap &values);
    void addRecord(const QString &code, const QString &title, const QString &agent,
                   const QString &owner = QStringLiteral("Admin"), const QVariantMap &more = {});
    void addItem(const QString &record, const QString &number, const QVariantMap &more = {});
    void addReferrer(const QString &code, const QString &name);
    void addContact(const QString &code, const QString &agent, const QString &name);
    int count(const QString &table, const QString &where = {}, const QVariantList &values = {});
};

// Picks the agent with this name in an agent list, as a click on its line would.
void chooseAgent(DbPagedLookupCombo *combo, const QString &name);
// Types a code and a title and fills every other required input of a record form (the agent
// by name in the editor), so that 保存 passes every check. Empty texts are left untyped.
void fillRecord(RecordForm *form, const QString &code, const QString &title,
                const QString &agentName = QString());
