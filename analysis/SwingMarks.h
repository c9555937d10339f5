#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kestrel {

// The moments of a swing that Kestrel marks, in the order they happen.
enum class SwingEvent { Address, Top, Impact, Finish };
inline constexpr std::array<SwingEvent, 4> kSwingEvents{
    SwingEvent::Address, SwingEvent::Top, SwingEvent::Impact, SwingEvent::Finish};

// "address", "top", "impact", "finish".
QString swingEventName(SwingEvent event);
std::optional<SwingEvent> swingEventNamed(const QString& name);

// Frame indices of a swing's events (-1 where unknown), each either an
// estimate or a frame the user chose.
class SwingMarks {
public:
    qint64 frame(SwingEvent event) const { return m_frames[index(event)]; }
    bool has(SwingEvent event) const { return frame(event) >= 0; }
    bool isUserSet(SwingEvent event) const { return m_userSet[index(event)]; }
    // A negative frame clears the mark.
    void set(SwingEvent event, qint64 frameIndex, bool byUser);
    bool isEmpty() const;
    // Takes over every mark the user chose in `saved`; keeps the rest.
    void adoptUserMarks(const SwingMarks& saved);

    // True when the known marks follow each other as a swing does.
    bool inOrder() const;
    // The nearest marked frame after / before `frameIndex`, -1 when none:
    // what "next mark" and "previous mark" step to.
    qint64 nextAfter(qint64 frameIndex) const;
    qint64 previousBefore(qint64 frameIndex) const;

    bool operator==(const SwingMarks&) const = default;

private:
    static size_t index(SwingEvent event) { return size_t(event); }
    std::array<qint64, 4> m_frames{-1, -1, -1, -1};
    std::array<bool, 4> m_userSet{};
};

} // namespace kestrel
