#include "importfiles.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace importfiles
{

QByteArray python(const QString &code, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), code} + args);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("python failed: %s", p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}

QString make(const QString &kind, const QString &out, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral(TESSALY_IMPORT_FIXTURES), kind, out} + args);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("makefiles.py %s failed: %s", qPrintable(kind),
               p.readAllStandardError().constData());
    return out;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QList<importing::SheetReader::Row> readAll(const QString &path, int sheet)
{
    auto reader = importing::SheetReader::openFile(path);
    if (sheet >= 0)
        reader->selectSheet(sheet);
    QList<importing::SheetReader::Row> rows;
    importing::SheetReader::Row row;
    while (reader->next(row))
        rows.append(row);
    return rows;
}

QList<QStringList> texts(const QList<importing::SheetReader::Row> &rows)
{
    QList<QStringList> out;
    for (const auto &r : rows) {
        QStringList cells;
        for (const QVariant &v : r.cells)
            cells << importing::cellText(v);
        out << cells;
    }
    return out;
}

qint64 residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

} // namespace importfiles
