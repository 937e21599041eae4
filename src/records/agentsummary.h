#pragma once

#include <QWidget>

namespace store
{
class Dataset;
}

// The read-only page "商务代理资料" of the record editor: the details of the agent on which the
// shared agent list stands, which the editor keeps on the record's agent.
class AgentSummary : public QWidget
{
    Q_OBJECT
  public:
    explicit AgentSummary(store::Dataset &agents, QWidget *parent = nullptr);
};
