#pragma once

#include "engine/PictureQueue.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrel {

// What a QueuedEncoder feeds: an encoder with its file. Called on the
// encoder thread only.
class PictureEncoder {
public:
    virtual ~PictureEncoder() = default;
    // frameIndex grows; a gap is a span of pictures that were not taken
    // (the file shows the previous picture for it).
    virtual bool encodePicture(const AVFrame* frame, qint64 frameIndex) = 0;
    // Drains the encoder and completes the file.
    virtual bool finishFile() = 0;
    virtual QString lastError() const = 0;
};

// Encodes captured pictures on a thread of its own, behind a bounded queue, so
// that capturing never waits for the compressor. Each picture goes to the
// frame slot of its capture time, so the file keeps real time whether or not
// the compressor keeps up: pictures it could not take are dropped and
// counted, and the next one lands where it belongs. The queue holds no more
// pictures than the compressor encodes in about a second, so that stopping
// never waits long for the rest.
class QueuedEncoder : public PictureSink {
public:
    struct Progress {
        qint64 written = 0; // pictures encoded
        qint64 dropped = 0; // pictures the compressor could not take
        int queued = 0; // pictures waiting
        int capacity = 0; // places in the queue now (fewer for a slow compressor)
        qint64 recordedUs = 0; // time captured so far; after stop(), time encoded into the file
        bool stopping = false; // stop() was called; the queue drains
        bool finished = false; // the file is complete (or failed)
    };
    // Runs on the encoder thread when the file is complete or has failed.
    using Finished = std::function<void(bool ok, const QString& error)>;

    QueuedEncoder(PictureEncoder& encoder, double framesPerSecond, int queueCapacity);
    ~QueuedEncoder() override; // abandons what waits and joins the thread

    void setFinished(Finished finished) { m_finished = std::move(finished); }
    // Makes every picture take at least this long to encode (for tests of a
    // compressor that cannot keep up).
    void setMinimumEncodeMs(int ms) { m_minimumEncodeMs = ms; }

    // Capture times count from originUs, the moment recording began, so the
    // file lasts as long as the recording did; the first picture taken opens
    // the file however late it comes.
    void start(qint64 originUs = 0);
    // Capture thread: queue the picture; ignored after stop() and before the origin.
    void takePicture(const TimedPicture& picture) override;
    // Any thread; returns at once. No picture after endUs is taken; the
    // queue drains and the file ends at endUs.
    void stop(qint64 endUs);
    // Waits for the file to be complete.
    void wait();

    Progress progress() const;
    // The capture time the file's time 0 stands for.
    qint64 originUs() const { return m_originUs; }
    // Frame slot of a capture time.
    static qint64 frameIndexAt(qint64 captureUs, double framesPerSecond);

private:
    void run();

    PictureEncoder& m_encoder;
    const double m_framesPerSecond;
    PictureQueue m_queue;
    Finished m_finished;
    int m_minimumEncodeMs = 0;
    std::thread m_thread;
    std::atomic<qint64> m_originUs{0};
    std::atomic<qint64> m_endUs{-1};
    std::atomic<qint64> m_written{0};
    std::atomic<qint64> m_recordedUs{0};
    std::atomic<qint64> m_capturedUs{0};
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_done{false};
};

} // namespace kestrel
