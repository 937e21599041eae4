#include "datamodule.h"

#include "agentreferences.h"
#include "contactreferences.h"
#include "operationlog.h"
#include "recordreferences.h"
#include "referrerreferences.h"
#include "session.h"
#include "startup.h"
#include "storeerror.h"
#include "upgrade.h"

namespace store {

namespace {

// Display fields every agent set carries; the status name is called differently per set.
void agentLookups(Dataset &agents, DataModule &dm, const char *stateField)
{
    agents.addLookup(QStringLiteral("CountryName"), &dm.tblCountry, QStringLiteral("CountryID"),
                     QStringLiteral("CountryID"), QStringLiteral("CountryName"));
    agents.addLookup(QStringLiteral("DistName"), &dm.tblCustDist, QStringLiteral("DistID"),
                     QStringLiteral("DistID"), QStringLiteral("DistName"));
    agents.addLookup(QStringLiteral("VocationName"), &dm.tblVocation, QStringLiteral("VocationID"),
                     QStringLiteral("VocationId"), QStringLiteral("VocationName"));
    agents.addLookup(QStringLiteral("OriginName"), &dm.tblCustOrigin, QStringLiteral("OriginID"),
                     QStringLiteral("OriginID"), QStringLiteral("OriginName"));
    agents.addLookup(QStringLiteral("Operater"), &dm.tblOperaters, QStringLiteral("OperaterID"),
                     QStringLiteral("OperaterID"), QStringLiteral("Name"));
    agents.addLookup(QString::fromLatin1(stateField), &dm.tblCustState, QStringLiteral("StateId"),
                     QStringLiteral("StateID"), QStringLiteral("StateName"));
    agents.addLookup(QStringLiteral("LevelName"), &dm.tblCustLevel, QStringLiteral("LevelID"),
                     QStringLiteral("LevelID"), QStringLiteral("LevelName"));
}

void recordLookups(Dataset &records, DataModule &dm, Dataset &contacts)
{
    records.addLookup(QStringLiteral("CustName"), &dm.tblCustomers2, QStringLiteral("CustID"),
                      QStringLiteral("CustId"), QStringLiteral("CustName"));
    records.addLookup(QStringLiteral("LinkCustName"), &dm.tblCustomers2, QStringLiteral("LinkCustID"),
                      QStringLiteral("CustId"), QStringLiteral("CustName"));
    records.addLookup(QStringLiteral("OriginName"), &dm.tblOperateOrigin, QStringLiteral("OriginId"),
                      QStringLiteral("OriginID"), QStringLiteral("OriginName"));
    records.addLookup(QStringLiteral("TypeName"), &dm.tblOperateType, QStringLiteral("TypeID"),
                      QStringLiteral("TypeID"), QStringLiteral("TypeName"));
    records.addLookup(QStringLiteral("OperaterName"), &dm.tblOperaters, QStringLiteral("OperaterID"),
                      QStringLiteral("OperaterID"), QStringLiteral("Name"));
    records.addLookup(QStringLiteral("OperateStateName"), &dm.tblOperateState,
                      QStringLiteral("OperateStateID"), QStringLiteral("OperateStateID"),
                      QStringLiteral("OperateStateName"));
    records.addLookup(QStringLiteral("LinkmanName"), &contacts, QStringLiteral("LinkmanID"),
                      QStringLiteral("LinkmanID"), QStringLiteral("Name"));
    records.addLookup(QStringLiteral("CurrName"), &dm.tblCurrencyRate, QStringLiteral("CurrID"),
                      QStringLiteral("CurrID"), QStringLiteral("CurrName"));
}

void agentName(Dataset &set, DataModule &dm)
{
    set.addLookup(QStringLiteral("CustName"), &dm.tblCustomers2, QStringLiteral("CustID"),
                  QStringLiteral("CustId"), QStringLiteral("CustName"));
}

bool blank(const QVariant &v) { return v.isNull() || v.toString().isEmpty(); }

// Stamps the owner of a row posted without one.
Dataset::PostAction stampOwner(Dataset &d)
{
    if (blank(d.value(QStringLiteral("SUser"))))
        d.setValue(QStringLiteral("SUser"), session().CurrentUserID);
    return Dataset::PostAction::Store;
}

// A new row without its code is dropped silently instead of stored.
Dataset::BeforePost stampOrDiscard(const QString &codeColumn)
{
    return [codeColumn](Dataset &d) {
        stampOwner(d);
        if (d.state() == Dataset::State::Insert && blank(d.value(codeColumn)))
            return Dataset::PostAction::Discard;
        return Dataset::PostAction::Store;
    };
}

// A contact belongs with its agent. A user who is no administrator stores contacts only for
// agents of their own: an agent handed to another user while the contact was being typed
// refuses the save instead of leaving the new owner's agent with a contact of the old one.
// The agent row is read with a share lock inside the save, so an assignment moving it either
// waits for the save (and then moves the new contact along) or has moved it already.
void guardContactOwner(DataModule &dm, Dataset &contacts)
{
    contacts.addStoreGuard([&dm](const Dataset &d) {
        const QString agentColumn = QStringLiteral("CustID"), ownerColumn = QStringLiteral("SUser");
        if (d.state() == Dataset::State::Edit && !d.isChanged(agentColumn) && !d.isChanged(ownerColumn))
            return;
        const QString agent = d.value(agentColumn).toString();
        const QString user = session().CurrentUserID;
        if (agent.isEmpty() || dm.isAdministrator(user))
            return;
        Connection &db = dm.connection();
        const QVariant owner = db.scalar(
            QStringLiteral("SELECT SUser FROM tblCustomers WHERE CustID = ?%1")
                .arg(db.engine() == Engine::PostgreSQL ? QStringLiteral(" FOR SHARE") : QString()),
            {agent});
        if (owner.isValid() && owner.toString().compare(user, Qt::CaseInsensitive) != 0)
            throw StoreError(QStringLiteral("商务代理“%1”已分配给其他用户，不能为它保存联系人！").arg(agent),
                             StoreError::Kind::NotOwner, QStringLiteral("tblLinkmans"), agentColumn);
    });
}

// A detail row takes its master's key. It is stored only under a key that the master's table
// holds, and never while the master's key is still being typed (a new master, or a code being
// changed): abandoning the master would leave the row naming nothing, and a code typed over
// another master's would hand the row to that one. The master row is read with a share lock
// inside the save, so it cannot be deleted or renamed between the check and the row.
void guardMasterHeld(DataModule &dm, Dataset &detail, const Dataset &master,
                     const QString &masterTable, const QString &masterColumn,
                     const QString &detailColumn, const QString &refusal)
{
    detail.addStoreGuard([&dm, &master, masterTable, masterColumn, detailColumn,
                          refusal](const Dataset &d) {
        if (d.state() == Dataset::State::Edit && !d.isChanged(detailColumn))
            return;
        const QVariant key = d.value(detailColumn);
        const auto refuse = [&] {
            throw StoreError(refusal, StoreError::Kind::Other, d.table(), detailColumn);
        };
        const bool masterKeyTyped =
            master.state() == Dataset::State::Insert ||
            (master.state() == Dataset::State::Edit && master.isChanged(masterColumn));
        if (masterKeyTyped &&
            master.text(masterColumn).compare(key.toString(), Qt::CaseInsensitive) == 0)
            refuse();
        if (blank(key))
            refuse();
        Connection &db = dm.connection();
        const QVariant held = db.scalar(
            QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?%3")
                .arg(masterTable, db.ident(masterColumn),
                     db.engine() == Engine::PostgreSQL ? QStringLiteral(" FOR SHARE") : QString()),
            {key});
        if (!held.isValid())
            refuse();
    });
}

} // namespace

Dataset *DataModule::make(const char *name)
{
    auto *d = new Dataset(m_db, QString::fromLatin1(name), this);
    m_all.push_back(d);
    return d;
}

#define DS(n) n(*make(#n))

DataModule::DataModule(QObject *parent)
    : QObject(parent), DS(tblCustomers), DS(tblLinkmans), DS(tblCustomerState), DS(tblCustomerAddInfo),
      DS(tblOperates), DS(tblCustomers2), DS(tblLinkmans2), DS(tblOperates2), DS(tblOperateDetail),
      DS(tblOperateDetail1), DS(tblOperaters), DS(qryPlan), DS(qryLinkmans1), DS(qryLinkmans3),
      DS(qryCustomers1), DS(qryCustLookup), DS(qryPubQuery), DS(qryGathering), DS(qryPayment),
      DS(qryAssignUpdate), DS(qryChartRegion), DS(qryChartTime), DS(qryChartLevel),
      DS(qryChartCustOrigin), DS(qryChartCustState), DS(qryChartVocation), DS(qryChartOperateOrigin),
      DS(qryChartOperateType), DS(qryChartOperateSort), DS(qryChartCustomerSort),
      DS(qryChartOperaterSort), DS(qryChartPayment), DS(qryChartGathering), DS(qryChartInOut),
      DS(tblCountry), DS(tblCustDist), DS(tblCustLevel), DS(tblCustOrigin), DS(tblCustState),
      DS(tblVocation), DS(tblOperateType), DS(tblOperateOrigin), DS(tblOperateState), DS(tblDepartment),
      DS(tblFinanceOrgan), DS(tblCurrencyRate), DS(tblColor), DS(tblUser), DS(tblUserRight),
      DS(tblUserInfo), DS(tblLog), DS(tblBoard), DS(qryLogClear), DS(qryDelUserRight)
{
    setObjectName(QStringLiteral("TdmMain"));
    const auto table = [](Dataset &d, const char *t) { d.setTable(QString::fromLatin1(t)); };

    table(tblCustomers, "tblCustomers");
    table(tblLinkmans, "tblLinkmans");
    table(tblCustomerState, "tblCustomerState");
    table(tblCustomerAddInfo, "tblCustomerAddInfo");
    table(tblOperates, "tblOperates");
    table(tblCustomers2, "tblCustomers");
    table(tblLinkmans2, "tblLinkmans");
    table(tblOperates2, "tblOperates");
    table(tblOperateDetail, "tblOperateDetail");
    table(tblOperateDetail1, "tblOperateDetail");
    table(tblOperaters, "tblOperaters");
    for (Dataset *d : {&tblCountry, &tblCustDist, &tblCustLevel, &tblCustOrigin, &tblCustState, &tblVocation,
                       &tblOperateType, &tblOperateOrigin, &tblOperateState, &tblDepartment,
                       &tblFinanceOrgan, &tblCurrencyRate, &tblColor, &tblUser, &tblUserRight,
                       &tblUserInfo, &tblLog, &tblBoard})
        d->setTable(d->name());

    qryPlan.setSql(QStringLiteral("select * from tblPlan"));
    qryLinkmans1.setSql(QStringLiteral("select * from tblLinkmans"));
    qryLinkmans3.setSql(QStringLiteral("select * from tblLinkmans"));
    qryCustomers1.setSql(QStringLiteral("select * from tblCustomers"));
    qryCustLookup.setSql(QStringLiteral("select custID from tblCustomers"));
    qryLogClear.setSql(QStringLiteral("delete * from tblLog"));
    // The ledgers list every contract: read a page at a time, never whole.
    qryGathering.setMaterialized(true);
    qryPayment.setMaterialized(true);
    qryDelUserRight.setSql(QStringList{QStringLiteral("delete * from tblUserRight "),
                                       QStringLiteral("where UserID=:userID")});

    // Details follow their master's current row.
    const QString custId = QStringLiteral("CustId"), custID = QStringLiteral("CustID");
    tblLinkmans.setMaster(&tblCustomers, custID, custId);
    tblCustomerState.setMaster(&tblCustomers, custID, custId);
    tblCustomerAddInfo.setMaster(&tblCustomers, custID, custId);
    tblOperates.setMaster(&tblCustomers, custID, custId);
    tblLinkmans2.setMaster(&tblCustomers2, custID, custId);
    tblOperateDetail.setMaster(&tblOperates2, QStringLiteral("OperateID"), QStringLiteral("OperateID"));

    agentLookups(tblCustomers, *this, "State");
    agentLookups(tblCustomers2, *this, "StateName");
    agentName(qryPlan, *this);
    agentName(tblLinkmans, *this);
    agentName(qryLinkmans1, *this);
    agentName(qryLinkmans3, *this);
    qryLinkmans3.addLookup(QStringLiteral("PostCode"), &tblCustomers2, custID, custId, QStringLiteral("PostCode"));
    qryLinkmans3.addLookup(QStringLiteral("Address"), &tblCustomers2, custID, custId, QStringLiteral("Address"));
    recordLookups(tblOperates, *this, tblLinkmans);
    recordLookups(tblOperates2, *this, tblLinkmans2);
    tblOperaters.addLookup(QStringLiteral("Department"), &tblDepartment, QStringLiteral("DepartmentID"),
                           QStringLiteral("DepartmentID"), QStringLiteral("DepartmentName"));
    tblUser.addLookup(QStringLiteral("DeptName"), &tblDepartment, QStringLiteral("DeptID"),
                      QStringLiteral("DepartmentID"), QStringLiteral("DepartmentName"));

    // Posting rules.
    tblCustomers.addBeforePost(stampOrDiscard(QStringLiteral("CustID")));
    guardAgentCodeChange(*this, tblCustomers);
    guardAgentCodeChange(*this, tblCustomers2);
    guardReferrerCodeChange(*this, tblOperaters);
    tblOperates2.addBeforePost(stampOrDiscard(QStringLiteral("OperateID")));
    guardRecordCodeChange(*this, tblOperates);
    guardRecordCodeChange(*this, tblOperates2);
    qryLinkmans1.addBeforePost(stampOwner);
    const QString agentFirst = QStringLiteral("对不起，该商务代理尚未保存，请先保存商务代理资料！");
    for (Dataset *related : {&tblLinkmans, &tblCustomerState, &tblCustomerAddInfo, &tblOperates})
        guardMasterHeld(*this, *related, tblCustomers, QStringLiteral("tblCustomers"), custId,
                        custID, agentFirst);
    guardMasterHeld(*this, tblOperateDetail, tblOperates2, QStringLiteral("tblOperates"),
                    QStringLiteral("OperateID"), QStringLiteral("OperateID"),
                    QStringLiteral("对不起，该联络记录尚未保存，请先保存联络记录！"));
    for (Dataset *contacts : {&tblLinkmans, &tblLinkmans2, &qryLinkmans1, &qryLinkmans3})
    {
        guardContactCodeChange(*this, *contacts);
        guardContactOwner(*this, *contacts);
    }
}

#undef DS

DataModule::~DataModule()
{
    // Nothing may escape a destructor: the program would end on the spot.
    try {
        disconnect();
    } catch (const std::exception &e) {
        qWarning("%s", e.what());
    }
    for (Dataset *d : m_all)
        delete d; // before the connection they read through
    m_all.clear();
}

Dataset *DataModule::dataset(const QString &name) const
{
    for (Dataset *d : m_all)
        if (d->name().compare(name, Qt::CaseInsensitive) == 0)
            return d;
    return nullptr;
}

void DataModule::openAtStartup(const QString &appDir)
{
    Startup::openStore(m_db, appDir);
    bringUpToDate();
    afterConnect();
}

void DataModule::disconnect()
{
    for (Dataset *d : m_all)
        d->close();
    m_db.close();
}

void DataModule::reconnect(const QString &location)
{
    disconnect();
    m_db.open(location);
    bringUpToDate();
    afterConnect();
}

void DataModule::bringUpToDate()
{
    try {
        Upgrade::ifNeeded(m_db, m_upgradeProgress);
    } catch (...) {
        m_db.close();
        throw;
    }
}

void DataModule::afterConnect()
{
    for (Dataset *d : {&tblCountry, &tblCustDist, &tblCustLevel, &tblCustState, &tblCustOrigin, &tblVocation,
                       &tblFinanceOrgan, &tblCurrencyRate, &tblOperateType, &tblOperateOrigin,
                       &tblOperateState, &tblBoard, &tblLinkmans2, &qryCustomers1, &tblOperates2,
                       &tblCustomers2, &tblOperaters})
        d->open();
}

void DataModule::writeLog(const QString &operate)
{
    // A bound insert works on the store as it is now, so there is no need to reopen tblLog
    // first (which would reread a log of millions of rows for every command).
    OperationLog::write(m_db, OperationLog::dateTimeText(), operate);
}

bool DataModule::isAdministrator(const QString &userId)
{
    const QVariant sys =
        m_db.scalar(QStringLiteral("SELECT Sys FROM tblUser WHERE UserID = ?"), {userId});
    return sys.isValid() && sys.toBool();
}

Condition DataModule::ownershipCondition()
{
    const QString user = session().CurrentUserID;
    if (isAdministrator(user))
        return {};
    return Condition::eq(QStringLiteral("SUser"), user);
}

void DataModule::applyOwnership(Dataset &set)
{
    const Condition own = ownershipCondition();
    if (own.isNull()) {
        if (set.isFiltered())
            set.clearFilter();
        set.open();
    } else {
        // Read afresh, but the user comes back to the record left (when it is still there);
        // a change in progress is stored first, as moving away would, rather than lost.
        set.post();
        const qint64 current = set.isOpen() ? set.currentKey() : -1;
        set.close();
        set.setFilter(own);
        set.open();
        set.moveToKey(current);
    }
}

} // namespace store
