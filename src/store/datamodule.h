#pragma once

#include "connection.h"
#include "dataset.h"

#include <QObject>
#include <vector>

namespace store {

// TdmMain: the one connection and the shared named datasets every window works on, with
// their masters, display fields and posting rules.
class DataModule : public QObject
{
    Q_OBJECT
public:
    explicit DataModule(QObject *parent = nullptr);
    ~DataModule() override;

    Connection &connection() { return m_db; }

    // Opens the store "Server.txt" names (resetting it to the default line on failure, see
    // Startup::openStore) and runs the after-connect step. Throws StoreError.
    void openAtStartup(const QString &appDir);
    // Closes every dataset and the connection, then opens `location`. Throws StoreError.
    void reconnect(const QString &location);
    // Opens the dictionaries and shared editing sets, each only when it is closed.
    void afterConnect();
    // Closes every dataset and the connection.
    void disconnect();

    // Told while a store of an older format is brought up to date as it is opened.
    void setUpgradeProgress(std::function<void(int done, int total)> progress) { m_upgradeProgress = std::move(progress); }

    // Appends the operation-log row for a command of the signed-in user.
    void writeLog(const QString &operate);
    // True when the user's tblUser row marks an administrator.
    bool isAdministrator(const QString &userId);
    // The record-ownership rule on an agent, contact or record set: an administrator sees
    // every row (filter off, opened); anyone else only rows whose SUser is the signed-in user
    // (closed, filtered, reopened). The user ID is compared as a value.
    void applyOwnership(Dataset &set);
    // The ownership condition alone: no condition for an administrator, SUser = user otherwise.
    Condition ownershipCondition();

    Dataset *dataset(const QString &name) const; // by name, without letter case
    const std::vector<Dataset *> &datasets() const { return m_all; }

private:
    // A store of an older format is brought up to date before any dataset reads it.
    void bringUpToDate();

    Connection m_db;
    std::function<void(int, int)> m_upgradeProgress;
    std::vector<Dataset *> m_all;
    Dataset *make(const char *name);

public:
    // record sets
    Dataset &tblCustomers, &tblLinkmans, &tblCustomerState, &tblCustomerAddInfo, &tblOperates;
    Dataset &tblCustomers2, &tblLinkmans2, &tblOperates2, &tblOperateDetail, &tblOperateDetail1;
    Dataset &tblOperaters, &qryPlan, &qryLinkmans1, &qryLinkmans3, &qryCustomers1, &qryCustLookup;
    Dataset &qryPubQuery, &qryGathering, &qryPayment, &qryAssignUpdate;
    // analyses
    Dataset &qryChartRegion, &qryChartTime, &qryChartLevel, &qryChartCustOrigin, &qryChartCustState;
    Dataset &qryChartVocation, &qryChartOperateOrigin, &qryChartOperateType, &qryChartOperateSort;
    Dataset &qryChartCustomerSort, &qryChartOperaterSort, &qryChartPayment, &qryChartGathering;
    Dataset &qryChartInOut;
    // dictionaries
    Dataset &tblCountry, &tblCustDist, &tblCustLevel, &tblCustOrigin, &tblCustState, &tblVocation;
    Dataset &tblOperateType, &tblOperateOrigin, &tblOperateState, &tblDepartment, &tblFinanceOrgan;
    Dataset &tblCurrencyRate, &tblColor;
    // system
    Dataset &tblUser, &tblUserRight, &tblUserInfo, &tblLog, &tblBoard, &qryLogClear, &qryDelUserRight;
};

} // namespace store
