#pragma once

#include "recordwindow.h"

class PlanMonthView;
class PlanSpan;
class QButtonGroup;
class QRadioButton;
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
    PlanSpan *span() const { return m_span; }
    PlanMonthView *calendar() const { return m_calendar; }
    // How the list tab shows the schedule: as the list, or as a month or a week of days.
    enum View { ListView, MonthView, WeekView };
    QRadioButton *viewButton(View view) const;

    // The file panel stands over the right edge of the main window, this wide; the details
    // keep clear of it while it is shown (0: it is not), so none of their inputs and buttons
    // lies under it.
    void keepClearOnTheRight(int width);

  private:
    void buildDetailPage();
    void buildViews();
    void showView(View view);
    // The calendar's double clicks: an entry opened for editing, a new one on a day.
    void openEntry(qint64 planId);
    void addEntryOn(const QDate &day);

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
    PlanSpan *m_span = nullptr;
    PlanMonthView *m_calendar = nullptr;
    QButtonGroup *m_views = nullptr;
};
