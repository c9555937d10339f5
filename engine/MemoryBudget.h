#pragma once

#include <QtGlobal>

#include <functional>
#include <map>

namespace kestrel {

// One memory budget for the decoded frames of every engine in the program,
// shared out by what each engine is for: the active window's video first,
// its model next, windows in the background keep only the frames around
// their position, the open dialog's preview a small fixed share. A capture
// buffer (the camera's delayed view) gets what it asks for, up to a quarter.
//
// UI thread only.
class MemoryBudget {
public:
    enum class Role { ActiveVideo, ActiveModel, Background, Preview, CaptureBuffer };

    explicit MemoryBudget(qint64 totalBytes = defaultTotalBytes());
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // A quarter of the machine's memory, at most 2 GiB.
    static qint64 defaultTotalBytes();

    void setTotalBytes(qint64 totalBytes);
    qint64 totalBytes() const { return m_total; }

    // A member is told its share whenever shares change. `frameBytes` is
    // what one of its frames takes (0 while it has no file).
    using ShareChanged = std::function<void(qint64 bytes)>;
    int join(Role role, ShareChanged onShare);
    void leave(int member);
    void setRole(int member, Role role);
    void setFrameBytes(int member, qint64 frameBytes);
    // What a capture buffer asks for in all.
    void setWantedBytes(int member, qint64 bytes);
    qint64 shareOf(int member) const;

    // Frames a background window keeps around its position.
    static constexpr qint64 kBackgroundFrames = 16;
    // A capture buffer gets at most the total divided by this.
    static constexpr qint64 kCaptureBufferDivisor = 4;

private:
    struct Member {
        Role role;
        qint64 frameBytes = 0;
        qint64 wantedBytes = 0;
        qint64 share = 0;
        ShareChanged onShare;
    };
    void redistribute();

    qint64 m_total;
    std::map<int, Member> m_members;
    int m_nextId = 1;
};

} // namespace kestrel
