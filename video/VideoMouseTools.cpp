#include "VideoMouseTools.h"

#include "app/Prompter.h"
#include "video/FrameServices.h"
#include "video/VideoPicture.h"
#include "video/frmVideo.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPalette>

#include <cmath>
#include <cstring>

namespace kestrel {

namespace {

const QString LineTool = QStringLiteral("LineTool");
const QString RectangleTool = QStringLiteral("RectangleTool");
const QString EllipseTool = QStringLiteral("EllipseTool");
const QString CurveTool = QStringLiteral("CurveTool");
const QString AngleTool = QStringLiteral("AngleTool");
const QString ParallelTool = QStringLiteral("ParallelTool");
const QString RulerTool = QStringLiteral("RulerTool");
const QString Adjusting = QStringLiteral("Adjusting");
const QString NoMode = QStringLiteral("None");

constexpr double ParallelDistance = 100;
constexpr int MarkerWidth = 6;
constexpr int LabelWidth = 40;
constexpr int LabelHeight = 20;

// Mouse positions arrive as floating pixels; halves go to the even neighbour.
KesPoint rounded(QPointF position)
{
    return {KesGeometry::roundHalfEven(position.x()), KesGeometry::roundHalfEven(position.y())};
}

QString calibrationPrompt()
{
    const QString br = QStringLiteral("\r\n");
    const QString gap = br + br;
    return QStringLiteral("Ruler calibration!") + br + QStringLiteral("To calibrate the ruler:") + gap
        + QStringLiteral("1) Enter the REAL WORLD measure in the text box, and click OK.") + gap
        + QStringLiteral("2) On your video screen, mouse click at the starting point(1) of measurement.") + gap
        + QStringLiteral("3) Then mouse click at the ending point(2) of measurement.") + gap
        + QStringLiteral(
            "[NOTE: the distance between point 1 and point 2 must present the value you entered in step 1.")
        + gap
        + QStringLiteral("4) After you calibrate the ruler, whenever you draw a line (using the line tool) the length "
                         "will be displayed.")
        + gap + QStringLiteral("NOTE the calibration process is performed only once per video file.") + gap
        + QStringLiteral("Please enter the real world measurement in the following text box and click OK.") + br;
}

QString calibratedMessage()
{
    const QString br = QStringLiteral("\r\n");
    return QStringLiteral("You sucessfuly calibrated your ruler.") + br
        + QStringLiteral("You can now make measurements.") + br
        + QStringLiteral("To measure distance between two points just draw a line with the line tool while the ruler "
                         "button is checked.")
        + br;
}

} // namespace

struct VideoMouseTools::State {
    frmVideo* window = nullptr;
    FrameServices* frame = nullptr;
    AppContext app;
    clsKesDraw draw;
    bool rulerOn = false;
    // The composed picture with the finished shapes and the grid but without
    // the figure of the gesture under way: bands are drawn on a fresh copy
    // of it, so they never leave a trail. Kept only while a gesture runs, so
    // plain playback pays nothing for it.
    QImage clean;
    bool cleanValid = false;
    Qt::MouseButtons dragButtons; // buttons held during the adjust drag

    qint32 colour() const { return qint32(frame->DrawingColor()); }
    int width() const { return frame->DrawingWidth(); }
    bool adjusting() const { return draw.Mode() == Adjusting; }

    void repaint() { window->PaintVideoFrame(); }

    clsKesShape newShape() const
    {
        clsKesShape shape;
        shape.setWidth(float(width()));
        shape.setColor(colour());
        return shape;
    }

    bool gestureUnderWay() const { return adjusting() ? draw.AdjustShape() : draw.MouseDown(); }

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

    void drawBandFigure(QImage& picture);
    void drawAdjustFigure(QImage& picture);
    void pressAdjusting(KesPoint p, Qt::MouseButton button);
    void calibrationClick(KesPoint p);
};

VideoMouseTools::VideoMouseTools(frmVideo& window, FrameServices& frame, const AppContext& app)
    : d(std::make_unique<State>())
{
    d->window = &window;
    d->frame = &frame;
    d->app = app;
}

VideoMouseTools::~VideoMouseTools() = default;

clsKesDraw& VideoMouseTools::drawing()
{
    return d->draw;
}

void VideoMouseTools::printLabel(QImage& picture, const QString& text, KesPoint at)
{
    const QPalette palette = QGuiApplication::palette();
    clsKesDraw::PrintText(text, {at.x, at.y, at.x + LabelWidth, at.y + LabelHeight}, picture, QGuiApplication::font(),
        palette.color(QPalette::WindowText), palette.color(QPalette::Window));
}

// ---------------------------------------------------------------- mouse

void VideoMouseTools::VideoMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, QPointF position)
{
    const KesPoint p = rounded(position);
    clsKesDraw& draw = d->draw;
    if (d->adjusting()) {
        d->pressAdjusting(p, button);
        return;
    }
    draw.setMouseDown(true);
    draw.setOldMouse(p);
    draw.setLastMouse(p);
    draw.setNewMouse(p);
    draw.setMode(d->frame->DrawingTool());

    const QString mode = draw.Mode();
    if (mode == AngleTool) {
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
    } else if (mode == RulerTool) {
        const clsKesRuler& ruler = draw.Ruler();
        if (!ruler.Calibrated() && !ruler.Calibrating())
            StartRuler();
    }
}

