#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QLineEdit;
class QPlainTextEdit;

namespace store
{
class Dataset;
}

// The page "商务代理资料" under a contact's fields: the contact's agent, read-only, from the
// current row of the agent set (tblCustomers2) while that row is the contact's agent; empty
// while the contact has no agent there. The agent's e-mail and home page have their own
// 发送邮件 and 打开... buttons.
class AgentPanel : public QWidget
{
    Q_OBJECT
  public:
    // The schedule words two captions its own way: "国家地区", and the code "（唯一代码标识）".
    enum class Wording { Contact, Schedule };
    AgentPanel(store::Dataset &contacts, store::Dataset &agents, Wording wording = Wording::Contact,
               QWidget *parent = nullptr);

    // The text shown for a field of the agent (CustId, CustName, CountryName, ...).
    QString shown(const QString &field) const;

  public Q_SLOTS:
    void refresh();

  private:
    QLineEdit *line(const char *objectName, const char *field);

    store::Dataset &m_contacts;
    store::Dataset &m_agents;
    struct Field {
        QString name;
        QWidget *editor;
    };
    std::vector<Field> m_fields;
    QPlainTextEdit *m_memo;
};
