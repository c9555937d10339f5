#include "engine/QueuedEncoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace kestrel {

QueuedEncoder::QueuedEncoder(PictureEncoder& encoder, double framesPerSecond, int queueCapacity)
    : m_encoder(encoder)
    , m_framesPerSecond(framesPerSecond > 0 ? framesPerSecond : 25)
    , m_queue(queueCapacity)
{
}

QueuedEncoder::~QueuedEncoder()
{
    m_queue.abandon();
    if (m_thread.joinable())
        m_thread.join();
}

void QueuedEncoder::start(qint64 originUs)
{
    m_originUs = originUs;
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
}

void QueuedEncoder::takePicture(const TimedPicture& picture)
{
    if (m_stopping || picture.captureUs < m_originUs)
        return;
    const qint64 sinceOrigin = picture.captureUs - m_originUs;
    m_capturedUs = std::max<qint64>(m_capturedUs, sinceOrigin);
    m_queue.takePicture({picture.frame, sinceOrigin});
}

void QueuedEncoder::stop(qint64 endUs)
{
    if (m_stopping.exchange(true))
        return;
    m_endUs = std::max<qint64>(0, endUs - m_originUs);
    m_queue.close();
}

void QueuedEncoder::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

qint64 QueuedEncoder::frameIndexAt(qint64 captureUs, double framesPerSecond)
{
    return std::llround(double(captureUs) * framesPerSecond / 1e6);
}

QueuedEncoder::Progress QueuedEncoder::progress() const
{
    Progress p;
    p.written = m_written;
    p.dropped = m_queue.dropped();
    p.queued = m_queue.size();
    p.capacity = m_queue.limit();
    // While recording, what has been captured; once stopped, what is in the file.
    p.recordedUs = m_stopping ? m_recordedUs.load() : m_capturedUs.load();
    p.stopping = m_stopping;
    p.finished = m_done;
    return p;
}

// Encoder thread.
void QueuedEncoder::run()
{
    qint64 nextIndex = 0;
    double averageEncodeUs = 0;
    std::shared_ptr<const AVFrame> last;
    bool ok = true;
    while (std::optional<TimedPicture> picture = m_queue.pop()) {
        const qint64 endUs = m_endUs;
        if (endUs >= 0 && picture->captureUs > endUs)
            continue;
        const auto began = std::chrono::steady_clock::now();
        // The first picture opens the file at 0; later ones go to the slot of
        // their time. A picture a little late (a busy machine stamps it late)
        // still takes the free slot before it rather than leave a gap.
        const double slot = double(picture->captureUs) * m_framesPerSecond / 1e6;
        if (m_written > 0 && slot < double(nextIndex) - 0.5)
            continue; // the device delivers faster than the file's rate
        const qint64 index = m_written == 0 ? 0 : std::max(nextIndex, std::llround(slot - 0.4));
        if (!m_encoder.encodePicture(picture->frame.get(), index)) {
            ok = false;
            m_queue.abandon();
            break;
        }
        if (m_minimumEncodeMs > 0)
            std::this_thread::sleep_until(began + std::chrono::milliseconds(m_minimumEncodeMs));
        const double encodeUs = double(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began).count());
        averageEncodeUs = averageEncodeUs > 0 ? 0.8 * averageEncodeUs + 0.2 * encodeUs : encodeUs;
        m_queue.setLimit(std::max(2, int(1e6 / std::max(1.0, averageEncodeUs))));
        nextIndex = index + 1;
        last = picture->frame;
        m_recordedUs = picture->captureUs;
        ++m_written;
    }
    // The file lasts until the stop: the last picture stays up to the end,
    // through the slot the stop falls in.
    const qint64 endIndex = m_endUs >= 0 ? qint64(std::ceil(double(m_endUs) * m_framesPerSecond / 1e6 - 1e-9)) : -1;
    if (ok && last && endIndex - 1 >= nextIndex) {
        ok = m_encoder.encodePicture(last.get(), endIndex - 1);
        if (ok)
            m_recordedUs = m_endUs.load();
    }
    last.reset();
    // What was recorded before a failure is kept when the file can still be completed.
    const QString encodeError = ok ? QString() : m_encoder.lastError();
    const bool completed = m_written > 0 && m_encoder.finishFile();
    const QString error = !encodeError.isEmpty() ? encodeError
        : completed                              ? QString()
        : m_written == 0                         ? QStringLiteral("No picture was recorded.")
                                                 : m_encoder.lastError();
    m_done = true;
    if (m_finished)
        m_finished(ok && completed, error);
}

} // namespace kestrel
