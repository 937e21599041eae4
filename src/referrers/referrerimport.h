#pragma once

#include "importlist.h"

// The referrer list as the import fills it: its fields under the captions of the list and the
// editor, the pick lists of sex, education and state, the checks of a new referrer.
importing::ImportList referrerImportList();
