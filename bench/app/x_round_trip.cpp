#include "bench/app/x_round_trip.h"

#include <QGuiApplication>

// Last: Xlib's macros (None, KeyPress, Status) clash with Qt's names.
#include <X11/Xlib.h>

namespace bench {

bool xRoundTrip() {
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    XSync(display, False);
    return true;
}

} // namespace bench
