#pragma once

#include "gridcolumn.h"

#include <QHash>
#include <QList>
#include <QWidget>
#include <functional>
#include <memory>

class AgentSummary;
class DataGrid;
class QAction;
class QTabWidget;
class QToolBar;
class RecordForm;
class RecordItemsPage;
class RecordRules;
struct Workspace;

namespace store
{
class Dataset;
}

// TfrmOperates ("历次联络记录"): the contact-record module, hosted by the main window. The list
// tab shows the records of tblOperates2 as the ownership filter and the last search let
// through, sorted by title at first; the details tab edits the current record, with its
// detail items and the details of its agent on two pages below the fields.
class RecordsWindow : public QWidget
{
    Q_OBJECT
  public:
    explicit RecordsWindow(Workspace &ws, QWidget *parent = nullptr);
    ~RecordsWindow() override;

    QAction *action(const QString &name) const;
    QTabWidget *pages() const { return m_pages; }
    QWidget *listPage() const { return m_listPage; }
    QWidget *detailPage() const { return m_detailPage; }
    DataGrid *grid() const { return m_grid; }
    RecordForm *form() const { return m_form; }

    // The columns of the record list, also shown by other windows' record pages.
    static QList<GridColumn> listColumns();
    RecordItemsPage *itemsPage() const { return m_items; }
    QTabWidget *detailTabs() const { return m_detailTabs; }

  private:
    QAction *command(QWidget *page, QToolBar *bar, const char *name, const QString &caption,
                     const QString &shortcut, const QString &log, std::function<bool()> enabled,
                     std::function<void()> work);
    void buildListPage();
    void buildDetailPage();
    void pageChanged();
    void followRecordAgent();
    store::Dataset &records() const;

    // List tab, in toolbar order.
    void insertRecord();
    void modifyRecord();
    void refresh();
    void query();
    void showDetailForEditing();

    // Details tab.
    void addRecord();
    void pickAgent(const QString &target);

    Workspace &m_ws;
    QTabWidget *m_pages;
    QWidget *m_listPage;
    QWidget *m_detailPage;
    DataGrid *m_grid = nullptr;
    RecordForm *m_form = nullptr;
    RecordItemsPage *m_items = nullptr;
    AgentSummary *m_agent = nullptr;
    QTabWidget *m_detailTabs = nullptr;
    std::unique_ptr<RecordRules> m_rules;
    QHash<QString, QAction *> m_actions;
    // The record agent the agent list was last moved onto.
    QString m_followed;
};
