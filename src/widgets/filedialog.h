#pragma once

#include <QList>
#include <QString>

class QWidget;

// File open and save dialogs. Tests queue the names a person would choose (an empty name
// cancels) and read back how each dialog was asked for.
class FileDialog
{
  public:
    enum class Kind { Open, Save, Folder };

    struct Call {
        Kind kind = Kind::Open;
        QString caption;
        QString folder;       // start folder
        QString proposedName; // save only
        QString filter;       // e.g. "文本文件 (*.txt);;所有文件 (*)"
        QString defaultSuffix;
    };

    // The chosen existing file, or an empty text when cancelled.
    static QString getOpenFileName(QWidget *parent, const QString &caption, const QString &folder,
                                   const QString &filter);
    // The chosen file name; `defaultSuffix` (without the dot) is added to a name typed without
    // one. Empty when cancelled.
    static QString getSaveFileName(QWidget *parent, const QString &caption, const QString &folder,
                                   const QString &proposedName, const QString &filter,
                                   const QString &defaultSuffix = {});
    // A save dialog over several file types ("Excel 工作簿(*.xlsx);;CSV 文件(*.csv)", the first
    // chosen at the start): the type chosen last decides, and the name gets its extension
    // unless it ends so already. `chosenFilter` receives that type.
    static QString getSaveFileName(QWidget *parent, const QString &caption, const QString &folder,
                                   const QString &proposedName, const QString &filters,
                                   QString *chosenFilter);
    // The extension a filter such as "CSV 文件(*.csv)" stands for, without the dot.
    static QString suffixOf(const QString &filter);
    static QString getExistingDirectory(QWidget *parent, const QString &caption,
                                        const QString &folder);

    // The name with the default suffix added when it has no suffix of its own.
    static QString withDefaultSuffix(const QString &name, const QString &defaultSuffix);

    // Test hooks: names are taken in order; an empty name (or none queued) is a cancel. A
    // save dialog over several file types takes `filter` as the type chosen (the first one
    // when none is given).
    static void setNextFileName(const QString &name, const QString &filter = {});
    static QList<Call> &calls();
    static Call last();
    static void clearHistory();
};
