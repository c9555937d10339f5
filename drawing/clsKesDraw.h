#pragma once

#include "drawing/KesGeometry.h"
#include "drawing/KesPrimitives.h"
#include "drawing/KesTypes.h"
#include "drawing/KesViewTransform.h"
#include "drawing/clsKesGrid.h"
#include "drawing/clsKesRuler.h"
#include "drawing/clsKesShape.h"

#include <QString>

#include <vector>

namespace kestrel {

// The drawing engine of one video window: its finished shapes, the shape in
// progress, the tool or mode, the mouse state of the gesture under way, the
// ruler and the grid, and the hit-test for grabbing a point. The figures it
// draws with are the static primitives below.
class clsKesDraw {
public:
    QString Mode() const { return m_mode; }
    void setMode(const QString& mode) { m_mode = mode; }
    bool MouseDown() const { return m_mouseDown; }
    void setMouseDown(bool down) { m_mouseDown = down; }
    bool AdjustShape() const { return m_adjustShape; }
    void setAdjustShape(bool adjusting) { m_adjustShape = adjusting; }
    KesPoint OldMouse() const { return m_oldMouse; }
    void setOldMouse(KesPoint p) { m_oldMouse = p; }
    KesPoint LastMouse() const { return m_lastMouse; }
    void setLastMouse(KesPoint p) { m_lastMouse = p; }
    KesPoint NewMouse() const { return m_newMouse; }
    void setNewMouse(KesPoint p) { m_newMouse = p; }
    qint32 DrawingPen() const { return m_drawingPen; }
    void setDrawingPen(qint32 pen) { m_drawingPen = pen; }

    const std::vector<clsKesShape>& Shapes() const { return m_shapes; }
    clsKesShape& ShapeObj() { return m_shapeObj; }
    const clsKesShape& ShapeObj() const { return m_shapeObj; }
    clsKesRuler& Ruler() { return m_ruler; }
    const clsKesRuler& Ruler() const { return m_ruler; }
    clsKesGrid& grid() { return m_grid; }
    const clsKesGrid& grid() const { return m_grid; }

    // Appends a copy of `shape` with CurrentPoint 0 and ShapeType `key`.
    void NewShape(clsKesShape shape, const QString& key);
    qint16 countShapes() const { return static_cast<qint16>(m_shapes.size()); }
    // 1-based; outside 1..countShapes throws std::out_of_range.
    clsKesShape& GetShape(int index);
    const clsKesShape& GetShape(int index) const;
    // Undo removes the newest shape; there is no other undo history.
    qint16 Undo();
    qint16 DeleteAll();
    // Removes the shape at 1-based `index`; outside the list throws
    // std::out_of_range and changes nothing.
    void RemoveShape(int index);
    void AddToUndoList(const QString&) { }
    void RemoveFromUndoList(qint16) { }

    // The rectangle spanned by OldMouse and NewMouse, normalised; all zero
    // when the gesture has no width or no height.
    KesRect GetRectangle() const;
    // Hit-test of the shape at 1-based `index`: the first of its points 0..2
    // within 3 pixels in each axis becomes its CurrentPoint. An index outside
    // the list finds nothing.
    void MouseOnPoint(int index, KesPoint p, bool& found);
    // The same test at any tolerance, for a point between pixels (a pointer
    // position mapped from a zoomed picture).
    void MouseOnPoint(int index, QPointF p, double tolerance, bool& found);

