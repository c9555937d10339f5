#include "RulerCalibration.h"

#include "app/Prompter.h"
#include "video/DrawingToolNames.h"
#include "video/FrameServices.h"

#include <QLocale>

namespace kestrel {

RulerCalibration::RulerCalibration(clsKesDraw& draw, FrameServices& frame, const AppContext& app, QWidget* owner)
    : m_draw(draw)
    , m_frame(frame)
    , m_app(app)
    , m_owner(owner)
{
}

QString RulerCalibration::prompt()
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

QString RulerCalibration::calibratedMessage()
{
    const QString br = QStringLiteral("\r\n");
    return QStringLiteral("You sucessfuly calibrated your ruler.") + br
        + QStringLiteral("You can now make measurements.") + br
        + QStringLiteral("To measure distance between two points just draw a line with the line tool while the ruler "
                         "button is checked.")
        + br;
}

void RulerCalibration::start()
{
    clsKesRuler& ruler = m_draw.Ruler();
    if (ruler.Calibrated())
        return;
    m_returnTool = m_frame.DrawingTool();
    m_frame.setDrawingTool(DrawingToolNames::Ruler);
    if (ruler.Factor() == 0) {
        const std::optional<QString> answer
            = m_app.prompter->inputBox(m_owner, prompt(), QStringLiteral("Ruler calibration"), QStringLiteral("1"));
        if (!answer || answer->isEmpty()) {
            m_frame.setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("adjust"), false);
            restorePrevious();
            return;
        }
        bool isNumber = false;
        const float measure = QLocale().toFloat(answer->trimmed(), &isNumber);
        if (!isNumber) {
            m_app.prompter->message(m_owner, QStringLiteral("You must enter a number."),
                QStringLiteral("Calibration Error"), MsgIcon::Information, MsgButtons::Ok);
            ruler.setRWMeasure(0);
            m_frame.setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), false);
            restorePrevious();
            return;
        }
        ruler.setRWMeasure(measure);
    }
    ruler.setCalibrating(true);
    m_draw.setMode(DrawingToolNames::Ruler);
}

RulerCalibration::Click RulerCalibration::click(KesPoint p)
{
    clsKesRuler& ruler = m_draw.Ruler();
    // Outside a calibration the click ends the gesture; nothing follows the pointer.
    if (ruler.Calibrated()) {
        m_draw.setMode(DrawingToolNames::None);
        m_draw.setMouseDown(false);
        return Click::Ignored;
    }
    if (!ruler.Calibrating()) {
        m_draw.setMouseDown(false);
        return Click::Ignored;
    }
    if (ruler.CurrentPoint() == 0) {
        ruler.SetPoints(0, p);
        ruler.setCurrentPoint(1);
        return Click::FirstPoint;
    }
    if (ruler.CurrentPoint() != 1)
        return Click::Ignored;
    // A second click on the first point spans no distance: keep waiting for
    // a usable one.
    ruler.SetPoints(1, p);
    if (!ruler.CalculateFactor())
        return Click::Ignored;
    ruler.setCurrentPoint(2);
    ruler.setCalibrated(true);
    m_previous.reset();
    m_draw.setMouseDown(false);
    m_app.prompter->message(
        m_owner, calibratedMessage(), QStringLiteral("Calibration"), MsgIcon::Information, MsgButtons::Ok);
    m_frame.setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), true);
    m_rulerOn = true;
    // A calibration asked for by the length tool goes back to it; any other
    // ends with the line tool, which now measures.
    if (m_returnTool == DrawingToolNames::Length) {
        m_frame.setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("length"), true);
        m_frame.setDrawingTool(DrawingToolNames::Length);
    } else {
        m_frame.setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("line"), true);
        m_frame.setDrawingTool(DrawingToolNames::Line);
    }
    return Click::Calibrated;
}

void RulerCalibration::recalibrate()
{
    const clsKesRuler current = m_draw.Ruler();
    reset();
    if (current.Calibrated())
        m_previous = current;
    start();
}

bool RulerCalibration::cancel()
{
    clsKesRuler& ruler = m_draw.Ruler();
    if (ruler.Calibrated() || !ruler.Calibrating())
        return false;
    ruler.setCalibrating(false);
    ruler.setCurrentPoint(0);
    if (m_draw.Mode() == DrawingToolNames::Ruler) {
        m_draw.setMode(DrawingToolNames::None);
        m_draw.setMouseDown(false);
    }
    if (m_previous) {
        restorePrevious();
    } else {
        m_rulerOn = false;
        m_frame.setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), false);
    }
    return true;
}

void RulerCalibration::reset()
{
    m_draw.Ruler() = clsKesRuler();
    m_previous.reset();
}

void RulerCalibration::restorePrevious()
{
    if (!m_previous)
        return;
    m_draw.Ruler() = *m_previous;
    m_previous.reset();
}

} // namespace kestrel
