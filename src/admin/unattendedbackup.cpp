#include "unattendedbackup.h"

#include "connection.h"
#include "operationlog.h"
#include "serverfile.h"
#include "session.h"
#include "storecopy.h"
#include "storeerror.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace UnattendedBackup
{

namespace
{
const QString Pattern = QStringLiteral("KTA30-[0-9]*-[0-9]*.wdb");

QString copyName(const QString &folder)
{
    return StoreCopy::freeName(
        folder + QStringLiteral("/KTA30-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
        QStringLiteral(".wdb"));
}
} // namespace

QStringList copiesIn(const QString &folder)
{
    // The names carry the time they were made, so their order is the order of making.
    QStringList names = QDir(folder).entryList({Pattern}, QDir::Files, QDir::Name | QDir::Reversed);
    for (QString &n : names)
        n = QDir(folder).filePath(n);
    return names;
}

int run(const QString &appDir, const QString &dest, int keep, QTextStream &out, QTextStream &err)
{
    store::Session &s = store::session();
    s.setAppDir(appDir);
    s.CurrentUserID = QStringLiteral("system");
    try {
        bool exists = false;
        const QString location = store::ServerFile::readFirstLine(s.AppDir, &exists);
        if (!exists)
            throw store::StoreError(
                QStringLiteral("程序目录“%1”中没有 Server.txt，不知道要备份哪个数据库。")
                    .arg(QDir::toNativeSeparators(s.AppDir)));
        const QFileInfo target(dest);
        if (dest.isEmpty())
            throw store::StoreError(QStringLiteral("没有指定备份文件夹。"));
        if (target.exists() && !target.isDir())
            throw store::StoreError(
                QStringLiteral("“%1”不是文件夹。").arg(QDir::toNativeSeparators(dest)));
        if (!QDir().mkpath(dest))
            throw store::StoreError(
                QStringLiteral("无法创建文件夹“%1”。").arg(QDir::toNativeSeparators(dest)));

        store::Connection db;
        db.open(location);
        store::OperationLog::write(db, store::OperationLog::dateTimeText(),
                                   QStringLiteral("系统设置-数据备份"));

        StoreCopy copier;
        const QString day = StoreCopy::dayFolder(s.AppDir);
        const QString dayCopy = day + QStringLiteral("/KTA30.wdb");
        if (QDir().mkpath(day) && !QFileInfo::exists(dayCopy))
            copier.backup(db, dayCopy);
        const QString copy = copyName(QFileInfo(dest).absoluteFilePath());
        copier.backup(db, copy);
        out << "已备份：" << QDir::toNativeSeparators(copy) << '\n';

        if (keep > 0) {
            const QStringList copies = copiesIn(QFileInfo(dest).absoluteFilePath());
            for (int i = keep; i < copies.size(); ++i) {
                if (QFile::remove(copies[i]))
                    out << "已删除旧的备份：" << QDir::toNativeSeparators(copies[i]) << '\n';
                else
                    err << "无法删除旧的备份：" << QDir::toNativeSeparators(copies[i]) << '\n';
            }
        }
        out.flush();
        return 0;
    } catch (const store::StoreError &e) {
        err << "数据备份失败：" << e.text() << '\n';
        err.flush();
        return 1;
    }
}

} // namespace UnattendedBackup
