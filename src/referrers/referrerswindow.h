#pragma once

#include "recordwindow.h"

#include <memory>
#include <optional>
#include <utility>

class ReferrerForm;
class ReferrerRules;

// TfrmOperaters: the referrer module, hosted by the main window. The list tab shows every
// referrer of tblOperaters (as the last search lets through) and starts adding, changing,
// deleting, searching, printing and the e-mail export; the details tab edits the current
// referrer, lists the contact records that name it and keeps its employment status.
class ReferrersWindow : public RecordWindow
{
    Q_OBJECT
  public:
    explicit ReferrersWindow(Workspace &ws, QWidget *parent = nullptr);
    ~ReferrersWindow() override;

    ReferrerForm *form() const { return m_form; }

  protected:
    void hideEvent(QHideEvent *event) override;
    void pageChanged(bool details) override;
    void revealPending() override;

  private:
    void buildStatusCommands();
    store::Dataset &records() const;

    void insertReferrer();
    void modifyReferrer();
    void refresh();
    void query();
    void addReferrer();
    void deleteReferrer();

    bool clearRecords();
    bool showRecordsOfCurrent();
    QString currentCode() const;

    ReferrerForm *m_form = nullptr;
    std::unique_ptr<ReferrerRules> m_rules;
    // The record list's order before this window ordered it by code, to be given back.
    std::optional<std::pair<QString, Qt::SortOrder>> m_recordOrder;
};
