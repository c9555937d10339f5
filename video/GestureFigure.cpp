#include "GestureFigure.h"

#include "drawing/KesShapeKind.h"
#include "video/DrawingOverlay.h"
#include "video/DrawingToolNames.h"
#include "video/MeasureLabel.h"

namespace kestrel {

namespace Tool = DrawingToolNames;
namespace Kind = KesShapeKind;

clsKesShape GestureFigure::figureOf(const QString& kind, std::initializer_list<KesPoint> points, Pen pen)
{
    clsKesShape shape;
    shape.setShapeType(kind);
    int i = 0;
    for (const KesPoint p : points)
        shape.SetPoints(i++, p);
    shape.setColor(pen.colour);
    shape.setWidth(float(pen.width));
    if (kind == Kind::Parallel)
        shape.setDistance(ParallelDistance);
    shape.RefreshAngle();
    return shape;
}

void GestureFigure::drawBand(
    QImage& picture, const clsKesDraw& draw, const KesViewTransform& view, Pen pen, bool measuring)
{
    const clsKesRuler& ruler = draw.Ruler();
    const QString mode = draw.Mode();
    const KesPoint from = draw.OldMouse(), to = draw.NewMouse();
    const auto band = [&](const QString& kind, std::initializer_list<KesPoint> points) {
        DrawingOverlay::drawShape(picture, figureOf(kind, points, pen), view, InvertMode, ruler, 1);
    };
    if (mode == Tool::Line) {
        // With the ruler on and calibrated the line is a measurement and shows its length.
        band(ruler.Calibrated() && measuring ? Kind::Length : Kind::Line, {from, to});
    } else if (mode == Tool::Rectangle) {
        band(Kind::Rectangle, {from, to});
    } else if (mode == Tool::Ellipse) {
        band(Kind::Ellipse, {from, to});
    } else if (mode == Tool::Parallel) {
        band(Kind::Parallel, {from, to});
    } else if (mode == Tool::VerticalAngle) {
        band(Kind::VerticalAngle, {from, to});
    } else if (mode == Tool::HorizontalAngle) {
        band(Kind::HorizontalAngle, {from, to});
    } else if (mode == Tool::Length) {
        band(Kind::Length, {from, to});
    } else if (mode == Tool::Angle) {
        const clsKesShape& inProgress = draw.ShapeObj();
        if (inProgress.CurrentPoint() == 1) {
            band(Kind::Line, {inProgress.Points(0), to});
        } else if (inProgress.CurrentPoint() == 2) {
            // The first arm is painted, the second follows the pointer.
            const KesPoint vertex = inProgress.Points(1);
            clsKesDraw::DrawShapeFigure(
                figureOf(Kind::Line, {inProgress.Points(0), vertex}, pen), view, picture, PaintMode, pen.colour);
            clsKesDraw::DrawShapeFigure(figureOf(Kind::Line, {vertex, to}, pen), view, picture, InvertMode, pen.colour);
            const clsKesShape current = figureOf(Kind::Angle, {inProgress.Points(0), vertex, to}, pen);
            MeasureLabel::print(picture, MeasureLabel::number(current.Angle(), 1), view.toPicture(vertex));
        }
    } else if (mode == Tool::Curve) {
        // Every click placed so far keeps its marker until the curve is made;
        // from the second on, the arc follows the pointer.
        const clsKesShape& inProgress = draw.ShapeObj();
        if (inProgress.CurrentPoint() == 2 && to != inProgress.Points(1))
            band(Kind::Curve, {inProgress.Points(0), inProgress.Points(1), to});
        for (int k = 0; k < inProgress.CurrentPoint(); ++k)
            DrawingOverlay::drawMarker(picture, inProgress.Points(k), view);
    } else if (mode == Tool::Ruler) {
        if (!ruler.Calibrated() && ruler.CurrentPoint() == 1)
            DrawingOverlay::drawMarker(picture, ruler.Points(0), view);
    }
}

void GestureFigure::drawAdjusted(QImage& picture, const clsKesDraw& draw, const KesViewTransform& view, bool moved)
{
    if (draw.countShapes() == 0)
        return;
    clsKesShape shape = draw.GetShape(draw.countShapes());
    // Only a left-button drag moves the point; the right button only changes
    // a parallel pair's distance.
    if (moved) {
        shape.SetPoints(shape.CurrentPoint(), draw.NewMouse());
        shape.RefreshAngle();
    }
    DrawingOverlay::drawShape(picture, shape, view, InvertMode, draw.Ruler(), 1);
}

} // namespace kestrel
