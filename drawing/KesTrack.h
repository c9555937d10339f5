#pragma once

#include <QPointF>
#include <QtGlobal>

#include <vector>

namespace kestrel {

// A tracked point's path as a drawings file keeps it: where the point is on
// each frame it was found or carried on, in video pixels, and how.
struct KesTrackPoint {
    enum class State : char { Tracked = 't', Predicted = 'p', Set = 's' };

    qint64 frame = 0;
    QPointF positionPx;
    State state = State::Tracked;
    friend bool operator==(const KesTrackPoint&, const KesTrackPoint&) = default;
};

struct KesTrack {
    qint32 colour = 0; // 0x00BBGGRR
    float widthPx = 2;
    qint64 startFrame = 0; // where the user first placed the point
    std::vector<KesTrackPoint> points; // rising frames; frames without a position are left out
    friend bool operator==(const KesTrack&, const KesTrack&) = default;
};

} // namespace kestrel
