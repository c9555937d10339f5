#include "analysis/TrackSpeeds.h"

#include <algorithm>
#include <cmath>

namespace kestrel {

namespace {

constexpr double kHalfWindowMs = 10;
constexpr double kMetresPerMile = 1609.344;

} // namespace

TrackSpeeds TrackSpeeds::of(const PointTrack& track)
{
    TrackSpeeds speeds;
    const qint64 frames = track.frameCount();
    speeds.pxPerS.resize(size_t(frames));
    if (qint64(track.frameTimesMs.size()) != frames)
        return speeds;
    // Positions carried on unseen are guesses: speeds come from sightings only.
    const auto seen = [&track](qint64 frame) {
        return track.hasPosition(frame) && track.points[size_t(frame)].state != TrackState::Predicted;
    };
    for (qint64 i = 0; i < frames; ++i) {
        if (!seen(i))
            continue;
        // Widen the window symmetrically until it spans the half window on both sides.
        qint64 reach = 1;
        while (i - reach > 0 && i + reach < frames - 1
            && std::min(track.frameTimesMs[size_t(i)] - track.frameTimesMs[size_t(i - reach)],
                   track.frameTimesMs[size_t(i + reach)] - track.frameTimesMs[size_t(i)])
                < kHalfWindowMs)
            ++reach;
        double sumT = 0, sumX = 0, sumY = 0, sumTT = 0, sumTX = 0, sumTY = 0;
        int count = 0;
        for (qint64 j = std::max<qint64>(0, i - reach); j <= std::min(frames - 1, i + reach); ++j) {
            if (!seen(j))
                continue;
            const double t = double(track.frameTimesMs[size_t(j)] - track.frameTimesMs[size_t(i)]) / 1000.0;
            const QPointF p = track.points[size_t(j)].positionPx;
            sumT += t;
            sumX += p.x();
            sumY += p.y();
            sumTT += t * t;
            sumTX += t * p.x();
            sumTY += t * p.y();
            ++count;
        }
        const double spread = count * sumTT - sumT * sumT;
        if (count < 2 || spread <= 0)
            continue;
        const double vx = (count * sumTX - sumT * sumX) / spread;
        const double vy = (count * sumTY - sumT * sumY) / spread;
        const double speed = std::hypot(vx, vy);
        speeds.pxPerS[size_t(i)] = speed;
        if (speeds.topFrame < 0 || speed > speeds.topPxPerS) {
            speeds.topFrame = i;
            speeds.topPxPerS = speed;
        }
    }
    return speeds;
}

double convertSpeed(double pxPerS, SpeedUnit unit, double metresPerPx)
{
    const double metresPerS = pxPerS * metresPerPx;
    switch (unit) {
    case SpeedUnit::MetresPerSecond:
        return metresPerS;
    case SpeedUnit::KilometresPerHour:
        return metresPerS * 3.6;
    case SpeedUnit::MilesPerHour:
        return metresPerS * 3600.0 / kMetresPerMile;
    case SpeedUnit::PixelsPerSecond:
        break;
    }
    return pxPerS;
}

QString speedUnitText(SpeedUnit unit)
{
    switch (unit) {
    case SpeedUnit::MetresPerSecond:
        return QStringLiteral("m/s");
    case SpeedUnit::KilometresPerHour:
        return QStringLiteral("km/h");
    case SpeedUnit::MilesPerHour:
        return QStringLiteral("mph");
    case SpeedUnit::PixelsPerSecond:
        break;
    }
    return QStringLiteral("px/s");
}

QString speedText(double pxPerS, SpeedUnit unit, double metresPerPx)
{
    return QStringLiteral("%1 %2").arg(convertSpeed(pxPerS, unit, metresPerPx), 0, 'f', 1).arg(speedUnitText(unit));
}

} // namespace kestrel
