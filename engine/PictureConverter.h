#pragma once

#include "engine/FfmpegPtr.h"

#include <QImage>

namespace kestrel {

// Turns a decoded picture into the picture shown: RGB32, upright. One per
// thread (the scaler context is not shared).
class PictureConverter {
public:
    explicit PictureConverter(int rotationDegrees);

    // `reuse` (same coded size, held by nobody else) is written over instead of
    // allocating a new picture.
    QImage convert(const AVFrame* frame, QImage reuse = {});

private:
    int m_rotation;
    SwsContextPtr m_scaler;
};

} // namespace kestrel
