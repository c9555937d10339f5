#include "VideoMouseTools.h"

#include "app/Prompter.h"
#include "drawing/KesShapeKind.h"
#include "engine/VideoEngine.h"
#include "video/DrawingOverlay.h"
#include "video/DrawingToolNames.h"
#include "video/DrawingsFileCommands.h"
#include "video/FrameServices.h"
#include "video/GestureFigure.h"
#include "video/PictureKeys.h"
#include "video/RulerCalibration.h"
#include "video/ShapeEditor.h"
#include "video/VideoPicture.h"
#include "video/VideoTracks.h"
#include "video/frmVideo.h"

#include <QFileInfo>

#include <cstring>
#include <functional>
#include <optional>

namespace kestrel {

namespace Tool = DrawingToolNames;
namespace Kind = KesShapeKind;

namespace {

// Mouse positions arrive as floating pixels; halves go to the even neighbour.
KesPoint nearestPixel(QPointF position)
{
    return KesGeometry::roundHalfEven(position.x(), position.y());
}

QPointF toQt(KesPoint p)
{
    return QPointF(p.x, p.y);
}

bool selects(const QString& tool)
{
    return tool == Tool::Select || tool == Tool::None;
}

} // namespace

struct VideoMouseTools::State {
    frmVideo* window = nullptr;
    FrameServices* frame = nullptr;
    AppContext app;
    clsKesDraw draw;
    std::unique_ptr<RulerCalibration> calibration;
    std::unique_ptr<DrawingsFileCommands> files;
    std::unique_ptr<ShapeEditor> editor;
    std::unique_ptr<VideoTracks> tracks;
    // The composed picture with the finished shapes and the grid but without
    // the figure of the gesture under way: bands are drawn on a fresh copy
    // of it, so they never leave a trail. Kept only while a gesture runs, so
    // plain playback pays nothing for it.
    QImage clean;
    bool cleanValid = false;
    Qt::MouseButtons dragButtons; // buttons held during the adjust drag
    bool withoutEditMarks = false; // composing a picture to save

    qint32 colour() const { return qint32(frame->DrawingColor()); }
    int width() const { return frame->DrawingWidth(); }
    bool adjusting() const { return draw.Mode() == Tool::Adjusting; }

    void repaint() { window->PaintVideoFrame(); }

    clsKesShape newShape() const
    {
        clsKesShape shape;
        shape.setWidth(float(width()));
        shape.setColor(colour());
        return shape;
    }

    bool gestureUnderWay() const
    {
        if (editor->dragging())
            return true;
        return adjusting() ? draw.AdjustShape() : draw.MouseDown();
    }

    QSize nativeSize() const { return window->vcxVideo().GetFrameSize(); }
    KesViewTransform viewOf(QSize pictureSize) const
    {
        return KesViewTransform(nativeSize(), pictureSize, window->VideoFlip());
    }
    KesViewTransform view() const
    {
        const VideoPicture* picture = window->picVideo();
        return viewOf(picture ? picture->image().size() : QSize());
    }
    // A pointer position in video pixels, from the picture pixel it is on.
    QPointF nativeOf(QPointF position) const { return view().toNativeF(toQt(nearestPixel(position))); }
    double hitTolerance() const { return view().toNativeLength(ShapeEditor::HitTolerancePx); }

    // Copies pixels between two pictures of one size and format without
    // allocating: this runs on every frame and pointer move of a gesture.
    static void copyPixels(const QImage& from, QImage& to)
    {
        if (to.size() != from.size() || to.format() != from.format())
            to = from.copy();
        else
            std::memcpy(to.bits(), from.constBits(), size_t(from.sizeInBytes()));
    }

    // Puts the clean picture back, lets `figure` draw over it and shows it.
    template <typename Figure> void redrawOver(Figure figure)
    {
        VideoPicture* picture = window->picVideo();
        if (!picture || picture->image().isNull())
            return;
        // Outside a gesture nothing is drawn over the shapes, so the picture
        // shown is the clean one.
        if (!cleanValid) {
            copyPixels(picture->image(), clean);
            cleanValid = true;
        }
        copyPixels(clean, picture->image());
        figure(picture->image());
        picture->update();
    }

