// The main window's module commands: what each prepares before its panel is shown, which
// document folder it shows, and the switch itself.
#include "mainwindow.h"

#include "datamodule.h"
#include "filepanel.h"
#include "ledgerquery.h"
#include "messagebox.h"
#include "pendingedit.h"
#include "recordfolders.h"
#include "schedulepanel.h"
#include "session.h"

#include <QAction>
#include <QStackedWidget>

using store::Dataset;

namespace
{

const QString PageBusiness = QStringLiteral("业务管理");

// A set whose row a window keeps in editing (the user's answer, or a check of its 保存) is
// left as it stands: its filter is not touched and it is not read again, so the row is neither
// stored unchecked nor lost.
void own(store::DataModule &dm, Dataset &set)
{
    if (PendingEdit::settle(set))
        dm.applyOwnership(set);
}

void unfilter(Dataset &set)
{
    if (set.isFiltered() && PendingEdit::settle(set))
        set.clearFilter();
}

QString currentText(const Dataset &d, const char *field)
{
    return d.isOpen() && d.currentRow() >= 0 ? d.text(QLatin1String(field)) : QString();
}

} // namespace

// What a module command prepares before its panel is shown.
struct MainWindow::Module {
    QString command;
    QString page;
    std::function<void()> prepare;
    enum class Panel { Hide, HideKeepCheck, Show, Unchanged } filePanel = Panel::Hide;
    std::function<void()> folder;
};

void MainWindow::openEach(std::initializer_list<Dataset *> sets)
{
    for (Dataset *d : sets)
        d->open();
}

void MainWindow::openDictionaries()
{
    openEach({&m_dm.tblCountry, &m_dm.tblCustDist, &m_dm.tblVocation, &m_dm.tblCustOrigin,
              &m_dm.tblCustLevel, &m_dm.tblCustState, &m_dm.tblOperateOrigin, &m_dm.tblOperateType,
              &m_dm.tblOperateState, &m_dm.tblCurrencyRate});
}

void MainWindow::showRecordFolder(const QString &code)
{
    const QString files = store::session().FilesDir;
    RecordFolders::ensure(files);
    if (code.isEmpty()) {
        showFolder(files);
        return;
    }
    const auto folder = RecordFolders::folderFor(code);
    if (!folder) {
        showFolder(files);
        MessageBox::warning(this, RecordFolders::refusalText(code));
        return;
    }
    RecordFolders::ensure(*folder);
    showFolder(*folder);
}

void MainWindow::switchModule(const Module &m)
{
    if (m.prepare)
        m.prepare();
    switch (m.filePanel) {
    case Module::Panel::Hide:
        setFilePanelVisible(false);
        action(QStringLiteral("N_FilePanel"))->setChecked(false);
        break;
    case Module::Panel::HideKeepCheck:
        setFilePanelVisible(false);
        break;
    case Module::Panel::Show:
        setFilePanelVisible(true);
        action(QStringLiteral("N_FilePanel"))->setChecked(true);
        break;
    case Module::Panel::Unchanged:
        break;
    }
    setNavigationPage(m.page);
    if (QWidget *panel = m_modules.value(m.command))
        showContent(panel);
    else if (m.command == QLatin1String("Act_Plan"))
        showContent(m_schedule);
    else
        showContent(placeholder(m.command)); // never the previous module's panel
    if (m.folder)
        m.folder();
    openWindow(m.command);
}

// A module of the business page over agents' rows: the dictionaries, each of `owned` limited
// to the user's own rows, each of `whole` without a filter, then what `prepare` does; a click
// shows the document folder of the agent of `folderSet`'s current row.
void MainWindow::switchAgentModule(const QString &command, const Dataset &folderSet,
                                   const char *agentField, std::initializer_list<Dataset *> owned,
                                   std::initializer_list<Dataset *> whole,
                                   std::function<void()> prepare)
{
    const QList<Dataset *> ownedSets(owned), wholeSets(whole);
    store::DataModule &dm = m_dm;
    switchModule(
        {command, PageBusiness,
         [this, &dm, ownedSets, wholeSets, prepare = std::move(prepare)] {
             openDictionaries();
             for (Dataset *set : ownedSets)
                 own(dm, *set);
             for (Dataset *set : wholeSets)
                 unfilter(*set);
             prepare();
         },
         Module::Panel::Hide,
         [this, &folderSet, agentField] { showRecordFolder(currentText(folderSet, agentField)); }});
}

