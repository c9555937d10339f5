#include "engine/DelayStore.h"

#include <algorithm>

namespace kestrel {

qint64 DelayStore::bytesOf(const Picture& picture)
{
    return picture.jpeg.capacity() + qint64(sizeof(Picture)) + 32; // the still's header
}

void DelayStore::setSpanUs(qint64 spanUs)
{
    m_spanUs = std::max<qint64>(0, spanUs);
    trim();
}

void DelayStore::setLimitBytes(qint64 limitBytes)
{
    m_limitBytes = std::max<qint64>(0, limitBytes);
    trim();
}

void DelayStore::append(Picture picture, QSize size)
{
    if (!isEmpty() && (size != m_size || picture.captureUs < newestUs()))
        clear();
    m_size = size;
    m_bytes += bytesOf(picture);
    m_pictures.push_back(std::move(picture));
    trim();
}

void DelayStore::clear()
{
    m_pictures.clear();
    m_bytes = 0;
    m_limitedByMemory = false;
}

void DelayStore::dropOldest()
{
    m_bytes -= bytesOf(m_pictures.front());
    m_pictures.pop_front();
}

void DelayStore::trim()
{
    if (isEmpty())
        return;
    // The oldest is needed while it is the only one at or before newest - span.
    const qint64 keepFromUs = newestUs() - m_spanUs;
    while (m_pictures.size() > 1 && m_pictures[1].captureUs <= keepFromUs)
        dropOldest();
    bool dropped = false;
    while (m_pictures.size() > 1 && m_bytes > m_limitBytes) {
        dropOldest();
        dropped = true;
    }
    // Without a drop this time the limit still holds the span back when the
    // next picture would not fit.
    m_limitedByMemory = dropped || (m_limitedByMemory && m_pictures.front().captureUs > keepFromUs);
}

const DelayStore::Picture* DelayStore::pictureAt(qint64 us) const
{
    if (isEmpty())
        return nullptr;
    // The first picture taken after `us`; the one before it is the answer.
    const auto after = std::upper_bound(m_pictures.begin(), m_pictures.end(), us,
        [](qint64 time, const Picture& picture) { return time < picture.captureUs; });
    return after == m_pictures.begin() ? &m_pictures.front() : &*std::prev(after);
}

std::vector<DelayStore::Picture> DelayStore::since(qint64 fromUs) const
{
    const auto first = std::lower_bound(m_pictures.begin(), m_pictures.end(), fromUs,
        [](const Picture& picture, qint64 time) { return picture.captureUs < time; });
    return std::vector<Picture>(first, m_pictures.end());
}

qint64 DelayStore::oldestUs() const
{
    return isEmpty() ? 0 : m_pictures.front().captureUs;
}

qint64 DelayStore::newestUs() const
{
    return isEmpty() ? 0 : m_pictures.back().captureUs;
}

double DelayStore::bytesPerSecond() const
{
    if (count() < 2 || heldUs() <= 0)
        return 0;
    // count - 1 intervals span heldUs; each picture stands for one interval.
    return double(m_bytes) / count() * (count() - 1) * 1e6 / double(heldUs());
}

} // namespace kestrel
