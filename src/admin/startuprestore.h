#pragma once

namespace store
{
class DataModule;
class StoreError;
} // namespace store

// At start-up, a store that "Server.txt" names but that is damaged: the message names the file
// and asks whether to restore it from a backup; yes opens the restore window.
namespace StartupRestore
{

// True when the store was restored and the data module is connected to it now. Any other
// failure to open the store is shown as it is.
bool offer(store::DataModule &dm, const store::StoreError &error);

} // namespace StartupRestore
