#pragma once

struct Workspace;

// Attaches the administration windows to their main-window commands: user management
// (with the rights window inside it), the server settings, the operation log and the
// organisation's own data. The commands themselves log, test the administrator flag and
// prepare their folders before the window opens.
void installAdmin(Workspace &ws);
