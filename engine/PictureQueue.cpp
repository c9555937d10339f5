#include "engine/PictureQueue.h"

#include <algorithm>

namespace kestrel {

PictureQueue::PictureQueue(int capacity)
    : m_capacity(std::max(1, capacity))
    , m_limit(m_capacity)
{
}

void PictureQueue::setLimit(int places)
{
    std::lock_guard lock(m_mutex);
    m_limit = std::clamp(places, 1, m_capacity);
    // Beyond the limit, the older pictures go; the newest stays.
    while (int(m_pictures.size()) > m_limit) {
        m_pictures.erase(m_pictures.end() - 2);
        ++m_dropped;
    }
}

int PictureQueue::limit() const
{
    std::lock_guard lock(m_mutex);
    return m_limit;
}

void PictureQueue::takePicture(const TimedPicture& picture)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        if (int(m_pictures.size()) >= m_limit) {
            m_pictures.back() = picture;
            ++m_dropped;
            return;
        }
        m_pictures.push_back(picture);
    }
    m_ready.notify_one();
}

std::optional<TimedPicture> PictureQueue::pop()
{
    std::unique_lock lock(m_mutex);
    m_ready.wait(lock, [this] { return !m_pictures.empty() || m_closed; });
    if (m_pictures.empty())
        return std::nullopt;
    TimedPicture picture = std::move(m_pictures.front());
    m_pictures.pop_front();
    return picture;
}

void PictureQueue::close()
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_ready.notify_all();
}

void PictureQueue::abandon()
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_dropped += qint64(m_pictures.size());
        m_pictures.clear();
    }
    m_ready.notify_all();
}

int PictureQueue::size() const
{
    std::lock_guard lock(m_mutex);
    return int(m_pictures.size());
}

qint64 PictureQueue::dropped() const
{
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

} // namespace kestrel
