#pragma once

#include "importlist.h"

// The agent list as the import fills it: its fields under the captions of the list and the
// editor, the dictionaries and referrers named by code or name, the checks of a new agent.
importing::ImportList agentImportList();