    // Rendering primitives and their geometry.
    static void DrawLine(
        KesPoint p1, KesPoint p2, QImage& surface, int drawMode, qint32 colour, int width, int penStyle = 0)
    {
        KesPrimitives::DrawLine(p1, p2, surface, drawMode, colour, width, penStyle);
    }
    static void DrawRectAngle(
        KesPoint p1, KesPoint p2, QImage& surface, int drawMode, qint32 colour, int width, int penStyle = 0)
    {
        KesPrimitives::DrawRectAngle(p1, p2, surface, drawMode, colour, width, penStyle);
    }
    static void DrawEllipse(
        KesPoint point1, KesPoint point2, QImage& surface, int drawMode, qint32 colour, int width, int penStyle = 0)
    {
        KesPrimitives::DrawEllipse(point1, point2, surface, drawMode, colour, width, penStyle);
    }
    static void DrawParalellLine(KesPoint p1, KesPoint p2, double fLine, QImage& surface, int drawMode, qint32 colour,
        int width, int penStyle = 0)
    {
        KesPrimitives::DrawParalellLine(p1, p2, fLine, surface, drawMode, colour, width, penStyle);
    }
    static bool DrawArc(KesPoint point1, KesPoint point2, KesPoint point3, KesPoint& centrepoint, double& radius,
        bool& clockWise, QImage& surface, int drawMode, qint32 colour, int width, int penStyle = 0)
    {
        return KesPrimitives::DrawArc(
            point1, point2, point3, centrepoint, radius, clockWise, surface, drawMode, colour, width, penStyle);
    }
    static void PrintText(const QString& strText, const KesRect& rc, QImage& surface, const QFont& font = QFont(),
        const QColor& textColour = Qt::black, const QColor& background = QColor())
    {
        KesPrimitives::PrintText(strText, rc, surface, font, textColour, background);
    }
    static int CalcInterSect(KesPoint point1, KesPoint point2, KesPoint point3, KesPoint& centrepoint)
    {
        return KesGeometry::CalcInterSect(point1, point2, point3, centrepoint);
    }
    static int LineIntersect(KesPoint line1P1, KesPoint line1P2, KesPoint line2P1, KesPoint line2P2,
        KesPoint& returnCoords, bool calcRegardless)
    {
        return KesGeometry::LineIntersect(line1P1, line1P2, line2P1, line2P2, returnCoords, calcRegardless);
    }
    static double CalcRadius(KesPoint point1, KesPoint centrepoint)
    {
        return KesGeometry::CalcRadius(point1, centrepoint);
    }
    static double ATNAngle(double a, double b) { return KesGeometry::ATNAngle(a, b); }
    static bool AngleWise(KesPoint point1, KesPoint point2, KesPoint point3, KesPoint centrepoint)
    {
        return KesGeometry::AngleWise(point1, point2, point3, centrepoint);
    }

    // Draws one finished shape's figure (no text) with its own pen width
    // rounded half to even; the angle's value is the caller's to print.
    static void DrawShapeFigure(const clsKesShape& shape, QImage& surface, int drawMode, qint32 colour);
    // The same for a shape whose points are video pixels, onto the picture
    // that `view` shows the video in.
    static void DrawShapeFigure(
        const clsKesShape& shape, const KesViewTransform& view, QImage& surface, int drawMode, qint32 colour);
    // A copy of `shape` with its points (and a parallel pair's offset) in
    // picture pixels. A mirror puts the partner line on the other side of the
    // first, as the mirrored picture shows it.
    static clsKesShape ShapeOnPicture(const clsKesShape& shape, const KesViewTransform& view);
    // The end of the plumb (or level) arm that an angle to the vertical (or
    // horizontal) is measured against: from point 0, as long as the shape's
    // segment, towards point 1's side (up, or right, when level with it).
    static KesPoint ReferenceArmEnd(const clsKesShape& shape);

private:
    QString m_mode = QStringLiteral("None");
    bool m_mouseDown = false;
    bool m_adjustShape = false;
    KesPoint m_oldMouse;
    KesPoint m_lastMouse;
    KesPoint m_newMouse;
    std::vector<clsKesShape> m_shapes;
    clsKesShape m_shapeObj;
    clsKesRuler m_ruler;
    clsKesGrid m_grid;
    qint32 m_drawingPen = 0;
};

} // namespace kestrel
