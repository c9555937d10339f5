#pragma once

#include "engine/FfmpegPtr.h"

#include <QSize>

#include <opencv2/core.hpp>

namespace kestrel {

// Turns decoded frames into upright grey pictures at a working scale for
// tracking: the stored picture's longer side is brought down to at most
// maxSidePx (never enlarged), then turned as a player shows it.
//
// One per thread.
class GreyFrameSampler {
public:
    GreyFrameSampler(QSize storedSizePx, int rotationDegrees, int maxSidePx);

    // Working pixels per upright video pixel.
    double scale() const { return m_scale; }
    cv::Size size() const; // upright
    // A new picture in `out` each time (the tracker keeps the last one).
    bool sample(const AVFrame* frame, cv::Mat& out);

private:
    QSize m_storedSizePx;
    int m_rotation;
    double m_scale;
    QSize m_workingPx; // before turning
    SwsContextPtr m_scaler;
    FramePtr m_grey;
};

} // namespace kestrel
