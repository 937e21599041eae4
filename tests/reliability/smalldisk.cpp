#include "smalldisk.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace
{

bool writeProc(const char *file, const QByteArray &text)
{
    const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    ::close(fd);
    return ok;
}

QString why(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

QString SmallDisk::enterPrivateMounts()
{
    if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNS) != 0)
            return why("unshare(CLONE_NEWNS)");
    } else {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return why("unshare(CLONE_NEWUSER | CLONE_NEWNS)");
        writeProc("/proc/self/setgroups", "deny");
        if (!writeProc("/proc/self/uid_map", QByteArray("0 ") + QByteArray::number(uid) + " 1") ||
            !writeProc("/proc/self/gid_map", QByteArray("0 ") + QByteArray::number(gid) + " 1"))
            return why("uid_map");
    }
    // Mounts made from here on stay in this namespace.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return why("mount --make-rprivate /");
    return {};
}

SmallDisk::SmallDisk(qint64 bytes)
{
    char name[] = "/tmp/tessaly-smalldisk-XXXXXX";
    if (!::mkdtemp(name)) {
        m_error = why("mkdtemp");
        return;
    }
    m_path = QString::fromLocal8Bit(name);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
    if (::mount("tessaly-smalldisk", name, "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) !=
        0) {
        m_error = why("mount -t tmpfs");
        ::rmdir(name);
        return;
    }
    m_mounted = true;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    if (!m_path.isEmpty())
        ::rmdir(QFile::encodeName(m_path).constData());
}

void SmallDisk::fill()
{
    const QByteArray file = QFile::encodeName(m_path + QStringLiteral("/.filler"));
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    // Big blocks first, then smaller ones, down to the last byte.
    static char block[1 << 16];
    for (size_t size = sizeof block; size >= 1; size /= 4)
        while (::write(fd, block, size) == ssize_t(size)) {
        }
    ::fsync(fd);
    ::close(fd);
}

void SmallDisk::free()
{
    QFile::remove(m_path + QStringLiteral("/.filler"));
}

qint64 SmallDisk::available() const
{
    return QStorageInfo(m_path).bytesAvailable();
}
