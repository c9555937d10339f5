#pragma once

#include "app/AppContext.h"
#include "drawing/clsKesDraw.h"

#include <QString>

#include <optional>

class QWidget;

namespace kestrel {

class FrameServices;

// The ruler calibration workflow of one video window: asking for the real
// length, taking the two clicks, forming the factor, and (beyond the classic
// once-per-window calibration) recalibrating and abandoning a calibration
// under way. Works on the ruler and mode of the window's drawing engine.
class RulerCalibration {
public:
    RulerCalibration(clsKesDraw& draw, FrameServices& frame, const AppContext& app, QWidget* owner);

    // The frame's ruler button as this window knows it: lines are measured
    // while it is on.
    bool rulerOn() const { return m_rulerOn; }
    void setRulerOn(bool on) { m_rulerOn = on; }

    // StartRuler: does nothing once calibrated; otherwise asks for the real
    // length (unless a factor exists) and waits for the two clicks.
    void start();

    enum class Click { Ignored, FirstPoint, Calibrated };
    // The release of a calibration click at `p` (video pixels).
    Click click(KesPoint p);

    // Forgets the calibration and starts a new one. When the new one is
    // abandoned (dialog cancelled, not a number, Esc) the old one returns.
    void recalibrate();
    // Abandons a calibration that waits for its clicks; true when there was one.
    bool cancel();
    // Forgets the calibration (the window moves on to another clip).
    void reset();

    static QString prompt();
    static QString calibratedMessage();

private:
    void restorePrevious();

    clsKesDraw& m_draw;
    FrameServices& m_frame;
    AppContext m_app;
    QWidget* m_owner;
    bool m_rulerOn = false;
    // The tool to return to when the calibration is done.
    QString m_returnTool;
    // The calibration a recalibration replaces, until the new one is made.
    std::optional<clsKesRuler> m_previous;
};

} // namespace kestrel
