#include "clsKesDraw.h"

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
    found = false;
    if (index < 1 || index > countShapes())
        return;
    clsKesShape& shape = m_shapes[index - 1];
    // Unused slots (point 2 of a line stays at (0, 0)) are tested like the others.
    for (qint16 i = 0; i < clsKesShape::countPoints(); ++i) {
        const KesPoint point = shape.Points(i);
        if (std::abs(point.x - p.x) <= 3 && std::abs(point.y - p.y) <= 3) {
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
    }
}

} // namespace kestrel
