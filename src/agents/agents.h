#pragma once

class AgentsWindow;
struct Workspace;

// Builds the agent window once and hosts it as the content of the agents module command
// (Act_Customers); the main window writes that command's log row and prepares its datasets.
// The window is returned for the pages of the agent's related rows to be filled in.
AgentsWindow *installAgents(Workspace &ws);
