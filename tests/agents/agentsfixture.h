#pragma once

#include "agentswindow.h"
#include "commandenabler.h"
#include "datagrid.h"
#include "datamodule.h"
#include "rights.h"
#include "teststore.h"
#include "testwidgets.h"
#include "workspace.h"

#include <QStringList>
#include <QVariant>

// One seat on a fresh store, signed in as `user` (Admin, or a user the test adds first with
// addSeatUser), with the data module opened as at start-up, the right test, command enabling
// and a recording host: the workspace the agent windows are built on.
class AgentsFixture
{
  public:
    explicit AgentsFixture(const QString &engine, const QString &user = QStringLiteral("Admin"));

    testsupport::TempStore store;
    store::DataModule dm;
    Rights rights;
    CommandEnabler enabler;
    testsupport::RecordingHost host;
    Workspace ws{dm, rights, enabler, host};

    // Signs in another user (added with testsupport::addUser beforehand) and rereads rights.
    void signIn(const QString &user);
    // Prepares the agent sets as the agents module command does (dictionaries open, ownership
    // filter on tblCustomers and tblCustomers2, related sets open).
    void openAgentsModule();

    // Adds an agent row directly in the store, owned by `owner`.
    void addAgent(const QString &code, const QString &name,
                  const QString &owner = QStringLiteral("Admin"), const QVariantMap &more = {});
    // An agent whose required fields (trade, origin, level, state, creation date) are filled,
    // so that 保存 on it passes every check.
    void addCompleteAgent(const QString &code, const QString &name,
                          const QString &owner = QStringLiteral("Admin"));
    QVariant scalar(const QString &sql, const QVariantList &values = {});
    // Rows of tblLog with this operation text.
    int logCount(const QString &operate);
    // Operation texts of the log, oldest first.
    QStringList logRows();
    // Sets one flag of the signed-in user's right row through the shared tblUserRight.
    void setRightFlag(const QString &rightId, const QString &flag, bool on);
};

class AgentForm;
class QComboBox;

// Picks the item with this text in a choice list, as a click in its list would.
void choose(QComboBox *combo, const QString &text);
// Types a code and a name and picks the four required choices and a creation date, so that
// every required field of the form shows something. Empty texts are left untyped.
void fillAgent(AgentForm *form, const QString &code, const QString &name);

// Resets the recorded message boxes, file dialogs, desktop calls and previews.
void resetScripts();

// The agent window on a fixture, shown and active as the agents module shows it.
struct ShownAgentsWindow {
    explicit ShownAgentsWindow(AgentsFixture &f);
    AgentsWindow w;
    store::Dataset &agents() { return *w.grid()->dataset(); }
};
// Texts of the message boxes shown since the last reset.
QStringList shownTexts();
