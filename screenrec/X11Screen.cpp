#include "screenrec/X11Screen.h"

#include <QByteArray>

// Xlib last: its macros (None, Bool, Status) clash with Qt's names.
#include <X11/Xlib.h>

namespace kestrel {

QSize x11ScreenSize(const QString& display)
{
    const QByteArray name = display.toLocal8Bit();
    Display* connection = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
    if (!connection)
        return {};
    const int screen = DefaultScreen(connection);
    const QSize size(DisplayWidth(connection, screen), DisplayHeight(connection, screen));
    XCloseDisplay(connection);
    return size;
}

} // namespace kestrel
