#include "serverfile.h"

#include "storeerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace store::ServerFile {

QString path(const QString &appDir)
{
    return appDir + QStringLiteral("Server.txt");
}

QString defaultLine(const QString &appDir)
{
    return appDir + QStringLiteral("Data/KTA30.wdb");
}

QString readFirstLine(const QString &appDir, bool *exists)
{
    QFile f(path(appDir));
    const QFileInfo info(f);
    if (exists)
        *exists = info.exists();
    if (!info.isFile() || !f.open(QIODevice::ReadOnly))
        return {};
    // A first line longer than any path is not a location; read a bounded amount.
    return firstLine(f.read(64 * 1024));
}

QString firstLine(const QByteArray &raw)
{
    qsizetype end = raw.indexOf('\n');
    QByteArray line = end < 0 ? raw : raw.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(line);
    if (utf8.hasError())
        return QStringLiteral("\uFFFD"); // undecodable: certainly no store there
    return text;
}

bool isLocationText(const QString &line)
{
    if (line.size() > 4096)
        return false;
    for (const QChar c : line)
        if (c == QChar(0xFFFD) || (c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7F)
            return false;
    return true;
}

void write(const QString &appDir, const QString &line)
{
    QSaveFile f(path(appDir));
    if (!f.open(QIODevice::WriteOnly) || f.write(line.toUtf8() + "\r\n") < 0 || !f.commit())
        throw StoreError(QStringLiteral("无法写入文件 %1：%2").arg(path(appDir), f.errorString()));
}

} // namespace store::ServerFile
