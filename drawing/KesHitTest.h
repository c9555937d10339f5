#pragma once

#include "drawing/clsKesShape.h"

#include <QPainterPath>
#include <QPointF>

namespace kestrel {

// Where a pointer touches a finished shape. Shape and pointer are in the same
// coordinates (the video's pixels); tolerances are in those units too.
class KesHitTest {
public:
    // The first of the points the shape's kind uses that lies within
    // `tolerance` of p in each axis (the square the adjust handles use); -1
    // when none does.
    static int pointNear(const clsKesShape& shape, QPointF p, double tolerance);
    // Whether p lies on the shape's stroke, `penWidth` wide, or within
    // `tolerance` of it or of one of its points.
    static bool touches(const clsKesShape& shape, QPointF p, double tolerance, double penWidth);
    // The centre lines of the shape's figure, as it is drawn.
    static QPainterPath centreline(const clsKesShape& shape);
};

} // namespace kestrel
