#include "ImpactAlignment.h"

namespace kestrel {

qint64 nearestFrameAt(qint64 timeMs, qint64 frameCount, const std::function<qint64(qint64)>& frameTimeMs)
{
    if (frameCount <= 0)
        return -1;
    // The first frame at or after timeMs, then whichever of it and the one
    // before lies nearer.
    qint64 low = 0;
    qint64 high = frameCount - 1;
    if (timeMs >= frameTimeMs(high))
        return high;
    while (low < high) {
        const qint64 middle = low + (high - low) / 2;
        if (frameTimeMs(middle) < timeMs)
            low = middle + 1;
        else
            high = middle;
    }
    if (low > 0 && timeMs - frameTimeMs(low - 1) <= frameTimeMs(low) - timeMs)
        return low - 1;
    return low;
}

} // namespace kestrel
