#pragma once

#include "drawing/KesTypes.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QString>

namespace kestrel {

// The figures that shapes are drawn with, onto a picture handed in by the
// caller (Format_RGB32 or Format_ARGB32_Premultiplied). Every figure is an
// outline; drawMode below 14 inverts the pixels under the stroke, 14 or more
// paints in `colour` (0x00BBGGRR). Widths below 1 draw 1 pixel wide; only
// the solid pen style (0) exists. The picture clips what falls outside it.
class KesPrimitives {
public:
    static void DrawLine(
        KesPoint p1, KesPoint p2, QImage& surface, int drawMode, qint32 colour, int width, int penStyle = 0);
    // Corners taken as given: left = p1.x, top = p1.y, right = p2.x, bottom = p2.y.
    static void DrawRectAngle(
        KesPoint p1, KesPoint p2, QImage& surface, int drawMode, qint32 colour, int width, int penStyle = 0);
    // The ellipse inscribed in the box point1-point2.
    static void DrawEllipse(
        KesPoint point1, KesPoint point2, QImage& surface, int drawMode, qint32 colour, int width, int penStyle = 0);
    // p1-p2 and its partner at distance fLine on the clockwise side, drawn as one figure.
    static void DrawParalellLine(KesPoint p1, KesPoint p2, double fLine, QImage& surface, int drawMode, qint32 colour,
        int width, int penStyle = 0);
    // The circular arc from point1 through point2 to point3. Returns true,
    // with radius 0 and clockWise false, when the points are collinear and
    // nothing is drawn; false otherwise.
    static bool DrawArc(KesPoint point1, KesPoint point2, KesPoint point3, KesPoint& centrepoint, double& radius,
        bool& clockWise, QImage& surface, int drawMode, qint32 colour, int width, int penStyle = 0);
    // Text inside rc, left-aligned from the top, wrapped at word boundaries
    // and clipped to rc; on an opaque background when one is given.
    static void PrintText(const QString& strText, const KesRect& rc, QImage& surface, const QFont& font = QFont(),
        const QColor& textColour = Qt::black, const QColor& background = QColor());

    // The centre lines the figures above stroke, for hit-testing and for
    // figures made of several of them.
    static QPainterPath linePath(KesPoint p1, KesPoint p2);
    static QPainterPath rectanglePath(KesPoint p1, KesPoint p2);
    static QPainterPath ellipsePath(KesPoint point1, KesPoint point2);
    // Both lines of a parallel pair; only the first when p1 = p2.
    static QPainterPath parallelPath(KesPoint p1, KesPoint p2, double fLine);
    // Empty (radius 0, clockWise false) when the points are collinear.
    static QPainterPath arcPath(
        KesPoint point1, KesPoint point2, KesPoint point3, KesPoint& centrepoint, double& radius, bool& clockWise);
};

} // namespace kestrel
