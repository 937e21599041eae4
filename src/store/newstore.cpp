#include "newstore.h"

#include "connection.h"
#include "passwords.h"
#include "schema.h"
#include "seed.h"
#include "storeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace store::NewStore {

namespace {

void build(Connection &db)
{
    db.transaction([&] {
        for (const QString &sql : Schema::createStatements(db.engine()))
            db.exec(sql);
        db.exec(QStringLiteral("INSERT INTO %1 (Name, Value) VALUES ('format', 'tessaly')")
                    .arg(QLatin1String(Schema::InfoTable)));
        db.exec(QStringLiteral("INSERT INTO %1 (Name, Value) VALUES ('version', ?)")
                    .arg(QLatin1String(Schema::InfoTable)),
                {QString::number(Schema::FormatVersion)});
        // A store made on a network file system keeps the rollback journal for every seat.
        if (!db.networkFileSystem().isEmpty())
            db.exec(QStringLiteral("INSERT INTO %1 (Name, Value) VALUES ('journal', 'delete')")
                        .arg(QLatin1String(Schema::InfoTable)));
        Seed::fill(db);
    });
}

void createFile(const QString &location)
{
    const QString path = QFileInfo(location).absoluteFilePath();
    if (QFileInfo::exists(path))
        throw StoreError(QStringLiteral("数据库文件“%1”已存在，不会覆盖。").arg(path));
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw StoreError(QStringLiteral("无法创建目录“%1”。").arg(QFileInfo(path).absolutePath()));

    // Built beside the target and renamed into place, so a half-made store is never seen.
    const QString temp = path + QStringLiteral(".new-%1").arg(QCoreApplication::applicationPid());
    QFile::remove(temp);
    {
        QFile f(temp);
        if (!f.open(QIODevice::WriteOnly))
            throw StoreError(QStringLiteral("无法创建文件“%1”：%2").arg(temp, f.errorString()));
    }
    try {
        Connection db;
        db.openUnchecked(temp);
        build(db);
        db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        db.close();
    } catch (...) {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-wal"));
        QFile::remove(temp + QStringLiteral("-shm"));
        throw;
    }
    QFile::remove(temp + QStringLiteral("-wal"));
    QFile::remove(temp + QStringLiteral("-shm"));
    if (QFileInfo::exists(path) || !QFile::rename(temp, path)) {
        QFile::remove(temp);
        throw StoreError(QStringLiteral("数据库文件“%1”已存在，不会覆盖。").arg(path));
    }
}

void createOnServer(const QString &location)
{
    Connection db;
    db.openUnchecked(location);
    const QVariant existing = db.scalar(
        QStringLiteral("SELECT count(*) FROM information_schema.tables "
                       "WHERE table_schema = current_schema() AND table_name IN (?, 'tbluser')"),
        {QString::fromLatin1(Schema::InfoTable).toLower()});
    if (existing.toInt() > 0)
        throw StoreError(QStringLiteral("数据库“%1”中已有本系统的数据，不会覆盖。")
                             .arg(ServerAddress::parse(location).database));
    build(db);
}

} // namespace

void create(const QString &location)
{
    const QString loc = Connection::normalise(location);
    if (Connection::isServerLocation(loc))
        createOnServer(loc);
    else
        createFile(loc);
}

} // namespace store::NewStore
