#pragma once

#include <QWidget>

class FolderView;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QModelIndex;
class QTreeView;

// The folder choice of the new-file and paste dialogs: a drive list and a folder tree
// (a double-click chooses), the chosen folder's path, and a listing of its content. Opening a
// folder in the listing chooses it as well. Every choice is announced, so the file panel can
// follow it.
class FolderChooser : public QWidget
{
    Q_OBJECT
  public:
    FolderChooser(const QString &caption, const QString &start, QWidget *parent = nullptr);

    QString folder() const;
    // Chooses `path` as a double-click on it in the tree would.
    void chooseFolder(const QString &path);

    QComboBox *drives() const { return m_drives; }
    QTreeView *tree() const { return m_tree; }
    QLabel *pathLabel() const { return m_path; }
    FolderView *listing() const { return m_listing; }

  Q_SIGNALS:
    void folderChosen(const QString &path);

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void showInTree(const QString &path);
    void showPath(const QString &path);
    void treeActivated(const QModelIndex &index);

    QComboBox *m_drives = nullptr;
    QTreeView *m_tree = nullptr;
    QFileSystemModel *m_dirs = nullptr;
    QLabel *m_path = nullptr;
    FolderView *m_listing = nullptr;
};
