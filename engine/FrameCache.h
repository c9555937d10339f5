#pragma once

#include "engine/FfmpegPtr.h"

#include <QImage>

#include <map>
#include <mutex>
#include <vector>

struct AVBufferPool;

namespace kestrel {

// Decoded frames by index within a memory budget. A frame is held either as
// a decoded picture waiting to be converted or as the finished upright
// picture. When over budget, the frames farthest from the focus (the frame
// on screen) go first.
//
// A decoded picture is kept as the decoder's own only while few are held:
// a decoder reuses its buffers only once nobody holds them, and a decoder
// that cannot reuse them maps and clears fresh memory for every picture,
// which costs more than decoding. Beyond that the picture is copied into
// the cache's own memory, planar as decoded (a 4:2:0 picture takes 1.5
// bytes a pixel, its RGB32 picture 4).
//
// Shared by the UI thread and the decoding threads; every member locks.
class FrameCache {
public:
    explicit FrameCache(qint64 budgetBytes);
    ~FrameCache();

    void setBudgetBytes(qint64 budgetBytes);
    qint64 budgetBytes() const;
    qint64 usedBytes() const;
    void setFocus(qint64 frameIndex);

    enum class Status { Missing, Decoded, Converting, Ready };
    Status status(qint64 frameIndex) const;
    bool hasPicture(qint64 frameIndex) const;
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

    // Decoder pictures held at most; the rest are copied.
    static constexpr int kMaxDecoderPictures = 6;
    int decoderPicturesHeld() const;

private:
    struct Entry {
        FramePtr decoded;
        bool decoderOwned = false; // `decoded` is the decoder's picture, not a copy
        QImage picture;
        qint64 bytes = 0;
        bool converting = false;
    };
    static qint64 decodedBytes(const AVFrame* frame);
    FramePtr compactCopyLocked(const AVFrame* frame);
    void dropDecodedLocked(Entry& entry);
    void evictLocked();

    mutable std::mutex m_mutex;
    std::map<qint64, Entry> m_entries;
    std::vector<QImage> m_spares;
    qint64 m_budget;
    qint64 m_used = 0;
    qint64 m_focus = 0;
    int m_decoderPictures = 0;
    // Memory for copied pictures, reused as they come and go.
    AVBufferPool* m_copyPool = nullptr;
    int m_copyPoolSize = 0;
};

} // namespace kestrel
