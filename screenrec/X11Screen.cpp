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

QSize x11WindowSize(const QString& display, quint64 window)
{
    const QByteArray name = display.toLocal8Bit();
    Display* connection = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
    if (!connection)
        return {};
    // A window that is gone raises an X error: note it instead of ending the program.
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XWindowAttributes attributes;
    const bool known = XGetWindowAttributes(connection, Window(window), &attributes);
    XSync(connection, False);
    XSetErrorHandler(previous);
    XCloseDisplay(connection);
    return known ? QSize(attributes.width, attributes.height) : QSize();
}

} // namespace kestrel
