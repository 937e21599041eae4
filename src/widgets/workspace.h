#pragma once

class CommandEnabler;
class ModuleHost;
class Rights;

namespace store {
class DataModule;
}

// What every window of a module works with: the data module, the right test, command
// enabling and the main window that hosts it.
struct Workspace
{
    store::DataModule &dm;
    Rights &rights;
    CommandEnabler &enabler;
    ModuleHost &host;
};
