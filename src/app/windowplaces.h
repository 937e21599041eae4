#pragma once

#include <QRect>
#include <QString>
#include <optional>

class QWidget;

// Where a user left a window: its place and size when not maximised, and whether it was.
struct WindowPlace {
    QRect rect;
    bool maximized = false;
};

// The places of the main window and the file panel, kept per user in Data/WindowPlaces.ini of
// the program directory and brought back at the next start. A place that lies on no screen any
// more (a screen taken away, another arrangement) is not used.
namespace WindowPlaces
{

QString file();
// The kept place of `window`, fitted into the screen it is on; none when nothing is kept or it
// is on no screen.
std::optional<WindowPlace> load(const QString &user, const QString &window);
void save(const QString &user, const QString &window, const WindowPlace &place);
WindowPlace of(const QWidget *window);

// True when enough of the top of `rect` lies on a screen to take hold of the window there.
bool isOnScreen(const QRect &rect);
// `rect` moved and shrunk as far as needed to lie wholly on the screen it is mostly on.
QRect fitted(const QRect &rect);

} // namespace WindowPlaces
