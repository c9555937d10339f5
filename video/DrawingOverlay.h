#pragma once

#include "drawing/KesViewTransform.h"
#include "drawing/clsKesDraw.h"

#include <QImage>
#include <QList>
#include <QSize>

#include <optional>

namespace kestrel {

// Lays a window's drawings over its composed picture: every finished shape
// with its value, the grid, and the marks of editing (adjust markers,
// selection handles). Shapes live in video pixels and are drawn through the
// view transform, so they stay on the video at any zoom and mirror.
class DrawingOverlay {
public:
    struct Request {
        const clsKesDraw* draw = nullptr;
        KesViewTransform view;
        QSize nativePx; // the video's own size, for the grid's cells
        QList<int> hidden; // positions left out (their drag feedback shows them)
        int markedPosition = 0; // the shape whose point slots carry red markers (adjust mode)
        QList<int> handles; // selected positions, drawn with handles on their points
    };

    static void draw(QImage& picture, const Request& request);

    // One shape's figure and value. Angles read in whole degrees once
    // finished and with `angleDecimals` while they are being drawn.
    static void drawShape(QImage& picture, const clsKesShape& shape, const KesViewTransform& view, int drawMode,
        const clsKesRuler& ruler, int angleDecimals = 0);
    // The value a shape shows and where, if it shows one: angles at their
    // vertex, kept lengths (once calibrated) at their start.
    struct Label {
        QString text;
        KesPoint at; // video pixels
    };
    static std::optional<Label> labelOf(const clsKesShape& shape, const clsKesRuler& ruler, int angleDecimals);
    // Calibrated length of the segment a-b (video pixels).
    static double lengthOf(KesPoint a, KesPoint b, const clsKesRuler& ruler);

    // A red dot of pen width 6, as the classic markers are.
    static void drawMarker(QImage& picture, KesPoint native, const KesViewTransform& view);
    // A selection handle: a red dot in a white ring, visible on any pen colour.
    static void drawHandle(QImage& picture, KesPoint native, const KesViewTransform& view);
    static constexpr int MarkerWidth = 6;
    static constexpr int HandleWidth = 10;
};

} // namespace kestrel
