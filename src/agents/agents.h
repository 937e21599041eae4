#pragma once

struct Workspace;

// Builds the agent window once and hosts it as the content of the agents module command
// (Act_Customers); the main window writes that command's log row and prepares its datasets.
void installAgents(Workspace &ws);
