#pragma once

#include <QHash>
#include <QWidget>
#include <functional>

class DbLineEdit;
class DbLookupCombo;
class EnterChain;
class QAction;
struct Workspace;

// 其他资料: the current agent's bank and VAT data, the first tblCustomerAddInfo row of the agent,
// edited in place. The fields are always editable: typing into one starts editing the row, or
// starts the agent's row when it has none yet, as 修改 does.
class AgentOtherInfoPage : public QWidget
{
    Q_OBJECT
  public:
    // `storeAgent` stores a new agent, or one whose code is being changed, before its row is
    // started: the row takes the agent's code.
    AgentOtherInfoPage(Workspace &ws, std::function<bool()> storeAgent, QWidget *parent = nullptr);

    QAction *action(const QString &name) const { return m_actions.value(name); }
    DbLookupCombo *bank() const { return m_bank; }
    DbLineEdit *field(const QString &column) const { return m_fields.value(column); }
    EnterChain *enterChain() const { return m_chain; }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    bool ensureRow();
    void modify();
    void save();
    void remove();

    Workspace &m_ws;
    std::function<bool()> m_storeAgent;
    DbLookupCombo *m_bank;
    QHash<QString, DbLineEdit *> m_fields;
    EnterChain *m_chain;
    QHash<QString, QAction *> m_actions;
};
