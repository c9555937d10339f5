#include "analysis/SwingTempo.h"

namespace kestrel {

SwingTempo SwingTempo::fromMarks(const SwingMarks& marks, const std::vector<qint64>& frameTimesMs)
{
    const qint64 address = marks.frame(SwingEvent::Address);
    const qint64 top = marks.frame(SwingEvent::Top);
    const qint64 impact = marks.frame(SwingEvent::Impact);
    const auto count = qint64(frameTimesMs.size());
    if (address < 0 || top <= address || impact <= top || impact >= count)
        return {};
    const auto at = [&](qint64 frame) { return frameTimesMs[size_t(frame)]; };
    return {at(top) - at(address), at(impact) - at(top)};
}

QString SwingTempo::text() const
{
    if (!isValid())
        return {};
    return QStringLiteral("%1:1 (backswing %2 ms, downswing %3 ms)")
        .arg(QString::number(ratio(), 'f', 1))
        .arg(backswingMs)
        .arg(downswingMs);
}

} // namespace kestrel
