#pragma once

#include <QtGlobal>

#include <functional>

namespace kestrel {

// Two clips lined up at their impacts: the moment `ownMs` of one clip is
// the moment ownMs - ownImpactMs + otherImpactMs of the other, in real time,
// whatever either clip's frame rate.
inline qint64 alignedTimeMs(qint64 ownMs, qint64 ownImpactMs, qint64 otherImpactMs)
{
    return ownMs - ownImpactMs + otherImpactMs;
}

// The frame whose time is nearest `timeMs` (the earlier one on a tie), from
// frame times that rise with the index; the first or last frame outside the
// clip, -1 without frames.
qint64 nearestFrameAt(qint64 timeMs, qint64 frameCount, const std::function<qint64(qint64)>& frameTimeMs);

} // namespace kestrel
