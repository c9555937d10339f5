#pragma once

#include <QByteArray>
#include <QSize>
#include <QtGlobal>

#include <deque>
#include <vector>

namespace kestrel {

// The camera's last seconds as JPEG stills, oldest first, each with its
// capture time. Keeps what a delay of spanUs needs (one picture at or before
// newest - span) and never more than limitBytes: past the limit the oldest
// go first, so the span held shrinks instead. Not thread-safe.
class DelayStore {
public:
    struct Picture {
        QByteArray jpeg; // shared with whoever copies it (a clip being saved)
        qint64 captureUs = 0;
    };

    void setSpanUs(qint64 spanUs);
    qint64 spanUs() const { return m_spanUs; }
    void setLimitBytes(qint64 limitBytes);
    qint64 limitBytes() const { return m_limitBytes; }

    // The newest picture. One taken before the newest held, or of another
    // size, starts the store afresh (the camera was reopened).
    void append(Picture picture, QSize size);
    void clear();

    // The newest picture taken at or before `us`; the oldest when every
    // picture is later; nullptr when empty.
    const Picture* pictureAt(qint64 us) const;
    // Copies (sharing the stills) of the pictures taken at or after fromUs.
    std::vector<Picture> since(qint64 fromUs) const;

    bool isEmpty() const { return m_pictures.empty(); }
    int count() const { return int(m_pictures.size()); }
    qint64 bytes() const { return m_bytes; }
    qint64 oldestUs() const;
    qint64 newestUs() const;
    qint64 heldUs() const { return isEmpty() ? 0 : newestUs() - oldestUs(); }
    QSize pictureSize() const { return m_size; }
    // The limit, not the span, let the last picture go.
    bool limitedByMemory() const { return m_limitedByMemory; }
    // What one second of pictures takes, from those held (0 until two are).
    double bytesPerSecond() const;

    // Memory a picture holds: its still and its place in the store.
    static qint64 bytesOf(const Picture& picture);

private:
    void dropOldest();
    void trim();

    std::deque<Picture> m_pictures;
    qint64 m_bytes = 0;
    qint64 m_spanUs = 0;
    qint64 m_limitBytes = 0;
    QSize m_size;
    bool m_limitedByMemory = false;
};

} // namespace kestrel
