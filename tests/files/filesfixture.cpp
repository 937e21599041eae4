#include "filesfixture.h"

#include "connection.h"
#include "session.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

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