    void setCursor(Qt::CursorShape shape)
    {
        if (VideoPicture* picture = window->picVideo())
            picture->setCursor(shape);
    }
    void unsetCursor()
    {
        if (VideoPicture* picture = window->picVideo())
            picture->unsetCursor();
    }

    void drawBandFigure(QImage& picture)
    {
        GestureFigure::drawBand(picture, draw, viewOf(picture.size()), {colour(), width()}, calibration->rulerOn());
    }
    void drawAdjustFigure(QImage& picture)
    {
        GestureFigure::drawAdjusted(picture, draw, viewOf(picture.size()), !(dragButtons & Qt::RightButton));
    }
    void pressAdjusting(QPointF p, Qt::MouseButton button);
    bool cancelGesture();
    bool dropUnfinishedShape();
    void finishShape(clsKesShape shape, const QString& kind);
    void removeNewest();
    bool changeSelected(const std::function<void(clsKesShape&)>& change);
};

VideoMouseTools::VideoMouseTools(frmVideo& window, FrameServices& frame, const AppContext& app)
    : d(std::make_unique<State>())
{
    d->window = &window;
    d->frame = &frame;
    d->app = app;
    d->calibration = std::make_unique<RulerCalibration>(d->draw, frame, app, &window);
    d->editor = std::make_unique<ShapeEditor>(d->draw);
    d->files = std::make_unique<DrawingsFileCommands>(window, *this, app);
    d->tracks = std::make_unique<VideoTracks>(window, app);
    QObject::connect(d->tracks.get(), &VideoTracks::changed, &window, [this] { d->repaint(); });
    if (VideoPicture* picture = window.picVideo())
        new PictureKeys(window, *picture);
}

VideoMouseTools::~VideoMouseTools() = default;

clsKesDraw& VideoMouseTools::drawing()
{
    return d->draw;
}

const ShapeSelection& VideoMouseTools::selection() const
{
    return d->editor->selection();
}

VideoTracks& VideoMouseTools::tracks()
{
    return *d->tracks;
}

KesViewTransform VideoMouseTools::view() const
{
    return d->view();
}

QString VideoMouseTools::selectTwoLinesMessage()
{
    return QStringLiteral("Select two lines first: click one with the Select tool, then Ctrl+click the other.");
}

QString VideoMouseTools::parallelLinesMessage()
{
    return QStringLiteral("The two lines are parallel; they make no angle.");
}

// ---------------------------------------------------------------- mouse

void VideoMouseTools::VideoMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position)
{
    const QPointF nativePoint = d->nativeOf(position);
    const KesPoint p = nearestPixel(nativePoint);
    clsKesDraw& draw = d->draw;
    if (d->adjusting()) {
        d->pressAdjusting(nativePoint, button);
        return;
    }
    // A drag whose release never came ends here.
    if (d->editor->dragging())
        d->editor->release();
    const QString tool = d->frame->DrawingTool();
    // A multi-click shape another tool left half done is dropped, not
    // finished by this press.
    if (draw.ShapeObj().CurrentPoint() != 0 && draw.Mode() != tool)
        d->dropUnfinishedShape();
    if (tool == Tool::Track) {
        if (button == Qt::LeftButton)
            d->tracks->press(nativePoint, d->hitTolerance());
        return;
    }
    if (selects(tool)) {
        if (button == Qt::LeftButton) {
            d->editor->press(nativePoint, modifiers & Qt::ControlModifier, d->view());
            d->repaint();
        }
        return;
    }
    draw.setMouseDown(true);
    draw.setOldMouse(p);
    draw.setLastMouse(p);
    draw.setNewMouse(p);
    draw.setMode(tool);

    if (tool == Tool::Angle) {
        clsKesShape& inProgress = draw.ShapeObj();
        if (inProgress.CurrentPoint() == 0) {
            inProgress.setCurrentPoint(1);
            inProgress.SetPoints(0, p);
        } else if (inProgress.CurrentPoint() == 2) {
            // The press at the end of the second arm finishes the angle.
            inProgress.SetPoints(2, p);
            inProgress.setCurrentPoint(0);
            clsKesShape angle = d->newShape();
            angle.SetPoints(0, inProgress.Points(0));
            angle.SetPoints(1, inProgress.Points(1));
            angle.SetPoints(2, p);
            angle.setAngle(inProgress.CalculateAngle());
            draw.NewShape(angle, QStringLiteral("Angle"));
            draw.setMouseDown(false);
            // Show the finished angle with its value at once, not at the next frame.
            d->repaint();
        }
    } else if (tool == Tool::Ruler) {
        const clsKesRuler& ruler = draw.Ruler();
        if (!ruler.Calibrated() && !ruler.Calibrating())
            StartRuler();
    } else if (tool == Tool::Length && !draw.Ruler().Calibrated()) {
        // Lengths need a calibrated ruler: this press starts the calibration
        // and its release is the first calibration click.
        if (!draw.Ruler().Calibrating())
            StartRuler();
        if (draw.Ruler().Calibrating()) {
            draw.setMode(Tool::Ruler);
        } else {
            draw.setMouseDown(false);
            draw.setMode(Tool::None);
        }
    }
}

