#pragma once

#include "recordwindow.h"

#include <memory>

class AgentSummary;
class RecordForm;
class RecordItemsPage;
class RecordRules;

// TfrmOperates ("历次联络记录"): the contact-record module, hosted by the main window. The list
// tab shows the records of tblOperates2 as the ownership filter and the last search let
// through, sorted by title at first; the details tab edits the current record, with its
// detail items and the details of its agent on two pages below the fields.
class RecordsWindow : public RecordWindow
{
    Q_OBJECT
  public:
    explicit RecordsWindow(Workspace &ws, QWidget *parent = nullptr);
    ~RecordsWindow() override;

    RecordForm *form() const { return m_form; }

    // The columns of the record list, also shown by other windows' record pages.
    static QList<GridColumn> listColumns();
    RecordItemsPage *itemsPage() const { return m_items; }
    QTabWidget *detailTabs() const { return m_detailTabs; }

  protected:
    void pageChanged(bool details) override;
    void revealPending() override;

  private:
    void buildDetailPage();
    void followRecordAgent();

    void insertRecord();
    void modifyRecord();
    void refresh();
    void query();
    void showDetailForEditing();
    void addRecord();
    void pickAgent(const QString &target);

    RecordForm *m_form = nullptr;
    RecordItemsPage *m_items = nullptr;
    AgentSummary *m_agent = nullptr;
    QTabWidget *m_detailTabs = nullptr;
    std::unique_ptr<RecordRules> m_rules;
    // The record agent the agent list was last moved onto.
    QString m_followed;
};
