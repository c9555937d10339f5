#pragma once

#include "app/AppContext.h"
#include "drawing/KesDrawingsFile.h"
#include "drawing/KesViewTransform.h"
#include "drawing/clsKesDraw.h"

#include <QImage>
#include <QPointF>
#include <Qt>

#include <memory>

namespace kestrel {

class frmVideo;
class FrameServices;
class ShapeSelection;
class VideoTracks;

// The drawing side of a video window: the drawing tools, rubber bands,
// adjusting, selecting and editing shapes, undo, grid, ruler calibration and
// keeping drawings in a file. Owns the window's drawing engine object. The
// window forwards its picture's mouse events here and calls DrawShapes while
// composing every frame.
//
// Shapes, ruler and grid are kept in the video's native pixels and drawn
// through the window's zoom and flip, so they stay on the swing at every
// zoom; at zoom 1.0 unflipped, video and picture pixels are the same.
class VideoMouseTools {
public:
    VideoMouseTools(frmVideo& window, FrameServices& frame, const AppContext& app);
    ~VideoMouseTools();

    void VideoMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF position);
    void VideoMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPointF position);
    void VideoMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF position);

    // Draws every shape (with its value) and the grid last, then the marks
    // of editing and the figure of a gesture under way, so they survive
    // frame repaints.
    void DrawShapes(QImage& picture);

    bool RulerOn() const;
    void setRulerOn(bool on);
    bool RulerCalibrated() const;
    void setRulerCalibrated(bool calibrated);
    void StartRuler();
    void ShowGrid(bool show);
    bool AdjustShapeSetUp(bool on); // true when there is nothing to adjust
    void DrawingsUndo();
    void DrawingsDeleteAll();

    // Editing beyond the classic tools. Each returns whether it did something.
    // Delete: the selected shapes, or the newest when none is selected.
    bool DeleteSelectedShape();
    // Esc: a half-drawn shape, a drag or a calibration under way; with
    // nothing under way, the selection.
    bool CancelShapeInProgress();
    // The frame chose `tool`: a shape left unfinished by another tool goes.
    void DrawingToolChosen(const QString& tool);
    bool SetSelectedShapesColor(quint32 colour);
    bool SetSelectedShapesWidth(int widthPx);
    // Adds the angle between the two selected lines, at their crossing.
    bool AngleBetweenSelectedLines();
    void RecalibrateRuler();
    // The newest point track as a CSV table, through the save dialog.
    bool ExportTrackCsv();

    // Drawings kept in files.
    bool SaveDrawings();
    bool SavePicture();
    // `path` has opened in the window: keep or drop the drawings, offer saved ones.
    void videoOpened(const QString& path);
    KesDrawings drawings() const;
    void setDrawings(const KesDrawings& drawings);
    // Shapes and calibration go (the window moves on to another clip).
    void forgetDrawings();
    bool hasDrawings() const;
    // The composed picture with the drawings but without handles, markers or
    // a gesture under way.
    QImage pictureWithoutEditMarks();

    // The window's drawing engine: shapes, gesture state, ruler and grid.
    clsKesDraw& drawing();
    const ShapeSelection& selection() const;
    VideoTracks& tracks();
    // How video pixels show on the window's picture now.
    KesViewTransform view() const;

    static QString selectTwoLinesMessage();
    static QString parallelLinesMessage();

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace kestrel
