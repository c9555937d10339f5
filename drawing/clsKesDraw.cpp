#include "clsKesDraw.h"

#include "drawing/KesShapeKind.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace kestrel {

void clsKesDraw::NewShape(clsKesShape shape, const QString& key)
{
    shape.setCurrentPoint(0);
    shape.setShapeType(key);
    m_shapes.push_back(std::move(shape));
}

clsKesShape& clsKesDraw::GetShape(int index)
{
    if (index < 1 || index > countShapes())
        throw std::out_of_range("shape position out of range");
    return m_shapes[index - 1];
}

const clsKesShape& clsKesDraw::GetShape(int index) const
{
    return const_cast<clsKesDraw*>(this)->GetShape(index);
}

qint16 clsKesDraw::Undo()
{
    if (!m_shapes.empty())
        m_shapes.pop_back();
    return 0;
}

qint16 clsKesDraw::DeleteAll()
{
    while (!m_shapes.empty())
        m_shapes.pop_back();
    return 0;
}

void clsKesDraw::RemoveShape(int index)
{
    if (index < 1 || index > countShapes())
        throw std::out_of_range("shape position out of range");
    m_shapes.erase(m_shapes.begin() + (index - 1));
}

KesRect clsKesDraw::GetRectangle() const
{
    const qint32 dx = m_newMouse.x - m_oldMouse.x;
    const qint32 dy = m_newMouse.y - m_oldMouse.y;
    if (dx == 0 || dy == 0)
        return {};
    return {std::min(m_oldMouse.x, m_newMouse.x), std::min(m_oldMouse.y, m_newMouse.y),
        std::max(m_oldMouse.x, m_newMouse.x), std::max(m_oldMouse.y, m_newMouse.y)};
}

void clsKesDraw::MouseOnPoint(int index, KesPoint p, bool& found)
{
    MouseOnPoint(index, QPointF(p.x, p.y), 3, found);
}

void clsKesDraw::MouseOnPoint(int index, QPointF p, double tolerance, bool& found)
{
    found = false;
    if (index < 1 || index > countShapes())
        return;
    clsKesShape& shape = m_shapes[index - 1];
    // Unused slots (point 2 of a line stays at (0, 0)) are tested like the others.
    for (qint16 i = 0; i < clsKesShape::countPoints(); ++i) {
        const KesPoint point = shape.Points(i);
        if (std::abs(point.x - p.x()) <= tolerance && std::abs(point.y - p.y()) <= tolerance) {
            shape.setCurrentPoint(i);
            found = true;
            return;
        }
    }
}

void clsKesDraw::DrawShapeFigure(const clsKesShape& shape, QImage& surface, int drawMode, qint32 colour)
{
    const int width = KesGeometry::roundHalfEven(shape.Width());
    const QString type = shape.ShapeType();
    const KesPoint p0 = shape.Points(0), p1 = shape.Points(1), p2 = shape.Points(2);
    if (type == QLatin1String("Line")) {
        DrawLine(p0, p1, surface, drawMode, colour, width);
    } else if (type == QLatin1String("Rectangle")) {
        DrawRectAngle(p0, p1, surface, drawMode, colour, width);
    } else if (type == QLatin1String("Ellipse")) {
        DrawEllipse(p0, p1, surface, drawMode, colour, width);
    } else if (type == QLatin1String("Parallel")) {
        DrawParalellLine(p0, p1, shape.Distance(), surface, drawMode, colour, width);
    } else if (type == QLatin1String("Curve")) {
        KesPoint centre;
        double radius = 0;
        bool clockWise = false;
        DrawArc(p0, p1, p2, centre, radius, clockWise, surface, drawMode, colour, width);
    } else if (type == QLatin1String("Angle")) {
        DrawLine(p0, p1, surface, drawMode, colour, width);
        DrawLine(p1, p2, surface, drawMode, colour, width);
    } else if (type == KesShapeKind::Length) {
        DrawLine(p0, p1, surface, drawMode, colour, width);
    } else if (type == KesShapeKind::VerticalAngle || type == KesShapeKind::HorizontalAngle) {
        // The arm measured against is drawn thin, so the measured line stands out.
        DrawLine(p0, ReferenceArmEnd(shape), surface, drawMode, colour, 1);
        DrawLine(p0, p1, surface, drawMode, colour, width);
    }
}

void clsKesDraw::DrawShapeFigure(
    const clsKesShape& shape, const KesViewTransform& view, QImage& surface, int drawMode, qint32 colour)
{
    if (view.isIdentity())
        DrawShapeFigure(shape, surface, drawMode, colour);
    else
        DrawShapeFigure(ShapeOnPicture(shape, view), surface, drawMode, colour);
}

clsKesShape clsKesDraw::ShapeOnPicture(const clsKesShape& shape, const KesViewTransform& view)
{
    clsKesShape onPicture = shape;
    for (int i = 0; i <= clsKesShape::countPoints(); ++i)
        onPicture.SetPoints(i, view.toPicture(shape.Points(i)));
    const double distance = view.toPictureLength(shape.Distance());
    onPicture.setDistance(view.mirrored() ? -distance : distance);
    return onPicture;
}

KesPoint clsKesDraw::ReferenceArmEnd(const clsKesShape& shape)
{
    const KesPoint from = shape.Points(0), to = shape.Points(1);
    const double dx = double(to.x) - from.x, dy = double(to.y) - from.y;
    const qint32 length = KesGeometry::roundHalfEven(std::sqrt(dx * dx + dy * dy));
    if (shape.ShapeType() == KesShapeKind::HorizontalAngle)
        return {dx < 0 ? from.x - length : from.x + length, from.y};
    return {from.x, dy > 0 ? from.y + length : from.y - length};
}

} // namespace kestrel
