#include "recordfolders.h"

#include "session.h"

#include <QDir>
#include <QFileInfo>

namespace
{

bool isForbidden(QChar c)
{
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.isNull())
        return true;
    if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
        c.category() == QChar::Separator_Paragraph)
        return true;
#ifdef Q_OS_WIN
    if (QStringView(u":*?\"<>|").contains(c))
        return true;
#endif
    return false;
}

// The code as it can be shown in a message: control characters made visible.
QString printable(const QString &code)
{
    QString out = code;
    for (QChar &c : out) {
        if (c.isNull() || c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return out;
}

} // namespace

QString RecordFolders::root()
{
    return store::session().FilesDir;
}

QString RecordFolders::operatersFolder()
{
    return root() + QStringLiteral("Operaters");
}

QString RecordFolders::plansFolder()
{
    return root() + QStringLiteral("Plans");
}

bool RecordFolders::isSafeCode(const QString &code)
{
    if (code.trimmed().isEmpty() || code == QLatin1String(".") || code == QLatin1String(".."))
        return false;
    for (QChar c : code) {
        if (isForbidden(c))
            return false;
    }
    return true;
}

QString RecordFolders::refusalText(const QString &code)
{
    if (code.trimmed().isEmpty())
        return QStringLiteral("编码为空，不能用作文件夹名称，请先输入编码。");
    if (code == QLatin1String(".") || code == QLatin1String(".."))
        return QStringLiteral("编码“%1”不能用作文件夹名称，请修改。").arg(code);
    return QStringLiteral("编码“%1”含有不能用作文件夹名称的字符（/ \\ 等），请修改。")
        .arg(printable(code));
}

std::optional<QString> RecordFolders::childOf(const QString &parent, const QString &name)
{
    if (parent.isEmpty() || !isSafeCode(name))
        return std::nullopt;
    const QString folder = parent + name;
    // The character test above already keeps the name to one path element; this second look
    // at the cleaned path guards against a parent text that itself is not what it seems.
    const QString cleanParent = QDir::cleanPath(parent);
    const QString cleanFolder = QDir::cleanPath(folder);
    if (QFileInfo(cleanFolder).path() != cleanParent)
        return std::nullopt;
    return folder;
}

std::optional<QString> RecordFolders::folderFor(const QString &code)
{
    return childOf(root(), code);
}

std::optional<QString> RecordFolders::referrerFolder(const QString &operaterId)
{
    return childOf(operatersFolder() + QLatin1Char('/'), operaterId);
}

bool RecordFolders::ensure(const QString &folder)
{
    QDir dir;
    if (!root().isEmpty() && !QFileInfo(root()).isDir())
        dir.mkpath(root());
    if (folder.isEmpty())
        return false;
    if (!QFileInfo(folder).isDir())
        dir.mkpath(folder);
    return QFileInfo(folder).isDir();
}
