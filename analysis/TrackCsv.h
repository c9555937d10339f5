#pragma once

#include "analysis/PointTrack.h"
#include "analysis/TrackSpeeds.h"

#include <QByteArray>
#include <QString>

namespace kestrel {

// A track as a table: a header "frame,time ms,x,y,speed <unit>", then one
// row per frame that has a position (x, y in video pixels to 0.1, speed to
// 0.01, empty where it is not known).
class TrackCsv {
public:
    static QByteArray text(
        const PointTrack& track, SpeedUnit unit = SpeedUnit::PixelsPerSecond, double metresPerPx = 0);
    // Written to a temporary file that replaces `path` only when complete.
    static bool write(const QString& path, const PointTrack& track, SpeedUnit unit, double metresPerPx, QString* error);
};

} // namespace kestrel
