#pragma once

struct Workspace;

// Builds the referrer window once and hosts it as the content of the referrers module command
// (Act_Operaters); the main window writes that command's log row, lifts the search and prepares
// the datasets.
void installReferrers(Workspace &ws);
