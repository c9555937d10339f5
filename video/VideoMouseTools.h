#pragma once

#include "app/AppContext.h"
#include "drawing/clsKesDraw.h"

#include <QImage>
#include <QPointF>
#include <Qt>

#include <memory>

namespace kestrel {

class frmVideo;
class FrameServices;

// Mouse drawing on a video window's picture: the drawing tools, rubber
// bands, adjusting the newest shape, undo, grid and ruler calibration. Owns
// the window's drawing engine object. The window forwards its picture's mouse
// events here and calls DrawShapes while composing every frame.
class VideoMouseTools {
public:
    VideoMouseTools(frmVideo& window, FrameServices& frame, const AppContext& app);
    ~VideoMouseTools();

    void VideoMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF position);
    void VideoMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPointF position);
    void VideoMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF position);

    // Draws every shape (angles with their values) and the grid last, then
    // the figure of a gesture under way, so it survives frame repaints.
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

    // The window's drawing engine: shapes, gesture state, ruler and grid.
    clsKesDraw& drawing();

    // How values (angles, measured lengths) are lettered on the picture: the
    // picture's default font and colours, on an opaque background so they
    // read on any footage.
    static void printLabel(QImage& picture, const QString& text, KesPoint at);

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace kestrel
