#include "ImageEffects.h"

#include <QRect>

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrel::ImageEffects {

namespace {
bool is32Bit(const QImage& image)
{
    return image.depth() == 32;
}

// Writes `width` pixels of `in` into `out` in reverse order (in != out).
void reverseRow(const quint32* in, quint32* out, int width)
{
    int x = 0;
#if defined(__SSE2__)
    for (; x + 4 <= width; x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + width - x - 4), _mm_shuffle_epi32(four, _MM_SHUFFLE(0, 1, 2, 3)));
    }
#endif
    for (; x < width; ++x)
        out[width - 1 - x] = in[x];
}

// One pixel: red and blue blended together in one word, then green.
inline quint32 blendPixel(quint32 s, quint32 d, quint32 weight, quint32 inverse)
{
    const quint32 redBlue = (((s & 0x00FF00FF) * weight + (d & 0x00FF00FF) * inverse) >> 8) & 0x00FF00FF;
    const quint32 green = (((s & 0x0000FF00) * weight + (d & 0x0000FF00) * inverse) >> 8) & 0x0000FF00;
    return 0xFF000000 | redBlue | green;
}

// True when every colour channel of `rgb` is within `tolerance` of the key's.
inline bool nearKey(quint32 rgb, quint32 keyRgb, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int difference = int((rgb >> shift) & 0xFF) - int((keyRgb >> shift) & 0xFF);
        if (difference > tolerance || difference < -tolerance)
            return false;
    }
    return true;
}

// Blends one row of `width` pixels; source pixels within `tolerance` of the
// key colour (per channel) are skipped.
void blendRowNearKey(const quint32* in, quint32* out, int width, quint32 weight, quint32 keyRgb, int tolerance)
{
    const quint32 inverse = 256 - weight;
    int x = 0;
#if defined(__SSE2__)
    // |s - key| per byte from two saturated differences; a pixel is near the
    // key when no colour byte's distance exceeds the tolerance.
    const __m128i zero = _mm_setzero_si128();
    const __m128i rgbMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i key = _mm_set1_epi32(int(keyRgb));
    const __m128i limit = _mm_set1_epi8(char(tolerance));
    for (; x + 4 <= width; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const __m128i distance = _mm_or_si128(_mm_subs_epu8(s, key), _mm_subs_epu8(key, s));
        const __m128i beyond = _mm_and_si128(_mm_subs_epu8(distance, limit), rgbMask);
        const int nearMask = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(beyond, zero)));
        for (int i = 0; i < 4; ++i) {
            if (!(nearMask & (1 << i)))
                out[x + i] = blendPixel(in[x + i], out[x + i], weight, inverse);
        }
    }
#endif
    for (; x < width; ++x) {
        if (!nearKey(in[x], keyRgb, tolerance))
            out[x] = blendPixel(in[x], out[x], weight, inverse);
    }
}

// Blends one row of `width` pixels; key-coloured source pixels are skipped.
void blendRow(const quint32* in, quint32* out, int width, quint32 weight, quint32 keyRgb)
{
    const quint32 inverse = 256 - weight;
    int x = 0;
#if defined(__SSE2__)
    // Four pixels at a time: channels widened to 16 bits (s*w + d*(256-w)
    // stays below 65536), and a compare mask keeps the destination where the
    // source has the key colour.
    const __m128i zero = _mm_setzero_si128();
    const __m128i rgbMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i key = _mm_set1_epi32(int(keyRgb));
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000));
    const __m128i w = _mm_set1_epi16(short(weight));
    const __m128i iw = _mm_set1_epi16(short(inverse));
    for (; x + 4 <= width; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + x));
        const __m128i keep = _mm_cmpeq_epi32(_mm_and_si128(s, rgbMask), key);
        const __m128i low = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), w),
                                               _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), iw)),
            8);
        const __m128i high = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), w),
                                                _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), iw)),
            8);
        const __m128i blended = _mm_or_si128(_mm_packus_epi16(low, high), opaque);
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + x), _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, blended)));
    }
#endif
    for (; x < width; ++x) {
        if ((in[x] & 0x00FFFFFF) != keyRgb)
            out[x] = blendPixel(in[x], out[x], weight, inverse);
    }
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

namespace {
// The destination rows of a band, as [first, end).
std::pair<int, int> bandRows(RowBand rows, int height)
{
    const int first = std::clamp(rows.first, 0, height);
    const int end = rows.count < 0 ? height : std::clamp(first + rows.count, first, height);
    return {first, end};
}
} // namespace

void copyInto(const QImage& source, QImage& destination, bool mirror, RowBand rows)
{
    if (source.isNull() || source.size() != destination.size() || !is32Bit(source) || !is32Bit(destination))
        return;
    const int width = source.width();
    const size_t rowBytes = size_t(width) * 4;
    const auto [first, end] = bandRows(rows, source.height());
    for (int y = first; y < end; ++y) {
        const auto* in = reinterpret_cast<const quint32*>(source.constScanLine(y));
        auto* out = reinterpret_cast<quint32*>(destination.scanLine(y));
        if (mirror)
            reverseRow(in, out, width);
        else
            std::memcpy(out, in, rowBytes);
    }
}

QImage stretchNearest(const QImage& source, QSize size)
{
    if (source.isNull() || size.isEmpty() || !is32Bit(source))
        return {};
    if (source.size() == size)
        return source;
    QImage out(size, source.format());
    const qint64 sourceWidth = source.width(), sourceHeight = source.height();
    std::vector<int> columns(size_t(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[size_t(x)] = int(((2 * qint64(x) + 1) * sourceWidth) / (2 * qint64(size.width())));
    for (int y = 0; y < size.height(); ++y) {
        const int sourceY = int(((2 * qint64(y) + 1) * sourceHeight) / (2 * qint64(size.height())));
        const auto* in = reinterpret_cast<const quint32*>(source.constScanLine(sourceY));
        auto* row = reinterpret_cast<quint32*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = in[columns[size_t(x)]];
    }
    return out;
}

void blendKeyed(
    QImage& destination, QPoint at, const QImage& source, int alpha, QRgb key, RowBand rows, int keyTolerance)
{
    if (destination.isNull() || source.isNull() || !is32Bit(destination) || !is32Bit(source))
        return;
    alpha = std::clamp(alpha, 0, 255);
    const auto [first, end] = bandRows(rows, destination.height());
    const QRect band(0, first, destination.width(), end - first);
    const QRect target = QRect(at, source.size()).intersected(band);
    if (target.isEmpty())
        return;

    // Weights out of 256 so that 255 gives the source exactly and 0 the
    // destination exactly.
    const quint32 weight = quint32(alpha) + (quint32(alpha) >> 7);
    const quint32 keyRgb = key & 0x00FFFFFF;
    const int sourceLeft = target.left() - at.x();
    for (int y = target.top(); y <= target.bottom(); ++y) {
        const auto* in = reinterpret_cast<const quint32*>(source.constScanLine(y - at.y())) + sourceLeft;
        auto* out = reinterpret_cast<quint32*>(destination.scanLine(y)) + target.left();
        if (keyTolerance > 0)
            blendRowNearKey(in, out, target.width(), weight, keyRgb, std::min(keyTolerance, 255));
        else
            blendRow(in, out, target.width(), weight, keyRgb);
    }
}

} // namespace kestrel::ImageEffects
