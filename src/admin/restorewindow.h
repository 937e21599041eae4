#pragma once

#include "storepathdialog.h"

#include <exception>

// TfrmRestore: puts a backup copy in the place of the store. The chosen file must hold a
// store of ours before anything is touched; the store as it was is kept in the day folder;
// the data file is replaced in one step once its successor is complete, so it is never lost.
// Afterwards the connection opens again and the rights are read from the restored store.
class RestoreWindow : public StorePathDialog
{
    Q_OBJECT
  public:
    explicit RestoreWindow(store::DataModule &dm, QWidget *parent = nullptr);

    // "...": an open dialog in the backup folder.
    void choosePath();
    // "恢复": true when the chosen copy is the store now.
    bool restore();

  private:
    bool checkChoice(const QString &location, const QString &chosen);
    // Each null when it worked, else the failure, shown once the progress is out of sight.
    std::exception_ptr replaceStore(const QString &location, const QString &prepared);
    std::exception_ptr reopenStore(const QString &location);
};
