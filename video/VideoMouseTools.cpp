// Skeleton until the drawing tools land: no shapes, nothing to adjust.
#include "VideoMouseTools.h"

namespace kestrel {

struct VideoMouseTools::State {
    bool rulerOn = false;
    bool calibrated = false;
};

VideoMouseTools::VideoMouseTools(frmVideo&, FrameServices&, const AppContext&) : d(std::make_unique<State>()) {}
VideoMouseTools::~VideoMouseTools() = default;
void VideoMouseTools::VideoMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, QPointF) {}
void VideoMouseTools::VideoMouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, QPointF) {}
void VideoMouseTools::VideoMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, QPointF) {}
void VideoMouseTools::DrawShapes(QImage&) {}
bool VideoMouseTools::RulerOn() const { return d->rulerOn; }
void VideoMouseTools::setRulerOn(bool on) { d->rulerOn = on; }
bool VideoMouseTools::RulerCalibrated() const { return d->calibrated; }
void VideoMouseTools::setRulerCalibrated(bool calibrated) { d->calibrated = calibrated; }
void VideoMouseTools::StartRuler() {}
void VideoMouseTools::ShowGrid(bool) {}
bool VideoMouseTools::AdjustShapeSetUp(bool) { return true; }
void VideoMouseTools::DrawingsUndo() {}
void VideoMouseTools::DrawingsDeleteAll() {}

}  // namespace kestrel
