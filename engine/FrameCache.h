#pragma once

#include "engine/FfmpegPtr.h"

#include <QImage>

#include <map>
#include <mutex>
#include <vector>

namespace kestrel {

// Decoded frames by index within a memory budget. A frame is held either as
// the decoder's picture (cheap to keep, converted when needed) or as the
// finished upright picture. When over budget, the frames farthest from the
// focus (the frame on screen) go first.
//
// Shared by the UI thread and the decoding thread; every member locks.
class FrameCache {
public:
    explicit FrameCache(qint64 budgetBytes);

    void setBudgetBytes(qint64 budgetBytes);
    qint64 budgetBytes() const;
    qint64 usedBytes() const;
    void setFocus(qint64 frameIndex);

    enum class Status { Missing, Decoded, Converting, Ready };
    Status status(qint64 frameIndex) const;
    bool hasPicture(qint64 frameIndex) const;
    bool hasAny(qint64 frameIndex) const;
    QImage picture(qint64 frameIndex) const; // null when not converted yet

    // Takes a decoded picture for conversion, so that no other thread converts
    // it too; nullptr when there is none or it is taken. putPicture() or
    // releaseClaim() ends the claim.
    FramePtr claimDecoded(qint64 frameIndex);
    void releaseClaim(qint64 frameIndex);

    void putDecoded(qint64 frameIndex, const AVFrame* frame);
    void putPicture(qint64 frameIndex, const QImage& picture);
    void clear();
    // A picture of that size that left the cache and that nobody holds any
    // more, to be written over; null when there is none. Reusing pictures
    // saves mapping fresh memory for every frame, which costs more than
    // converting into it.
    QImage takeSpare(QSize size);

private:
    struct Entry {
        FramePtr decoded;
        QImage picture;
        qint64 bytes = 0;
        bool converting = false;
    };
    static qint64 decodedBytes(const AVFrame* frame);
    void evictLocked();

    mutable std::mutex m_mutex;
    std::map<qint64, Entry> m_entries;
    std::vector<QImage> m_spares;
    qint64 m_budget;
    qint64 m_used = 0;
    qint64 m_focus = 0;
};

} // namespace kestrel
