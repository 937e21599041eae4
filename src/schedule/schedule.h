#pragma once

struct Workspace;

// Attaches the notice board and the work assignment to their main-window commands. The
// schedule panel itself is built by the main window, whose own panel it is.
void installSchedule(Workspace &ws);
