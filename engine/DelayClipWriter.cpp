#include "engine/DelayClipWriter.h"

#include "engine/AviWriter.h"
#include "engine/JpegDecoder.h"

#include <algorithm>
#include <cmath>

namespace kestrel {

DelayClipWriter::DelayClipWriter(const AviEncoders& encoders)
    : m_encoders(encoders)
{
}

std::vector<qint64> DelayClipWriter::frameSlots(
    const std::vector<qint64>& captureUs, double framesPerSecond, qint64 frames)
{
    std::vector<qint64> placed(captureUs.size(), -1);
    if (captureUs.empty() || !(framesPerSecond > 0) || frames <= 0)
        return placed;
    const qint64 newestUs = captureUs.back();
    const qint64 lastSlot = frames - 1;
    qint64 taken = lastSlot + 1; // the slot of the picture after the current one
    qint64 first = lastSlot;
    for (auto i = qint64(captureUs.size()) - 1; i >= 0; --i) {
        const double slot = double(lastSlot) - double(newestUs - captureUs[size_t(i)]) * framesPerSecond / 1e6;
        if (slot > double(taken) - 0.5)
            continue; // within the same slot as a newer picture: the camera is faster than the clip
        const qint64 index = std::min(taken - 1, qint64(std::llround(slot)));
        if (index < 0)
            break;
        placed[size_t(i)] = index;
        taken = first = index;
    }
    for (qint64& slot : placed) {
        if (slot >= 0)
            slot -= first;
    }
    return placed;
}

bool DelayClipWriter::write(
    const std::vector<DelayStore::Picture>& pictures, const QString& path, double framesPerSecond, qint64 lengthUs)
{
    m_error.clear();
    m_cancelled = false;
    m_framesWritten = 0;
    m_clipFrames = 0;
    if (pictures.empty()) {
        m_error = QStringLiteral("The buffer holds no pictures yet.");
        return false;
    }
    if (!(framesPerSecond > 0)) {
        m_error = QStringLiteral("The frame rate must be above zero.");
        return false;
    }
    std::vector<qint64> times;
    times.reserve(pictures.size());
    for (const auto& picture : pictures)
        times.push_back(picture.captureUs);
    const qint64 frames = std::max<qint64>(1, std::llround(double(lengthUs) * framesPerSecond / 1e6));
    const std::vector<qint64> placed = frameSlots(times, framesPerSecond, frames);

    JpegDecoder decoder;
    AviWriter writer;
    const int count = int(pictures.size());
    for (int i = 0; i < count; ++i) {
        if (placed[size_t(i)] < 0)
            continue;
        const AVFrame* frame = decoder.decode(pictures[size_t(i)].jpeg);
        if (!frame) {
            m_error = decoder.lastError();
            return false;
        }
        if (!writer.isOpen()
            && !writer.open(path, m_encoders, m_codecIndex, m_settings, frame->width, frame->height, framesPerSecond)) {
            m_error = writer.lastError();
            return false;
        }
        if (!writer.writeFrame(frame, placed[size_t(i)])) {
            m_error = writer.lastError();
            return false;
        }
        m_clipFrames = placed[size_t(i)] + 1;
        if (m_progress && !m_progress((i + 1) * 100 / count)) {
            m_cancelled = true;
            return false; // the writer drops its temporary file
        }
    }
    m_framesWritten = writer.framesWritten();
    if (!writer.finish()) {
        m_error = writer.lastError();
        return false;
    }
    return true;
}

} // namespace kestrel
