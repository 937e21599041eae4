#include "filelistmodel.h"

#include "messagebox.h"

#include <QDir>
#include <QFileInfo>

FileListModel::FileListModel(bool renamable, QObject *parent) : QFileSystemModel(parent)
{
    setReadOnly(!renamable);
    setFilter(QDir::AllEntries | QDir::AllDirs | QDir::NoDotAndDotDot);
}

QString FileListModel::renameRefusal(const QString &folder, const QString &oldName,
                                     const QString &newName)
{
    if (newName == QLatin1String(".") || newName == QLatin1String("..") ||
        newName.contains(QLatin1Char('/')) || newName.contains(QLatin1Char('\\')) ||
        newName.contains(QChar(0)))
        return QStringLiteral("文件名“%1”含有不能用作文件名的字符（/ \\ 等），请修改。")
            .arg(newName);
    // On a file system that ignores letter case a name differing only in case is the entry
    // itself, which may be renamed; any other existing entry of that name is never replaced.
    const QDir dir(folder);
    if (dir.exists(newName) && QFileInfo(dir.filePath(newName)).canonicalFilePath() !=
                                   QFileInfo(dir.filePath(oldName)).canonicalFilePath())
        return QStringLiteral("已经有名为“%1”的文件或文件夹，不能重命名！").arg(newName);
    return {};
}

bool FileListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != 0 || isReadOnly())
        return QFileSystemModel::setData(index, value, role);
    const QString oldName = fileName(index);
    const QString newName = value.toString();
    if (newName.isEmpty() || newName == oldName)
        return false;
    const QString folder = fileInfo(index).absolutePath();
    const QString refusal = renameRefusal(folder, oldName, newName);
    if (!refusal.isEmpty()) {
        MessageBox::warning(nullptr, refusal);
        return false;
    }
    if (!QFileSystemModel::setData(index, value, role)) {
        MessageBox::warning(nullptr,
                            QStringLiteral("“%1”不能重命名为“%2”。").arg(oldName, newName));
        return false;
    }
    return true;
}