void MainWindow::showAgents(const QString &command)
{
    store::DataModule &dm = m_dm;
    switchAgentModule(command, dm.tblCustomers, "CustId", {&dm.tblCustomers, &dm.tblCustomers2},
                      {&dm.tblOperates, &dm.tblOperaters}, [this, &dm] {
                          openEach({&dm.tblLinkmans, &dm.tblOperates, &dm.tblCustomerState,
                                    &dm.tblCustomerAddInfo, &dm.tblOperaters, &dm.qryCustomers1,
                                    &dm.tblOperates2});
                      });
}

void MainWindow::showContacts(const QString &command)
{
    store::DataModule &dm = m_dm;
    switchAgentModule(command, dm.qryLinkmans1, "CustID", {&dm.tblCustomers2}, {}, [this, &dm] {
        // An administrator's list keeps the statement it has (the last query's result, a
        // contact being typed); anyone else's is the own contacts again.
        Dataset &contacts = dm.qryLinkmans1;
        if (!dm.isAdministrator(store::session().CurrentUserID) && PendingEdit::settle(contacts)) {
            contacts.close();
            contacts.setSql(QStringList{QStringLiteral("select * from tblLinkmans "),
                                        QStringLiteral("where SUser=:SUser")});
            contacts.setParam(QStringLiteral("SUser"), store::session().CurrentUserID);
        }
        contacts.open();
        openEach({&dm.qryCustomers1, &dm.tblLinkmans2, &dm.tblLinkmans, &dm.tblOperaters,
                  &dm.tblOperates2, &dm.tblOperates});
    });
}

void MainWindow::showReferrers(const QString &command)
{
    store::DataModule &dm = m_dm;
    switchModule(
        {command, PageBusiness,
         [this, &dm] {
             unfilter(dm.tblOperaters);
             openEach({&dm.tblDepartment, &dm.qryCustomers1, &dm.tblCustomers2, &dm.tblOperaters});
         },
         Module::Panel::Hide,
         [this, &dm] {
             const QString parent = store::session().FilesDir + QStringLiteral("Operaters");
             RecordFolders::ensure(parent);
             const QString id = currentText(dm.tblOperaters, "OperaterID");
             const auto folder =
                 id.isEmpty() ? std::optional<QString>() : RecordFolders::referrerFolder(id);
             if (folder) {
                 RecordFolders::ensure(*folder);
                 showFolder(*folder);
             } else {
                 showFolder(parent);
             }
         }});
}

void MainWindow::showRecords(const QString &command)
{
    store::DataModule &dm = m_dm;
    switchAgentModule(command, dm.tblOperates2, "CustID", {&dm.tblCustomers2, &dm.tblOperates2},
                      {&dm.tblLinkmans2, &dm.tblOperaters}, [this, &dm] {
                          openEach({&dm.qryCustomers1, &dm.tblCustomers, &dm.tblLinkmans2,
                                    &dm.tblOperaters, &dm.tblLinkmans, &dm.tblOperates,
                                    &dm.tblOperateDetail});
                      });
}

void MainWindow::showSchedule(const QString &command)
{
    store::DataModule &dm = m_dm;
    switchModule({command, PageBusiness,
                  [this, &dm] {
                      openDictionaries();
                      own(dm, dm.tblCustomers2);
                      dm.qryCustomers1.open();
                      if (PendingEdit::settle(dm.qryPlan)) {
                          dm.qryPlan.close();
                          dm.qryPlan.clearFilter();
                          dm.qryPlan.setSql(QStringLiteral("select * from tblPlan"));
                      }
                      dm.qryPlan.open();
                  },
                  Module::Panel::Show,
                  [this] {
                      const QString plans = store::session().FilesDir + QStringLiteral("Plans");
                      RecordFolders::ensure(plans);
                      showFolder(plans);
                  }});
}

// 应收账款 and 应付账款: the ledger's statement is built again over every due date.
void MainWindow::showLedger(const QString &command)
{
    const bool receivables = command == QLatin1String("Act_Gathering");
    switchModule({command,
                  PageBusiness,
                  [this, receivables] {
                      LedgerQuery::open(receivables ? m_dm.qryGathering : m_dm.qryPayment,
                                        receivables);
                  },
                  Module::Panel::HideKeepCheck,
                  {}});
}

void MainWindow::showAnalysis(const QString &command)
{
    switchModule({command, QStringLiteral("图表分析"), {}, Module::Panel::HideKeepCheck, {}});
}

void MainWindow::showMail(const QString &command)
{
    store::DataModule &dm = m_dm;
    switchModule({command,
                  QStringLiteral("系统设置"),
                  [this, &dm] {
                      dm.tblCustomers2.open();
                      dm.qryLinkmans3.close();
                      dm.qryLinkmans3.setSql(QStringLiteral("select * from tblLinkmans"));
                      dm.qryLinkmans3.open();
                      setNavigationVisible(false);
                  },
                  Module::Panel::Unchanged,
                  {}});
}
