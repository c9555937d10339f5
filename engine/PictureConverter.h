#pragma once

#include "engine/FfmpegPtr.h"

#include <QImage>

namespace kestrel {

// Turns a decoded picture into the picture shown: RGB32, upright. One per
// thread (the scaler context is not shared).
class PictureConverter {
public:
    explicit PictureConverter(int rotationDegrees, int scalerFlags = SWS_BILINEAR);

    // `reuse` (same coded size, padded, held by nobody else) is written over
    // instead of allocating a new picture.
    QImage convert(const AVFrame* frame, QImage reuse = {});

private:
    int m_rotation;
    int m_flags;
    SwsContextPtr m_scaler;
};

} // namespace kestrel
