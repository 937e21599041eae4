#pragma once

#include <QStringList>

class MainWindow;

// Start-up of the program: the command line, then splash, folders, store, login and the
// main window in their fixed order.
namespace Application {

int main(int argc, char *argv[]);

// Every module window, built and attached to its command of the main window.
void installModules(MainWindow &main);

struct Options
{
    QString dir;      // --dir: another program directory
    QString newStore; // --new-store: make a store there and exit
    bool sample = false; // --sample: ... with a small book in it
    bool backup = false; // --backup DEST: an unattended backup into the folder DEST
    QString backupDest;
    int keep = 0; // --keep N: only the newest N backups stay in DEST
    bool help = false;
    QString error;
};
Options parse(const QStringList &arguments);

} // namespace Application
