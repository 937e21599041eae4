#pragma once

#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class DataGrid;
class QAction;
class QTabWidget;
class QToolBar;
class ReferrerForm;
class ReferrerRules;
struct Workspace;

namespace store
{
class Dataset;
}

// TfrmOperaters: the referrer module, hosted by the main window. The list tab shows every
// referrer of tblOperaters (as the last search lets through) and starts adding, changing,
// deleting, searching, printing and the e-mail export; the details tab edits the current
// referrer, lists the contact records that name it and keeps its employment status.
class ReferrersWindow : public QWidget
{
    Q_OBJECT
  public:
    explicit ReferrersWindow(Workspace &ws, QWidget *parent = nullptr);
    ~ReferrersWindow() override;

    QAction *action(const QString &name) const;
    QTabWidget *pages() const { return m_pages; }
    QWidget *listPage() const { return m_listPage; }
    QWidget *detailPage() const { return m_detailPage; }
    DataGrid *grid() const { return m_grid; }
    ReferrerForm *form() const { return m_form; }

  protected:
    void hideEvent(QHideEvent *event) override;

  private:
    QAction *command(QWidget *page, QToolBar *bar, const char *name, const QString &caption,
                     const QString &shortcut, const QString &log, std::function<bool()> enabled,
                     std::function<void()> work, const char *buttonName = nullptr);
    std::function<bool()> right(const char *flag) const;
    void buildListPage();
    void buildDetailPage();
    void buildStatusCommands();
    store::Dataset &referrers() const;
    store::Dataset &records() const;

    // List tab, in toolbar order.
    void insertReferrer();
    void modifyReferrer();
    void refresh();
    void query();
    void exportEmail();
    void selectRow();

    // Details tab, in toolbar order.
    void addReferrer();
    void deleteReferrer();
    void cancelEdit();

    void useWholeWindow();
    void showDetails();
    bool clearRecords();
    bool showRecordsOfCurrent();
    QString currentCode() const;

    Workspace &m_ws;
    QTabWidget *m_pages;
    QWidget *m_listPage;
    QWidget *m_detailPage;
    DataGrid *m_grid = nullptr;
    ReferrerForm *m_form = nullptr;
    std::unique_ptr<ReferrerRules> m_rules;
    QHash<QString, QAction *> m_actions;
    bool m_commandSwitch = false; // a command, not the user's click, turns to the details tab
    // The record list's order before this window ordered it by code, to be given back.
    std::optional<std::pair<QString, Qt::SortOrder>> m_recordOrder;
};
