#include "engine/PictureConverter.h"

#include "engine/PaddedPicture.h"

#include <QTransform>

namespace kestrel {

PictureConverter::PictureConverter(int rotationDegrees, QSize storedSize, int scalerFlags)
    : m_rotation(rotationDegrees)
    , m_storedSize(storedSize)
    , m_flags(scalerFlags)
{
}

QImage PictureConverter::convert(const AVFrame* frame, QImage reuse)
{
    const int width = m_storedSize.isEmpty() ? frame->width : m_storedSize.width();
    const int height = m_storedSize.isEmpty() ? frame->height : m_storedSize.height();
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height, AVPixelFormat(frame->format),
        width, height, AV_PIX_FMT_BGRA, m_flags, nullptr, nullptr, nullptr));
    if (!m_scaler)
        return {};
    const bool reusable
        = reuse.size() == QSize(width, height) && reuse.format() == QImage::Format_RGB32 && isPaddedImage(reuse);
    QImage image = reusable ? std::move(reuse) : makePaddedImage(QSize(width, height));
    if (image.isNull())
        return {};
    uint8_t* destination[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, destination, destinationStride);
    if (m_rotation)
        image = image.transformed(QTransform().rotate(m_rotation));
    return image;
}

} // namespace kestrel
