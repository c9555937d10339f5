#pragma once

#include "engine/FfmpegPtr.h"

#include <QByteArray>
#include <QString>

namespace kestrel {

// Turns JPEG stills made by JpegEncoder back into pictures. One per thread.
class JpegDecoder {
public:
    JpegDecoder();
    ~JpegDecoder();

    // The picture, valid until the next call; nullptr on failure.
    const AVFrame* decode(const QByteArray& jpeg);
    QString lastError() const { return m_error; }

private:
    CodecContextPtr m_context;
    PacketPtr m_packet;
    FramePtr m_frame;
    QString m_error;
};

} // namespace kestrel
