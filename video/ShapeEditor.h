#pragma once

#include "drawing/KesViewTransform.h"
#include "drawing/clsKesDraw.h"
#include "video/ShapeSelection.h"

#include <QImage>
#include <QPointF>
#include <Qt>

#include <functional>
#include <optional>
#include <vector>

namespace kestrel {

// The select tool of a video window: which finished shapes are selected,
// dragging a selected shape's point or the selected shapes as a whole, and
// the edits that act on the selection. Works on the window's drawing engine
// in video pixels; the pointer tolerance is 3 picture pixels, whatever the
// zoom. The caller maps the pointer and repaints.
class ShapeEditor {
public:
    explicit ShapeEditor(clsKesDraw& draw);

    const ShapeSelection& selection() const { return m_selection; }
    // Drops selected positions the list no longer has.
    void limitSelection();

    // A left press at `point` (video pixels, between pixels when zoomed):
    // on a selected shape's handle it grabs that point; on a shape it
    // selects it (with `adding`, toggles it) and grabs the selection to move
    // it; elsewhere it clears the selection (unless `adding`).
    void press(QPointF point, bool adding, const KesViewTransform& view);
    void dragTo(KesPoint point);
    // Ends a drag, writing the dragged shapes back.
    void release();
    // Forgets a drag under way; true when there was one.
    bool cancelDrag();
    bool dragging() const { return m_kind != DragKind::None; }
    const QList<int>& draggedPositions() const { return m_positions; }
    // The dragged shapes where they would go, with their handles.
    void drawDragFeedback(QImage& picture, const KesViewTransform& view) const;

    // The pointer to show over `point`: a move cross over a handle or a
    // selected shape, a hand over another shape, nothing elsewhere.
    std::optional<Qt::CursorShape> cursorAt(QPointF point, const KesViewTransform& view) const;

    // Removes the selected shapes; false when none is selected.
    bool deleteSelected();
    // Applies `change` to each selected shape; false when none is selected.
    bool changeSelected(const std::function<void(clsKesShape&)>& change);
    enum class AngleBetween { Added, NotTwoLines, Parallel };
    // Adds an angle with its vertex where the two selected lines cross and
    // its arms to their far ends, in `pen`'s colour and width, and selects it.
    AngleBetween addAngleBetweenSelected(const clsKesShape& pen);

    // The list changed under the selection.
    void shapeRemoved(int position);
    void clear();

    static constexpr double HitTolerancePx = 3;

private:
    enum class DragKind { None, Point, Move };
    int topmostShapeAt(QPointF point, const KesViewTransform& view) const;
    int handleAt(QPointF point, const KesViewTransform& view, int* position) const;
    std::vector<clsKesShape> moved() const;

    clsKesDraw& m_draw;
    ShapeSelection m_selection;
    // The list keeps the dragged shapes as they were until the drag ends,
    // so cancelling a drag is forgetting it.
    DragKind m_kind = DragKind::None;
    QList<int> m_positions;
    int m_pointIndex = 0;
    KesPoint m_from;
    KesPoint m_to;
};

} // namespace kestrel
