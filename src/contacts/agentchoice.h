#pragma once

#include "dataset.h"

#include <QComboBox>
#include <QPointer>

class DatasetModel;
class FieldLink;
class FindPopup;
class QListView;

// The agent of a contact chosen by name: the list is the agent set (tblCustomers2) as it is
// filtered now, the field stores the chosen agent's code (CustID). Showing a contact moves the
// agent set to the contact's agent, as the list's own cursor; a code that no listed agent has
// shows nothing.
//
// The agent is looked for when the contact or its agent code changes, or the agent rows are
// read again; a contact merely starting to edit does not move the agent set (a picker that is
// about to fill the field reads the agent set's current row).
//
// The agent set may hold a hundred thousand agents: the list reads only the rows in view, and
// the drop-down shows a fixed number of them, so the choice costs the same for ten agents and
// for all of them.
class AgentChoice : public QComboBox
{
    Q_OBJECT
  public:
    explicit AgentChoice(QWidget *parent = nullptr);

    void bind(store::Dataset *contacts, const QString &field);
    void setAgents(store::Dataset *agents);
    store::Dataset *agents() const { return m_agents; }
    FieldLink *link() const { return m_link; }

    // Chooses the agent on this row of the agent set, as a click in the drop-down does.
    void choose(int agentRow);
    // Finds the contact's agent in the agent set again and makes it current there (after
    // another window moved the agent set, a picker for one).
    void relocate();

    void showPopup() override;
    void hidePopup() override;
    QListView *popupList() const { return m_popup; }
    // Typing into the closed list finds agents by code or name (nullptr until then).
    FindPopup *finder() const { return m_find; }

  Q_SIGNALS:
    // The agent set was moved to the contact's agent, or the contact has none there.
    void agentShown();

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void refresh();
    void find(const QString &typed);

    FieldLink *m_link;
    QString m_shownCode; // the agent code last looked for
    bool m_stale = true; // the agent must be looked for again, whatever the code
    QPointer<store::Dataset> m_agents;
    DatasetModel *m_model;
    QListView *m_popup = nullptr;
    FindPopup *m_find = nullptr;
};
