#pragma once

struct Workspace;

// Builds the contact window once and hosts it as the content of the contacts module command
// (Act_Linkman); the main window writes that command's log row and prepares its datasets.
void installContacts(Workspace &ws);
