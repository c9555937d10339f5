#include "DrawingOverlay.h"

#include "drawing/KesShapeKind.h"
#include "video/MeasureLabel.h"

#include <cmath>

namespace kestrel {

void DrawingOverlay::draw(QImage& picture, const Request& request)
{
    const clsKesDraw& draw = *request.draw;
    const clsKesRuler& ruler = draw.Ruler();
    const KesViewTransform& view = request.view;
    for (int i = 1; i <= draw.countShapes(); ++i) {
        if (request.hidden.contains(i))
            continue;
        const clsKesShape& shape = draw.GetShape(i);
        if (i == request.markedPosition)
            for (qint16 k = 0; k < clsKesShape::countPoints(); ++k)
                drawMarker(picture, shape.Points(k), view);
        drawShape(picture, shape, view, PaintMode, ruler);
    }
    if (draw.grid().Visible())
        draw.grid().Draw(picture, view, request.nativePx);
    // Handles go over the grid, which would otherwise invert them.
    for (const int position : request.handles) {
        if (position < 1 || position > draw.countShapes() || request.hidden.contains(position))
            continue;
        const clsKesShape& shape = draw.GetShape(position);
        for (int k = 0; k < KesShapeKind::usedPoints(shape.ShapeType()); ++k)
            drawHandle(picture, shape.Points(k), view);
    }
}

void DrawingOverlay::drawShape(QImage& picture, const clsKesShape& shape, const KesViewTransform& view, int drawMode,
    const clsKesRuler& ruler, int angleDecimals)
{
    clsKesDraw::DrawShapeFigure(shape, view, picture, drawMode, shape.Color());
    if (const std::optional<Label> label = labelOf(shape, ruler, angleDecimals))
        MeasureLabel::print(picture, label->text, view.toPicture(label->at));
}

std::optional<DrawingOverlay::Label> DrawingOverlay::labelOf(
    const clsKesShape& shape, const clsKesRuler& ruler, int angleDecimals)
{
    const QString kind = shape.ShapeType();
    if (kind == KesShapeKind::Angle)
        return Label{MeasureLabel::number(shape.Angle(), angleDecimals), shape.Points(1)};
    if (kind == KesShapeKind::VerticalAngle || kind == KesShapeKind::HorizontalAngle)
        return Label{MeasureLabel::number(shape.Angle(), angleDecimals), shape.Points(0)};
    if (kind == KesShapeKind::Length && ruler.Calibrated())
        return Label{MeasureLabel::number(lengthOf(shape.Points(0), shape.Points(1), ruler), 2), shape.Points(0)};
    return std::nullopt;
}

double DrawingOverlay::lengthOf(KesPoint a, KesPoint b, const clsKesRuler& ruler)
{
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    return double(ruler.Factor()) * std::sqrt(dx * dx + dy * dy);
}

void DrawingOverlay::drawMarker(QImage& picture, KesPoint native, const KesViewTransform& view)
{
    const KesPoint p = view.toPicture(native);
    clsKesDraw::DrawLine(p, p, picture, PaintMode, RedColour, MarkerWidth);
}

void DrawingOverlay::drawHandle(QImage& picture, KesPoint native, const KesViewTransform& view)
{
    const KesPoint p = view.toPicture(native);
    clsKesDraw::DrawLine(p, p, picture, PaintMode, 0xFFFFFF, HandleWidth);
    clsKesDraw::DrawLine(p, p, picture, PaintMode, RedColour, MarkerWidth);
}

} // namespace kestrel