void VideoMouseTools::VideoMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPointF position)
{
    const QPointF nativePoint = d->nativeOf(position);
    const KesPoint p = nearestPixel(nativePoint);
    clsKesDraw& draw = d->draw;
    draw.setNewMouse(p);
    if (d->tracks->dragging()) {
        d->tracks->dragTo(nativePoint);
        return;
    }
    if (d->editor->dragging()) {
        d->editor->dragTo(p);
        d->redrawOver([this](QImage& picture) { d->editor->drawDragFeedback(picture, d->viewOf(picture.size())); });
        return;
    }
    if (!d->adjusting()) {
        if (!draw.MouseDown()) {
            if (selects(d->frame->DrawingTool())) {
                if (const std::optional<Qt::CursorShape> cursor = d->editor->cursorAt(nativePoint, d->view()))
                    d->setCursor(*cursor);
                else
                    d->unsetCursor();
            }
            return;
        }
        if (draw.Mode() == Tool::Angle) {
            clsKesShape& inProgress = draw.ShapeObj();
            if (inProgress.CurrentPoint() == 1)
                inProgress.SetPoints(1, p);
            else if (inProgress.CurrentPoint() == 2)
                inProgress.SetPoints(2, p);
        }
        d->redrawOver([this](QImage& picture) { d->drawBandFigure(picture); });
        draw.setLastMouse(p);
        return;
    }
    if (draw.AdjustShape()) {
        clsKesShape& shape = draw.GetShape(draw.countShapes());
        d->dragButtons = buttons;
        // A right-button drag on a parallel pair moves its partner line by
        // the horizontal movement.
        if (buttons == Qt::RightButton && !(shift & Qt::ShiftModifier) && shape.ShapeType() == Kind::Parallel)
            shape.setDistance(shape.Distance() + (p.x - draw.LastMouse().x));
        d->redrawOver([this](QImage& picture) { d->drawAdjustFigure(picture); });
        draw.setLastMouse(p);
        return;
    }
    bool found = false;
    draw.MouseOnPoint(draw.countShapes(), nativePoint, d->hitTolerance(), found);
    if (found)
        d->setCursor(Qt::SizeAllCursor);
    else
        d->unsetCursor();
}

