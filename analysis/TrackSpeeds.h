#pragma once

#include "analysis/PointTrack.h"

#include <QString>

#include <optional>
#include <vector>

namespace kestrel {

enum class SpeedUnit { PixelsPerSecond, MetresPerSecond, KilometresPerHour, MilesPerHour };

// How fast a tracked point moves on each frame, from the frames' own times.
// The speed on a frame is the slope of a straight line fitted to its
// position over the frames around it (about 10 ms either side, at least one
// frame), which is exact for steady acceleration and evens out the last
// pixel of tracking noise at high frame rates. Only frames where the point
// was seen (or placed) count: a position carried on unseen is a guess.
struct TrackSpeeds {
    std::vector<std::optional<double>> pxPerS; // one per frame; none without sightings on and around it
    qint64 topFrame = -1; // the fastest frame, -1 when no speed is known
    double topPxPerS = 0;

    static TrackSpeeds of(const PointTrack& track);
};

// The ruler's calibration turned into speeds: metresPerPx from a ruler
// whose real length was given in metres. Pixels per second need none.
double convertSpeed(double pxPerS, SpeedUnit unit, double metresPerPx);
QString speedUnitText(SpeedUnit unit); // "px/s", "m/s", "km/h", "mph"
// "31.4 m/s": one decimal, the unit after a space.
QString speedText(double pxPerS, SpeedUnit unit, double metresPerPx);

} // namespace kestrel
