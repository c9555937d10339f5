#include "analysis/SwingMarks.h"

namespace kestrel {

QString swingEventName(SwingEvent event)
{
    switch (event) {
    case SwingEvent::Address:
        return QStringLiteral("address");
    case SwingEvent::Top:
        return QStringLiteral("top");
    case SwingEvent::Impact:
        return QStringLiteral("impact");
    case SwingEvent::Finish:
        return QStringLiteral("finish");
    }
    return {};
}

std::optional<SwingEvent> swingEventNamed(const QString& name)
{
    for (SwingEvent event : kSwingEvents) {
        if (swingEventName(event) == name)
            return event;
    }
    return std::nullopt;
}

void SwingMarks::set(SwingEvent event, qint64 frameIndex, bool byUser)
{
    m_frames[index(event)] = frameIndex >= 0 ? frameIndex : -1;
    m_userSet[index(event)] = frameIndex >= 0 && byUser;
}

bool SwingMarks::isEmpty() const
{
    for (qint64 frame : m_frames) {
        if (frame >= 0)
            return false;
    }
    return true;
}

void SwingMarks::adoptUserMarks(const SwingMarks& saved)
{
    for (SwingEvent event : kSwingEvents) {
        if (saved.isUserSet(event))
            set(event, saved.frame(event), true);
    }
}

bool SwingMarks::inOrder() const
{
    qint64 previous = -1;
    for (qint64 frame : m_frames) {
        if (frame < 0)
            continue;
        if (frame <= previous)
            return false;
        previous = frame;
    }
    return true;
}

qint64 SwingMarks::nextAfter(qint64 frameIndex) const
{
    qint64 best = -1;
    for (qint64 frame : m_frames) {
        if (frame > frameIndex && (best < 0 || frame < best))
            best = frame;
    }
    return best;
}

qint64 SwingMarks::previousBefore(qint64 frameIndex) const
{
    qint64 best = -1;
    for (qint64 frame : m_frames) {
        if (frame >= 0 && frame < frameIndex && frame > best)
            best = frame;
    }
    return best;
}

} // namespace kestrel
