#include "diskspace.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace store::DiskSpace {

namespace {
// Less than this is a full disk for every purpose here: no file of ours fits in it.
constexpr qint64 Scant = 256 * 1024;
} // namespace

bool isFull(const QString &path)
{
    QFileInfo at(path);
    // The nearest folder that exists: the file (or its folder) may not be there yet.
    while (!at.exists() && at.absolutePath() != at.absoluteFilePath())
        at = QFileInfo(at.absolutePath());
    const QStorageInfo disk(at.isDir() ? at.absoluteFilePath() : at.absolutePath());
    return disk.isValid() && disk.isReady() && disk.bytesAvailable() < Scant;
}

QString writeFailure(const QString &path, const QString &fallback)
{
    if (!isFull(path))
        return fallback;
    return QStringLiteral("磁盘空间不足，无法写入“%1”。请腾出磁盘空间后再试。").arg(QDir::toNativeSeparators(path));
}

QString storeFullText()
{
    return QStringLiteral("数据库所在的磁盘空间不足，这次修改没有保存。请腾出磁盘空间后再试。");
}

} // namespace store::DiskSpace
