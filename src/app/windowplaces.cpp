#include "windowplaces.h"

#include "session.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace WindowPlaces
{
namespace
{

// The band at a window's top by which it is taken hold of: its title bar, or near it.
QRect grip(const QRect &rect)
{
    return QRect(rect.topLeft(), QSize(rect.width(), qMin(rect.height(), 40)));
}

} // namespace

// Empty without a program directory: nothing is kept then, rather than a file landing in
// whatever the current directory happens to be.
QString file()
{
    const QString dir = store::session().AppDir;
    return dir.isEmpty() ? QString() : dir + QStringLiteral("Data/WindowPlaces.ini");
}

std::optional<WindowPlace> load(const QString &user, const QString &window)
{
    if (file().isEmpty())
        return std::nullopt;
    QSettings settings(file(), QSettings::IniFormat);
    settings.beginGroup(store::userGroup(user, window));
    if (!settings.contains(QStringLiteral("width")))
        return std::nullopt;
    const QRect rect(settings.value(QStringLiteral("x")).toInt(),
                     settings.value(QStringLiteral("y")).toInt(),
                     settings.value(QStringLiteral("width")).toInt(),
                     settings.value(QStringLiteral("height")).toInt());
    if (rect.width() <= 0 || rect.height() <= 0 || !isOnScreen(rect))
        return std::nullopt;
    return WindowPlace{fitted(rect), settings.value(QStringLiteral("maximized")).toBool()};
}

void save(const QString &user, const QString &window, const WindowPlace &place)
{
    if (file().isEmpty())
        return;
    QSettings settings(file(), QSettings::IniFormat);
    settings.beginGroup(store::userGroup(user, window));
    settings.setValue(QStringLiteral("x"), place.rect.x());
    settings.setValue(QStringLiteral("y"), place.rect.y());
    settings.setValue(QStringLiteral("width"), place.rect.width());
    settings.setValue(QStringLiteral("height"), place.rect.height());
    settings.setValue(QStringLiteral("maximized"), place.maximized);
    settings.sync();
}

WindowPlace of(const QWidget *window)
{
    const bool maximized = window->isMaximized();
    const QRect normal = window->normalGeometry();
    return {maximized && normal.isValid() ? normal : window->geometry(), maximized};
}

bool isOnScreen(const QRect &rect)
{
    const QRect top = grip(rect);
    for (const QScreen *s : QGuiApplication::screens()) {
        const QRect on = top & s->availableGeometry();
        if (on.width() >= qMin(100, top.width()) && on.height() >= qMin(20, top.height()))
            return true;
    }
    return false;
}

QRect fitted(const QRect &rect)
{
    const QScreen *screen = QGuiApplication::screenAt(rect.center());
    if (!screen)
        screen = QGuiApplication::screenAt(grip(rect).center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return rect;
    const QRect area = screen->availableGeometry();
    QRect out(rect.topLeft(), rect.size().boundedTo(area.size()));
    out.moveLeft(qBound(area.left(), out.left(), area.right() - out.width() + 1));
    out.moveTop(qBound(area.top(), out.top(), area.bottom() - out.height() + 1));
    return out;
}

} // namespace WindowPlaces
