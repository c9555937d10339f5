#pragma once

#include <QtGlobal>

extern "C" {
#include <libavutil/time.h>
}

namespace kestrel {

// The one clock of a recording: microseconds since start(), monotonic.
// Pictures and sound are both stamped from it, so they stay in step however
// late each reaches its encoder.
class RecordingClock {
public:
    void start() { m_startUs = av_gettime_relative(); }
    bool isStarted() const { return m_startUs != 0; }
    qint64 nowUs() const { return av_gettime_relative() - m_startUs; }

private:
    qint64 m_startUs = 0;
};

} // namespace kestrel
