#pragma once

#include "contentlines.h"

// The contact list as a vCard 4.0 file: one card per contact of the list, in the list's order
// and filter. A card's UID is a name-based UUID of the contact code, the same in every export,
// so an address book that reads the file again updates its cards instead of doubling them.
namespace ContactCard
{

ContentLines::Export cardExport();

} // namespace ContactCard
