#include "filesfixture.h"

#include "connection.h"
#include "folderchooser.h"
#include "session.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileSystemModel>
#include <QTest>
#include <QTreeView>

FilesFixture::FilesFixture() : m_store(QStringLiteral("sqlite"))
{
    store::session().setAppDir(m_store.appDir());
    store::session().CurrentUserID = QStringLiteral("Admin");
    dm.openAtStartup(m_store.appDir());
    dm.tblUserRight.open();
    rights.setDataset(&dm.tblUserRight);
}

QString FilesFixture::filesDir() const
{
    return QDir::cleanPath(store::session().FilesDir);
}

int FilesFixture::logCount(const QString &operate)
{
    return dm.connection()
        .scalar(QStringLiteral("SELECT COUNT(*) FROM tblLog WHERE Operate = ? AND UserID = ?"),
                {operate, store::session().CurrentUserID})
        .toInt();
}

QStringList FilesFixture::tree(const QString &dir)
{
    QStringList paths;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir base(dir);
    while (it.hasNext())
        paths.append(base.relativeFilePath(it.next()));
    paths.sort();
    return paths;
}

bool FilesFixture::writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

QByteArray FilesFixture::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool FilesFixture::makeFolder(const QString &path)
{
    return QDir().mkpath(path);
}

QString FilesFixture::treeOpenAt(FolderChooser *chooser, const QString &folder)
{
    QTreeView *tree = chooser->tree();
    auto *model = qobject_cast<QFileSystemModel *>(tree->model());
    const QModelIndex current = tree->currentIndex();
    if (!model || !current.isValid() || QDir(model->filePath(current)) != QDir(folder))
        return QStringLiteral("current folder is %1").arg(model ? model->filePath(current) : QString());
    for (QModelIndex up = current.parent(); up.isValid(); up = up.parent())
        if (!tree->isExpanded(up))
            return QStringLiteral("%1 is collapsed").arg(model->filePath(up));
    // The folder's row comes into view (the folders above it are read in the background).
    const auto inView = [&] {
        const QRect row = tree->visualRect(current);
        return !row.isEmpty() && tree->viewport()->rect().contains(row.topLeft());
    };
    if (!QTest::qWaitFor(inView, 3000))
        return QStringLiteral("the folder's row is not in view");
    return {};
}