void VideoMouseTools::VideoMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, QPointF position)
{
    if (d->tracks->dragging()) {
        if (button == Qt::LeftButton)
            d->tracks->release(d->nativeOf(position));
        return;
    }
    const KesPoint p = nearestPixel(d->nativeOf(position));
    clsKesDraw& draw = d->draw;
    draw.setNewMouse(p);
    if (d->editor->dragging()) {
        if (button == Qt::LeftButton) {
            d->editor->release();
            d->repaint();
        }
        return;
    }
    const QString mode = draw.Mode();

    if (mode == Tool::Line) {
        draw.setMouseDown(false);
        draw.setMode(Tool::None);
        // With the ruler on, a line is a measurement only.
        if (!d->calibration->rulerOn()) {
            clsKesShape line = d->newShape();
            line.SetPoints(0, draw.OldMouse());
            line.SetPoints(1, draw.NewMouse());
            draw.NewShape(line, QStringLiteral("Line"));
        }
        d->repaint();
    } else if (mode == Tool::Rectangle || mode == Tool::Ellipse) {
        const KesRect r = draw.GetRectangle();
        clsKesShape shape = d->newShape();
        shape.SetPoints(0, {r.left, r.top});
        shape.SetPoints(1, {r.right, r.bottom});
        d->finishShape(shape, mode == Tool::Rectangle ? QStringLiteral("Rectangle") : QStringLiteral("Ellipse"));
    } else if (mode == Tool::Parallel) {
        clsKesShape pair = d->newShape();
        pair.SetPoints(0, draw.OldMouse());
        pair.SetPoints(1, draw.NewMouse());
        pair.setDistance(GestureFigure::ParallelDistance);
        d->finishShape(pair, QStringLiteral("Parallel"));
    } else if (mode == Tool::VerticalAngle || mode == Tool::HorizontalAngle || mode == Tool::Length) {
        clsKesShape segment = d->newShape();
        segment.SetPoints(0, draw.OldMouse());
        segment.SetPoints(1, draw.NewMouse());
        const QString kind = mode == Tool::Length ? QString(Kind::Length)
            : mode == Tool::VerticalAngle         ? QString(Kind::VerticalAngle)
                                                  : QString(Kind::HorizontalAngle);
        segment.setShapeType(kind);
        segment.RefreshAngle();
        d->finishShape(segment, kind);
    } else if (mode == Tool::Angle) {
        clsKesShape& inProgress = draw.ShapeObj();
        if (inProgress.CurrentPoint() == 1) {
            inProgress.setCurrentPoint(2);
            inProgress.SetPoints(1, draw.NewMouse());
            d->repaint();
        }
    } else if (mode == Tool::Curve) {
        clsKesShape& inProgress = draw.ShapeObj();
        inProgress.SetPoints(inProgress.CurrentPoint(), draw.OldMouse());
        inProgress.setCurrentPoint(inProgress.CurrentPoint() + 1);
        if (inProgress.CurrentPoint() == 3) {
            inProgress.setCurrentPoint(0);
            clsKesShape curve = d->newShape();
            curve.SetPoints(0, inProgress.Points(0));
            curve.SetPoints(1, inProgress.Points(1));
            curve.SetPoints(2, p);
            d->finishShape(curve, QStringLiteral("Curve"));
        } else {
            d->redrawOver([this](QImage& picture) { d->drawBandFigure(picture); });
        }
    } else if (mode == Tool::Ruler) {
        switch (d->calibration->click(p)) {
        case RulerCalibration::Click::FirstPoint:
            d->redrawOver([this](QImage& picture) { d->drawBandFigure(picture); });
            break;
        case RulerCalibration::Click::Calibrated:
            d->repaint();
            break;
        case RulerCalibration::Click::Ignored:
            break;
        }
    } else if (mode == Tool::Adjusting && draw.AdjustShape()) {
        if (button == Qt::LeftButton) {
            clsKesShape& shape = draw.GetShape(draw.countShapes());
            shape.SetPoints(shape.CurrentPoint(), p);
            shape.RefreshAngle();
        }
        draw.setAdjustShape(false);
        draw.setMouseDown(false);
        d->dragButtons = {};
        d->repaint();
    }
}

void VideoMouseTools::State::finishShape(clsKesShape shape, const QString& kind)
{
    draw.NewShape(std::move(shape), kind);
    draw.setMouseDown(false);
    draw.setMode(Tool::None);
    repaint();
}

void VideoMouseTools::State::pressAdjusting(QPointF p, Qt::MouseButton button)
{
    bool found = false;
    draw.MouseOnPoint(draw.countShapes(), p, hitTolerance(), found);
    if (!found) {
        unsetCursor();
        draw.setMouseDown(false);
        return;
    }
    const clsKesShape& shape = draw.GetShape(draw.countShapes());
    draw.setAdjustShape(true);
    draw.setMouseDown(true);
    // The anchor is the other end of the shape; for a third point, the vertex.
    draw.setOldMouse(shape.Points(shape.CurrentPoint() == 0 ? 1 : 0));
    if (shape.CurrentPoint() == 2)
        draw.setOldMouse(shape.Points(1));
    draw.setLastMouse(nearestPixel(p));
    draw.setNewMouse(nearestPixel(p));
    dragButtons = button;
    repaint();
}

