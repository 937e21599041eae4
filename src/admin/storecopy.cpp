#include "storecopy.h"

#include "connection.h"
#include "diskspace.h"
#include "storeerror.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTime>
#include <QVersionNumber>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using store::StoreError;

namespace
{

// A raw SQLite handle, closed on every way out.
struct Handle {
    Handle() = default;
    Handle(Handle &&other) noexcept : h(std::exchange(other.h, nullptr)) {}
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle() { sqlite3_close_v2(h); }
    sqlite3 *h = nullptr;
};

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QString sqliteError(sqlite3 *h, int rc)
{
    const char *text = h ? sqlite3_errmsg(h) : sqlite3_errstr(rc);
    return QString::fromUtf8(text);
}

// Runs statements on a raw handle; returns the first value of the last row any of them gave.
QString execRaw(sqlite3 *h, const char *sql)
{
    QString value;
    char *error = nullptr;
    const auto keep = [](void *out, int columns, char **values, char **) {
        if (columns > 0 && values[0])
            *static_cast<QString *>(out) = QString::fromUtf8(values[0]);
        return 0;
    };
    const int rc = sqlite3_exec(h, sql, keep, &value, &error);
    if (rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        throw StoreError(text);
    }
    return value;
}

Handle openRaw(const QString &path, int flags)
{
    Handle handle;
    const int rc = sqlite3_open_v2(native(path).constData(), &handle.h, flags, nullptr);
    if (rc != SQLITE_OK)
        throw StoreError(
            QStringLiteral("无法打开文件“%1”：%2").arg(path, sqliteError(handle.h, rc)));
    return handle;
}

// A PostgreSQL client program's path, or a clear refusal when it is not installed.
QString requireProgram(const QString &name)
{
    const QString program = StoreCopy::serverProgram(name);
    if (program.isEmpty())
        throw StoreError(
            QStringLiteral("找不到 PostgreSQL 的 %1 程序。请安装 PostgreSQL 客户端程序，"
                           "或用环境变量 TESSALY_PG_BINDIR 指明它所在的目录。")
                .arg(name));
    return program;
}

// Beside the target, so that the rename putting it in place stays on one file system.
QString tempBeside(const QString &target)
{
    return target + QStringLiteral(".part-%1").arg(QCoreApplication::applicationPid());
}

// A copy that failed for want of room is told so, by the name the user chose.
StoreError copyFailure(const StoreError &e, const QString &temp, const QString &target)
{
    QString text = e.text();
    text.replace(temp, target);
    return StoreError(store::DiskSpace::writeFailure(target, text), e.kind());
}

void removeWithCompanions(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

// A file name was given at all (not empty, not a bare folder).
void requireFileName(const QString &path)
{
    if (QFileInfo(path).fileName().isEmpty())
        throw StoreError(QStringLiteral("未指定文件名：“%1”。").arg(path));
}

// Writes a file's content through to the disk.
void sync(const QString &path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        throw StoreError(QStringLiteral("无法把“%1”写入磁盘：%2").arg(path, why));
    }
    ::close(fd);
}

// Puts `from` in the place of `to` in one step: a reader finds the old file or the new one,
// never a part of either. Once renamed, the folder's entry is written through as well where
// the file system allows it (network shares often refuse to sync a folder); a refusal there
// cannot undo the rename, so it is no failure.
void renameOver(const QString &from, const QString &to)
{
    if (::rename(native(from).constData(), native(to).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        throw StoreError(QStringLiteral("无法写入文件“%1”：%2").arg(to, why));
    }
    const int fd = ::open(native(QFileInfo(to).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Folds a checked copy's write-ahead log into the file itself and leaves it in rollback
// mode: the one file then holds the whole store, whoever copies it on, and no log beside it
// can be left behind by a rename.
void makeSelfContained(const QString &path)
{
    Handle h = openRaw(path, SQLITE_OPEN_READWRITE);
    if (execRaw(h.h, "PRAGMA journal_mode=DELETE") != QLatin1String("delete"))
        throw StoreError(QStringLiteral("无法完成文件“%1”。").arg(path));
}

// Ends a read transaction this code began, on every way out.
struct ReadTransaction {
    explicit ReadTransaction(sqlite3 *db) : h(sqlite3_get_autocommit(db) ? db : nullptr)
    {
        if (!h)
            return;
        try {
            execRaw(h, "BEGIN; SELECT count(*) FROM sqlite_master");
        } catch (...) {
            end(); // the connection is shared: never leave it inside a transaction
            throw;
        }
    }
    ReadTransaction(const ReadTransaction &) = delete;
    ReadTransaction &operator=(const ReadTransaction &) = delete;
    ~ReadTransaction()
    {
        if (h)
            end();
    }
    void end()
    {
        if (!sqlite3_get_autocommit(h) && sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr))
            sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3 *h; // null when the caller's transaction was already open
};

} // namespace

void StoreCopy::report(qint64 done, qint64 total) const
{
    if (m_progress)
        m_progress(done, total);
}

// -- Backup ------------------------------------------------------------------------------------

void StoreCopy::backup(store::Connection &db, const QString &target)
{
    requireFileName(target);
    if (db.engine() == store::Engine::PostgreSQL) {
        dump(db.location(), target);
        return;
    }
    sqlite3 *source = db.sqliteHandle();
    if (!source)
        throw StoreError(QStringLiteral("数据库连接已关闭。"), StoreError::Kind::Connection);
    const QString temp = tempBeside(target);
    removeWithCompanions(temp);
    try {
        copySqlite(source, temp);
        checkFile(temp);
        makeSelfContained(temp);
        sync(temp);
        renameOver(temp, target);
    } catch (const StoreError &e) {
        removeWithCompanions(temp);
        // The user knows the copy by the target's name, not by our working name.
        throw copyFailure(e, temp, target);
    } catch (...) {
        removeWithCompanions(temp);
        throw;
    }
}

void StoreCopy::copySqlite(sqlite3 *source, const QString &target)
{
    Handle dest = openRaw(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // One read transaction over the whole copy: it sees one state of the store, so the copy
    // is consistent, and the commits of other seats meanwhile neither enter it nor make the
    // backup start over (with steady writers it might never end). In WAL mode they go on
    // writing all the same.
    const ReadTransaction snapshot(source);
    sqlite3_backup *backup = sqlite3_backup_init(dest.h, "main", source, "main");
    if (!backup)
        throw StoreError(QStringLiteral("无法复制数据库：%1").arg(sqliteError(dest.h, 0)));
    int rc = SQLITE_OK;
    int waits = 0;
    for (;;) {
        rc = sqlite3_backup_step(backup, m_pagesPerStep);
        const int total = sqlite3_backup_pagecount(backup);
        report(total - sqlite3_backup_remaining(backup), total);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (++waits > 500) // ten seconds without getting on
                break;
            sqlite3_sleep(20);
            continue;
        }
        if (rc != SQLITE_OK)
            break;
        waits = 0;
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        throw StoreError(QStringLiteral("复制数据库到“%1”失败：%2")
                             .arg(target, QString::fromUtf8(sqlite3_errstr(rc))));
}

void StoreCopy::checkFile(const QString &path)
{
    try {
        store::Connection db;
        db.open(path);
        // One row "ok", or the list of what is damaged.
        const QString verdict = db.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
        db.close();
        if (verdict != QLatin1String("ok"))
            throw StoreError(QStringLiteral("数据库文件“%1”已损坏：%2").arg(path, verdict),
                             StoreError::Kind::NotAStore);
    } catch (const StoreError &e) {
        if (e.kind() == StoreError::Kind::NotAStore)
            throw;
        throw StoreError(e.text(), StoreError::Kind::NotAStore);
    }
}

// -- Restore -----------------------------------------------------------------------------------

QString StoreCopy::prepare(const QString &location, const QString &chosen)
{
    if (store::Connection::isServerLocation(location)) {
        checkArchive(chosen);
        return chosen;
    }
    const QString staged = tempBeside(store::Connection::normalise(location));
    removeWithCompanions(staged);
    try {
        copyBytes(chosen, staged);
        // A file closed without folding in its write-ahead log brings the log along; opening
        // the copy for the check takes its changes in.
        const QString log = chosen + QStringLiteral("-wal");
        if (QFileInfo(log).isFile())
            copyBytes(log, staged + QStringLiteral("-wal"));
        checkFile(staged);
        makeSelfContained(staged);
        sync(staged);
    } catch (const StoreError &e) {
        removeWithCompanions(staged);
        // The user knows the file by the name chosen, not by our working copy's.
        QString text = e.text();
        text.replace(staged, chosen);
        throw StoreError(text, e.kind());
    } catch (...) {
        removeWithCompanions(staged);
        throw;
    }
    return staged;
}

void StoreCopy::copyBytes(const QString &from, const QString &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("无法读取文件“%1”：%2").arg(from, in.errorString()));
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw StoreError(QStringLiteral("无法创建文件“%1”：%2").arg(to, out.errorString()));
    const qint64 total = in.size();
    qint64 done = 0;
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (out.write(chunk) != chunk.size())
            throw StoreError(QStringLiteral("无法写入文件“%1”：%2").arg(to, out.errorString()));
        done += chunk.size();
        report(done, total);
    }
    if (in.error() != QFileDevice::NoError)
        throw StoreError(QStringLiteral("无法读取文件“%1”：%2").arg(from, in.errorString()));
    if (!out.flush())
        throw StoreError(QStringLiteral("无法写入文件“%1”：%2").arg(to, out.errorString()));
}

void StoreCopy::replace(const QString &location, const QString &prepared, const QString &keepAs)
{
    if (store::Connection::isServerLocation(location)) {
        dump(location, keepAs); // the store as it is now, kept before anything changes
        restoreArchive(location, prepared);
        return;
    }
    replaceFile(store::Connection::normalise(location), prepared, keepAs);
}

void StoreCopy::replaceFile(const QString &dataFile, const QString &staged, const QString &keepAs)
{
    requireFileName(keepAs);
    Handle data = openRaw(dataFile, SQLITE_OPEN_READWRITE);
    sqlite3_busy_timeout(data.h, 2000);
    // Leaving WAL mode needs the file to ourselves, so it fails while another seat has the
    // file open: replacing it under them would send their work into a file nobody reads.
    // It also folds the log into the file and removes the log and its index. A file too
    // damaged to answer at all is replaced all the same: that is what a restore is for.
    QString mode;
    int refusal = SQLITE_OK;
    try {
        mode = execRaw(data.h, "PRAGMA journal_mode=DELETE");
    } catch (const StoreError &) {
        refusal = sqlite3_errcode(data.h);
    }
    if ((refusal == SQLITE_OK && mode != QLatin1String("delete")) || refusal == SQLITE_BUSY ||
        refusal == SQLITE_LOCKED)
        throw StoreError(
            QStringLiteral(
                "其他用户正在使用数据库文件“%1”，现在不能恢复数据，请其他用户退出系统后再试。")
                .arg(dataFile));
    // A read lock from here to the rename: a seat that opens the file now cannot write to it.
    std::optional<ReadTransaction> hold;
    try {
        hold.emplace(data.h);
    } catch (const StoreError &) {
    }
    keepCurrent(data.h, dataFile, keepAs);
    // Left-overs of the old file's log would be taken for the new file's.
    QFile::remove(dataFile + QStringLiteral("-wal"));
    QFile::remove(dataFile + QStringLiteral("-shm"));
    renameOver(staged, dataFile);
}

// The store as it is now, at `keepAs`: a checked copy when the store is sound, else the file
// as it lies on disk (with its log), so that whatever a damaged store still holds is kept.
void StoreCopy::keepCurrent(sqlite3 *data, const QString &dataFile, const QString &keepAs)
{
    const QString temp = tempBeside(keepAs);
    removeWithCompanions(temp);
    try {
        try {
            copySqlite(data, temp);
            checkFile(temp);
            makeSelfContained(temp);
        } catch (const StoreError &) {
            removeWithCompanions(temp);
            copyBytes(dataFile, temp);
            const QString log = dataFile + QStringLiteral("-wal");
            if (QFileInfo(log).isFile()) {
                copyBytes(log, temp + QStringLiteral("-wal"));
                sync(temp + QStringLiteral("-wal"));
                renameOver(temp + QStringLiteral("-wal"), keepAs + QStringLiteral("-wal"));
            }
        }
        sync(temp);
        renameOver(temp, keepAs);
    } catch (...) {
        removeWithCompanions(temp);
        throw;
    }
}

void StoreCopy::discard(const QString &location, const QString &prepared)
{
    if (store::Connection::isServerLocation(location) || isSameFile(prepared, location))
        return; // the chosen archive is the user's; the data file is never ours to remove
    removeWithCompanions(prepared);
}

// -- PostgreSQL --------------------------------------------------------------------------------

void StoreCopy::dump(const QString &uri, const QString &target)
{
    requireFileName(target);
    const store::ServerAddress server = store::ServerAddress::parse(uri);
    const QString temp = tempBeside(target);
    removeWithCompanions(temp);
    try {
        // The custom format: compressed, and pg_restore can clean and reload from it.
        runProgram(QStringLiteral("pg_dump"),
                   {QStringLiteral("--format=custom"), QStringLiteral("--file=") + temp,
                    QStringLiteral("--dbname=") + server.database},
                   &server);
        checkArchive(temp);
        sync(temp);
        renameOver(temp, target);
    } catch (const StoreError &e) {
        removeWithCompanions(temp);
        throw copyFailure(e, temp, target);
    } catch (...) {
        removeWithCompanions(temp);
        throw;
    }
}

void StoreCopy::checkArchive(const QString &path)
{
    requireProgram(QStringLiteral("pg_restore")); // a missing program is no verdict on the file
    QByteArray contents;
    try {
        contents =
            runProgram(QStringLiteral("pg_restore"), {QStringLiteral("--list"), path}, nullptr);
    } catch (const StoreError &e) {
        throw StoreError(QStringLiteral("“%1”不是本系统的数据库备份：%2").arg(path, e.text()),
                         StoreError::Kind::NotAStore);
    }
    // The table of contents names every table ("215; 1259 16491 TABLE public sysstoreinfo
    // owner"); a store of ours has sysStoreInfo.
    static const QRegularExpression ours(QStringLiteral("\\bTABLE\\s+\\S+\\s+sysstoreinfo\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (ours.match(QString::fromLocal8Bit(contents)).hasMatch())
        return;
    throw StoreError(QStringLiteral("“%1”不是本系统的数据库备份。").arg(path),
                     StoreError::Kind::NotAStore);
}

void StoreCopy::restoreArchive(const QString &uri, const QString &archive)
{
    const store::ServerAddress server = store::ServerAddress::parse(uri);
    // One transaction: the store is replaced as a whole or not at all. Objects are made by
    // the connecting role, whoever owned them where the archive was taken.
    runProgram(QStringLiteral("pg_restore"),
               {QStringLiteral("--clean"), QStringLiteral("--if-exists"),
                QStringLiteral("--single-transaction"), QStringLiteral("--no-owner"),
                QStringLiteral("--no-privileges"), QStringLiteral("--dbname=") + server.database,
                archive},
               &server);
}

QByteArray StoreCopy::runProgram(const QString &name, const QStringList &arguments,
                                 const store::ServerAddress *server)
{
    const QString program = requireProgram(name);
    QStringList args;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (server) {
        if (!server->host.isEmpty())
            args << QStringLiteral("--host=") + server->host;
        args << QStringLiteral("--port=") + QString::number(server->port);
        if (!server->user.isEmpty())
            args << QStringLiteral("--username=") + server->user;
        args << QStringLiteral("--no-password"); // never wait for a prompt nobody sees
        // The password goes through the environment: a command line is readable by every
        // user of the machine.
        if (!server->password.isEmpty())
            environment.insert(QStringLiteral("PGPASSWORD"), server->password);
    }
    args << arguments;

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    if (!process.waitForStarted())
        throw StoreError(QStringLiteral("无法启动 %1：%2").arg(program, process.errorString()));
    // Polled, so that the window stays painted while the server program works.
    while (!process.waitForFinished(50) && process.state() != QProcess::NotRunning)
        report(0, 0);
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw StoreError(QStringLiteral("%1 执行失败（退出码 %2）：%3")
                             .arg(name, QString::number(process.exitCode()), errors));
    return process.readAllStandardOutput();
}

// -- Names -------------------------------------------------------------------------------------

QString StoreCopy::dayFolder(const QString &appDir)
{
    return appDir + QStringLiteral("Backup/") +
           QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

QString StoreCopy::freeName(const QString &path)
{
    if (!QFileInfo::exists(path))
        return path;
    const QFileInfo info(path);
    const QString stem = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                         QLatin1Char('-') + QTime::currentTime().toString(QStringLiteral("HHmmss"));
    const QString suffix =
        info.suffix().isEmpty() ? QString() : QString(QLatin1Char('.') + info.suffix());
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QLatin1Char('-') + QString::number(n) + suffix;
    return name;
}

bool StoreCopy::isSameFile(const QString &a, const QString &b)
{
    struct stat sa = {};
    struct stat sb = {};
    return ::stat(native(a).constData(), &sa) == 0 && ::stat(native(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString StoreCopy::serverProgram(const QString &name)
{
    // The folder named for this program comes first: it can hold the tools of the server's
    // own version when several are installed.
    const QString bindir = qEnvironmentVariable("TESSALY_PG_BINDIR");
    if (!bindir.isEmpty()) {
        const QFileInfo there(QDir(bindir).filePath(name));
        if (there.isFile() && there.isExecutable())
            return there.absoluteFilePath();
    }
    const QString onPath = QStandardPaths::findExecutable(name);
    if (!onPath.isEmpty())
        return onPath;
    const QDir lib(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString &x, const QString &y) {
        return QVersionNumber::fromString(x) > QVersionNumber::fromString(y);
    });
    for (const QString &version : versions) {
        const QFileInfo f(lib.filePath(version + QStringLiteral("/bin/") + name));
        if (f.isFile() && f.isExecutable())
            return f.absoluteFilePath();
    }
    return {};
}
