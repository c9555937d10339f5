#include "engine/PictureConverter.h"

#include <QTransform>

namespace kestrel {

PictureConverter::PictureConverter(int rotationDegrees)
    : m_rotation(rotationDegrees)
{
}

QImage PictureConverter::convert(const AVFrame* frame, QImage reuse)
{
    const int width = frame->width;
    const int height = frame->height;
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), width, height, AVPixelFormat(frame->format), width, height,
        AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    QImage image = reuse.size() == QSize(width, height) && reuse.format() == QImage::Format_RGB32
        ? std::move(reuse)
        : QImage(width, height, QImage::Format_RGB32);
    if (!m_scaler || image.isNull())
        return {};
    uint8_t* destination[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, height, destination, destinationStride);
    if (m_rotation)
        image = image.transformed(QTransform().rotate(m_rotation));
    return image;
}

} // namespace kestrel
