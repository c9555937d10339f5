#include "engine/FrameCache.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/imgutils.h>
}

namespace kestrel {

namespace {
constexpr size_t kMaxSpares = 4;
// Rows of copied pictures are aligned like the decoder's, so that the
// converter reads them with its widest loads.
constexpr int kCopyAlign = 64;
} // namespace

FrameCache::FrameCache(qint64 budgetBytes)
    : m_budget(budgetBytes)
{
}

FrameCache::~FrameCache()
{
    m_entries.clear(); // returns the copies to the pool first
    av_buffer_pool_uninit(&m_copyPool); // freed once the last copy anyone holds goes
}

void FrameCache::setBudgetBytes(qint64 budgetBytes)
{
    std::lock_guard lock(m_mutex);
    m_budget = std::max<qint64>(0, budgetBytes);
    evictLocked();
}

qint64 FrameCache::budgetBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_budget;
}

qint64 FrameCache::usedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_used;
}

void FrameCache::setFocus(qint64 frameIndex)
{
    std::lock_guard lock(m_mutex);
    m_focus = frameIndex;
}

int FrameCache::decoderPicturesHeld() const
{
    std::lock_guard lock(m_mutex);
    return m_decoderPictures;
}

FrameCache::Status FrameCache::status(qint64 frameIndex) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(frameIndex);
    if (found == m_entries.end())
        return Status::Missing;
    if (!found->second.picture.isNull())
        return Status::Ready;
    return found->second.converting ? Status::Converting : Status::Decoded;
}

FramePtr FrameCache::claimDecoded(qint64 frameIndex)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(frameIndex);
    if (found == m_entries.end() || !found->second.decoded || found->second.converting)
        return nullptr;
    found->second.converting = true;
    return FramePtr(av_frame_clone(found->second.decoded.get()));
}

void FrameCache::releaseClaim(qint64 frameIndex)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(frameIndex);
    if (found != m_entries.end())
        found->second.converting = false;
}

bool FrameCache::hasPicture(qint64 frameIndex) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(frameIndex);
    return found != m_entries.end() && !found->second.picture.isNull();
}

QImage FrameCache::picture(qint64 frameIndex) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(frameIndex);
    return found != m_entries.end() ? found->second.picture : QImage();
}

qint64 FrameCache::decodedBytes(const AVFrame* frame)
{
    const int size = av_image_get_buffer_size(AVPixelFormat(frame->format), frame->width, frame->height, 1);
    return size > 0 ? size : qint64(frame->width) * frame->height * 2;
}

// With m_mutex held. A copy of a decoded picture in the cache's own memory;
// null when the format cannot be copied.
FramePtr FrameCache::compactCopyLocked(const AVFrame* frame)
{
    const auto format = AVPixelFormat(frame->format);
    const int size = av_image_get_buffer_size(format, frame->width, frame->height, kCopyAlign);
    if (size <= 0)
        return nullptr;
    const int poolSize = size + AV_INPUT_BUFFER_PADDING_SIZE;
    if (!m_copyPool || m_copyPoolSize != poolSize) {
        av_buffer_pool_uninit(&m_copyPool);
        m_copyPool = av_buffer_pool_init(size_t(poolSize), av_buffer_alloc);
        m_copyPoolSize = poolSize;
        if (!m_copyPool)
            return nullptr;
    }
    FramePtr copy(av_frame_alloc());
    if (!copy)
        return nullptr;
    copy->buf[0] = av_buffer_pool_get(m_copyPool);
    if (!copy->buf[0])
        return nullptr;
    copy->format = frame->format;
    copy->width = frame->width;
    copy->height = frame->height;
    if (av_image_fill_arrays(
            copy->data, copy->linesize, copy->buf[0]->data, format, frame->width, frame->height, kCopyAlign)
        < 0)
        return nullptr;
    av_image_copy(copy->data, copy->linesize, const_cast<const uint8_t**>(frame->data), frame->linesize, format,
        frame->width, frame->height);
    av_frame_copy_props(copy.get(), frame);
    return copy;
}

void FrameCache::putDecoded(qint64 frameIndex, const AVFrame* frame)
{
    std::lock_guard lock(m_mutex);
    if (m_entries.count(frameIndex))
        return;
    Entry entry;
    if (m_decoderPictures < kMaxDecoderPictures) {
        entry.decoded.reset(av_frame_clone(frame));
        entry.decoderOwned = entry.decoded != nullptr;
    } else {
        entry.decoded = compactCopyLocked(frame);
    }
    if (!entry.decoded)
        return;
    m_decoderPictures += entry.decoderOwned ? 1 : 0;
    entry.bytes = decodedBytes(frame);
    m_used += entry.bytes;
    m_entries.emplace(frameIndex, std::move(entry));
    evictLocked();
}

void FrameCache::dropDecodedLocked(Entry& entry)
{
    if (entry.decoderOwned)
        --m_decoderPictures;
    entry.decoderOwned = false;
    entry.decoded.reset();
}

void FrameCache::putPicture(qint64 frameIndex, const QImage& picture)
{
    std::lock_guard lock(m_mutex);
    Entry& entry = m_entries[frameIndex];
    m_used -= entry.bytes;
    dropDecodedLocked(entry); // the picture replaces it; converting again is never needed
    entry.converting = false;
    entry.picture = picture;
    entry.bytes = picture.sizeInBytes();
    m_used += entry.bytes;
    evictLocked();
}

void FrameCache::clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_spares.clear();
    m_used = 0;
    m_decoderPictures = 0;
}

QImage FrameCache::takeSpare(QSize size)
{
    std::lock_guard lock(m_mutex);
    for (auto it = m_spares.begin(); it != m_spares.end(); ++it) {
        if (it->size() == size && it->isDetached()) {
            QImage spare = std::move(*it);
            m_spares.erase(it);
            return spare;
        }
    }
    return {};
}

void FrameCache::evictLocked()
{
    while (m_used > m_budget && m_entries.size() > 1) {
        // The farthest from the focus is at one end of the ordered map.
        auto first = m_entries.begin();
        auto last = std::prev(m_entries.end());
        const qint64 behind = m_focus - first->first;
        const qint64 ahead = last->first - m_focus;
        auto victim = behind >= ahead ? first : last;
        if (victim->first == m_focus)
            break;
        m_used -= victim->second.bytes;
        dropDecodedLocked(victim->second);
        QImage& picture = victim->second.picture;
        if (!picture.isNull() && picture.isDetached() && m_spares.size() < kMaxSpares)
            m_spares.push_back(std::move(picture));
        m_entries.erase(victim);
    }
}

} // namespace kestrel
