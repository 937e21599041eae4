// The document folders of the rows an import added, made after the rows are stored: a folder
// that cannot be made is told in the report, with why, while the stored rows stay.
#include "newfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

namespace importing
{

namespace
{

constexpr int CodesShown = 5; // codes named per reason

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Why `folder` is not there after an attempt to make it: the nearest thing on its path that
// stands in the way.
QString whyNot(const QString &folder)
{
    const QFileInfo target(folder);
    if (target.exists())
        return QStringLiteral("“%1”已存在，但不是文件夹").arg(shown(folder));
    QFileInfo above(target.absolutePath());
    while (!above.exists() && !above.isRoot())
        above = QFileInfo(above.absolutePath());
    if (above.exists() && !above.isDir())
        return QStringLiteral("“%1”是文件，不是文件夹").arg(shown(above.absoluteFilePath()));
    if (above.isDir() && !above.isWritable())
        return QStringLiteral("没有在“%1”中建立文件夹的权限").arg(shown(above.absoluteFilePath()));
    return QStringLiteral("无法建立文件夹“%1”").arg(shown(folder));
}

} // namespace

QList<FolderFailure> makeFolders(const QStringList &codes, const FolderOf &folderOf)
{
    QList<FolderFailure> failures;
    QDir dir;
    for (const QString &code : codes) {
        const std::optional<QString> folder = folderOf(code);
        if (!folder) {
            failures.append({code, QStringLiteral("代码不能用作文件夹名称")});
            continue;
        }
        // One call where the parent is there, as it mostly is.
        if (dir.mkdir(*folder) || (dir.mkpath(*folder) && QFileInfo(*folder).isDir()))
            continue;
        failures.append({code, whyNot(*folder)});
    }
    return failures;
}

QString folderReport(const QList<FolderFailure> &failures)
{
    if (failures.isEmpty())
        return {};
    QMap<QString, QStringList> byReason;
    QStringList reasons; // in the order first met
    for (const FolderFailure &f : failures) {
        auto it = byReason.find(f.why);
        if (it == byReason.end()) {
            reasons << f.why;
            it = byReason.insert(f.why, {});
        }
        it->append(f.code);
    }
    QStringList parts;
    for (const QString &why : std::as_const(reasons)) {
        const QStringList &codes = byReason[why];
        QString named = codes.mid(0, CodesShown).join(QStringLiteral("、"));
        if (codes.size() > CodesShown)
            named += QStringLiteral(" 等 %1 个").arg(codes.size());
        parts << QStringLiteral("%1（%2）").arg(why, named);
    }
    return QStringLiteral("有 %1 个代理的文档文件夹未能建立，请检查后自行建立：%2。")
        .arg(failures.size())
        .arg(parts.join(QStringLiteral("；")));
}

} // namespace importing