// ---------------------------------------------------------------- figures

void VideoMouseTools::DrawShapes(QImage& picture)
{
    clsKesDraw& draw = d->draw;
    const int count = draw.countShapes();
    d->editor->limitSelection();
    DrawingOverlay::Request request;
    request.draw = &draw;
    request.view = d->viewOf(picture.size());
    request.nativePx = d->nativeSize();
    if (d->adjusting() && count > 0) {
        // While its point is dragged the newest shape shows as drag feedback.
        if (draw.MouseDown())
            request.hidden = {count};
        else if (!d->withoutEditMarks)
            request.markedPosition = count;
    }
    if (!d->withoutEditMarks) {
        request.hidden += d->editor->draggedPositions();
        request.handles = d->editor->selection().positions();
    }
    DrawingOverlay::draw(picture, request);
    d->tracks->draw(picture, request.view, d->window->currentFrame(), d->window->IsPlaying(), draw.Ruler());
    if (d->withoutEditMarks)
        return;

    d->cleanValid = d->gestureUnderWay();
    if (d->cleanValid)
        State::copyPixels(picture, d->clean);
    if (d->editor->dragging())
        d->editor->drawDragFeedback(picture, request.view);
    else if (d->adjusting() && draw.AdjustShape())
        d->drawAdjustFigure(picture);
    else if (!d->adjusting() && draw.MouseDown())
        d->drawBandFigure(picture);
}

// ---------------------------------------------------------------- commands

bool VideoMouseTools::RulerOn() const
{
    return d->calibration->rulerOn();
}
void VideoMouseTools::setRulerOn(bool on)
{
    d->calibration->setRulerOn(on);
}
bool VideoMouseTools::RulerCalibrated() const
{
    return d->draw.Ruler().Calibrated();
}
void VideoMouseTools::setRulerCalibrated(bool calibrated)
{
    d->draw.Ruler().setCalibrated(calibrated);
}

void VideoMouseTools::StartRuler()
{
    d->calibration->start();
}

void VideoMouseTools::RecalibrateRuler()
{
    d->cancelGesture();
    d->calibration->recalibrate();
    d->repaint();
}

void VideoMouseTools::ShowGrid(bool show)
{
    d->draw.grid().setVisible(show);
    d->repaint();
}

bool VideoMouseTools::AdjustShapeSetUp(bool on)
{
    clsKesDraw& draw = d->draw;
    if (on) {
        if (draw.countShapes() == 0)
            return true;
        d->editor->clear();
        draw.setMode(Tool::Adjusting);
    } else {
        draw.setMode(Tool::None);
        draw.setAdjustShape(false);
        draw.setMouseDown(false);
        d->unsetCursor();
    }
    d->repaint();
    return false;
}

void VideoMouseTools::State::removeNewest()
{
    const int count = draw.countShapes();
    if (count == 0)
        return;
    draw.Undo();
    editor->shapeRemoved(count);
}

void VideoMouseTools::DrawingsUndo()
{
    d->removeNewest();
    d->repaint();
}

void VideoMouseTools::DrawingsDeleteAll()
{
    d->draw.DeleteAll();
    d->editor->clear();
    d->tracks->clear();
    d->repaint();
}

bool VideoMouseTools::DeleteSelectedShape()
{
    if (!d->editor->deleteSelected()) {
        if (d->draw.countShapes() == 0)
            return false;
        d->removeNewest();
    }
    d->repaint();
    return true;
}

bool VideoMouseTools::State::dropUnfinishedShape()
{
    if (draw.ShapeObj().CurrentPoint() == 0)
        return false;
    draw.ShapeObj() = clsKesShape();
    if (draw.Mode() == Tool::Angle || draw.Mode() == Tool::Curve) {
        draw.setMouseDown(false);
        draw.setMode(Tool::None);
    }
    return true;
}

