#include "ImageEffects.h"

#include <QRect>

#include <algorithm>
#include <cstring>

namespace kestrel::ImageEffects {

namespace {
bool is32Bit(const QImage& image)
{
    return image.depth() == 32;
}
} // namespace

void mirrorInPlace(QImage& picture)
{
    if (picture.isNull() || !is32Bit(picture))
        return;
    const int width = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(picture.scanLine(y));
        std::reverse(row, row + width);
    }
}

void copyInto(const QImage& source, QImage& destination, bool mirror)
{
    if (source.isNull() || source.size() != destination.size() || !is32Bit(source) || !is32Bit(destination))
        return;
    const int width = source.width();
    const size_t rowBytes = size_t(width) * 4;
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const quint32*>(source.constScanLine(y));
        auto* out = reinterpret_cast<quint32*>(destination.scanLine(y));
        if (mirror)
            std::reverse_copy(in, in + width, out);
        else
            std::memcpy(out, in, rowBytes);
    }
}

void blendKeyed(QImage& destination, QPoint at, const QImage& source, int alpha, QRgb key)
{
    if (destination.isNull() || source.isNull() || !is32Bit(destination) || !is32Bit(source))
        return;
    alpha = std::clamp(alpha, 0, 255);
    const QRect target = QRect(at, source.size()).intersected(destination.rect());
    if (target.isEmpty())
        return;

    // Weights out of 256 so that 255 gives the source exactly and 0 the
    // destination exactly; red and blue are blended together in one word.
    const quint32 weight = quint32(alpha) + (quint32(alpha) >> 7);
    const quint32 inverse = 256 - weight;
    const quint32 keyRgb = key & 0x00FFFFFF;
    const int sourceLeft = target.left() - at.x();
    const int width = target.width();

    for (int y = target.top(); y <= target.bottom(); ++y) {
        const auto* in = reinterpret_cast<const quint32*>(source.constScanLine(y - at.y())) + sourceLeft;
        auto* out = reinterpret_cast<quint32*>(destination.scanLine(y)) + target.left();
        for (int x = 0; x < width; ++x) {
            const quint32 s = in[x];
            if ((s & 0x00FFFFFF) == keyRgb)
                continue;
            const quint32 d = out[x];
            const quint32 redBlue = (((s & 0x00FF00FF) * weight + (d & 0x00FF00FF) * inverse) >> 8) & 0x00FF00FF;
            const quint32 green = (((s & 0x0000FF00) * weight + (d & 0x0000FF00) * inverse) >> 8) & 0x0000FF00;
            out[x] = 0xFF000000 | redBlue | green;
        }
    }
}

} // namespace kestrel::ImageEffects
