#pragma once

class AgentsWindow;
struct Workspace;

// Fills the four pages under the agent's fields on the detail page of the agent window: the
// agent's contacts, contact records, agent-contact entries and other information. They live
// here, above the agent, contact and record modules, since each hands its editing to one of
// their editors.
void installAgentPages(Workspace &ws, AgentsWindow &window);
