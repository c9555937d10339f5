#include "screenrec/SoundAligner.h"

#include <algorithm>
#include <cmath>

namespace kestrel {

SoundAligner::SoundAligner(int sampleRate, qint64 toleranceUs)
    : m_sampleRate(std::max(1, sampleRate))
    , m_toleranceSamples(std::max<qint64>(0, samplesAt(toleranceUs)))
{
}

qint64 SoundAligner::samplesAt(qint64 us) const
{
    return std::llround(double(us) * m_sampleRate / 1e6);
}

SoundAligner::Step SoundAligner::place(qint64 captureUs, qint64 samples)
{
    Step step;
    const qint64 due = samplesAt(captureUs);
    const qint64 late = due - m_position;
    if (late > m_toleranceSamples)
        step.silence = late;
    else if (late < -m_toleranceSamples)
        step.skip = std::min(samples, -late);
    m_position += step.silence + samples - step.skip;
    return step;
}

qint64 SoundAligner::paddingUntil(qint64 endUs) const
{
    return std::max<qint64>(0, samplesAt(endUs) - m_position);
}

} // namespace kestrel