void VideoMouseTools::VideoMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPointF position)
{
    const KesPoint p = rounded(position);
    clsKesDraw& draw = d->draw;
    draw.setNewMouse(p);
    if (!d->adjusting()) {
        if (!draw.MouseDown())
            return;
        if (draw.Mode() == AngleTool) {
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
        if (buttons == Qt::RightButton && !(shift & Qt::ShiftModifier)
            && shape.ShapeType() == QLatin1String("Parallel"))
            shape.setDistance(shape.Distance() + (p.x - draw.LastMouse().x));
        d->redrawOver([this](QImage& picture) { d->drawAdjustFigure(picture); });
        draw.setLastMouse(p);
        return;
    }
    bool found = false;
    draw.MouseOnPoint(draw.countShapes(), p, found);
    if (VideoPicture* picture = d->window->picVideo()) {
        if (found)
            picture->setCursor(Qt::SizeAllCursor);
        else
            picture->unsetCursor();
    }
}

void VideoMouseTools::VideoMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, QPointF position)
{
    const KesPoint p = rounded(position);
    clsKesDraw& draw = d->draw;
    draw.setNewMouse(p);
    const QString mode = draw.Mode();

    const auto finish = [&](clsKesShape shape, const QString& kind) {
        draw.NewShape(std::move(shape), kind);
        draw.setMouseDown(false);
        draw.setMode(NoMode);
        d->repaint();
    };

    if (mode == LineTool) {
        draw.setMouseDown(false);
        draw.setMode(NoMode);
        // With the ruler on, a line is a measurement only.
        if (!d->rulerOn) {
            clsKesShape line = d->newShape();
            line.SetPoints(0, draw.OldMouse());
            line.SetPoints(1, draw.NewMouse());
            draw.NewShape(line, QStringLiteral("Line"));
        }
        d->repaint();
    } else if (mode == RectangleTool || mode == EllipseTool) {
        const KesRect r = draw.GetRectangle();
        clsKesShape shape = d->newShape();
        shape.SetPoints(0, {r.left, r.top});
        shape.SetPoints(1, {r.right, r.bottom});
        finish(shape, mode == RectangleTool ? QStringLiteral("Rectangle") : QStringLiteral("Ellipse"));
    } else if (mode == ParallelTool) {
        clsKesShape pair = d->newShape();
        pair.SetPoints(0, draw.OldMouse());
        pair.SetPoints(1, draw.NewMouse());
        pair.setDistance(ParallelDistance);
        finish(pair, QStringLiteral("Parallel"));
    } else if (mode == AngleTool) {
        clsKesShape& inProgress = draw.ShapeObj();
        if (inProgress.CurrentPoint() == 1) {
            inProgress.setCurrentPoint(2);
            inProgress.SetPoints(1, draw.NewMouse());
            d->repaint();
        }
    } else if (mode == CurveTool) {
        clsKesShape& inProgress = draw.ShapeObj();
        inProgress.SetPoints(inProgress.CurrentPoint(), draw.OldMouse());
        inProgress.setCurrentPoint(inProgress.CurrentPoint() + 1);
        if (inProgress.CurrentPoint() == 3) {
            inProgress.setCurrentPoint(0);
            clsKesShape curve = d->newShape();
            curve.SetPoints(0, inProgress.Points(0));
            curve.SetPoints(1, inProgress.Points(1));
            curve.SetPoints(2, p);
            finish(curve, QStringLiteral("Curve"));
        } else {
            d->redrawOver([this](QImage& picture) { d->drawBandFigure(picture); });
        }
    } else if (mode == RulerTool) {
        d->calibrationClick(p);
    } else if (mode == Adjusting && draw.AdjustShape()) {
        if (button == Qt::LeftButton) {
            clsKesShape& shape = draw.GetShape(draw.countShapes());
            shape.SetPoints(shape.CurrentPoint(), p);
            if (shape.ShapeType() == QLatin1String("Angle"))
                shape.setAngle(shape.CalculateAngle());
        }
        draw.setAdjustShape(false);
        draw.setMouseDown(false);
        d->dragButtons = {};
        d->repaint();
    }
}

