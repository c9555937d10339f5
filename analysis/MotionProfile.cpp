#include "analysis/MotionProfile.h"

#include <algorithm>

namespace kestrel {

bool MotionProfile::isConsistent() const
{
    const size_t count = frameTimesMs.size();
    return count > 0 && motion.size() == count && centreX.size() == count && centreY.size() == count
        && keyframe.size() == count && std::is_sorted(frameTimesMs.begin(), frameTimesMs.end());
}

std::vector<double> MotionProfile::speed() const
{
    std::vector<double> perSecond(motion.size(), 0.0);
    for (size_t i = 1; i < motion.size(); ++i) {
        const double seconds = double(std::max<qint64>(1, frameTimesMs[i] - frameTimesMs[i - 1])) / 1000.0;
        perSecond[i] = double(motion[i]) / seconds;
    }
    if (perSecond.size() > 1)
        perSecond[0] = perSecond[1];
    return perSecond;
}

qint64 MotionProfile::nearestFrame(double ms) const
{
    if (frameTimesMs.empty())
        return -1;
    const auto after = std::lower_bound(frameTimesMs.begin(), frameTimesMs.end(), ms,
        [](qint64 frameMs, double value) { return double(frameMs) < value; });
    if (after == frameTimesMs.begin())
        return 0;
    if (after == frameTimesMs.end())
        return frameCount() - 1;
    const auto before = after - 1;
    const qint64 index = qint64(after - frameTimesMs.begin());
    return ms - double(*before) <= double(*after) - ms ? index - 1 : index;
}

} // namespace kestrel
