#include "session.h"

#include <QDir>

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

} // namespace store
