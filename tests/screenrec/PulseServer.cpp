#include "PulseServer.h"

#include "engine/FfmpegPtr.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/channel_layout.h>
#include <libavutil/time.h>
}

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <cmath>
#include <vector>

namespace kestrel::test {

PulseServer::~PulseServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool PulseServer::start(QString* reason)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (program.isEmpty()) {
        *reason = QStringLiteral("PulseAudio is not installed");
        return false;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path());
    environment.remove(QStringLiteral("DISPLAY"));
    m_process.setProcessEnvironment(environment);
    m_process.setProgram(program);
    m_process.setArguments(
        {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
            QStringLiteral("--use-pid-file=no"), QStringLiteral("--disable-shm=yes"), QStringLiteral("-L"),
            QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1")
                .arg(m_dir.filePath(QStringLiteral("native"))),
            QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=%1").arg(sinkName())});
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("pulse.log")));
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        *reason = QStringLiteral("PulseAudio did not start: %1").arg(m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        if (QFile::exists(m_dir.filePath(QStringLiteral("native"))))
            return true;
        QThread::msleep(50);
    }
    *reason = QStringLiteral("PulseAudio did not open its socket");
    return false;
}

namespace {
constexpr int kRate = 44100;
constexpr int kChunk = kRate / 100; // 10 ms
constexpr int kToneSamples = kRate * 150 / 1000;
} // namespace

BeepPlayer::~BeepPlayer()
{
    close();
}

bool BeepPlayer::open(const QString& server, const QString& sink, QString* reason)
{
    avdevice_register_all();
    if (avformat_alloc_output_context2(&m_output, nullptr, "pulse", nullptr) < 0 || !m_output) {
        *reason = QStringLiteral("This FFmpeg has no PulseAudio output");
        return false;
    }
    AVStream* stream = avformat_new_stream(m_output, nullptr);
    stream->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    stream->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
    stream->codecpar->sample_rate = kRate;
    stream->codecpar->format = AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&stream->codecpar->ch_layout, 1);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "server", server.toUtf8().constData(), 0);
    av_dict_set(&options, "device", sink.toUtf8().constData(), 0);
    av_dict_set(&options, "buffer_duration", "30", 0); // ms: a short way from write to sink
    const int result = avformat_write_header(m_output, &options);
    av_dict_free(&options);
    if (result < 0) {
        *reason = QStringLiteral("Cannot play into the sink: %1").arg(averrorText(result));
        avformat_free_context(m_output);
        m_output = nullptr;
        return false;
    }
    m_thread = std::thread([this] { play(); });
    return true;
}

void BeepPlayer::beep(Heard heard)
{
    m_heard = std::move(heard);
    m_beepAsked = true;
}

void BeepPlayer::close()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_output) {
        av_write_trailer(m_output);
        avformat_free_context(m_output);
        m_output = nullptr;
    }
}

// Player thread: 10 ms chunks, each written as soon as the sink has room.
void BeepPlayer::play()
{
    const AVRational timeBase = m_output->streams[0]->time_base;
    std::vector<int16_t> samples(kChunk);
    qint64 position = 0; // samples written
    qint64 toneStart = -1;
    bool reported = true;
    PacketPtr packet = makePacket();
    while (!m_stop) {
        if (m_beepAsked.exchange(false)) {
            toneStart = position;
            reported = false;
        }
        for (int i = 0; i < kChunk; ++i) {
            const qint64 n = position + i - toneStart;
            samples[size_t(i)] = toneStart >= 0 && n >= 0 && n < kToneSamples
                ? int16_t(20000 * std::sin(2 * M_PI * 1000.0 * double(n) / kRate))
                : 0;
        }
        if (av_new_packet(packet.get(), kChunk * 2) < 0)
            return;
        memcpy(packet->data, samples.data(), size_t(kChunk) * 2);
        packet->pts = packet->dts = av_rescale_q(position, AVRational{1, kRate}, timeBase);
        packet->duration = av_rescale_q(kChunk, AVRational{1, kRate}, timeBase);
        packet->stream_index = 0;
        if (av_write_frame(m_output, packet.get()) < 0)
            return;
        av_packet_unref(packet.get());
        position += kChunk;
        if (!reported) {
            // Where playback is now, by the server's clock.
            int64_t played = 0;
            int64_t wall = 0;
            if (av_get_output_timestamp(m_output, 0, &played, &wall) >= 0) {
                const qint64 startUs = av_rescale_q(toneStart, AVRational{1, kRate}, timeBase);
                const qint64 playedUs = av_rescale_q(played, timeBase, AVRational{1, 1000000});
                if (playedUs >= startUs) {
                    reported = true;
                    if (m_heard)
                        m_heard(wall - (playedUs - startUs));
                }
            }
        }
    }
}

} // namespace kestrel::test
