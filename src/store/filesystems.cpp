#include "filesystems.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace store::FileSystems {

namespace {

QString &mountTable()
{
    static QString path = QStringLiteral("/proc/self/mountinfo");
    return path;
}

// Mount points escape blanks and a few other bytes as a backslash and three octal digits.
QString unescape(const QByteArray &field)
{
    QByteArray out;
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int c = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += char(c);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QString::fromUtf8(out);
}

bool under(const QString &path, const QString &mountPoint)
{
    if (mountPoint == QLatin1String("/"))
        return true;
    return path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

} // namespace

void setMountTable(const QString &path)
{
    mountTable() = path.isEmpty() ? QStringLiteral("/proc/self/mountinfo") : path;
}

QString typeOf(const QString &path)
{
    // The nearest existing folder stands for a file that is not there yet.
    QFileInfo info(path);
    while (!info.exists() && info.absolutePath() != info.absoluteFilePath())
        info = QFileInfo(info.absolutePath());
    const QString real = info.canonicalFilePath();
    if (real.isEmpty())
        return {};
    QFile table(mountTable());
    if (!table.open(QIODevice::ReadOnly))
        return {};
    QString best, type;
    // Lines: id parent major:minor root mount-point options [optional...] - type source ...
    // The longest mount point over the path wins; of equal ones the last (the one on top).
    while (!table.atEnd()) {
        const QList<QByteArray> f = table.readLine().trimmed().split(' ');
        const int dash = int(f.indexOf("-"));
        if (f.size() < 5 || dash < 0 || dash + 1 >= f.size())
            continue;
        const QString mountPoint = unescape(f[4]);
        if (under(real, mountPoint) && mountPoint.size() >= best.size()) {
            best = mountPoint;
            type = QString::fromUtf8(f[dash + 1]);
        }
    }
    return type;
}

bool isNetworkType(const QString &type)
{
    static const QStringList network =
        QStringLiteral("nfs nfs4 cifs smb3 smbfs smb2 ncpfs 9p virtiofs afs ceph glusterfs lustre gpfs beegfs "
                       "orangefs davfs vboxsf sshfs fuse.sshfs fuse.glusterfs fuse.davfs2 fuse.rclone fuse.s3fs "
                       "fuse.vmhgfs-fuse fuse.smbnetfs")
            .split(QLatin1Char(' '));
    return network.contains(type.toLower());
}

bool isNetwork(const QString &path)
{
    return isNetworkType(typeOf(path));
}

} // namespace store::FileSystems
