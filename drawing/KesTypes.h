#pragma once

#include <QtGlobal>

namespace kestrel {

// A point of the video picture, in pixels (origin top left, y grows downwards).
struct KesPoint {
    qint32 x = 0;
    qint32 y = 0;
    friend bool operator==(const KesPoint&, const KesPoint&) = default;
};

// A rectangle record: left, top, right, bottom in picture pixels.
struct KesRect {
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;
    friend bool operator==(const KesRect&, const KesRect&) = default;
};

// How a primitive draws: below PaintMode the pixels under the stroke are
// inverted (drawing the same figure again restores them); from PaintMode on
// the stroke is painted in the pen colour.
constexpr int InvertMode = 13;
constexpr int PaintMode = 14;

// Pen colours are packed 0x00BBGGRR (red in the low byte).
constexpr qint32 RedColour = 0x0000FF;

} // namespace kestrel
