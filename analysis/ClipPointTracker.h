#pragma once

#include "analysis/PointTrack.h"
#include "analysis/PointTracker.h"

#include <QPointF>
#include <QString>

#include <functional>
#include <memory>

namespace kestrel {

class PacketIndex;

// Follows a point the user placed on one frame through a whole clip: forwards
// to the end and backwards to the start, reading the frames in order with
// its own decoder. A correction on any frame follows the point again from
// there, away from the start frame, up to the next frame the user placed it on.
//
// Blocks the calling thread (a worker); progress and shouldStop are only
// called on it.
class ClipPointTracker {
public:
    using Progress = std::function<void(double shareDone)>; // 0..1
    using StopCheck = std::function<bool()>;

    struct Options {
        int workingSidePx = 960; // the pictures' longer side while tracking
        int backwardChunkFrames = 60; // frames held at once when walking backwards
        PointTracker::Options tracker;
    };

    ClipPointTracker();
    explicit ClipPointTracker(Options options);

    // `atPx` in upright video pixels. On failure the track's error says why
    // ("stopped" when shouldStop() said so).
    PointTrack track(const QString& path, qint64 frame, QPointF atPx, const StopCheck& shouldStop = {},
        const Progress& progress = {}) const;
    PointTrack correct(const QString& path, PointTrack track, qint64 frame, QPointF atPx,
        const StopCheck& shouldStop = {}, const Progress& progress = {}) const;

    static QString stoppedError() { return QStringLiteral("stopped"); }

private:
    struct Walk;
    std::shared_ptr<const PacketIndex> openIndex(const QString& path, QString* error) const;
    bool walkForward(Walk& walk, qint64 from, qint64 last) const;
    bool walkBackward(Walk& walk, qint64 from, qint64 first) const;

    Options m_options;
};

} // namespace kestrel
