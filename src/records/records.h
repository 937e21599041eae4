#pragma once

struct Workspace;

// Builds the contact-record window once and hosts it as the content of the record module
// command (Act_OperatesInfo); the main window writes that command's log row, applies the
// ownership rule and prepares its datasets. The quick entry (RecordEntryDialog) needs no
// installing: the windows that offer it open it themselves.
void installRecords(Workspace &ws);
