#include "KesHitTest.h"

#include "drawing/KesPrimitives.h"
#include "drawing/KesShapeKind.h"
#include "drawing/clsKesDraw.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace kestrel {

int KesHitTest::pointNear(const clsKesShape& shape, QPointF p, double tolerance)
{
    const int used = KesShapeKind::usedPoints(shape.ShapeType());
    for (int i = 0; i < used; ++i) {
        const KesPoint point = shape.Points(i);
        if (std::abs(point.x - p.x()) <= tolerance && std::abs(point.y - p.y()) <= tolerance)
            return i;
    }
    return -1;
}

bool KesHitTest::touches(const clsKesShape& shape, QPointF p, double tolerance, double penWidth)
{
    if (pointNear(shape, p, tolerance) >= 0)
        return true;
    const QPainterPath path = centreline(shape);
    if (path.isEmpty())
        return false;
    QPainterPathStroker stroker;
    stroker.setWidth(std::max(1.0, penWidth) + 2 * tolerance);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    // The stroke's outline overlaps itself at joins; winding fill counts those as inside.
    QPainterPath area = stroker.createStroke(path);
    area.setFillRule(Qt::WindingFill);
    return area.contains(p);
}

QPainterPath KesHitTest::centreline(const clsKesShape& shape)
{
    namespace Kind = KesShapeKind;
    const QString kind = shape.ShapeType();
    const KesPoint p0 = shape.Points(0), p1 = shape.Points(1), p2 = shape.Points(2);
    if (kind == Kind::Rectangle)
        return KesPrimitives::rectanglePath(p0, p1);
    if (kind == Kind::Ellipse)
        return KesPrimitives::ellipsePath(p0, p1);
    if (kind == Kind::Parallel)
        return KesPrimitives::parallelPath(p0, p1, shape.Distance());
    if (kind == Kind::Curve) {
        KesPoint centre;
        double radius = 0;
        bool clockWise = false;
        return KesPrimitives::arcPath(p0, p1, p2, centre, radius, clockWise);
    }
    if (kind == Kind::Angle) {
        QPainterPath path = KesPrimitives::linePath(p0, p1);
        path.addPath(KesPrimitives::linePath(p1, p2));
        return path;
    }
    if (kind == Kind::VerticalAngle || kind == Kind::HorizontalAngle) {
        QPainterPath path = KesPrimitives::linePath(p0, p1);
        path.addPath(KesPrimitives::linePath(p0, clsKesDraw::ReferenceArmEnd(shape)));
        return path;
    }
    if (Kind::isSegment(kind))
        return KesPrimitives::linePath(p0, p1);
    return {};
}

} // namespace kestrel
