#include "unattendedbackup.h"

#include "connection.h"
#include "operationlog.h"
#include "serverfile.h"
#include "session.h"
#include "storecopy.h"
#include "storeerror.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>

namespace UnattendedBackup
{

namespace
{
const QString Stamp = QStringLiteral("yyyyMMdd-HHmmss");

// KTA30-<date>-<time>.wdb, and KTA30-<date>-<time>-<n>.wdb for the n-th copy of one second.
const QRegularExpression &copyName()
{
    static const QRegularExpression name(
        QStringLiteral("^KTA30-(\\d{8}-\\d{6})(?:-([2-9]|[1-9]\\d{1,5}))?\\.wdb$"));
    return name;
}

struct Copy {
    QString stamp;
    int number = 1;
    QString path;
};

// The copy a name stands for, when it is exactly a name this backup writes.
bool parse(const QString &folder, const QString &fileName, Copy &copy)
{
    const QRegularExpressionMatch m = copyName().match(fileName);
    if (!m.hasMatch() || !QDateTime::fromString(m.captured(1), Stamp).isValid())
        return false;
    copy.stamp = m.captured(1);
    copy.number = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
    copy.path = QDir(folder).filePath(fileName);
    return true;
}

// A name of its own for this copy, taken at once (an empty file that the copy replaces), so
// that a second run within the same second, or at the same moment, gets the next number.
QString reserveName(const QString &folder)
{
    const QString base =
        folder + QStringLiteral("/KTA30-") + QDateTime::currentDateTime().toString(Stamp);
    for (int n = 1; n < 1000; ++n) {
        const QString name = base + (n == 1 ? QString() : QLatin1Char('-') + QString::number(n)) +
                             QStringLiteral(".wdb");
        QFile f(name);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return name;
        if (!f.exists())
            throw store::StoreError(QStringLiteral("无法写入文件“%1”：%2")
                                        .arg(QDir::toNativeSeparators(name), f.errorString()));
    }
    throw store::StoreError(
        QStringLiteral("文件夹“%1”中这一秒的备份已经太多。").arg(QDir::toNativeSeparators(folder)));
}

// The store as the program finds it when it starts: the one "Server.txt" names, else the data
// file at its default place. Nothing is made on the way, neither Server.txt nor a store.
QString storeLocation(const QString &appDir)
{
    bool exists = false;
    const QString line = store::ServerFile::readFirstLine(appDir, &exists);
    if (exists)
        return line;
    const QString dataFile = store::ServerFile::defaultLine(appDir);
    if (!QFileInfo::exists(dataFile))
        throw store::StoreError(
            QStringLiteral(
                "程序目录“%1”中既没有 Server.txt，也没有数据文件“%2”：没有可备份的数据库。"
                "数据备份不会新建数据库。")
                .arg(QDir::toNativeSeparators(appDir), QDir::toNativeSeparators(dataFile)));
    return dataFile;
}

void prepareFolder(const QString &dest)
{
    if (dest.isEmpty())
        throw store::StoreError(QStringLiteral("没有指定备份文件夹。"));
    const QFileInfo target(dest);
    if (target.exists() && !target.isDir())
        throw store::StoreError(
            QStringLiteral("“%1”不是文件夹。").arg(QDir::toNativeSeparators(dest)));
    if (!QDir().mkpath(dest))
        throw store::StoreError(
            QStringLiteral("无法创建文件夹“%1”。").arg(QDir::toNativeSeparators(dest)));
}

void removeOld(const QString &folder, int keep, QTextStream &out, QTextStream &err)
{
    const QStringList copies = copiesIn(folder);
    for (int i = keep; i < copies.size(); ++i) {
        if (QFile::remove(copies[i]))
            out << "已删除旧的备份：" << QDir::toNativeSeparators(copies[i]) << '\n';
        else
            err << "无法删除旧的备份：" << QDir::toNativeSeparators(copies[i]) << '\n';
    }
}
} // namespace

QStringList copiesIn(const QString &folder)
{
    std::vector<Copy> copies;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        Copy c;
        if (parse(folder, name, c))
            copies.push_back(c);
    }
    // Newest first: by the second they were made, then by their number within it.
    std::sort(copies.begin(), copies.end(), [](const Copy &a, const Copy &b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.number > b.number;
    });
    QStringList paths;
    for (const Copy &c : copies)
        paths << c.path;
    return paths;
}

int run(const QString &appDir, const QString &dest, int keep, QTextStream &out, QTextStream &err)
{
    store::Session &s = store::session();
    s.setAppDir(appDir);
    s.CurrentUserID = QStringLiteral("system");
    try {
        const QString location = storeLocation(s.AppDir);
        prepareFolder(dest);

        store::Connection db;
        db.open(location);
        store::OperationLog::write(db, store::OperationLog::dateTimeText(),
                                   QStringLiteral("系统设置-数据备份"));

        StoreCopy copier;
        const QString day = StoreCopy::dayFolder(s.AppDir);
        const QString dayCopy = day + QStringLiteral("/KTA30.wdb");
        if (QDir().mkpath(day) && !QFileInfo::exists(dayCopy))
            copier.backup(db, dayCopy);
        const QString folder = QFileInfo(dest).absoluteFilePath();
        const QString copy = reserveName(folder);
        try {
            copier.backup(db, copy);
        } catch (...) {
            QFile::remove(copy);
            throw;
        }
        out << "已备份：" << QDir::toNativeSeparators(copy) << '\n';

        if (keep > 0)
            removeOld(folder, keep, out, err);
        out.flush();
        return 0;
    } catch (const store::StoreError &e) {
        err << "数据备份失败：" << e.text() << '\n';
        err.flush();
        return 1;
    }
}

} // namespace UnattendedBackup
