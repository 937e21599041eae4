#pragma once

#include <QHash>
#include <QWidget>
#include <functional>

class AgentForm;
class AgentRules;
class DataGrid;
class QAction;
class QTabWidget;
class QToolBar;
struct Workspace;

namespace store
{
class Dataset;
}

// TfrmCustomers: the business-agent module, hosted by the main window. The list page shows the
// agents of tblCustomers (as the ownership filter and the last query let through) and starts
// adding, changing, deleting, printing and the e-mail export; the detail page edits the
// current agent and holds the pages of the agent's related rows below its fields.
class AgentsWindow : public QWidget
{
    Q_OBJECT
  public:
    explicit AgentsWindow(Workspace &ws, QWidget *parent = nullptr);
    ~AgentsWindow() override;

    QAction *action(const QString &name) const;
    QTabWidget *pages() const { return m_pages; }
    QWidget *listPage() const { return m_listPage; }
    QWidget *detailPage() const { return m_detailPage; }
    DataGrid *grid() const { return m_grid; }
    AgentForm *form() const { return m_form; }
    // The pages of the agent's contacts, contact records, agent contacts and other information.
    QTabWidget *relatedPages() const { return m_related; }
    // Before a row is added on one of those pages: the agent stored under the code it shows
    // (a new agent, or a changed code, through 保存 and its checks). False when it is not.
    bool storeForRelatedRows();

  private:
    QAction *command(QWidget *page, QToolBar *bar, const char *name, const QString &caption,
                     const QString &shortcut, const QString &log, std::function<bool()> enabled,
                     std::function<void()> work);
    void buildListPage();
    void buildDetailPage();
    store::Dataset &agents() const;

    // List page, in toolbar order.
    void insertAgent();
    void modifyAgent();
    void refresh();
    void query();
    void print();
    void exportEmail();
    void selectRow();
    void showDetailForEditing();
    void showAgentFolder();

    // Detail page, in toolbar order.
    void addAgent();
    void cancelEdit();

    Workspace &m_ws;
    QTabWidget *m_pages;
    QWidget *m_listPage;
    QWidget *m_detailPage;
    DataGrid *m_grid = nullptr;
    AgentForm *m_form = nullptr;
    QTabWidget *m_related = nullptr;
    std::unique_ptr<AgentRules> m_rules;
    QHash<QString, QAction *> m_actions;
};
