#pragma once

#include <QString>

namespace kestrel {

enum class ImpactSource { None, Audio, Motion };

// "audio", "motion", "none".
QString impactSourceName(ImpactSource source);

// Where the club meets the ball, as found in one clip.
struct ImpactEstimate {
    qint64 frameIndex = -1; // the frame showing impact; -1 when none was found
    double timeMs = 0; // when it happened, on the frames' clock (frame 0 at 0 ms); may fall between frames
    ImpactSource source = ImpactSource::None;
    double confidence = 0; // 0 (a guess) .. 1 (certain)

    bool found() const { return frameIndex >= 0; }
};

} // namespace kestrel
