#include "programdirectory.h"

#include "newstore.h"
#include "serverfile.h"
#include "storeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace ProgramDirectory
{

QString installedShare()
{
    const QString exe = QCoreApplication::applicationDirPath();
    if (QFileInfo(exe + QStringLiteral("/Data/Report")).isDir())
        return {}; // a program directory of its own
    const QString share = QDir::cleanPath(exe + QStringLiteral("/../share/tessaly"));
    return QFileInfo(share + QStringLiteral("/Data/Report")).isDir() ? share : QString();
}

void prepare(const QString &folder, const QString &share)
{
    const QString appDir = QDir(folder).absolutePath() + QLatin1Char('/');
    if (!QDir().mkpath(appDir))
        throw store::StoreError(
            QStringLiteral("无法创建程序目录“%1”。").arg(QDir::toNativeSeparators(appDir)));
    QDirIterator it(share, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = QDir(appDir).filePath(QDir(share).relativeFilePath(from));
        if (QFileInfo::exists(to))
            continue;
        QDir().mkpath(QFileInfo(to).absolutePath());
        if (QFile::copy(from, to))
            QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
    }
    bool hasServerFile = false;
    store::ServerFile::readFirstLine(appDir, &hasServerFile);
    const QString dataFile = QDir(appDir).filePath(QStringLiteral("Data/KTA30.wdb"));
    if (!hasServerFile && !QFileInfo::exists(dataFile)) {
        store::NewStore::create(dataFile);
        store::ServerFile::write(appDir, store::ServerFile::defaultLine(appDir));
    }
}

QString find(const QString &dirOption)
{
    if (!dirOption.isEmpty())
        return dirOption;
    if (installedShare().isEmpty())
        return QCoreApplication::applicationDirPath();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tessaly");
}

QString locate(const QString &dirOption)
{
    const QString appDir = find(dirOption);
    const QString share = dirOption.isEmpty() ? installedShare() : QString();
    if (!share.isEmpty())
        prepare(appDir, share);
    return appDir;
}

} // namespace ProgramDirectory
