#pragma once

#include <QHash>
#include <QWidget>
#include <functional>

class DataGrid;
class QAction;
class QTabWidget;
class QToolBar;
class ScheduleForm;
struct Workspace;

namespace store
{
class Dataset;
}

// PnClient: the schedule, the main window's own panel and what its host area shows at start.
// The list tab shows the entries of qryPlan (every one, or the span the last 查询 asked for);
// the details tab edits one entry with its agent, the agent's records and contact entries.
class SchedulePanel : public QWidget
{
    Q_OBJECT
  public:
    explicit SchedulePanel(Workspace &ws, QWidget *parent = nullptr);

    QAction *action(const QString &name) const;
    QTabWidget *pages() const { return m_pages; }
    QWidget *listPage() const { return m_listPage; }
    QWidget *detailPage() const { return m_detailPage; }
    DataGrid *grid() const { return m_grid; }
    ScheduleForm *form() const { return m_form; }

    // The file panel stands over the right edge of the main window, this wide; the details
    // keep clear of it while it is shown (0: it is not), so none of their inputs and buttons
    // lies under it.
    void keepClearOnTheRight(int width);

  private:
    QAction *command(QWidget *page, QToolBar *bar, const char *name, const QString &caption,
                     const QString &shortcut, const QString &log, std::function<bool()> enabled,
                     std::function<void()> work, const char *buttonName = nullptr);
    std::function<bool()> right(const char *flag) const;
    void buildListPage();
    void buildDetailPage();
    store::Dataset &entries() const;

    // List tab, in toolbar order.
    void insertEntry();
    void modifyEntry();
    void refresh();
    void query();

    // Details tab, in toolbar order.
    void addEntry();
    bool save();
    void deleteEntry();
    void cancelEdit();

    void pickAgent();
    void chooseDepartment();
    void showRecord();
    void showContactEntry();
    void openAgentLists();

    void openLookups();
    void useWholeWindow();
    void showDetails();
    void showPlansFolder();

    Workspace &m_ws;
    QTabWidget *m_pages;
    QWidget *m_listPage;
    QWidget *m_detailPage;
    DataGrid *m_grid = nullptr;
    ScheduleForm *m_form = nullptr;
    QHash<QString, QAction *> m_actions;
};
