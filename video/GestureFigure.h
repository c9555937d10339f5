#pragma once

#include "drawing/KesViewTransform.h"
#include "drawing/clsKesDraw.h"

#include <QImage>

namespace kestrel {

// The figure of a gesture under way, drawn over the clean picture at every
// pointer move: the rubber band of a drawing tool (inverted, so it shows on
// any footage) with the value it measures, the markers of the clicks a
// multi-click tool has placed, and the newest shape being adjusted.
class GestureFigure {
public:
    struct Pen {
        qint32 colour = 0;
        int width = 1;
    };
    // The partner line of a new parallel pair, in video pixels.
    static constexpr double ParallelDistance = 100;

    // The band of the engine's Mode from OldMouse to NewMouse. With
    // `measuring` (the ruler button on) and a calibrated ruler, a line shows
    // its length.
    static void drawBand(
        QImage& picture, const clsKesDraw& draw, const KesViewTransform& view, Pen pen, bool measuring);
    // The newest shape with its grabbed point at NewMouse (when `moved`).
    static void drawAdjusted(QImage& picture, const clsKesDraw& draw, const KesViewTransform& view, bool moved);

    // A shape of `kind` on `points` in `pen`, with its angle worked out.
    static clsKesShape figureOf(const QString& kind, std::initializer_list<KesPoint> points, Pen pen);
};

} // namespace kestrel
