#pragma once

#include "drawing/KesTypes.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>

namespace kestrel {

// Strokes one figure onto a picture, painted or inverted. The stroke is
// scan-converted here into row spans (pixel centres on integer coordinates,
// non-zero winding), so every covered pixel is touched exactly once per
// figure: an inverted figure whose strokes overlap still restores the picture
// when drawn twice, painted and inverted figures cover the same pixels, and
// no raster-operation or worker-thread path of the painter is involved.
class KesRaster {
public:
    // Strokes `centreline` with a solid, round-capped, round-joined pen of
    // `width` pixels (at least 1).
    static void strokePath(QImage& surface, int drawMode, qint32 colour, int width, const QPainterPath& centreline);
    // A round dot of diameter `width` centred on `centre`.
    static void dot(QImage& surface, int drawMode, qint32 colour, int width, QPointF centre);

    // 0x00BBGGRR to a colour.
    static QColor toColor(qint32 bgr);

private:
    static void fillOutline(QImage& surface, int drawMode, qint32 colour, const QPainterPath& outline);
};

} // namespace kestrel
