#include "analysis/PointTrack.h"

namespace kestrel {

std::vector<qint64> PointTrack::setFrames() const
{
    std::vector<qint64> frames;
    for (qint64 i = 0; i < frameCount(); ++i) {
        if (points[size_t(i)].state == TrackState::Set)
            frames.push_back(i);
    }
    return frames;
}

QStringList pointTrackLines(const PointTrack& track)
{
    QStringList lines;
    for (qint64 i = 0; i < track.frameCount(); ++i) {
        const TrackPoint& point = track.points[size_t(i)];
        lines << (point.hasPosition() ? QStringLiteral("%1 %2 %3")
                                            .arg(i)
                                            .arg(point.positionPx.x(), 0, 'f', 1)
                                            .arg(point.positionPx.y(), 0, 'f', 1)
                                      : QStringLiteral("%1 - -").arg(i));
    }
    return lines;
}

} // namespace kestrel