bool VideoMouseTools::State::cancelGesture()
{
    bool cancelled = false;
    if (editor->cancelDrag())
        cancelled = true;
    if (adjusting() && draw.AdjustShape()) {
        draw.setAdjustShape(false);
        draw.setMouseDown(false);
        dragButtons = {};
        cancelled = true;
    }
    if (dropUnfinishedShape())
        cancelled = true;
    if (!adjusting() && draw.MouseDown()) {
        draw.setMouseDown(false);
        draw.setMode(Tool::None);
        cancelled = true;
    }
    if (calibration->cancel())
        cancelled = true;
    return cancelled;
}

bool VideoMouseTools::CancelShapeInProgress()
{
    if (d->cancelGesture() || d->tracks->cancel()) {
        d->repaint();
        return true;
    }
    d->editor->limitSelection();
    if (!d->editor->selection().isEmpty()) {
        d->editor->clear();
        d->repaint();
        return true;
    }
    return false;
}

void VideoMouseTools::DrawingToolChosen(const QString& tool)
{
    if (d->draw.ShapeObj().CurrentPoint() != 0 && d->draw.Mode() != tool && d->dropUnfinishedShape())
        d->repaint();
}

bool VideoMouseTools::State::changeSelected(const std::function<void(clsKesShape&)>& change)
{
    if (!editor->changeSelected(change))
        return false;
    repaint();
    return true;
}

bool VideoMouseTools::SetSelectedShapesColor(quint32 colour)
{
    return d->changeSelected([colour](clsKesShape& shape) { shape.setColor(qint32(colour)); });
}

bool VideoMouseTools::SetSelectedShapesWidth(int widthPx)
{
    return d->changeSelected([widthPx](clsKesShape& shape) { shape.setWidth(float(widthPx)); });
}

bool VideoMouseTools::AngleBetweenSelectedLines()
{
    const QString title = QStringLiteral("Angle between lines");
    switch (d->editor->addAngleBetweenSelected(d->newShape())) {
    case ShapeEditor::AngleBetween::Added:
        d->repaint();
        return true;
    case ShapeEditor::AngleBetween::NotTwoLines:
        d->app.prompter->message(d->window, selectTwoLinesMessage(), title, MsgIcon::Information, MsgButtons::Ok);
        return false;
    case ShapeEditor::AngleBetween::Parallel:
        d->app.prompter->message(d->window, parallelLinesMessage(), title, MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    return false;
}

// ---------------------------------------------------------------- drawings as a document

bool VideoMouseTools::ExportTrackCsv()
{
    return d->tracks->exportCsv(d->draw.Ruler());
}

bool VideoMouseTools::SaveDrawings()
{
    return d->files->saveDrawings();
}

bool VideoMouseTools::SavePicture()
{
    return d->files->savePicture();
}

void VideoMouseTools::videoOpened(const QString& path)
{
    // A track is a point per frame of the clip it was made on: it cannot go with the drawings to another.
    d->tracks->clear();
    d->files->videoOpened(path);
}

KesDrawings VideoMouseTools::drawings() const
{
    KesDrawings drawings;
    drawings.videoFile = QFileInfo(d->window->FileName()).fileName();
    drawings.videoSizePx = d->nativeSize();
    drawings.shapes = d->draw.Shapes();
    drawings.ruler = d->draw.Ruler();
    drawings.tracks = d->tracks->toDrawings();
    return drawings;
}

void VideoMouseTools::setDrawings(const KesDrawings& drawings)
{
    d->cancelGesture();
    d->draw.DeleteAll();
    d->editor->clear();
    for (const clsKesShape& shape : drawings.shapes)
        d->draw.NewShape(shape, shape.ShapeType());
    d->calibration->reset();
    d->draw.Ruler() = drawings.ruler;
    d->tracks->setFromDrawings(drawings.tracks);
    d->repaint();
}

void VideoMouseTools::forgetDrawings()
{
    setDrawings({});
    d->calibration->setRulerOn(false);
    d->frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), false);
}

bool VideoMouseTools::hasDrawings() const
{
    return d->draw.countShapes() > 0 || d->draw.Ruler().Calibrated() || !d->tracks->isEmpty();
}

QImage VideoMouseTools::pictureWithoutEditMarks()
{
    d->withoutEditMarks = true;
    d->repaint();
    const QImage picture = d->window->composedPicture().copy();
    d->withoutEditMarks = false;
    d->repaint();
    return picture;
}

} // namespace kestrel
