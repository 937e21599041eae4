#pragma once

#include "datamodule.h"
#include "rights.h"
#include "teststore.h"

#include <QByteArray>

class FolderChooser;
#include <QString>
#include <QStringList>

// A program directory with a new store, the data module opened on it, Admin signed in and
// the right test over tblUserRight: what the file panel is built on in the program.
class FilesFixture
{
  public:
    FilesFixture();

    store::DataModule dm;
    Rights rights;

    QString appDir() const { return m_store.appDir(); }
    // FilesDir without its trailing separator, as the panel reports folders.
    QString filesDir() const;
    // Rows of tblLog with this operation text for the signed-in user.
    int logCount(const QString &operate);

    // Every path below `dir`, relative to it, sorted: a picture of what is on disk.
    static QStringList tree(const QString &dir);
    static bool writeFile(const QString &path, const QByteArray &content);
    static QByteArray readFile(const QString &path);
    static bool makeFolder(const QString &path);
    // Why the chooser's folder tree does not stand open at `folder` (the folder current, every
    // folder above it expanded, its row in view), or empty when it does. The chooser is shown.
    static QString treeOpenAt(FolderChooser *chooser, const QString &folder);

  private:
    testsupport::TempStore m_store;
};
