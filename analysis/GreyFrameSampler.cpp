#include "analysis/GreyFrameSampler.h"

#include "engine/PaddedPicture.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>

namespace kestrel {

GreyFrameSampler::GreyFrameSampler(QSize storedSizePx, int rotationDegrees, int maxSidePx)
    : m_storedSizePx(storedSizePx.expandedTo(QSize(1, 1)))
    , m_rotation(rotationDegrees)
    , m_scale(std::min(1.0, double(maxSidePx) / std::max(m_storedSizePx.width(), m_storedSizePx.height())))
    , m_workingPx(std::max(1, int(std::lround(m_storedSizePx.width() * m_scale))),
          std::max(1, int(std::lround(m_storedSizePx.height() * m_scale))))
{
}

cv::Size GreyFrameSampler::size() const
{
    const bool sideways = m_rotation % 180 != 0;
    return sideways ? cv::Size(m_workingPx.height(), m_workingPx.width())
                    : cv::Size(m_workingPx.width(), m_workingPx.height());
}

bool GreyFrameSampler::sample(const AVFrame* frame, cv::Mat& out)
{
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return false;
    // Area averaging keeps fine texture from aliasing when shrinking; the
    // grey of a YUV frame is its luma, so this is one pass over one plane.
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height, AVPixelFormat(frame->format),
        m_workingPx.width(), m_workingPx.height(), AV_PIX_FMT_GRAY8, m_scale < 1 ? SWS_AREA : SWS_POINT, nullptr,
        nullptr, nullptr));
    if (!m_scaler)
        return false;
    if (!m_grey) {
        m_grey = makePaddedFrame(AV_PIX_FMT_GRAY8, m_workingPx.width(), m_workingPx.height());
        if (!m_grey)
            return false;
    }
    sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, m_grey->data, m_grey->linesize);
    const cv::Mat grey(
        m_workingPx.height(), m_workingPx.width(), CV_8UC1, m_grey->data[0], size_t(m_grey->linesize[0]));
    out = cv::Mat();
    switch (m_rotation) {
    case 90:
        cv::rotate(grey, out, cv::ROTATE_90_CLOCKWISE);
        break;
    case 180:
        cv::rotate(grey, out, cv::ROTATE_180);
        break;
    case 270:
        cv::rotate(grey, out, cv::ROTATE_90_COUNTERCLOCKWISE);
        break;
    default:
        grey.copyTo(out);
    }
    return true;
}

} // namespace kestrel
