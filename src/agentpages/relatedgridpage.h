#pragma once

#include <QHash>
#include <QWidget>
#include <functional>

class DataGrid;
class QAction;
class QToolBar;
struct Workspace;

namespace store
{
class DataModule;
class Dataset;
} // namespace store

// A page of an agent's related rows under the agent's fields: a tool bar over a grid of one
// detail set of tblCustomers (every row of the current agent, whoever made it). Its commands
// are governed by the agents' right "301" and have no shortcut keys; a double-click on the
// grid does nothing, since the editing always goes through the page's 修改.
//
// A new row takes the agent's code, so it is started only while the store holds the agent
// under that code: `storeAgent` stores a new agent, or one whose code is being changed, first.
class RelatedGridPage : public QWidget
{
    Q_OBJECT
  public:
    RelatedGridPage(Workspace &ws, store::Dataset &rows, const char *gridName,
                    std::function<bool()> storeAgent, QWidget *parent = nullptr);

    store::Dataset &rows() const { return m_rows; }
    DataGrid *grid() const { return m_grid; }
    QAction *action(const QString &name) const { return m_actions.value(name); }

  protected:
    // The page's usual bar: 新增… under `insertCaption`, 修改, 删除, 刷新 and 打印, named after
    // `suffix` (Act_Insert<suffix>, Act_Modify…, Act_Delete…, spBtnRefresh…, Act_Print…).
    // 打印 writes the agent module's log row for `logName` and shows the rows in `report`.
    struct Commands {
        const char *suffix;
        QString insertCaption;
        std::function<void()> insert, modify, remove;
        QString logName;
        QString report;
    };
    void addCommands(const Commands &c);
    // A command on the bar, enabled by this flag of the agents' right (null: always enabled),
    // writing `log` first when it is given.
    QAction *command(const char *name, const QString &caption, const char *flag, const QString &log,
                     std::function<void()> work);
    // 刷新: the current agent's rows as the store holds them now.
    void addRefresh(const char *name);
    // 删除 of a row nothing refers to: asks `question` and removes the current row on OK.
    // False when there was nothing to delete or the user cancelled.
    bool confirmAndRemove(const QString &question);
    // 删除 of a row other rows name by its code (`codeField` as stored: a row being edited may
    // show another one already): refused with `refusal` where `named` finds such rows of any
    // agent or user, else as confirmAndRemove.
    void removeUnlessNamed(const QString &codeField,
                           const std::function<bool(store::DataModule &, const QString &)> &named,
                           const QString &refusal, const QString &question);
    // 打印: the page's rows in the given layout.
    void print(const QString &layout);
    // Before a new row is started: the agent is held by the store under the code shown. False
    // when storing it stopped at a check or in the store; nothing is to be started then.
    bool agentStored() const { return !m_storeAgent || m_storeAgent(); }

    Workspace &m_ws;

  private:
    store::Dataset &m_rows;
    std::function<bool()> m_storeAgent;
    QToolBar *m_bar;
    DataGrid *m_grid;
    QHash<QString, QAction *> m_actions;
};
