#pragma once

#include <QString>
#include <optional>

namespace store
{

class DataModule;

// The rows that keep a business agent: its contacts, the contact records that name it as agent
// or as linked agent, its agent-contact entries, its other information and its schedule
// entries, of every user. An agent with any of them is neither deleted nor given another code.
struct AgentReference {
    enum Kind { Contacts, Records, AgentContacts, OtherInfo, Schedule };
    Kind kind;
};

// The first kind of row, in the order above, that refers to the agent code; nothing when none
// does. Runs on the shared query qryPubQuery with the code bound as a value.
std::optional<AgentReference::Kind> firstAgentReference(DataModule &dm, const QString &custId);

// What a kind of reference is called in messages ("联系人资料", "业务资料", ...).
QString agentReferenceName(AgentReference::Kind kind);

// Refuses (StoreError) to store an agent row whose code was changed while rows still refer to
// the old code: they would be left pointing at no agent. Installed as a before-post rule on
// both agent sets.
void guardAgentCodeChange(DataModule &dm, class Dataset &agents);

} // namespace store
