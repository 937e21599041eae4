#pragma once

#include <QString>

class QWidget;
struct Workspace;

// Registers the ten dictionary editors as the windows of the base-data commands (Act_Department
// ... Act_CustOrigin). The main window writes the command's log row and tests its right first.
void installDictionaries(Workspace &ws);

// Opens the dictionary editor of a base-data command ("Act_Country", "Act_CustLevel", ...)
// modally, without a log row and without a right test: the "..." buttons beside the code
// fields of the agent editors open the editors this way. A store error while opening is shown
// by the general error display. False when the command names no editor or it could not open.
bool openDictionaryEditor(Workspace &ws, const QString &command, QWidget *parent);
