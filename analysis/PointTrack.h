#pragma once

#include <QMetaType>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kestrel {

// How a tracked point came to be where it is on one frame.
enum class TrackState : quint8 {
    Absent, // no position: before the feature was found, or lost too long
    Tracked, // found in the picture
    Predicted, // not found (blurred, hidden): carried on from its last motion
    Set, // placed by the user (the start point and corrections)
};

struct TrackPoint {
    QPointF positionPx; // upright video pixels, pixel centres at whole numbers
    TrackState state = TrackState::Absent;

    bool hasPosition() const { return state != TrackState::Absent; }
};

// One feature followed through a clip: a point per frame, or none.
struct PointTrack {
    QString error; // why the clip could not be tracked; empty when it was
    QSize videoSizePx; // upright
    std::vector<qint64> frameTimesMs; // each frame's time, frame 0 at 0 ms
    std::vector<TrackPoint> points; // one per frame
    qint64 startFrame = -1; // where the user first placed the point

    bool succeeded() const { return error.isEmpty() && !points.empty(); }
    qint64 frameCount() const { return qint64(points.size()); }
    bool hasPosition(qint64 frame) const
    {
        return frame >= 0 && frame < frameCount() && points[size_t(frame)].hasPosition();
    }
    // Frames the user placed the point on.
    std::vector<qint64> setFrames() const;
};

// One line per frame, "frame x y" with the position to 0.1 pixel, or
// "frame - -" where there is none.
QStringList pointTrackLines(const PointTrack& track);

} // namespace kestrel

Q_DECLARE_METATYPE(kestrel::PointTrack)
