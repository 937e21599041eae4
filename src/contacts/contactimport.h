#pragma once

#include "importlist.h"

// The contact list as the import fills it: its fields under the captions of the list and the
// editor, the agent named by its code or name (an agent the user sees).
importing::ImportList contactImportList();
