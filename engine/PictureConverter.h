#pragma once

#include "engine/FfmpegPtr.h"

#include <QImage>

namespace kestrel {

// Turns a decoded picture into the picture shown: RGB32, upright. One per
// thread (the scaler context is not shared).
class PictureConverter {
public:
    // `storedSize`: the stream's picture size before turning. A damaged
    // picture that comes out of the decoder at another size is scaled to it,
    // so that every picture of a stream has the same size. Empty: each
    // picture keeps its own size.
    explicit PictureConverter(int rotationDegrees, QSize storedSize = {}, int scalerFlags = SWS_BILINEAR);

    // `reuse` (the stored size, padded, held by nobody else) is written over
    // instead of allocating a new picture.
    QImage convert(const AVFrame* frame, QImage reuse = {});

private:
    int m_rotation;
    QSize m_storedSize;
    int m_flags;
    SwsContextPtr m_scaler;
};

} // namespace kestrel
