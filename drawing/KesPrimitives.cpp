#include "KesPrimitives.h"

#include "drawing/KesGeometry.h"
#include "drawing/KesRaster.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kestrel {

namespace {

QPointF toQt(KesPoint p)
{
    return QPointF(p.x, p.y);
}

// A zero-length segment shows as a dot of the pen's width (the marker dots
// are drawn that way).
void addSegment(QPainterPath& path, KesPoint p1, KesPoint p2)
{
    path.moveTo(toQt(p1));
    path.lineTo(toQt(p2));
}

void strokeSegments(
    QImage& surface, int drawMode, qint32 colour, int width, const QPainterPath& path, KesPoint p1, KesPoint p2)
{
    if (p1 == p2)
        KesRaster::dot(surface, drawMode, colour, width, toQt(p1));
    else
        KesRaster::strokePath(surface, drawMode, colour, width, path);
}

} // namespace

QPainterPath KesPrimitives::linePath(KesPoint p1, KesPoint p2)
{
    QPainterPath path;
    addSegment(path, p1, p2);
    return path;
}

QPainterPath KesPrimitives::rectanglePath(KesPoint p1, KesPoint p2)
{
    QPainterPath path;
    path.moveTo(p1.x, p1.y);
    path.lineTo(p2.x, p1.y);
    path.lineTo(p2.x, p2.y);
    path.lineTo(p1.x, p2.y);
    path.closeSubpath();
    return path;
}

QPainterPath KesPrimitives::ellipsePath(KesPoint point1, KesPoint point2)
{
    QPainterPath path;
    path.addEllipse(QRectF(toQt(point1), toQt(point2)).normalized());
    return path;
}

QPainterPath KesPrimitives::parallelPath(KesPoint p1, KesPoint p2, double fLine)
{
    QPainterPath path;
    addSegment(path, p1, p2);
    if (const auto partner = KesGeometry::parallelPartner(p1, p2, fLine))
        addSegment(path, partner->first, partner->second);
    return path;
}

QPainterPath KesPrimitives::arcPath(
    KesPoint point1, KesPoint point2, KesPoint point3, KesPoint& centrepoint, double& radius, bool& clockWise)
{
    if (KesGeometry::CalcInterSect(point1, point2, point3, centrepoint) == 1) {
        radius = 0;
        clockWise = false;
        return {};
    }
    radius = KesGeometry::CalcRadius(point1, centrepoint);
    const KesPoint c = centrepoint;
    const QRectF box(QPointF(KesGeometry::roundHalfEven(c.x - radius), KesGeometry::roundHalfEven(c.y - radius)),
        QPointF(KesGeometry::roundHalfEven(c.x + radius), KesGeometry::roundHalfEven(c.y + radius)));
    clockWise = KesGeometry::AngleWise(point1, point2, point3, c);

    // Always swept counter-clockwise, starting from whichever end makes the
    // sweep pass through point 2.
    const auto directionOf = [&](KesPoint p) { return KesGeometry::ATNAngle(double(p.x) - c.x, double(c.y) - p.y); };
    const double start = clockWise ? directionOf(point3) : directionOf(point1);
    const double end = clockWise ? directionOf(point1) : directionOf(point3);
    double sweep = end - start;
    if (sweep <= 0)
        sweep += KesGeometry::TwoPi;
    const double toDegrees = 180.0 / KesGeometry::Pi;
    QPainterPath path;
    path.arcMoveTo(box, start * toDegrees);
    path.arcTo(box, start * toDegrees, sweep * toDegrees);
    return path;
}

void KesPrimitives::DrawLine(KesPoint p1, KesPoint p2, QImage& surface, int drawMode, qint32 colour, int width, int)
{
    strokeSegments(surface, drawMode, colour, width, linePath(p1, p2), p1, p2);
}

void KesPrimitives::DrawRectAngle(
    KesPoint p1, KesPoint p2, QImage& surface, int drawMode, qint32 colour, int width, int)
{
    strokeSegments(surface, drawMode, colour, width, rectanglePath(p1, p2), p1, p2);
}

void KesPrimitives::DrawEllipse(
    KesPoint point1, KesPoint point2, QImage& surface, int drawMode, qint32 colour, int width, int)
{
    strokeSegments(surface, drawMode, colour, width, ellipsePath(point1, point2), point1, point2);
}

void KesPrimitives::DrawParalellLine(
    KesPoint p1, KesPoint p2, double fLine, QImage& surface, int drawMode, qint32 colour, int width, int)
{
    if (p1 == p2) {
        KesRaster::dot(surface, drawMode, colour, width, toQt(p1));
        return;
    }
    // Both lines form one figure, so where they overlap the picture is inverted once.
    KesRaster::strokePath(surface, drawMode, colour, width, parallelPath(p1, p2, fLine));
}

bool KesPrimitives::DrawArc(KesPoint point1, KesPoint point2, KesPoint point3, KesPoint& centrepoint, double& radius,
    bool& clockWise, QImage& surface, int drawMode, qint32 colour, int width, int)
{
    const QPainterPath path = arcPath(point1, point2, point3, centrepoint, radius, clockWise);
    if (path.isEmpty())
        return true;
    KesRaster::strokePath(surface, drawMode, colour, width, path);
    return false;
}

void KesPrimitives::PrintText(const QString& strText, const KesRect& rc, QImage& surface, const QFont& font,
    const QColor& textColour, const QColor& background)
{
    if (surface.isNull())
        return;
    QPainter painter(&surface);
    const QRect box(QPoint(rc.left, rc.top), QPoint(rc.right - 1, rc.bottom - 1));
    painter.setClipRect(box);
    painter.setFont(font);
    painter.setPen(textColour);
    if (background.isValid()) {
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(background);
    }
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, strText);
}

} // namespace kestrel
