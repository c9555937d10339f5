#pragma once

#include "engine/FfmpegPtr.h"

#include <QtGlobal>

#include <memory>

namespace kestrel {

// A captured picture and the moment it was taken, in microseconds on the
// recording's clock (RecordingClock). The frame is shared read-only between
// its consumers (recorder, preview, ...); none may write into it.
struct TimedPicture {
    std::shared_ptr<const AVFrame> frame;
    qint64 captureUs = 0;
};

// Takes over a frame's buffers (by reference) into a shareable picture.
inline std::shared_ptr<const AVFrame> shareFrame(const AVFrame* source)
{
    AVFrame* copy = av_frame_clone(source);
    if (!copy)
        return nullptr;
    return std::shared_ptr<const AVFrame>(copy, [](const AVFrame* frame) {
        auto* owned = const_cast<AVFrame*>(frame);
        av_frame_free(&owned);
    });
}

// Whoever wants the captured pictures: a recorder's queue, the live preview,
// a ring buffer. Called on the capture thread for every picture; it must
// return at once (hand the picture on, never encode or wait here).
class PictureSink {
public:
    virtual ~PictureSink() = default;
    virtual void takePicture(const TimedPicture& picture) = 0;
};

} // namespace kestrel
