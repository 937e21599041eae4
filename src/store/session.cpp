#include "session.h"

#include <QDir>
#include <QUrl>

namespace store {

void Session::setAppDir(const QString &dir)
{
    AppDir = QDir(dir).absolutePath();
    if (!AppDir.endsWith(QLatin1Char('/')))
        AppDir += QLatin1Char('/');
    FilesDir = AppDir + QStringLiteral("Files/");
}

Session &session()
{
    static Session s;
    return s;
}

QString userGroup(const QString &user, const QString &list)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(user.toCaseFolded()) + '_' + QUrl::toPercentEncoding(list));
}

} // namespace store
