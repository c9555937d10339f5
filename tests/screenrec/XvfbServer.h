#pragma once

#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>

namespace kestrel::test {

// A virtual X server of the test's own on a free display number, so that the
// screen recorder has a real screen to grab. Killed when destroyed.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();

    // False with a reason when no server could be started. Extra arguments
    // go to Xvfb (e.g. "-extension", "MIT-SHM" to leave that out).
    bool start(QSize screenSize, QString* reason, const QStringList& extraArguments = {});
    QString display() const { return m_display; }

    // A plain window of one colour (0xRRGGBB), mapped and drawn; its X id.
    quint64 createWindow(QSize size, quint32 rgb, QPoint position = QPoint(20, 20));
    // Changes made the way a window manager or the user would.
    void moveWindow(quint64 window, QPoint position);
    void resizeWindow(quint64 window, QSize size);
    void hideWindow(quint64 window);
    void destroyWindow(quint64 window);
    void setWindowColour(quint64 window, quint32 rgb);

private:
    QProcess m_process;
    QString m_display;
    void* m_connection = nullptr; // Display*
};

} // namespace kestrel::test
