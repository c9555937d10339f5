#pragma once

#include "engine/FfmpegPtr.h"

#include <cstdint>
#include <vector>

namespace kestrel {

// Makes small grey pictures of decoded frames for motion measures. Frames
// whose first plane is 8-bit luma (every YUV and grey format) are box-averaged
// straight from that plane; any other format goes through libswscale.
//
// One per thread.
class GreyThumbnailer {
public:
    // The thumbnail keeps the coded picture's shape, at most maxWidthPx wide.
    GreyThumbnailer(int codedWidth, int codedHeight, int maxWidthPx = 80);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Fills `out` with width() x height() grey values, row by row.
    bool make(const AVFrame* frame, std::vector<uint8_t>& out);

private:
    void averageLuma(const AVFrame* frame, std::vector<uint8_t>& out) const;
    bool scaleToGrey(const AVFrame* frame, std::vector<uint8_t>& out);

    int m_width;
    int m_height;
    SwsContextPtr m_scaler;
    FramePtr m_grey; // libswscale's target, with padded rows
};

} // namespace kestrel
