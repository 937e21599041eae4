#pragma once

#include "storepathdialog.h"

// TfrmBackup: copies the store to a file the user chooses and, the first time each day, to the
// day folder. Every copy is a consistent one taken while other seats go on working, checked
// before it counts; a copy that fails is reported and never followed by the success message.
class BackupWindow : public StorePathDialog
{
    Q_OBJECT
  public:
    explicit BackupWindow(store::DataModule &dm, QWidget *parent = nullptr);

    // "...": a save dialog in the backup folder.
    void choosePath();
    // "备份": true when both copies were made.
    bool backup();

  private:
    bool makeCopies(const QString &target);
};
