#pragma once

#include "engine/FfmpegPtr.h"

#include <QByteArray>
#include <QString>

namespace kestrel {

// Compresses single pictures into JPEG stills in memory. A camera's picture
// takes a tenth to a twentieth of its raw size, and every still stands on
// its own, so a buffer can let its oldest go one at a time. One per thread.
class JpegEncoder {
public:
    // JPEG quantiser scale, 2 (best) .. 31. 4 keeps a golfer's club sharp
    // at about 1 MB per second of 640x480 camera video.
    static constexpr int kDefaultQuality = 4;

    explicit JpegEncoder(int quality = kDefaultQuality);
    ~JpegEncoder();

    // Any size and pixel format; the encoder follows when either changes.
    // Empty on failure (lastError() says why).
    QByteArray encode(const AVFrame* frame);
    QString lastError() const { return m_error; }

private:
    bool prepare(const AVFrame* frame);

    int m_quality;
    CodecContextPtr m_context;
    SwsPtr m_scaler;
    FramePtr m_picture; // the encoder's format, padded
    PacketPtr m_packet;
    QString m_error;
};

} // namespace kestrel
