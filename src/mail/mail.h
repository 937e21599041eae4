#pragma once

struct Workspace;

// Builds the group-mail window once and hosts it as the content of Act_Mail, and opens the
// envelope window for Act_Envelop (from the menu, F9, and the file panel's picture), maximised
// and modal. The main window writes the commands' log rows and prepares qryLinkmans3.
void installMail(Workspace &ws);
