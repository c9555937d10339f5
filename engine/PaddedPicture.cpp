#include "engine/PaddedPicture.h"

extern "C" {
#include <libavutil/mem.h>
}

namespace kestrel {

namespace {
constexpr qsizetype kRowAlignBytes = 64;

void freeAvMemory(void* memory)
{
    av_free(memory);
}
} // namespace

qsizetype paddedBytesPerLine(int widthPx, int bytesPerPixel)
{
    const qsizetype bytes = qsizetype(std::max(widthPx, 0)) * bytesPerPixel;
    return (bytes + kRowAlignBytes - 1) / kRowAlignBytes * kRowAlignBytes;
}

QImage makePaddedImage(QSize size, QImage::Format format)
{
    if (size.isEmpty())
        return {};
    const int bytesPerPixel = QImage::toPixelFormat(format).bitsPerPixel() / 8;
    if (bytesPerPixel <= 0)
        return {};
    const qsizetype stride = paddedBytesPerLine(size.width(), bytesPerPixel);
    // One spare row (plus the codecs' input padding) for whatever the last
    // row's wide stores reach past it.
    const qsizetype bytes = stride * (qsizetype(size.height()) + 1) + AV_INPUT_BUFFER_PADDING_SIZE;
    auto* memory = static_cast<uchar*>(av_malloc(size_t(bytes)));
    if (!memory)
        return {};
    return QImage(memory, size.width(), size.height(), stride, format, freeAvMemory, memory);
}

bool isPaddedImage(const QImage& image)
{
    if (image.isNull() || !image.isDetached())
        return false;
    const qsizetype stride = image.bytesPerLine();
    return stride % kRowAlignBytes == 0 && stride >= paddedBytesPerLine(image.width(), image.depth() / 8);
}

FramePtr makePaddedFrame(AVPixelFormat format, int widthPx, int heightPx)
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->format = format;
    frame->width = widthPx;
    frame->height = heightPx;
    if (av_frame_get_buffer(frame.get(), int(kRowAlignBytes)) < 0)
        return nullptr;
    return frame;
}

} // namespace kestrel