void VideoMouseTools::State::pressAdjusting(KesPoint p, Qt::MouseButton button)
{
    bool found = false;
    draw.MouseOnPoint(draw.countShapes(), p, found);
    if (!found) {
        if (VideoPicture* picture = window->picVideo())
            picture->unsetCursor();
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
    draw.setLastMouse(p);
    draw.setNewMouse(p);
    dragButtons = button;
    repaint();
}

// ---------------------------------------------------------------- figures

void VideoMouseTools::DrawShapes(QImage& picture)
{
    clsKesDraw& draw = d->draw;
    const int count = draw.countShapes();
    for (int i = 1; i <= count; ++i) {
        const clsKesShape& shape = draw.GetShape(i);
        if (i == count && d->adjusting()) {
            // While its point is dragged the newest shape shows as drag feedback.
            if (draw.MouseDown())
                break;
            for (qint16 k = 0; k < clsKesShape::countPoints(); ++k)
                clsKesDraw::DrawLine(shape.Points(k), shape.Points(k), picture, PaintMode, RedColour, MarkerWidth);
        }
        clsKesDraw::DrawShapeFigure(shape, picture, PaintMode, shape.Color());
        if (shape.ShapeType() == QLatin1String("Angle"))
            printLabel(picture, QLocale().toString(shape.Angle(), 'f', 0), shape.Points(1));
    }
    if (draw.grid().Visible())
        draw.grid().Draw(picture);

    d->cleanValid = d->gestureUnderWay();
    if (d->cleanValid)
        State::copyPixels(picture, d->clean);
    if (d->adjusting() && draw.AdjustShape())
        d->drawAdjustFigure(picture);
    else if (!d->adjusting() && draw.MouseDown())
        d->drawBandFigure(picture);
}

void VideoMouseTools::State::drawBandFigure(QImage& picture)
{
    const QString mode = draw.Mode();
    const KesPoint from = draw.OldMouse(), to = draw.NewMouse();
    if (mode == LineTool) {
        clsKesDraw::DrawLine(from, to, picture, InvertMode, colour(), width());
        const clsKesRuler& ruler = draw.Ruler();
        if (ruler.Calibrated() && rulerOn) {
            const double dx = double(to.x) - from.x, dy = double(to.y) - from.y;
            const double length = double(ruler.Factor()) * std::sqrt(dx * dx + dy * dy);
            printLabel(picture, QLocale().toString(length, 'f', 2), from);
        }
    } else if (mode == RectangleTool) {
        clsKesDraw::DrawRectAngle(from, to, picture, InvertMode, colour(), width());
    } else if (mode == EllipseTool) {
        clsKesDraw::DrawEllipse(from, to, picture, InvertMode, colour(), width());
    } else if (mode == ParallelTool) {
        clsKesDraw::DrawParalellLine(from, to, ParallelDistance, picture, InvertMode, colour(), width());
    } else if (mode == AngleTool) {
        const clsKesShape& inProgress = draw.ShapeObj();
        if (inProgress.CurrentPoint() == 1) {
            clsKesDraw::DrawLine(inProgress.Points(0), to, picture, InvertMode, colour(), width());
        } else if (inProgress.CurrentPoint() == 2) {
            const KesPoint vertex = inProgress.Points(1);
            clsKesDraw::DrawLine(inProgress.Points(0), vertex, picture, PaintMode, colour(), width());
            clsKesDraw::DrawLine(vertex, to, picture, InvertMode, colour(), width());
            clsKesShape current;
            current.SetPoints(0, inProgress.Points(0));
            current.SetPoints(1, vertex);
            current.SetPoints(2, to);
            printLabel(picture, QLocale().toString(current.CalculateAngle(), 'f', 1), vertex);
        }
    } else if (mode == CurveTool) {
        // Every click placed so far keeps its marker until the curve is made.
        const clsKesShape& inProgress = draw.ShapeObj();
        for (int k = 0; k < inProgress.CurrentPoint(); ++k)
            clsKesDraw::DrawLine(
                inProgress.Points(k), inProgress.Points(k), picture, PaintMode, RedColour, MarkerWidth);
    } else if (mode == RulerTool) {
        const clsKesRuler& ruler = draw.Ruler();
        if (!ruler.Calibrated() && ruler.CurrentPoint() == 1)
            clsKesDraw::DrawLine(ruler.Points(0), ruler.Points(0), picture, PaintMode, RedColour, MarkerWidth);
    }
}

void VideoMouseTools::State::drawAdjustFigure(QImage& picture)
{
    if (draw.countShapes() == 0)
        return;
    clsKesShape shape = draw.GetShape(draw.countShapes());
    // Only a left-button drag moves the point; the right button only changes
    // a parallel pair's distance.
    if (!(dragButtons & Qt::RightButton))
        shape.SetPoints(shape.CurrentPoint(), draw.NewMouse());
    clsKesDraw::DrawShapeFigure(shape, picture, InvertMode, shape.Color());
    if (shape.ShapeType() == QLatin1String("Angle"))
        printLabel(picture, QLocale().toString(shape.CalculateAngle(), 'f', 1), shape.Points(1));
}

// ---------------------------------------------------------------- commands

bool VideoMouseTools::RulerOn() const
{
    return d->rulerOn;
}
void VideoMouseTools::setRulerOn(bool on)
{
    d->rulerOn = on;
}
bool VideoMouseTools::RulerCalibrated() const
{
    return d->draw.Ruler().Calibrated();
}
void VideoMouseTools::setRulerCalibrated(bool calibrated)
{
    d->draw.Ruler().setCalibrated(calibrated);
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
        draw.setMode(Adjusting);
    } else {
        draw.setMode(NoMode);
        draw.setAdjustShape(false);
        draw.setMouseDown(false);
        if (VideoPicture* picture = d->window->picVideo())
            picture->unsetCursor();
    }
    d->repaint();
    return false;
}

