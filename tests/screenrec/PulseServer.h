#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <thread>

struct AVFormatContext;

namespace kestrel::test {

// A PulseAudio server of the test's own with one null sink ("kestrel_test"),
// whose monitor source records whatever is played into the sink.
class PulseServer {
public:
    PulseServer() = default;
    ~PulseServer();

    // False with a reason when PulseAudio is not installed or does not start.
    bool start(QString* reason);
    // What PULSE_SERVER is set to for clients of this server.
    QString address() const { return QStringLiteral("unix:") + m_dir.filePath(QStringLiteral("native")); }
    static QString sinkName() { return QStringLiteral("kestrel_test"); }
    static QString monitorName() { return QStringLiteral("kestrel_test.monitor"); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// Plays into a PulseAudio sink without pause (silence, and a tone when asked)
// and tells, from the server's own playback clock, when the tone started to
// sound.
class BeepPlayer {
public:
    // Runs on the player's thread the moment the tone is heard, with the wall
    // clock (av_gettime) of its first sample.
    using Heard = std::function<void(qint64 wallClockUs)>;

    BeepPlayer() = default;
    ~BeepPlayer();

    bool open(const QString& server, const QString& sink, QString* reason);
    // A 1 kHz tone of 150 ms from the next sample on.
    void beep(Heard heard);
    void close();

private:
    void play();

    AVFormatContext* m_output = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_beepAsked{false};
    Heard m_heard;
};

} // namespace kestrel::test
