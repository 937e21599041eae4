#pragma once

#include <QString>
#include <optional>

namespace store
{

class DataModule;
class Dataset;

// The rows that keep a business agent: its contacts, the contact records that name it as agent
// or as linked agent, its agent-contact entries, its other information and its schedule
// entries, of every user. An agent with any of them is neither deleted nor given another code.
enum class AgentReference { Contacts, Records, AgentContacts, OtherInfo, Schedule };

// The first kind of row, in the order above, that refers to the agent code; nothing when none
// does. Runs on the shared query qryPubQuery with the code bound as a value.
std::optional<AgentReference> firstAgentReference(DataModule &dm, const QString &custId);

// What a kind of reference is called in messages ("联系人资料", "业务资料", ...).
QString agentReferenceName(AgentReference kind);

// Why an agent whose code `before` is being changed to `after` may not take it: rows still refer
// to the old code and would be left pointing at no agent. Nothing when the change may be stored
// (no references, or only the letter case changes, which every comparison ignores).
std::optional<QString> agentCodeChangeRefusal(DataModule &dm, const QString &before,
                                              const QString &after);

// Refuses (StoreError) to store an agent row whose code change agentCodeChangeRefusal refuses,
// whichever way the row is posted. Installed as a before-post rule on both agent sets.
void guardAgentCodeChange(DataModule &dm, Dataset &agents);

} // namespace store
