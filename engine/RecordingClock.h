#pragma once

#include <QtGlobal>

extern "C" {
#include <libavutil/time.h>
}

namespace kestrel {

// The one clock of a recording: microseconds since start(), monotonic.
// Pictures and sound are both stamped from it, so they stay in step however
// late each reaches its encoder. Sound inputs stamp their packets with the
// wall clock (av_gettime); wallClockToRecordingUs() moves such a stamp onto
// this clock.
class RecordingClock {
public:
    void start() { m_startUs = av_gettime_relative(); }
    bool isStarted() const { return m_startUs != 0; }
    qint64 nowUs() const { return av_gettime_relative() - m_startUs; }
    qint64 wallClockToRecordingUs(qint64 wallClockUs) const
    {
        // Both clocks are read together, so the offset between them is exact
        // to a few microseconds even if the wall clock was set meanwhile.
        const qint64 offset = av_gettime() - av_gettime_relative();
        return wallClockUs - offset - m_startUs;
    }

private:
    qint64 m_startUs = 0;
};

} // namespace kestrel
