#pragma once

#include <QImage>
#include <QPoint>
#include <QRgb>

namespace kestrel {

// Small pixel routines for composing video pictures. They work on 32-bit
// images (Format_RGB32 / ARGB32) and are written to stay well inside a frame
// period at 1920x1080.
namespace ImageEffects {

// The colour that a model picture uses for "nothing here".
constexpr QRgb TransparentKey = 0xFF00FF;

// Mirrors the picture left to right in place.
void mirrorInPlace(QImage& picture);

// Writes `source` into `destination` (same size, both 32-bit), mirrored left
// to right when `mirror` is set. One pass instead of copy-then-mirror.
// `rows` limits the work to a band of rows (all rows when empty).
struct RowBand {
    int first = 0;
    int count = -1; // -1: to the last row
};
void copyInto(const QImage& source, QImage& destination, bool mirror, RowBand rows = {});

// Nearest-pixel stretch of a 32-bit picture to `size`, sampling each target
// pixel's centre; the key colour stays exact. Returns `source` itself when
// the size already matches.
QImage stretchNearest(const QImage& source, QSize size);

// Blends `source` onto `destination` with its top-left corner at `at`, with a
// constant opacity `alpha` (0 = destination unchanged, 255 = source alone).
// Source pixels whose colour is exactly `key` are left out; with a
// `keyTolerance` above 0 so is every pixel whose red, green and blue each
// lie within that distance of the key's (compressed video shifts magenta a
// little). The rectangle is clipped at the destination's edges; an offset
// off the picture is allowed. `rows` limits the work to a band of
// destination rows.
void blendKeyed(QImage& destination, QPoint at, const QImage& source, int alpha, QRgb key = TransparentKey,
    RowBand rows = {}, int keyTolerance = 0);

} // namespace ImageEffects
} // namespace kestrel
