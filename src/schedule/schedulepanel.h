#pragma once

#include "recordwindow.h"

class ScheduleForm;

// PnClient: the schedule, the main window's own panel and what its host area shows at start.
// The list tab shows the entries of qryPlan (every one, or the span the last 查询 asked for);
// the details tab edits one entry with its agent, the agent's records and contact entries.
class SchedulePanel : public RecordWindow
{
    Q_OBJECT
  public:
    explicit SchedulePanel(Workspace &ws, QWidget *parent = nullptr);

    ScheduleForm *form() const { return m_form; }

    // The file panel stands over the right edge of the main window, this wide; the details
    // keep clear of it while it is shown (0: it is not), so none of their inputs and buttons
    // lies under it.
    void keepClearOnTheRight(int width);

  private:
    void buildDetailPage();

    // List tab, in toolbar order.
    void insertEntry();
    void modifyEntry();
    void refresh();
    void query();

    // Details tab, in toolbar order.
    void addEntry();
    bool save();
    void deleteEntry();

    void pickAgent();
    void chooseDepartment();
    void showRecord();
    void showContactEntry();
    void openAgentLists();

    void openLookups();
    void showPlansFolder();

    ScheduleForm *m_form = nullptr;
};
