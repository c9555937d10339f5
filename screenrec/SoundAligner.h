#pragma once

#include <QtGlobal>

namespace kestrel {

// Lines captured sound up with the recording's clock, so that sample n of the
// file sounds at n / rate seconds, the time the pictures are placed by. A
// chunk stamped later than the samples so far reach gets silence before it
// (the input started late or lost some); one stamped earlier, or before the
// start, loses its first samples. Differences within the tolerance are the
// input's jitter and are let be.
class SoundAligner {
public:
    struct Step {
        qint64 silence = 0; // silent samples to put before the chunk
        qint64 skip = 0; // samples of the chunk to leave out, from its start
    };

    SoundAligner(int sampleRate, qint64 toleranceUs);

    // A chunk of `samples` samples whose first was captured at captureUs on the recording's clock.
    Step place(qint64 captureUs, qint64 samples);
    // Silent samples that make the sound last until endUs.
    qint64 paddingUntil(qint64 endUs) const;
    // Samples placed so far (silence included).
    qint64 position() const { return m_position; }

private:
    qint64 samplesAt(qint64 us) const;

    int m_sampleRate;
    qint64 m_toleranceSamples;
    qint64 m_position = 0;
};

} // namespace kestrel
