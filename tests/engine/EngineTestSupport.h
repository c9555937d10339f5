#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kestrel::test {

// Every frame of a file as libavcodec alone decodes it, in order, converted
// to RGB32 the way the engine converts (same scaler, same flags) into a
// padded buffer, and turned clockwise by `rotationDegrees`. Frames whose
// presentation time is known carry it in `indexes` as a frame number.
struct ReferenceDecode {
    QList<QImage> pictures;
    QList<int> indexes;
    QString error;
};
ReferenceDecode decodeWithLibavcodec(const QString& path, int rotationDegrees, double framesPerSecond);

// Ends the test program with a message when a test does not finish in time:
// a hang is a failure, not a stuck CI job.
class Watchdog {
public:
    Watchdog(int seconds, QString what);
    ~Watchdog();
    void rename(QString what);

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    QString m_what;
    std::thread m_thread;
};

} // namespace kestrel::test
