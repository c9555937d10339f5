#pragma once

#include <QProcess>
#include <QSize>
#include <QString>

namespace kestrel::test {

// A virtual X server of the test's own on a free display number, so that the
// screen recorder has a real screen to grab. Killed when destroyed.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();

    // False with a reason when no server could be started.
    bool start(QSize screenSize, QString* reason);
    QString display() const { return m_display; }

    // A plain window of one colour (0xRRGGBB), mapped and drawn; its X id.
    quint64 createWindow(QSize size, quint32 rgb);

private:
    QProcess m_process;
    QString m_display;
    void* m_connection = nullptr; // Display*
};

} // namespace kestrel::test
