#pragma once

#include "analysis/ImpactEstimate.h"
#include "analysis/SwingMarks.h"
#include "analysis/SwingTempo.h"

#include <QMetaType>
#include <QString>

#include <vector>

namespace kestrel {

// Everything Kestrel reads from one swing clip.
struct SwingAnalysis {
    QString error; // why the clip could not be analysed; empty when it was
    ImpactEstimate impact;
    SwingMarks marks; // estimates: address, top, impact, finish
    SwingTempo tempo; // from the marks
    std::vector<qint64> frameTimesMs; // each frame's time, frame 0 at 0 ms
    bool hasSound = false; // the clip has a sound track that could be read
    bool motionFromCache = false; // the motion curve was measured on an earlier run

    bool succeeded() const { return error.isEmpty(); }
};

} // namespace kestrel

Q_DECLARE_METATYPE(kestrel::SwingAnalysis)