void VideoMouseTools::DrawingsUndo()
{
    d->draw.Undo();
    d->repaint();
}

void VideoMouseTools::DrawingsDeleteAll()
{
    d->draw.DeleteAll();
    d->repaint();
}

// ---------------------------------------------------------------- ruler calibration

void VideoMouseTools::StartRuler()
{
    clsKesRuler& ruler = d->draw.Ruler();
    if (ruler.Calibrated())
        return;
    d->frame->setDrawingTool(RulerTool);
    if (ruler.Factor() == 0) {
        const std::optional<QString> answer = d->app.prompter->inputBox(
            d->window, calibrationPrompt(), QStringLiteral("Ruler calibration"), QStringLiteral("1"));
        if (!answer || answer->isEmpty()) {
            d->frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("adjust"), false);
            return;
        }
        bool isNumber = false;
        const float measure = QLocale().toFloat(answer->trimmed(), &isNumber);
        if (!isNumber) {
            d->app.prompter->message(d->window, QStringLiteral("You must enter a number."),
                QStringLiteral("Calibration Error"), MsgIcon::Information, MsgButtons::Ok);
            ruler.setRWMeasure(0);
            d->frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), false);
            return;
        }
        ruler.setRWMeasure(measure);
    }
    ruler.setCalibrating(true);
    d->draw.setMode(RulerTool);
}

void VideoMouseTools::State::calibrationClick(KesPoint p)
{
    clsKesRuler& ruler = draw.Ruler();
    // Outside a calibration the click ends the gesture; nothing follows the pointer.
    if (ruler.Calibrated()) {
        draw.setMode(NoMode);
        draw.setMouseDown(false);
        return;
    }
    if (!ruler.Calibrating()) {
        draw.setMouseDown(false);
        return;
    }
    if (ruler.CurrentPoint() == 0) {
        ruler.SetPoints(0, p);
        ruler.setCurrentPoint(1);
        redrawOver([this](QImage& picture) { drawBandFigure(picture); });
        return;
    }
    if (ruler.CurrentPoint() != 1)
        return;
    // A second click on the first point spans no distance: keep waiting for
    // a usable one.
    ruler.SetPoints(1, p);
    if (!ruler.CalculateFactor())
        return;
    ruler.setCurrentPoint(2);
    ruler.setCalibrated(true);
    draw.setMouseDown(false);
    app.prompter->message(
        window, calibratedMessage(), QStringLiteral("Calibration"), MsgIcon::Information, MsgButtons::Ok);
    frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), true);
    rulerOn = true;
    frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("line"), true);
    frame->setDrawingTool(LineTool);
    repaint();
}

} // namespace kestrel
