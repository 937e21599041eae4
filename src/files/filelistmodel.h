#pragma once

#include <QFileSystemModel>

// The folder listing of the file panel and its dialogs. Renaming in place goes through the
// program's own checks and messages: a name with separators, or one that another entry of the
// folder already has, is refused with a warning before anything on disk is touched.
class FileListModel : public QFileSystemModel
{
    Q_OBJECT
  public:
    explicit FileListModel(bool renamable, QObject *parent = nullptr);

    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Why a new name cannot be used for an entry of `folder`; empty when it can.
    static QString renameRefusal(const QString &folder, const QString &oldName,
                                 const QString &newName);
};
