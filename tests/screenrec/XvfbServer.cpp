#include "XvfbServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <X11/Xlib.h>

namespace kestrel::test {

namespace {

Display* connectTo(const QString& display)
{
    return XOpenDisplay(display.toLocal8Bit().constData());
}

// Xlib would end the process on a connection error; a test should fail instead.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

XvfbServer::~XvfbServer()
{
    if (m_connection)
        XCloseDisplay(static_cast<Display*>(m_connection));
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool XvfbServer::start(QSize screenSize, QString* reason, const QStringList& extraArguments)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty()) {
        *reason = QStringLiteral("Xvfb is not installed");
        return false;
    }
    XSetErrorHandler(ignoreErrors);
    // A display number nobody uses: no lock file and no socket.
    int number = 90 + int(QCoreApplication::applicationPid() % 300);
    while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
        || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
        ++number;
    m_display = QStringLiteral(":%1").arg(number);
    m_process.setProgram(program);
    m_process.setArguments(QStringList{m_display, QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("%1x%2x24").arg(screenSize.width()).arg(screenSize.height()),
                               QStringLiteral("-nolisten"), QStringLiteral("tcp")}
        + extraArguments);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        *reason = QStringLiteral("Xvfb did not start: %1").arg(m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        if (Display* connection = connectTo(m_display)) {
            m_connection = connection;
            return true;
        }
        QThread::msleep(50);
    }
    *reason = QStringLiteral("Xvfb on %1 did not accept connections").arg(m_display);
    return false;
}

quint64 XvfbServer::createWindow(QSize size, quint32 rgb, QPoint position)
{
    auto* connection = static_cast<Display*>(m_connection);
    if (!connection)
        return 0;
    const int screen = DefaultScreen(connection);
    const Window window = XCreateSimpleWindow(
        connection, RootWindow(connection, screen), position.x(), position.y(), size.width(), size.height(), 0, 0, rgb);
    // Placed where asked: no window manager runs here, but keep it from moving it anyway.
    XSetWindowAttributes attributes;
    attributes.override_redirect = True;
    XChangeWindowAttributes(connection, window, CWOverrideRedirect, &attributes);
    XSelectInput(connection, window, StructureNotifyMask | ExposureMask);
    XMapWindow(connection, window);
    XEvent event;
    do {
        XNextEvent(connection, &event);
    } while (event.type != MapNotify);
    XClearWindow(connection, window);
    XSync(connection, False);
    return window;
}

void XvfbServer::moveWindow(quint64 window, QPoint position)
{
    auto* connection = static_cast<Display*>(m_connection);
    XMoveWindow(connection, Window(window), position.x(), position.y());
    XSync(connection, False);
}

void XvfbServer::resizeWindow(quint64 window, QSize size)
{
    auto* connection = static_cast<Display*>(m_connection);
    XResizeWindow(connection, Window(window), unsigned(size.width()), unsigned(size.height()));
    XClearWindow(connection, Window(window));
    XSync(connection, False);
}

void XvfbServer::hideWindow(quint64 window)
{
    auto* connection = static_cast<Display*>(m_connection);
    XUnmapWindow(connection, Window(window));
    XSync(connection, False);
}

void XvfbServer::destroyWindow(quint64 window)
{
    auto* connection = static_cast<Display*>(m_connection);
    XDestroyWindow(connection, Window(window));
    XSync(connection, False);
}

void XvfbServer::setWindowColour(quint64 window, quint32 rgb)
{
    auto* connection = static_cast<Display*>(m_connection);
    XSetWindowBackground(connection, Window(window), rgb);
    XClearWindow(connection, Window(window));
    XSync(connection, False);
}

} // namespace kestrel::test
