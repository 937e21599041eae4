#pragma once

#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>

class AgentPanel;
class ContactForm;
class ContactRules;
class DataGrid;
class QAction;
class QTabWidget;
class QToolBar;
struct Workspace;

namespace store
{
class Dataset;
}

// TfrmLinkman: the contact module, hosted by the main window. The list page shows the contacts
// of qryLinkmans1 (every agent's contacts the user may see, as the last statement read them)
// and starts adding, changing, deleting, refreshing, the query, printing and the e-mail export;
// the detail page edits the current contact, its agent chosen from the agent set, with that
// agent shown read-only below.
class ContactsWindow : public QWidget
{
    Q_OBJECT
  public:
    explicit ContactsWindow(Workspace &ws, QWidget *parent = nullptr);
    ~ContactsWindow() override;

    QAction *action(const QString &name) const;
    QTabWidget *pages() const { return m_pages; }
    QWidget *listPage() const { return m_listPage; }
    QWidget *detailPage() const { return m_detailPage; }
    DataGrid *grid() const { return m_grid; }
    ContactForm *form() const { return m_form; }
    AgentPanel *agentPanel() const { return m_agentPanel; }

  private:
    QAction *command(QWidget *page, QToolBar *bar, const char *name, const QString &caption,
                     const QString &shortcut, const QString &log, std::function<bool()> enabled,
                     std::function<void()> work);
    void buildListPage();
    void buildDetailPage();
    store::Dataset &contacts() const;
    QString currentAgentCode() const;

    // List page, in toolbar order.
    void insertContact();
    void modifyContact();
    void refresh();
    void query();
    void exportEmail();
    void selectRow();
    void showDetailForEditing();

    // Detail page, in toolbar order.
    void addContact();
    void saveContact();
    void cancelEdit();
    void pickAgent();

    Workspace &m_ws;
    QTabWidget *m_pages;
    QWidget *m_listPage;
    QWidget *m_detailPage;
    DataGrid *m_grid = nullptr;
    ContactForm *m_form = nullptr;
    AgentPanel *m_agentPanel = nullptr;
    std::unique_ptr<ContactRules> m_rules;
    QHash<QString, QAction *> m_actions;
};
