#pragma once

struct Workspace;

// Builds the five chart analyses and the two ledgers once and hosts them as the content of
// their main-window commands; the main window writes the commands' log rows and reads the
// ledgers' lists.
void installAnalysis(Workspace &ws);
