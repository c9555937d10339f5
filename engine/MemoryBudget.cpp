#include "engine/MemoryBudget.h"

#include <unistd.h>

#include <algorithm>

namespace kestrel {

namespace {
constexpr qint64 kMiB = qint64(1) << 20;
constexpr qint64 kMaxDefault = qint64(2048) * kMiB;
constexpr qint64 kPreviewShare = 48 * kMiB;
// The active window's video and its model share what is left two to one.
constexpr qint64 kVideoWeight = 2;
constexpr qint64 kModelWeight = 1;
} // namespace

MemoryBudget::MemoryBudget(qint64 totalBytes)
    : m_total(std::max<qint64>(0, totalBytes))
{
}

qint64 MemoryBudget::defaultTotalBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 512 * kMiB;
    return std::min(kMaxDefault, qint64(pages) * pageSize / 4);
}

void MemoryBudget::setTotalBytes(qint64 totalBytes)
{
    m_total = std::max<qint64>(0, totalBytes);
    redistribute();
}

int MemoryBudget::join(Role role, ShareChanged onShare)
{
    const int id = m_nextId++;
    m_members.emplace(id, Member{role, 0, 0, 0, std::move(onShare)});
    redistribute();
    return id;
}

void MemoryBudget::leave(int member)
{
    m_members.erase(member);
    redistribute();
}

void MemoryBudget::setRole(int member, Role role)
{
    const auto found = m_members.find(member);
    if (found == m_members.end() || found->second.role == role)
        return;
    found->second.role = role;
    redistribute();
}

void MemoryBudget::setFrameBytes(int member, qint64 frameBytes)
{
    const auto found = m_members.find(member);
    if (found == m_members.end() || found->second.frameBytes == frameBytes)
        return;
    found->second.frameBytes = std::max<qint64>(0, frameBytes);
    redistribute();
}

void MemoryBudget::setWantedBytes(int member, qint64 bytes)
{
    const auto found = m_members.find(member);
    if (found == m_members.end() || found->second.wantedBytes == bytes)
        return;
    found->second.wantedBytes = std::max<qint64>(0, bytes);
    redistribute();
}

qint64 MemoryBudget::shareOf(int member) const
{
    const auto found = m_members.find(member);
    return found == m_members.end() ? 0 : found->second.share;
}

// Fixed and small shares first (previews, background windows, capture
// buffers, members with no file), then the active video and model split the rest by weight.
void MemoryBudget::redistribute()
{
    qint64 left = m_total;
    qint64 weights = 0;
    for (auto& [id, member] : m_members) {
        switch (member.role) {
        case Role::Preview:
            member.share = std::min(kPreviewShare, m_total / 8);
            break;
        case Role::Background:
            member.share = std::min(member.frameBytes * kBackgroundFrames, m_total / 8);
            break;
        case Role::CaptureBuffer:
            member.share = std::min(member.wantedBytes, m_total / kCaptureBufferDivisor);
            break;
        case Role::ActiveVideo:
        case Role::ActiveModel:
            member.share = 0;
            if (member.frameBytes > 0)
                weights += member.role == Role::ActiveVideo ? kVideoWeight : kModelWeight;
            continue;
        }
        left -= member.share;
    }
    left = std::max<qint64>(0, left);
    for (auto& [id, member] : m_members) {
        const bool active = member.role == Role::ActiveVideo || member.role == Role::ActiveModel;
        if (active && member.frameBytes > 0 && weights > 0)
            member.share = left * (member.role == Role::ActiveVideo ? kVideoWeight : kModelWeight) / weights;
    }
    for (auto& [id, member] : m_members) {
        if (member.onShare)
            member.onShare(member.share);
    }
}

} // namespace kestrel
