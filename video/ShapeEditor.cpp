#include "ShapeEditor.h"

#include "drawing/KesHitTest.h"
#include "drawing/KesShapeKind.h"
#include "video/DrawingOverlay.h"

namespace kestrel {

ShapeEditor::ShapeEditor(clsKesDraw& draw)
    : m_draw(draw)
{
}

void ShapeEditor::limitSelection()
{
    m_selection.limitTo(m_draw.countShapes());
}

int ShapeEditor::topmostShapeAt(QPointF point, const KesViewTransform& view) const
{
    const double tolerance = view.toNativeLength(HitTolerancePx);
    for (int position = m_draw.countShapes(); position >= 1; --position) {
        const clsKesShape& shape = m_draw.GetShape(position);
        if (KesHitTest::touches(shape, point, tolerance, view.toNativeLength(shape.Width())))
            return position;
    }
    return 0;
}

int ShapeEditor::handleAt(QPointF point, const KesViewTransform& view, int* position) const
{
    for (const int selected : m_selection.positions()) {
        if (selected > m_draw.countShapes())
            continue;
        const int index = KesHitTest::pointNear(m_draw.GetShape(selected), point, view.toNativeLength(HitTolerancePx));
        if (index >= 0) {
            *position = selected;
            return index;
        }
    }
    return -1;
}

void ShapeEditor::press(QPointF point, bool adding, const KesViewTransform& view)
{
    limitSelection();
    const KesPoint p = KesGeometry::roundHalfEven(point.x(), point.y());
    int position = 0;
    if (!adding) {
        const int index = handleAt(point, view, &position);
        if (index >= 0) {
            m_kind = DragKind::Point;
            m_positions = {position};
            m_pointIndex = index;
            m_from = m_to = p;
            return;
        }
    }
    const int hit = topmostShapeAt(point, view);
    if (hit == 0) {
        if (!adding)
            m_selection.clear();
    } else if (adding) {
        m_selection.toggle(hit);
    } else {
        if (!m_selection.contains(hit))
            m_selection.selectOnly(hit);
        m_kind = DragKind::Move;
        m_positions = m_selection.positions();
        m_from = m_to = p;
    }
}

void ShapeEditor::dragTo(KesPoint point)
{
    m_to = point;
}

std::vector<clsKesShape> ShapeEditor::moved() const
{
    std::vector<clsKesShape> shapes;
    const int dx = m_to.x - m_from.x, dy = m_to.y - m_from.y;
    for (const int position : m_positions) {
        clsKesShape shape = m_draw.GetShape(position);
        if (m_kind == DragKind::Point) {
            shape.SetPoints(m_pointIndex, m_to);
        } else {
            for (int i = 0; i < KesShapeKind::usedPoints(shape.ShapeType()); ++i) {
                const KesPoint p = shape.Points(i);
                shape.SetPoints(i, {p.x + dx, p.y + dy});
            }
        }
        shape.RefreshAngle();
        shapes.push_back(shape);
    }
    return shapes;
}

void ShapeEditor::release()
{
    const std::vector<clsKesShape> shapes = moved();
    for (size_t i = 0; i < shapes.size(); ++i)
        m_draw.GetShape(m_positions[int(i)]) = shapes[i];
    cancelDrag();
}

bool ShapeEditor::cancelDrag()
{
    const bool was = dragging();
    m_kind = DragKind::None;
    m_positions.clear();
    return was;
}

void ShapeEditor::drawDragFeedback(QImage& picture, const KesViewTransform& view) const
{
    for (const clsKesShape& shape : moved()) {
        DrawingOverlay::drawShape(picture, shape, view, PaintMode, m_draw.Ruler(), 1);
        for (int k = 0; k < KesShapeKind::usedPoints(shape.ShapeType()); ++k)
            DrawingOverlay::drawHandle(picture, shape.Points(k), view);
    }
}

std::optional<Qt::CursorShape> ShapeEditor::cursorAt(QPointF point, const KesViewTransform& view) const
{
    int position = 0;
    if (handleAt(point, view, &position) >= 0)
        return Qt::SizeAllCursor;
    const int hit = topmostShapeAt(point, view);
    if (hit == 0)
        return std::nullopt;
    return m_selection.contains(hit) ? Qt::SizeAllCursor : Qt::PointingHandCursor;
}

bool ShapeEditor::deleteSelected()
{
    limitSelection();
    if (m_selection.isEmpty())
        return false;
    cancelDrag();
    for (const int position : m_selection.highestFirst())
        m_draw.RemoveShape(position);
    m_selection.clear();
    return true;
}

bool ShapeEditor::changeSelected(const std::function<void(clsKesShape&)>& change)
{
    limitSelection();
    if (m_selection.isEmpty())
        return false;
    for (const int position : m_selection.positions())
        change(m_draw.GetShape(position));
    return true;
}

ShapeEditor::AngleBetween ShapeEditor::addAngleBetweenSelected(const clsKesShape& pen)
{
    limitSelection();
    const QList<int> picked = m_selection.positions();
    const auto isLine = [&](int position) { return KesShapeKind::isSegment(m_draw.GetShape(position).ShapeType()); };
    if (picked.size() != 2 || !isLine(picked[0]) || !isLine(picked[1]))
        return AngleBetween::NotTwoLines;
    const clsKesShape& first = m_draw.GetShape(picked[0]);
    const clsKesShape& second = m_draw.GetShape(picked[1]);
    KesPoint crossing;
    if (clsKesDraw::LineIntersect(first.Points(0), first.Points(1), second.Points(0), second.Points(1), crossing, true)
        == KesGeometry::Parallel)
        return AngleBetween::Parallel;
    const auto farEnd = [&](const clsKesShape& line) {
        const auto squared = [&](KesPoint p) {
            const double dx = double(p.x) - crossing.x, dy = double(p.y) - crossing.y;
            return dx * dx + dy * dy;
        };
        return squared(line.Points(0)) >= squared(line.Points(1)) ? line.Points(0) : line.Points(1);
    };
    clsKesShape angle;
    angle.setColor(pen.Color());
    angle.setWidth(pen.Width());
    angle.SetPoints(0, farEnd(first));
    angle.SetPoints(1, crossing);
    angle.SetPoints(2, farEnd(second));
    angle.setAngle(angle.CalculateAngle());
    m_draw.NewShape(angle, QStringLiteral("Angle"));
    m_selection.selectOnly(m_draw.countShapes());
    return AngleBetween::Added;
}

void ShapeEditor::shapeRemoved(int position)
{
    cancelDrag();
    m_selection.shapeRemoved(position);
}

void ShapeEditor::clear()
{
    cancelDrag();
    m_selection.clear();
}

} // namespace kestrel
