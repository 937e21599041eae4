#include "numlock.h"

#ifdef TESSALY_HAS_X11
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
// Kept apart from the rest of the program: X11's headers define macros (Bool, Status, None)
// that collide with ordinary names.
#include <X11/XKBlib.h>
#endif

bool numLockOn()
{
#ifdef TESSALY_HAS_X11
    if (auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (Display *d = x11->display()) {
            unsigned int state = 0;
            if (XkbGetIndicatorState(d, XkbUseCoreKbd, &state) == Success)
                return state & 0x02; // the second indicator is Num Lock
        }
    }
#endif
    return false;
}
