#pragma once

#include "importlist.h"

#include <QHash>
#include <QString>
#include <functional>
#include <optional>

class QAction;
class QToolBar;
class QWidget;
struct Workspace;

// What a list window tells the import about itself.
struct ImportHook {
    QString right; // the module's right code; 导入... needs its Insert flag (updating, Modify)
    QString log;   // the command's operation-log text
    importing::ImportList list;
    // The document folder of a new row's code, made after the rows are stored (agents).
    std::function<std::optional<QString>(const QString &code)> folderFor;
    // Shows the stored rows in the list.
    std::function<void()> refresh;
};

// The list page's "导入..." command (objectName "Act_Import") on its tool bar: it writes its log
// row, asks for an XLSX or CSV file and leads through the import wizard.
QAction *addImportCommand(QWidget *page, QToolBar *bar, QHash<QString, QAction *> &actions,
                          Workspace &ws, ImportHook hook);
