#include "analysis/GreyThumbnailer.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace kestrel {

namespace {

// At most this many rows of a thumbnail cell are summed: enough to average
// out noise, few enough to keep big frames cheap (and their column sums
// within 16 bits).
constexpr int kRowsPerCell = 4;

bool hasLumaPlane(int format)
{
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(AVPixelFormat(format));
    if (!descriptor || descriptor->nb_components < 1)
        return false;
    const auto unusable
        = AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL;
    const AVComponentDescriptor& luma = descriptor->comp[0];
    return !(descriptor->flags & unusable) && luma.plane == 0 && luma.step == 1 && luma.offset == 0 && luma.shift == 0
        && luma.depth == 8;
}

} // namespace

GreyThumbnailer::GreyThumbnailer(int codedWidth, int codedHeight, int maxWidthPx)
    : m_width(std::clamp(codedWidth, 1, std::max(1, maxWidthPx)))
    , m_height(std::max(1, int(std::lround(double(m_width) * codedHeight / std::max(1, codedWidth)))))
{
}

bool GreyThumbnailer::make(const AVFrame* frame, std::vector<uint8_t>& out)
{
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return false;
    out.resize(size_t(m_width) * size_t(m_height));
    if (hasLumaPlane(frame->format) && frame->width >= m_width && frame->height >= m_height) {
        averageLuma(frame, out);
        return true;
    }
    return scaleToGrey(frame, out);
}

void GreyThumbnailer::averageLuma(const AVFrame* frame, std::vector<uint8_t>& out) const
{
    const int sourceWidth = frame->width;
    const int sourceHeight = frame->height;
    // Whole rows are added into column sums first (a loop the compiler turns
    // into wide vector adds), then the columns of each cell are added up.
    std::vector<uint16_t> columns(static_cast<size_t>(sourceWidth));
    for (int ty = 0; ty < m_height; ++ty) {
        const int y0 = ty * sourceHeight / m_height;
        const int y1 = (ty + 1) * sourceHeight / m_height;
        const int rowStep = std::max(1, (y1 - y0) / kRowsPerCell);
        std::fill(columns.begin(), columns.end(), 0);
        int rows = 0;
        uint16_t* __restrict sums = columns.data(); // never the picture's bytes: lets the adds vectorise
        for (int y = y0; y < y1 && rows < kRowsPerCell; y += rowStep, ++rows) {
            const uint8_t* __restrict line = frame->data[0] + qint64(y) * frame->linesize[0];
            for (int x = 0; x < sourceWidth; ++x)
                sums[x] = uint16_t(sums[x] + line[x]);
        }
        for (int tx = 0; tx < m_width; ++tx) {
            const int x0 = tx * sourceWidth / m_width;
            const int x1 = (tx + 1) * sourceWidth / m_width;
            uint32_t sum = 0;
            for (int x = x0; x < x1; ++x)
                sum += columns[size_t(x)];
            const auto count = uint32_t(std::max(1, (x1 - x0) * rows));
            out[size_t(ty) * size_t(m_width) + size_t(tx)] = uint8_t((sum + count / 2) / count);
        }
    }
}

bool GreyThumbnailer::scaleToGrey(const AVFrame* frame, std::vector<uint8_t>& out)
{
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height, AVPixelFormat(frame->format),
        m_width, m_height, AV_PIX_FMT_GRAY8, SWS_AREA, nullptr, nullptr, nullptr));
    if (!m_scaler)
        return false;
    if (!m_grey) {
        m_grey = makeFrame();
        m_grey->format = AV_PIX_FMT_GRAY8;
        m_grey->width = m_width;
        m_grey->height = m_height;
        // Rows padded to 64 bytes with room after the last: libswscale's SIMD writes past the row end.
        if (av_frame_get_buffer(m_grey.get(), 64) < 0) {
            m_grey.reset();
            return false;
        }
    }
    sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, m_grey->data, m_grey->linesize);
    for (int y = 0; y < m_height; ++y)
        std::copy_n(m_grey->data[0] + qint64(y) * m_grey->linesize[0], m_width, out.begin() + qint64(y) * m_width);
    return true;
}

} // namespace kestrel
